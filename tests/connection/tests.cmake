# Real TCP over loopback; a fault in packet cutting would block, hence the time-out.
tessaly_add_test(connection_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/LoopbackPeer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SocketTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ConnectionTest.cpp
  LIBS tessaly_sockets
  LABELS connection
  PROPERTIES TIMEOUT 60
)
