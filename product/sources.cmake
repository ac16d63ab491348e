set(PRODUCT_TEXT_SOURCES)
set(PRODUCT_WIN_SOURCES magic_keywords.cpp registration.cpp)
