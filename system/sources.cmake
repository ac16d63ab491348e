set(SYSTEM_TEXT_SOURCES os_entry.cpp bitness_probe.cpp registry_text.cpp path_text.cpp program_text.cpp lock_rules.cpp
    key_trust.cpp)
set(SYSTEM_WIN_SOURCES redirection.cpp dll_search.cpp paths.cpp process.cpp registry.cpp privileges.cpp
    file_type.cpp machine_lock.cpp key_security.cpp)
list(APPEND SYSTEM_WIN_SOURCES file_replace.cpp error_text.cpp user_session.cpp session.cpp)
list(APPEND SYSTEM_TEXT_SOURCES replace_rules.cpp session_rules.cpp)
