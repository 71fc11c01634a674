target_sources(objcomm PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SerialMemoryRegistry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialMemoryResult.cpp
)
