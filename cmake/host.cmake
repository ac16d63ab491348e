# Host build: the text logic with AddressSanitizer and UndefinedBehaviorSanitizer.
set(SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_library(text_logic STATIC ${TEXT_SOURCES})
target_include_directories(text_logic PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(text_logic PUBLIC ${SANITIZE} -g)
target_link_options(text_logic PUBLIC ${SANITIZE})

include(${CMAKE_SOURCE_DIR}/checker/checker.cmake)
add_library(checker_logic STATIC ${CHECKER_TEXT_SOURCES})
target_link_libraries(checker_logic PUBLIC text_logic)
add_executable(setupcheck ${CMAKE_SOURCE_DIR}/checker/main.cpp)
target_link_libraries(setupcheck PRIVATE checker_logic)
# The checker once more without sanitizers, which abort where an allocation fails:
# checker.golden runs this one out of memory.
add_executable(setupcheck_plain ${CMAKE_SOURCE_DIR}/checker/main.cpp ${CHECKER_TEXT_SOURCES} ${TEXT_SOURCES})
target_include_directories(setupcheck_plain PRIVATE ${CMAKE_SOURCE_DIR})

include(${CMAKE_SOURCE_DIR}/tests/host-tests.cmake)

# libFuzzer targets: every tests/fuzz/<name>_fuzz.cpp against the text logic (the
# checker's included) built with coverage for the fuzzer, seeded from
# tests/fuzz/corpus/<name>/ (committed, read only).
# CTest runs each for FUZZ_SECONDS; tests/fuzz/run.sh runs them longer.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(FUZZ_SECONDS 3 CACHE STRING "How long CTest runs each fuzz target")
  set(FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all -g -O1)
  add_library(fuzz_text_logic STATIC ${TEXT_SOURCES} ${CHECKER_TEXT_SOURCES})
  target_include_directories(fuzz_text_logic PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(fuzz_text_logic PUBLIC ${FUZZ_FLAGS})
  file(GLOB FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
  foreach(src IN LISTS FUZZ_TARGETS)
    get_filename_component(target ${src} NAME_WE)
    string(REGEX REPLACE "_fuzz$" "" name ${target})
    add_executable(${target} ${src})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    target_link_libraries(${target} PRIVATE fuzz_text_logic)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    set(found ${CMAKE_BINARY_DIR}/fuzz/${name}.ctest)
    # Every CTest run starts from the committed corpus alone, with one seed: what an
    # earlier run found is emptied first, so two runs are the same test (tests/fuzz/run.sh
    # keeps its finds in <name>.found/ for the next long run).
    add_test(NAME fuzz.${name}
      COMMAND sh -c "rm -rf \"$1\" && mkdir \"$1\" && shift && exec \"$@\"" fuzz ${found}
              $<TARGET_FILE:${target}> -seed=1 -max_total_time=${FUZZ_SECONDS} -max_len=4096
              -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz/${name}- ${found} ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
  endforeach()
endif()
