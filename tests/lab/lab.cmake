# The virtual card lab: card simulators, the vpcd link and a private pcscd. Linux only; used by
# the reader tests, the benchmarks and tools/cardsim (which is configured before tests/).
if(NOT TARGET tessaly_lab AND NOT WIN32)
  add_library(tessaly_lab STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ContactlessReaderModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IsoCard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IsoFileSystem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Lab.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MifareClassic.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PcscDaemon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VirtualCard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VpcdLink.cpp
  )
  target_include_directories(tessaly_lab PUBLIC ${PROJECT_SOURCE_DIR})
  find_package(Threads REQUIRED)
  target_link_libraries(tessaly_lab PUBLIC tessaly_common tessaly_pcsc Threads::Threads PRIVATE tessaly_warnings)
endif()
