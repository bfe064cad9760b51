# A benchmark that runs vncard and openssl as whole processes (bench/common/ProcessBench.h):
# it finds the build tree's vncard and test PKI, and is built after them.
function(vn_process_bench name)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/bench/common)
  target_compile_definitions(${name} PRIVATE VN_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_dependencies(${name} vncard)
  if(TARGET cardsim_pki)
    add_dependencies(${name} cardsim_pki)
  endif()
endfunction()
