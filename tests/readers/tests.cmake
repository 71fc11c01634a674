include(${PROJECT_SOURCE_DIR}/tests/lab/lab.cmake)
