# Cross-building Moxel for 64-bit ARM Linux (a Raspberry Pi with a 64-bit
# system, say) with Debian's cross compiler and the arm64 libraries that
# multiarch installs beside the host's own (scripts/build-arm64.sh).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(triple aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
# The libraries, CMake packages (Qt's, GoogleTest's) and pkg-config files in
# /usr/lib/aarch64-linux-gnu, never the host's in /usr/lib/x86_64-linux-gnu.
# Debian's arm64 Qt finds the host's moc and uic by itself.
set(CMAKE_LIBRARY_ARCHITECTURE ${triple})
# Without it pkg-config hands out the host's libraries without a word.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${triple}/pkgconfig:/usr/share/pkgconfig)

# Test programs (and GoogleTest's listing of their cases) run under
# user-mode emulation. Not with -L /usr/aarch64-linux-gnu: multiarch gives
# the arm64 loader and libraries at their usual places, and with the cross
# compiler's copy of the C library a Qt test program spins for minutes.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)
