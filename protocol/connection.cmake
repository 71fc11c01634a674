target_sources(objcomm PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ObjCommConnection.cpp)
target_link_libraries(objcomm PUBLIC tessaly_sockets)
