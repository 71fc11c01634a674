# Warnings are errors everywhere; every target links this interface library.
add_library(tessaly_warnings INTERFACE)
if(MSVC)
  target_compile_options(tessaly_warnings INTERFACE /W4 /WX /permissive-)
else()
  target_compile_options(tessaly_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror)
endif()
