set(SYSTEM_TEXT_SOURCES os_entry.cpp)
set(SYSTEM_WIN_SOURCES os_validation.cpp)
