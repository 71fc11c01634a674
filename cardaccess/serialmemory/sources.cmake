target_sources(objcomm PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/OperationFactory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialMemoryCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialMemoryOperation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialMemoryRegistry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialMemoryResult.cpp
)
