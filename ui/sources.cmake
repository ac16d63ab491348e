set(UI_TEXT_SOURCES)
set(UI_WIN_SOURCES copy_dlg.cpp finish_screen.cpp)
