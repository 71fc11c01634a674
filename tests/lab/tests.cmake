# The lab's card models on their own (no daemon needed).
include(${PROJECT_SOURCE_DIR}/tests/lab/lab.cmake)
if(NOT WIN32)
  tessaly_add_test(lab_model_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/LabModelTest.cpp LIBS tessaly_lab)
endif()
