set(CONFIG_TEXT_SOURCES config_text.cpp profile_text.cpp)
set(CONFIG_WIN_SOURCES config_reader.cpp)
