# Cutting packets from a socket with a time-out (host-side tools; the connection may share it).
target_sources(objcomm PRIVATE ${CMAKE_CURRENT_LIST_DIR}/PacketReader.cpp)
