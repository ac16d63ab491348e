set(RUN_TEXT_SOURCES)
set(RUN_WIN_SOURCES run_section.cpp launcher.cpp)
