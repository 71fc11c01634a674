# The reader layer: the reader abstraction, the PC/SC reader and its presence monitor, the
# contactless reader, the ATS parser and the reader listing.
add_library(cardaccess STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AnswerToSelect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PcscReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PcscTransmit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PresenceMonitor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReaderErrors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReaderList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScmContactlessReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SmartCardReader.cpp
)
target_include_directories(cardaccess PUBLIC ${PROJECT_SOURCE_DIR})
find_package(Threads REQUIRED)
target_link_libraries(cardaccess PUBLIC tessaly_common tessaly_pcsc Threads::Threads PRIVATE tessaly_warnings)
