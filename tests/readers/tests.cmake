# Reader layer. The unit tests need no reader; the lab tests run against the virtual card lab
# (private pcscd with vpcd readers), one lab per test program.
tessaly_add_test(readers_unit_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AtsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ContactlessLogicTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReaderErrorsTest.cpp
  LIBS cardaccess
)

include(${PROJECT_SOURCE_DIR}/tests/lab/lab.cmake)
if(NOT WIN32)
  tessaly_add_lab_test(readers_transmit_lab_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/TransmitLabTest.cpp
    LIBS cardaccess)
endif()
if(NOT WIN32)
  tessaly_add_lab_test(readers_presence_lab_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PresenceLabTest.cpp
    LIBS cardaccess)
  target_compile_definitions(readers_presence_lab_tests PRIVATE TESSALY_CARDSIM_PATH="$<TARGET_FILE:cardsim>")
  add_dependencies(readers_presence_lab_tests cardsim)
endif()
if(NOT WIN32)
  tessaly_add_lab_test(readers_contactless_lab_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ContactlessLabTest.cpp
    LIBS cardaccess)
endif()
