# Settings over a private registry file per test (the file store exists off Windows only).
if(NOT WIN32)
  tessaly_add_test(settings_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DriverSettingsTest.cpp
    LIBS quorlin_settings
  )
endif()
