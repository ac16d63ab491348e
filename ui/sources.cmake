set(UI_TEXT_SOURCES clip_check.cpp page_colours.cpp)
set(UI_WIN_SOURCES copy_dlg.cpp finish_screen.cpp)
