# Adds every direct subfolder of DIR that has a CMakeLists.txt. With RECURSE, every
# folder below DIR at any depth that has one, in path order (a folder before the folders
# inside it): tests/sign/pkcs7 is a component of its own beside tests/sign, and a
# component never adds its own subfolders.
function(vn_add_components dir)
  cmake_parse_arguments(C "RECURSE" "" "" ${ARGN})
  file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child})
      if(EXISTS ${child}/CMakeLists.txt)
        add_subdirectory(${child})
      endif()
      if(C_RECURSE)
        file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${child})
        vn_add_components(${rel} RECURSE)
      endif()
    endif()
  endforeach()
endfunction()

# One GoogleTest program per test folder: every *.cpp of the folder.
# Extra arguments: LIBS <targets...> LABELS <labels...> LOCK <resource>
# (tests that share a resource of the machine take a LOCK; the PC/SC test stacks
# need none: every test program runs its own, label pcscd).
function(vn_add_test_dir name)
  cmake_parse_arguments(T "" "LOCK" "LIBS;LABELS;SOURCES" ${ARGN})
  if(T_SOURCES)
    set(srcs ${T_SOURCES})
  else()
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE vn_static GTest::gtest GTest::gtest_main GTest::gmock ${T_LIBS})
  # Fixtures shared by several test folders: #include "support/NAME.h".
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE VN_SOURCE_DIR="${CMAKE_SOURCE_DIR}" VN_BINARY_DIR="${CMAKE_BINARY_DIR}")
  # gtest_discover_tests hands every list element on as a word of set_tests_properties,
  # so each property takes a single value here (a second variable would swallow the
  # properties after it); the folders reach the programs as compile definitions.
  set(props ENVIRONMENT "VN_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  if(T_LOCK)
    list(APPEND props RESOURCE_LOCK ${T_LOCK})
  endif()
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
