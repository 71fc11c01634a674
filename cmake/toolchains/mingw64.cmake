# 64-bit Windows programs and DLLs from Debian (mingw-w64, posix threads).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TESSALY_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
