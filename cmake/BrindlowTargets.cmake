# Helpers that keep each folder's CMakeLists short and let folders be added
# without editing shared files.

# Adds every immediate subfolder of the current folder that has a CMakeLists.txt.
function(brindlow_add_subfolders)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# brindlow_library(name SOURCES ... DEPS ...): a static library whose include
# root is src/, so includes read "strip/Strip.h".
function(brindlow_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# brindlow_test(name LABEL unit|sim|ui|x11|fuzz SOURCES ... DEPS ...): one
# GoogleTest binary registered with CTest under its label.
function(brindlow_test name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;DEPS" ${ARGN})
  if(BRINDLOW_SANITIZER_RUN AND NOT ARG_LABEL MATCHES "^(unit|sim)$")
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT})
  set_property(GLOBAL APPEND PROPERTY BRINDLOW_TESTS_${ARG_LABEL} ${name})
endfunction()

# brindlow_bench(name SOURCES ... DEPS ...): a Google Benchmark program.
function(brindlow_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark benchmark::benchmark_main)
  set_property(GLOBAL APPEND PROPERTY BRINDLOW_BENCHES ${name})
endfunction()

# Aggregate targets: "unit_tests" builds every unit test binary, "sanitizer_tests" the unit
# and sim test binaries (the ones that need no display), "benches" every benchmark.
function(brindlow_finish_targets)
  get_property(unit GLOBAL PROPERTY BRINDLOW_TESTS_unit)
  get_property(sim GLOBAL PROPERTY BRINDLOW_TESTS_sim)
  add_custom_target(unit_tests)
  add_custom_target(sanitizer_tests)
  if(unit)
    add_dependencies(unit_tests ${unit})
    add_dependencies(sanitizer_tests ${unit})
  endif()
  if(sim)
    add_dependencies(sanitizer_tests ${sim})
  endif()
  get_property(benches GLOBAL PROPERTY BRINDLOW_BENCHES)
  add_custom_target(benches)
  if(benches)
    add_dependencies(benches ${benches})
  endif()
endfunction()
