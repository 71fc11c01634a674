# The registry seam: the system registry on Windows, a SQLite file store elsewhere.
if(WIN32)
  add_library(tessaly_registry_store STATIC
    RegistryStoreWin32.cpp RegistryStoreWin32Api.cpp RegistryStoreWin32Undo.cpp)
  target_link_libraries(tessaly_registry_store PUBLIC advapi32 shlwapi)
else()
  find_package(SQLite3 REQUIRED)
  add_library(tessaly_registry_store STATIC RegistryStoreSqlite.cpp RegistryStoreSqliteDb.cpp)
  target_link_libraries(tessaly_registry_store PRIVATE SQLite::SQLite3)
endif()
target_include_directories(tessaly_registry_store PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tessaly_registry_store PRIVATE tessaly_warnings)
