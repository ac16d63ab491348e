set(APP_TEXT_SOURCES cmdline.cpp run_outcome.cpp)
set(APP_WIN_SOURCES globals.cpp tarvik_app.cpp command_line.cpp terminate_handler.cpp step_actor.cpp run_record.cpp)
