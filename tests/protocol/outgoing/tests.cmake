tessaly_add_test(protocol_outgoing_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/MessageCases.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OutgoingMessagesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageDecoderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecodeAckToolTest.cpp
  LIBS objcomm_cli
)
