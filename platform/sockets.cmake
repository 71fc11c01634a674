# TCP sockets: BSD sockets, or Winsock 2 on Windows.
add_library(tessaly_sockets STATIC ${CMAKE_CURRENT_LIST_DIR}/Socket.cpp)
target_include_directories(tessaly_sockets PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tessaly_sockets PRIVATE tessaly_warnings)
if(WIN32)
  target_link_libraries(tessaly_sockets PUBLIC ws2_32)
endif()
