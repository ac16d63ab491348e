set(LOG_TEXT_SOURCES log_text.cpp)
set(LOG_WIN_SOURCES log_file.cpp)
