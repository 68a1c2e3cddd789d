# The library as another program sees it: installed into a fresh prefix,
# then tests/capi/c_api_smoke.c built against that install through
# pkg-config and through find_package(Quillmere 1), and run.
#
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... [-DEXTRA_C_FLAGS=...] -P install_smoke.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/RunChecked.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR}/src/capi --prefix ${prefix})
file(GLOB_RECURSE pc_files ${prefix}/*/quillmere.pc)
list(GET pc_files 0 pc_file)
get_filename_component(pc_dir ${pc_file} DIRECTORY)
get_filename_component(lib_dir ${pc_dir} DIRECTORY)

# pkg-config
run(${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${pc_dir} pkg-config --cflags --libs quillmere)
string(STRIP "${run_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
separate_arguments(extra UNIX_COMMAND "${EXTRA_C_FLAGS}")
run(cc -std=c99 -Wall -Wextra -Wpedantic -Werror ${extra} ${SOURCE_DIR}/tests/capi/c_api_smoke.c
    ${flags} -o ${WORK_DIR}/smoke-pkg-config)
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${lib_dir} ${WORK_DIR}/smoke-pkg-config)
if(NOT run_output STREQUAL "ok\n")
  message(FATAL_ERROR "pkg-config build said: ${run_output}")
endif()

# find_package
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/capi/consumer -B ${WORK_DIR}/consumer -G Ninja
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_C_FLAGS=${EXTRA_C_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_C_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/c_api_smoke)
if(NOT run_output STREQUAL "ok\n")
  message(FATAL_ERROR "find_package build said: ${run_output}")
endif()
message(STATUS "pkg-config and find_package builds ran: ok")
