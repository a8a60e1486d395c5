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

# The layering (cmake/Layers.txt): BRINDLOW_LAYERS names the folders of src/,
# BRINDLOW_LAYER_<folder> lists the folders <folder> may include besides itself, and
# BRINDLOW_LAYER_EXCEPTIONS holds "file:folder" pairs.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/Layers.txt brindlow_layer_lines REGEX "^[^#]*:")
set(BRINDLOW_LAYERS "")
set(BRINDLOW_LAYER_EXCEPTIONS "")
foreach(line IN LISTS brindlow_layer_lines)
  string(REGEX MATCH "^([^:]+):(.*)$" matched "${line}")
  set(key ${CMAKE_MATCH_1})
  separate_arguments(folders UNIX_COMMAND "${CMAKE_MATCH_2}")
  if(key MATCHES "/")
    foreach(folder IN LISTS folders)
      list(APPEND BRINDLOW_LAYER_EXCEPTIONS "${key}:${folder}")
    endforeach()
  else()
    list(APPEND BRINDLOW_LAYERS ${key})
    set(BRINDLOW_LAYER_${key} ${folders})
  endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/Layers.txt)

# brindlow_library(name [SOURCES ...] [DEPS ...]): a static library (an interface library when
# it has no sources) of the src/ folder it is declared in. Includes read "strip/Strip.h"; the
# library's include root holds links to its own folder and the folders it may use, and nothing
# else, so an include against the layering does not compile. Programs and tests that link it see
# its root; libraries above it see only their own.
function(brindlow_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  string(REGEX REPLACE "/.*" "" folder "${relative}")
  if(NOT folder IN_LIST BRINDLOW_LAYERS)
    message(FATAL_ERROR "src/${folder} has no place in cmake/Layers.txt")
  endif()
  set(folders ${folder} ${BRINDLOW_LAYER_${folder}})
  set(sources "")
  foreach(source IN LISTS ARG_SOURCES)
    get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND sources ${source})
  endforeach()
  foreach(exception IN LISTS BRINDLOW_LAYER_EXCEPTIONS)
    string(REGEX MATCH "^(.+):(.+)$" matched "${exception}")
    set(extra ${CMAKE_MATCH_2})
    if(${PROJECT_SOURCE_DIR}/src/${CMAKE_MATCH_1} IN_LIST sources)
      list(APPEND folders ${extra} ${BRINDLOW_LAYER_${extra}})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES folders)

  set(root ${CMAKE_BINARY_DIR}/include-roots/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  foreach(used IN LISTS folders)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${used} ${root}/${used} SYMBOLIC)
  endforeach()
  set(for_others "$<$<NOT:$<BOOL:$<TARGET_PROPERTY:BRINDLOW_LAYERED>>>:${root}>")

  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PRIVATE ${root} INTERFACE ${for_others})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${for_others})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
  set_target_properties(${name} PROPERTIES BRINDLOW_LAYERED ON)
endfunction()

# brindlow_runs(target programs...): `target` starts these programs of ours; they are built
# before it and their paths are compiled in: BRINDLOW_EXECUTABLE_PATH for `brindlow`,
# BRINDLOW_TESTCLIENT_PATH for `brindlow-testclient`.
function(brindlow_runs target)
  foreach(program IN LISTS ARGN)
    if(program STREQUAL "brindlow")
      set(macro BRINDLOW_EXECUTABLE_PATH)
    elseif(program STREQUAL "brindlow-testclient")
      set(macro BRINDLOW_TESTCLIENT_PATH)
    else()
      message(FATAL_ERROR "brindlow_runs: no path macro for ${program}")
    endif()
    add_dependencies(${target} ${program})
    target_compile_definitions(${target} PRIVATE ${macro}="$<TARGET_FILE:${program}>")
  endforeach()
endfunction()

# brindlow_test(name LABEL unit|sim|ui|x11|fuzz SOURCES ... DEPS ... [RUNS programs...]
# [DEFINITIONS ...] [TIMEOUT seconds]): one GoogleTest binary registered with CTest under its
# label. It sees tests/ and the include roots of the libraries it links. Qt tests (ui) run on
# the offscreen platform.
function(brindlow_test name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;DEPS;RUNS;DEFINITIONS" ${ARGN})
  if(BRINDLOW_SANITIZER_RUN AND NOT ARG_LABEL MATCHES "^(unit|sim)$")
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE ${ARG_DEFINITIONS})
  brindlow_runs(${name} ${ARG_RUNS})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABEL STREQUAL "ui")
    set_tests_properties(${name} PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  endif()
  set_property(GLOBAL APPEND PROPERTY BRINDLOW_TESTS_${ARG_LABEL} ${name})
endfunction()

# brindlow_bench(name SOURCES ... DEPS ... [RUNS programs...]): a Google Benchmark program; like
# a test it sees tests/ (the sim fixtures) and the include roots of the libraries it links.
function(brindlow_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;RUNS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark benchmark::benchmark_main)
  brindlow_runs(${name} ${ARG_RUNS})
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

# brindlow_beside_window_managers(tests...): marks X11 tests whose outcome depends on the window
# manager (label wm); scripts/test runs them again beside each window manager it tests.
function(brindlow_beside_window_managers)
  foreach(name ${ARGN})
    if(TEST ${name})
      set_property(TEST ${name} APPEND PROPERTY LABELS wm)
    endif()
  endforeach()
endfunction()
