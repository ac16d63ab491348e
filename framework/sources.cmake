set(FRAMEWORK_TEXT_SOURCES wstr.cpp program_name.cpp)
set(FRAMEWORK_WIN_SOURCES app.cpp dialog.cpp dpi_awareness.cpp first_window.cpp)
