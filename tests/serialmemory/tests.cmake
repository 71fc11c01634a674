tessaly_add_test(serialmemory_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/SerialMemoryResultTest.cpp
)
