# The hardening Debian builds its packages with, for the Linux program in the
# optimised builds: the package's Release and the default RelWithDebInfo, so
# the tests run the code as it ships. Buffer overflows in the C library's
# string and memory functions are caught where their sizes are known
# (_FORTIFY_SOURCE, which needs optimisation), stack frames with arrays carry a
# canary, the program is position independent (its addresses are randomised),
# and its relocations are resolved at start and then made read-only.
#
# Not for Debug builds, builds with sanitizers nor the Windows program.
if(WIN32 OR MOXEL_SANITIZE OR NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  return()
endif()

include(CheckCXXCompilerFlag)
include(CheckPIESupported)

# Redefined rather than defined: some compilers define it themselves.
add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2 -fstack-protector-strong)
check_cxx_compiler_flag(-fstack-clash-protection moxel_stack_clash_protection)
if(moxel_stack_clash_protection)
  add_compile_options(-fstack-clash-protection)
endif()

check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_link_options(LINKER:-z,relro LINKER:-z,now)
