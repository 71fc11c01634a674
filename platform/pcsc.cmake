# The PC/SC seam: WinSCard on Windows, pcsc-lite elsewhere. Only PcscApi.cpp sees the platform
# header; everything above it uses the portable declarations of PcscApi.h.
add_library(tessaly_pcsc STATIC ${CMAKE_CURRENT_LIST_DIR}/PcscApi.cpp)
target_include_directories(tessaly_pcsc PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tessaly_pcsc PRIVATE tessaly_warnings)
if(WIN32)
  target_link_libraries(tessaly_pcsc PUBLIC winscard)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(PCSCLITE REQUIRED IMPORTED_TARGET libpcsclite)
  target_link_libraries(tessaly_pcsc PRIVATE PkgConfig::PCSCLITE)
endif()
