target_sources(objcomm PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ContactlessRegistry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeyObjectRecord.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeyStationCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PassThroughEnd.cpp
)
