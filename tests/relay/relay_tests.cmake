# The relay rule, note tracking, the reset sequence and the lock-free ring.
# Label rt: CI runs these under ThreadSanitizer.
moxel_add_test(relay_rule_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RelayEngineTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ResetSequenceTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SpscRingTest.cpp
  LIBS moxel_core
  LABELS rt)
