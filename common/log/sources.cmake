# The driver's log file.
target_sources(tessaly_common PRIVATE ${CMAKE_CURRENT_LIST_DIR}/DriverLog.cpp)
