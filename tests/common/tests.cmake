tessaly_add_test(common_text_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/TextEncodingTest.cpp)
