# CLI11 and nlohmann/json are header-only (Debian libcli11-dev, nlohmann-json3-dev). Their folders are
# linked into one include folder of the build, so that a cross build (mingw) sees those headers and
# nothing else of the host's /usr/include.
set(tessaly_third_party ${PROJECT_BINARY_DIR}/third_party)
file(MAKE_DIRECTORY ${tessaly_third_party})

function(tessaly_header_only_library target header folder)
  find_path(${target}_ROOT ${header} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ${target}_ROOT)
    message(FATAL_ERROR "${header} not found: install the Debian package that provides it (scripts/deps.sh)")
  endif()
  file(CREATE_LINK ${${target}_ROOT}/${folder} ${tessaly_third_party}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${tessaly_third_party})
endfunction()

tessaly_header_only_library(tessaly_cli11 CLI/CLI.hpp CLI)
tessaly_header_only_library(tessaly_json nlohmann/json.hpp nlohmann)
