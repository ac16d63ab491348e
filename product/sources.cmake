set(PRODUCT_TEXT_SOURCES keyword_search.cpp registration_text.cpp)
set(PRODUCT_WIN_SOURCES magic_keywords.cpp registration.cpp install_folder.cpp data_file_recovery.cpp)
