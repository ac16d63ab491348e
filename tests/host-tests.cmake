# Host unit tests of the text logic: every tests/unit/*.cpp is one test program.
file(GLOB HOST_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
foreach(src IN LISTS HOST_TESTS)
  get_filename_component(name ${src} NAME_WE)
  add_executable(unit_${name} ${src})
  target_link_libraries(unit_${name} PRIVATE checker_logic)
  add_test(NAME unit.${name} COMMAND unit_${name})
endforeach()

# The configuration checker's golden outputs over the example files in tests/checker/.
add_test(NAME checker.golden COMMAND bash ${CMAKE_SOURCE_DIR}/tests/checker/golden.sh $<TARGET_FILE:setupcheck>)
set_tests_properties(checker.golden PROPERTIES ENVIRONMENT PLAIN_CHECKER=$<TARGET_FILE:setupcheck_plain>)

# The installation medium's reference configuration: no findings.
add_test(NAME medium.autorun COMMAND setupcheck ${CMAKE_SOURCE_DIR}/media/autorun.inf)
set_tests_properties(medium.autorun PROPERTIES PASS_REGULAR_EXPRESSION "Findings: 0 errors, 0 warnings")

# The log-line catalogue (docs/log-lines.md) and the log calls in the code agree.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME log.catalogue COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/log_lines.py ${CMAKE_SOURCE_DIR})

# The documents: relative links resolve, and the quick start's and recipes' switches are
# ones the launcher accepts.
add_test(NAME docs.links COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/docs_check.py ${CMAKE_SOURCE_DIR})
