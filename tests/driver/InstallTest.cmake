# Installs the build into a fresh prefix and builds the example host application against the
# installed files twice, with find_package(Quorlin) and with pkg-config, then runs both: each must
# call the driver and report Status -1000 (nothing listens on the configured port).
#   cmake -DBUILD_DIR= -DSOURCE_DIR= -DWORK_DIR= -DREG_TOOL= -DC_COMPILER= [-DEXAMPLE_FLAGS= -DEXAMPLE_LIBS=] -P InstallTest.cmake
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

function(expect_call program)
  set(ENV{TESSALY_REGISTRY} ${WORK_DIR}/registry.db)
  set(ENV{LD_LIBRARY_PATH} ${prefix}/lib)
  run(${program})
  if(NOT last_output MATCHES "version [0-9.]+\nresult 0 status -1000 name -\n")
    message(FATAL_ERROR "${program} printed:\n${last_output}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(file include/quorlin.h lib/libquorlin.so lib/pkgconfig/quorlin.pc lib/cmake/Quorlin/QuorlinConfig.cmake
             bin/quorlin-host)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

set(ENV{TESSALY_REGISTRY} ${WORK_DIR}/registry.db)
run(${REG_TOOL} set "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\ObjectCommunicatorPort" 1 --dword)
run(${REG_TOOL} set "HKEY_CURRENT_USER\\Software\\Tessaly\\Log File Viewer\\LogPath" ${WORK_DIR})

# find_package(Quorlin)
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples -B ${WORK_DIR}/example -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_C_COMPILER=${C_COMPILER}
    "-DCMAKE_C_FLAGS=${EXAMPLE_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXAMPLE_FLAGS} ${EXAMPLE_LIBS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/example)
expect_call(${WORK_DIR}/example/request_device_name)

# pkg-config
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run(pkg-config --cflags --libs quorlin)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags} ${EXAMPLE_FLAGS} ${EXAMPLE_LIBS}")
run(${C_COMPILER} ${SOURCE_DIR}/examples/request_device_name.c ${flags} -o ${WORK_DIR}/request_device_name_pc)
expect_call(${WORK_DIR}/request_device_name_pc)

file(GLOB logs ${WORK_DIR}/Quorlin_*.log)
if(NOT logs)
  message(FATAL_ERROR "the driver wrote no log into ${WORK_DIR}")
endif()
message(STATUS "installed driver linked and called both ways")
