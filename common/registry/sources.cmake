# Registry access by path, over the registry seam of platform/.
target_sources(tessaly_common PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RegistryPath.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RegistryRoots.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SplitText.cpp
)
target_link_libraries(tessaly_common PUBLIC tessaly_registry_store)
