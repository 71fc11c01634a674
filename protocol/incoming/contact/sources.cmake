target_sources(objcomm PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ContactRegistry.cpp
)
