# The log folder comes from the registry, which off Windows is a private file per test.
if(NOT WIN32)
  tessaly_add_test(log_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DriverLogTest.cpp
    LIBS tessaly_common
  )
endif()
