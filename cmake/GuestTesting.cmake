# Tests that need the kernel's ALSA sequencer run in a throw-away QEMU guest
# (tools/alsa_guest/run-in-guest.sh): this machine has no sound support.
#
# moxel_add_guest_test(NAME <name> COMMAND <program> [<argument>...]
#                      [TIMEOUT <seconds>] [CPUS <n>] [ENV <NAME=VALUE>...]
#                      [SHARE <folder>...] [WORKING_DIRECTORY <folder>])
# One CTest test (label alsa) that runs the command in one guest, e.g. every
# case of a test program:
#   moxel_add_guest_test(NAME alsa_backend_tests COMMAND $<TARGET_FILE:alsa_backend_tests>)
# The guest stops after TIMEOUT seconds (default 300); CPUS is its processor
# count (default 2; CTest counts them against -j, so a guest does not run
# beside other tests on a busy machine's every core); ENV passes variables
# besides those the guest always gets (MOXEL_*, QT_*, GTEST_*, sanitizer
# options); SHARE folders are writable in the guest. The command runs in the
# test's build folder unless WORKING_DIRECTORY says otherwise, with
# QT_QPA_PLATFORM=offscreen. The tests skip (status 77) only where QEMU is
# not installed and MOXEL_REQUIRE_GUEST is not set.
#
# The guest is a machine of the build's own kind (MOXEL_GUEST_ARCH): an arm64
# build's tests run on an emulated arm64 machine with Debian's arm64 kernel.
set(MOXEL_RUN_IN_GUEST ${PROJECT_SOURCE_DIR}/tools/alsa_guest/run-in-guest.sh)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
  set(MOXEL_GUEST_ARCH arm64)
else()
  set(MOXEL_GUEST_ARCH amd64)
endif()

# The guest's kernel and initramfs, prepared once (tools/alsa_guest/prepare.sh:
# a cache folder of the user's, kept across builds) before the first guest.
# The arm64 guest's first preparation (its userland too) took up to 10 min on
# a busy machine.
add_test(NAME alsa_guest_prepare
  COMMAND ${PROJECT_SOURCE_DIR}/tools/alsa_guest/prepare.sh --arch ${MOXEL_GUEST_ARCH})
set_tests_properties(alsa_guest_prepare PROPERTIES FIXTURES_SETUP alsa_guest LABELS alsa
  TIMEOUT 1200 SKIP_RETURN_CODE 77)

function(moxel_add_guest_test)
  cmake_parse_arguments(G "" "NAME;TIMEOUT;CPUS;WORKING_DIRECTORY" "COMMAND;ENV;SHARE" ${ARGN})
  if(NOT G_NAME OR NOT G_COMMAND)
    message(FATAL_ERROR "moxel_add_guest_test needs NAME and COMMAND")
  endif()
  if(NOT G_TIMEOUT)
    set(G_TIMEOUT 300)
  endif()
  if(NOT G_CPUS)
    set(G_CPUS 2)
  endif()
  if(NOT G_WORKING_DIRECTORY)
    set(G_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set(options --arch ${MOXEL_GUEST_ARCH} --timeout ${G_TIMEOUT} --cpus ${G_CPUS})
  foreach(variable IN LISTS G_ENV)
    list(APPEND options --env ${variable})
  endforeach()
  foreach(folder IN LISTS G_SHARE)
    list(APPEND options --share ${folder})
  endforeach()
  add_test(NAME ${G_NAME} COMMAND ${MOXEL_RUN_IN_GUEST} ${options} -- ${G_COMMAND}
    WORKING_DIRECTORY ${G_WORKING_DIRECTORY})
  # The script's own time-out (which counts the guest's start) ends the test
  # first, with its message.
  math(EXPR ctest_timeout "${G_TIMEOUT} + 30")
  set_tests_properties(${G_NAME} PROPERTIES LABELS alsa TIMEOUT ${ctest_timeout}
    PROCESSORS ${G_CPUS} SKIP_RETURN_CODE 77 FIXTURES_REQUIRED alsa_guest
    ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()
