# The Windows build's tests run here under Wine. GoogleTest is built from
# Debian's sources with the cross compiler; every test program runs through
# wine-run.sh (in the build folder), which uses a Wine prefix of the build's
# own and, while the test session runs, its virtual display. The session (a
# CTest fixture) starts that display and keeps one Wine server running for
# all tests, so Wine does not start anew for each.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

find_program(WINE_PROGRAM wine REQUIRED)
set(MOXEL_WINE_SESSION ${CMAKE_BINARY_DIR}/wine-session)
set(MOXEL_WINEPREFIX ${MOXEL_WINE_SESSION}/prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
    WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

add_test(NAME wine_session_start
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine-session.sh start ${MOXEL_WINE_SESSION}
    ${CMAKE_BINARY_DIR}/wine-run.sh)
add_test(NAME wine_session_stop
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine-session.sh stop ${MOXEL_WINE_SESSION}
    ${CMAKE_BINARY_DIR}/wine-run.sh)
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session TIMEOUT 180)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_session TIMEOUT 60)
