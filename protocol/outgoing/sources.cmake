target_sources(objcomm PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ContactlessAcks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MessageDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PassThroughModeMessages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProcessAcks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RegistrationMessages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialMemoryAcks.cpp
)
