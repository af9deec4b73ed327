# vxf_add_gtest(<name> SOURCES <files...> LIBS <targets...>)
# One test executable, run by ctest as one test (under Wine when cross-built:
# CMAKE_CROSSCOMPILING_EMULATOR is applied by add_test itself).
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

function(vxf_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  add_test(NAME ${name} COMMAND ${name})
  # Tests find their fixtures and the checker tools through these.
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "VXF_SOURCE_DIR=${PROJECT_SOURCE_DIR};VXF_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()

# vxf_add_fuzzer(<name> SOURCES <files...> LIBS <targets...>): libFuzzer target,
# built only in the fuzz configuration (clang, ASan + UBSan).
function(vxf_add_fuzzer name)
  if(NOT VXF_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
endfunction()

# vxf_add_bench(<name> SOURCES <files...> LIBS <targets...>): a program that
# prints figures; never part of the test run's pass/fail.
function(vxf_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS})
endfunction()
