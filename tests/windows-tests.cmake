# Windows tests.
#  tests/win/*.cpp      unit tests of Windows-side code, run through Wine (one program each)
#  tests/tools/*.cpp    helper programs the end-to-end tests use (UI driver, test installers, ...)
#  tests/e2e/*.test.sh  end-to-end tests: the real Setup.exe in throwaway Wine prefixes
set(TEST_TOOLS_DIR ${CMAKE_BINARY_DIR}/tools)

file(GLOB WIN_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
foreach(src IN LISTS WIN_TESTS)
  get_filename_component(name ${src} NAME_WE)
  add_executable(win_${name} ${src})
  target_link_libraries(win_${name} PRIVATE launcher_core ${STATIC_LINK})
  add_test(NAME win.${name} COMMAND win_${name})
  set_tests_properties(win.${name} PROPERTIES
    ENVIRONMENT "TEST_BUILD_DIR=${CMAKE_BINARY_DIR};TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
    RESOURCE_LOCK wine_unit_prefix)
endforeach()

# The layers link in one order (tests/link/layer_symbols.sh): no folder's objects use
# a symbol defined in a folder above it, and no folder includes a header of one above it.
add_test(NAME link.layer_symbols
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/link/layer_symbols.sh ${CMAKE_NM}
          ${CMAKE_BINARY_DIR}/CMakeFiles/launcher_core.dir)

# The Windows build of the configuration checker gives the same golden outputs.
add_test(NAME win.checker_golden
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/checker/golden.sh $<TARGET_FILE:setupcheck> ${CMAKE_SOURCE_DIR}/tests/e2e/wine-run.sh)
set_tests_properties(win.checker_golden PROPERTIES
  ENVIRONMENT "TEST_BUILD_DIR=${CMAKE_BINARY_DIR}" RESOURCE_LOCK wine_unit_prefix)

file(GLOB TEST_TOOLS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/tools/*.cpp)
set(TOOL_TARGETS)
foreach(src IN LISTS TEST_TOOLS)
  get_filename_component(name ${src} NAME_WE)
  add_executable(tool_${name} ${src})
  set_target_properties(tool_${name} PROPERTIES OUTPUT_NAME ${name} RUNTIME_OUTPUT_DIRECTORY ${TEST_TOOLS_DIR})
  target_include_directories(tool_${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(tool_${name} PRIVATE ${WINDOWS_DEFINES})
  target_link_libraries(tool_${name} PRIVATE ${WINDOWS_LIBS} comctl32 shell32 winspool ${STATIC_LINK} -municode)
  list(APPEND TOOL_TARGETS tool_${name})
endforeach()

# The planted-DLL marker (tests/tools/marker.dll), copied under system DLL names.
add_library(tool_marker_dll SHARED ${CMAKE_SOURCE_DIR}/tests/tools/marker_dll.c)
set_target_properties(tool_marker_dll PROPERTIES PREFIX "" OUTPUT_NAME marker RUNTIME_OUTPUT_DIRECTORY ${TEST_TOOLS_DIR})
target_link_libraries(tool_marker_dll PRIVATE -static-libgcc)
list(APPEND TOOL_TARGETS tool_marker_dll)

file(GLOB E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.test.sh)
foreach(script IN LISTS E2E_TESTS)
  get_filename_component(name ${script} NAME)
  string(REPLACE ".test.sh" "" name ${name})
  add_test(NAME e2e.${name} COMMAND bash ${script})
  set_tests_properties(e2e.${name} PROPERTIES
    ENVIRONMENT "SETUP_EXE=$<TARGET_FILE:Setup>;TEST_TOOLS_DIR=${TEST_TOOLS_DIR};TEST_BUILD_DIR=${CMAKE_BINARY_DIR};TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR};OBJDUMP=i686-w64-mingw32-objdump"
    TIMEOUT 600)
endforeach()
# Every row cuts a run under Wine's call trace: the longest script.
set_tests_properties(e2e.cut-short PROPERTIES TIMEOUT 1200)

# Benchmarks: built with the tests, run by their scripts (tests/bench/*.sh), not by CTest.
file(GLOB BENCHMARKS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/*.cpp)
foreach(src IN LISTS BENCHMARKS)
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_link_libraries(${name} PRIVATE launcher_core shell32 ${STATIC_LINK})
endforeach()
# A GUI program like the launcher: Wine gives neither it nor its quick child a console.
set_target_properties(run_section_bench PROPERTIES WIN32_EXECUTABLE TRUE)

# The log writers take only the argument types log formats print, and only formats that
# match their arguments: case 0 compiles, the others (a double, a byte string, a 64-bit
# integer; a missing, a left-over or a mismatched argument) are refused by the compiler.
set(LOG_ARG_DEFINES)
foreach(define IN LISTS WINDOWS_DEFINES)
  list(APPEND LOG_ARG_DEFINES -D${define})
endforeach()
foreach(argCase 0 1 2 3 4 5 6 7)
  add_test(NAME compile.log_arguments_${argCase}
    COMMAND ${CMAKE_CXX_COMPILER} -std=c++20 -fsyntax-only ${LOG_ARG_DEFINES} -DARG_CASE=${argCase}
            -I${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/compile/log_arguments.cpp)
  if(argCase GREATER_EQUAL 4)
    set_tests_properties(compile.log_arguments_${argCase} PROPERTIES PASS_REGULAR_EXPRESSION "log_format_error")
  elseif(NOT argCase EQUAL 0)
    set_tests_properties(compile.log_arguments_${argCase} PROPERTIES PASS_REGULAR_EXPRESSION "log argument:")
  endif()
endforeach()
