# The registry file store only exists off Windows; there these tests use the real registry's rules.
if(NOT WIN32)
  find_package(SQLite3 REQUIRED)

  add_executable(registry_store_helper ${CMAKE_CURRENT_LIST_DIR}/StoreHelper.cpp)
  target_include_directories(registry_store_helper PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(registry_store_helper PRIVATE tessaly_common tessaly_warnings)

  tessaly_add_test(registry_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/RegistryPathTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/RegistryStoreTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/RegistryConcurrencyTest.cpp
    LIBS tessaly_common
  )
  add_dependencies(registry_tests registry_store_helper)
  target_compile_definitions(registry_tests PRIVATE
    REGISTRY_HELPER_PATH="$<TARGET_FILE:registry_store_helper>")

  tessaly_add_test(registry_tool_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/RegFileTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/RegToolTest.cpp
    LIBS tessaly_reg_cli
  )
endif()
