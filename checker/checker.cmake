# The configuration checker setupcheck: its own text logic on top of the launcher's
# text rules (TEXT_SOURCES), and a small main for each platform.
set(CHECKER_TEXT_SOURCES
  ${CMAKE_SOURCE_DIR}/checker/config_view.cpp
  ${CMAKE_SOURCE_DIR}/checker/check_plan.cpp
  ${CMAKE_SOURCE_DIR}/checker/check_findings.cpp
  ${CMAKE_SOURCE_DIR}/checker/check_config.cpp
  ${CMAKE_SOURCE_DIR}/checker/report_text.cpp)
