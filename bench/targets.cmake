# The key station benchmark needs the virtual card lab (Linux); it skips with a message where the
# lab cannot run.
if(NOT WIN32)
  include(${PROJECT_SOURCE_DIR}/tests/lab/lab.cmake)
  add_executable(bench_station StationBench.cpp)
  target_link_libraries(bench_station PRIVATE brantwick_core tessaly_lab tessaly_warnings)
endif()
