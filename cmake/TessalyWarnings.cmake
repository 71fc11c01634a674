# Warnings are errors everywhere; every target links this interface library.
add_library(tessaly_warnings INTERFACE)
if(MSVC)
  target_compile_options(tessaly_warnings INTERFACE /W4 /WX /permissive-)
else()
  target_compile_options(tessaly_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror)
  # GCC 12 inlining at -O2/-O3 reports out-of-bounds, overlapping and uninitialised accesses inside
  # the standard library's own vector and string code (false positives in its headers). The debug
  # build (GCC) and the sanitizer and fuzz builds (clang) keep these warnings as errors.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
    target_compile_options(tessaly_warnings INTERFACE
      $<$<NOT:$<CONFIG:Debug>>:-Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread -Wno-restrict -Wno-maybe-uninitialized>)
  endif()
endif()
