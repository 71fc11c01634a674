# Key stations. The unit tests need no reader (settings over a private registry file, packet cutting
# over loopback); the lab tests run stations against the virtual card lab over real TCP and PC/SC.
if(NOT WIN32)
  add_library(keystation_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/HostPeer.cpp)
  target_link_libraries(keystation_test_support PUBLIC test_support objcomm tessaly_sockets GTest::gtest
                        PRIVATE tessaly_warnings)

  tessaly_add_test(keystations_unit_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/ClientFilterTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/EditConfigurationTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/PacketReceiverTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/StationConfigurationTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/StationIdTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/StationSettingsTest.cpp
    LIBS brantwick_core keystation_test_support
    PROPERTIES TIMEOUT 60
  )
endif()

include(${PROJECT_SOURCE_DIR}/tests/lab/lab.cmake)
if(NOT WIN32)
  tessaly_add_lab_test(keystations_commands_lab_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/StationCommandsLabTest.cpp
    LIBS brantwick_core keystation_test_support)
endif()
if(NOT WIN32)
  tessaly_add_lab_test(keystations_server_lab_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/StationServerLabTest.cpp
    LIBS brantwick_core keystation_test_support)
endif()
if(NOT WIN32)
  tessaly_add_lab_test(keystations_cli_lab_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/BrantwickCliLabTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/ChildProcess.cpp
    LIBS brantwick_core keystation_test_support)
  target_compile_definitions(keystations_cli_lab_tests PRIVATE TESSALY_BRANTWICK_PATH="$<TARGET_FILE:brantwick>")
  add_dependencies(keystations_cli_lab_tests brantwick)
endif()
