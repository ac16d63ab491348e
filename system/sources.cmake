set(SYSTEM_TEXT_SOURCES os_entry.cpp bitness_probe.cpp)
set(SYSTEM_WIN_SOURCES os_validation.cpp redirection.cpp)
