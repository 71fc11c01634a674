target_sources(objcomm PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/BaudRateCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BulkProcessCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ContactRegistry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProcessCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReaderAttribute.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialPortCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationCommands.cpp
)
