tessaly_add_test(protocol_codec_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BinaryStringTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CodecTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecryptHelpersTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ResetCommandsTest.cpp
)
