moxel_add_test(moxel_patch_tests SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/PatchNumberTest.cpp LIBS moxel_core)
