# Shared build helpers: warnings, one static library per source folder, tests, fuzz targets, benchmarks.

add_library(orb_all INTERFACE)

function(orb_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -Wno-missing-field-initializers)
  # GCC 12 reports std::string copies as overlapping at -O3 (a known false positive of -Wrestrict).
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
endfunction()

# orb_library(<folder> [DEPS libs...]) builds every .cpp below src/<folder> into orb_<folder>.
function(orb_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # A layer without code yet still exists for those that name it.
    add_library(orb_${name} INTERFACE)
    target_include_directories(orb_${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(orb_${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(orb_${name} STATIC ${sources})
  target_include_directories(orb_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(orb_${name} PUBLIC ${ARG_DEPS})
  orb_warnings(orb_${name})
  target_link_libraries(orb_all INTERFACE orb_${name})
endfunction()


# Sources named relative to the calling folder that exist; a target whose sources are all missing is
# skipped with a note (a folder being written while someone else configures).
function(orb_existing_sources out)
  set(found "")
  foreach(s ${ARGN})
    if(IS_ABSOLUTE ${s})
      set(path ${s})
    else()
      set(path ${CMAKE_CURRENT_SOURCE_DIR}/${s})
    endif()
    if(EXISTS ${path})
      list(APPEND found ${path})
    endif()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# orb_test(<name> SOURCES... LIBS... LABELS...) adds one GoogleTest executable whose tests carry the labels.
function(orb_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  orb_existing_sources(ARG_SOURCES ${ARG_SOURCES})
  if(NOT ARG_SOURCES)
    message(STATUS "orb_test(${name}): no sources yet, skipped")
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE ORB_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ORB_BINARY_DIR="${CMAKE_BINARY_DIR}")
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  orb_warnings(${name})
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_TIMEOUT 60
    TEST_LIST ${name}_TESTS
    PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  # Labels are a list, which the discovery's PROPERTIES cannot carry: set them once the tests are known.
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
  file(WRITE ${script} "foreach(t IN LISTS ${name}_TESTS)\n  set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${ARG_LABELS}\")\nendforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# orb_fuzz(<name> SOURCE file LIBS...) adds a libFuzzer target and a short CTest run over its seed corpus
# (tests/fuzz/corpus/<name>, if present).
function(orb_fuzz name)
  cmake_parse_arguments(ARG "" "SOURCE;SECONDS" "LIBS" ${ARGN})
  if(NOT ORB_FUZZ)
    return()
  endif()
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 20)
  endif()
  orb_existing_sources(ARG_SOURCE ${ARG_SOURCE})
  if(NOT ARG_SOURCE)
    message(STATUS "orb_fuzz(${name}): no source yet, skipped")
    return()
  endif()
  add_executable(fuzz_${name} ${ARG_SOURCE})
  target_link_libraries(fuzz_${name} PRIVATE ${ARG_LIBS})
  target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/corpus_${name})
  set(seeds "")
  if(EXISTS ${corpus})
    set(seeds ${corpus})
  endif()
  add_test(NAME fuzz.${name}
    COMMAND sh -c "mkdir -p ${work} && exec $<TARGET_FILE:fuzz_${name}> -max_total_time=${ARG_SECONDS} -rss_limit_mb=2048 -timeout=10 ${work} ${seeds}")
  set_tests_properties(fuzz.${name} PROPERTIES LABELS "fuzz" TIMEOUT 300)
endfunction()

# orb_bench(<name> SOURCES... LIBS...) adds one Google Benchmark program.
function(orb_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  orb_existing_sources(ARG_SOURCES ${ARG_SOURCES})
  if(NOT ARG_SOURCES)
    message(STATUS "orb_bench(${name}): no sources yet, skipped")
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/bench)
  target_compile_definitions(${name} PRIVATE ORB_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ORB_BINARY_DIR="${CMAKE_BINARY_DIR}")
  orb_warnings(${name})
endfunction()

# Adds every subfolder of the calling folder's `under` folder (or of the calling folder) that has a
# CMakeLists.txt: each tool, test folder and benchmark is picked up without being listed.
function(orb_add_subfolders)
  set(base ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARGV0)
    set(base ${CMAKE_CURRENT_SOURCE_DIR}/${ARGV0})
  endif()
  file(GLOB dirs LIST_DIRECTORIES true ${base}/*)
  foreach(dir ${dirs})
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
      file(RELATIVE_PATH rel ${CMAKE_CURRENT_SOURCE_DIR} ${dir})
      add_subdirectory(${rel})
    endif()
  endforeach()
endfunction()
