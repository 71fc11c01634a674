# 32-bit Windows programs and DLLs from Debian (mingw-w64, posix threads): the bitness of many host
# applications, whose in-process servers must match it.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TESSALY_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
