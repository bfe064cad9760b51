# One fuzz target: NAME built from SOURCES and linked with LIBS.
# With VN_FUZZ it is a libFuzzer program (clang). In a test build it becomes
# replay_NAME, which runs every kept input of corpus/NAME once through the target;
# CTest runs it as fuzz_replay.NAME (label fuzz-replay), so the sanitizer build
# replays each corpus.
function(vn_add_fuzz_target name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS;INCLUDES;DEPENDS" ${ARGN})
  if(VN_FUZZ)
    set(target ${name})
    add_executable(${target} ${F_SOURCES})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  elseif(VN_TESTS)
    set(target replay_${name})
    add_executable(${target} ${F_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/replay/ReplayMain.cpp)
    add_test(NAME fuzz_replay.${name} COMMAND ${target} ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
    set_tests_properties(fuzz_replay.${name} PROPERTIES LABELS fuzz-replay)
  else()
    return()
  endif()
  target_link_libraries(${target} PRIVATE ${F_LIBS})
  if(F_INCLUDES)
    target_include_directories(${target} PRIVATE ${F_INCLUDES})
  endif()
  if(F_DEPENDS)
    add_dependencies(${target} ${F_DEPENDS})
  endif()
endfunction()
