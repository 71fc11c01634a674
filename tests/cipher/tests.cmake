tessaly_add_test(cipher_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TripleDesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StationKeyTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CipherEnvelopeTest.cpp
  LIBS tessaly_crypto
)
