tessaly_add_test(serialmemory_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/OperationCases.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OperationFactoryTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SerialMemoryCommandsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SerialMemoryOperationsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SerialMemoryResultTest.cpp
)
