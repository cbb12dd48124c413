# The Debian package (cpack -G DEB, see scripts/package.sh): whatever the
# install rules of data/ put under the prefix, in /usr, with the dependencies
# read from the shared libraries the program uses.
set(MOXEL_MAINTAINER "The Moxel developers <moxel@users.noreply.github.com>"
  CACHE STRING "Maintainer of the Debian package, name <address>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME moxel)
set(CPACK_PACKAGE_VENDOR "The Moxel developers")
set(CPACK_PACKAGE_HOMEPAGE_URL ${MOXEL_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Relay live MIDI from one input to one output")
# Lines of the long description, as Debian shows them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Moxel forwards every MIDI message from the input you pick to the output"
  "you pick, rewriting its channel to the one chosen in its small window or"
  "letting the window follow the incoming channel. It relays inside JACK's"
  "real-time cycle (JACK itself or PipeWire's JACK service), so each message"
  "leaves in the cycle and at the frame offset it arrived with, or, where no"
  "JACK server runs, on the ALSA sequencer that every Linux system has. It"
  "also measures a tempo from taps, sends program changes and silences the"
  "output on demand.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MOXEL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A cross-built package is for the machine it was built for, not for this
# one (which CPack would name); scripts/build-arm64.sh tells the dependency
# scan that machine too.
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_NAME STREQUAL Linux AND CMAKE_SYSTEM_PROCESSOR STREQUAL aarch64)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
endif()
# The program loads the JACK library itself when it first opens a client (the
# library scan does not see it); without it Moxel runs on the ALSA sequencer,
# whose library the scan finds. So JACK is recommended, not required, as is
# the toolkit's own texts (its standard buttons) in Japanese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "libjack-jackd2-0 | libjack-0.125, pipewire-jack | jackd2, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# lintian (scripts/check-package.sh) finds no error or warning. Its one
# informational tag, package-contains-documentation-outside-usr-share-doc, is
# for the help pages in /usr/share/moxel/manual: the program opens them from
# its menu, and a program must not need /usr/share/doc, which a system may
# leave out.

include(CPack)
