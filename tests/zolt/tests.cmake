# The host-side script tool: parsing, packet building, answer checks, and whole runs over real TCP
# against a fake station. A fault in waiting would block, hence the time-out.
tessaly_add_test(zolt_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AnswerCheckTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommandClassesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FakeStation.cpp
    ${PROJECT_SOURCE_DIR}/tests/protocol/outgoing/MessageCases.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NamedCommandsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PacketReaderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScriptParserTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZoltRunTest.cpp
  LIBS objcomm_cli
  LABELS connection
  PROPERTIES TIMEOUT 120
)
