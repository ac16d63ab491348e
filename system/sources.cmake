set(SYSTEM_TEXT_SOURCES os_entry.cpp bitness_probe.cpp registry_text.cpp path_text.cpp key_trust.cpp)
set(SYSTEM_WIN_SOURCES os_validation.cpp redirection.cpp dll_search.cpp paths.cpp process.cpp registry.cpp privileges.cpp
    file_type.cpp key_security.cpp)
