set(RUN_TEXT_SOURCES uninstall_text.cpp run_text.cpp exit_codes.cpp)
set(RUN_WIN_SOURCES os_validation.cpp run_section.cpp launcher.cpp)
