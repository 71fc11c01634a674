target_sources(brantwick_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/BrantwickDoc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClientFilter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EditConfiguration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeyStation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PacketReceiver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReaderAttributes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationConfiguration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationSettings.cpp
)
