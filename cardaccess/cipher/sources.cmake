target_sources(objcomm PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CipherEnvelope.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationKey.cpp
)
target_link_libraries(objcomm PRIVATE tessaly_crypto)
