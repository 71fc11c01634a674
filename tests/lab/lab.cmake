include_guard(GLOBAL)
# The virtual card lab: card simulators, the vpcd link and a private pcscd. Linux only; used by
# the reader tests, the benchmarks and tools/cardsim (which is configured before tests/).
if(NOT WIN32)
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

# A test program whose tests share one lab: it runs as one process (one CTest test), so the lab
# starts once. Tests skip where the lab cannot run (not root, no pcscd).
function(tessaly_add_lab_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/lab/LabTestMain.cpp)
  target_link_libraries(${name} PRIVATE test_support tessaly_lab ${T_LIBS} GTest::gtest tessaly_warnings)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "lab" TIMEOUT 120
                       SKIP_REGULAR_EXPRESSION "virtual card lab unavailable")
endfunction()
