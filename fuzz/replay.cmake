# Replays the fuzz targets' inputs with the ordinary compiler and test presets
# (included from tests/CMakeLists.txt): each fuzz_<name>.cpp is linked with
# replay_main.cpp instead of libFuzzer, and runs
#   - fuzz_replay_<name>: every seed of fuzz/corpus/<name>/ and every input of
#     tests/regress/<name>/;
#   - fuzz_regress_<name>.<file>: one test per regression input, named after
#     what it once broke;
#   - fuzz_damage_<name>: every seed of fuzz/corpus/<name>/ cut at each length
#     and with each bit of its head flipped (--damage, see replay_main.cpp).

set(qm_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(qm_regress_dir ${CMAKE_CURRENT_LIST_DIR}/../tests/regress ABSOLUTE)

file(GLOB qm_fuzz_replay_sources CONFIGURE_DEPENDS ${qm_fuzz_dir}/fuzz_*.cpp)

add_library(qm_fuzz_replay STATIC ${qm_fuzz_dir}/target_support.cpp ${qm_fuzz_dir}/replay_main.cpp)
target_include_directories(qm_fuzz_replay PUBLIC ${qm_fuzz_dir})
target_link_libraries(qm_fuzz_replay PUBLIC quillmere_core PRIVATE qm_test_warnings)

foreach(source ${qm_fuzz_replay_sources})
  get_filename_component(target ${source} NAME_WE)
  string(REGEX REPLACE "^fuzz_" "" name ${target})
  add_executable(fuzz_replay_${name} ${source})
  target_link_libraries(fuzz_replay_${name} PRIVATE qm_fuzz_replay qm_test_warnings)

  set(inputs ${qm_fuzz_dir}/corpus/${name})
  if(IS_DIRECTORY ${qm_regress_dir}/${name})
    list(APPEND inputs ${qm_regress_dir}/${name})
  endif()
  add_test(NAME fuzz_replay_${name} COMMAND fuzz_replay_${name} ${inputs})
  set_tests_properties(fuzz_replay_${name} PROPERTIES TIMEOUT 300)
  add_test(NAME fuzz_damage_${name} COMMAND fuzz_replay_${name} --damage
                                            ${qm_fuzz_dir}/corpus/${name})
  set_tests_properties(fuzz_damage_${name} PROPERTIES TIMEOUT 300)

  file(GLOB regressions CONFIGURE_DEPENDS ${qm_regress_dir}/${name}/*)
  foreach(input ${regressions})
    get_filename_component(what ${input} NAME)
    add_test(NAME fuzz_regress_${name}.${what} COMMAND fuzz_replay_${name} ${input})
    set_tests_properties(fuzz_regress_${name}.${what} PROPERTIES TIMEOUT 300)
  endforeach()
endforeach()
