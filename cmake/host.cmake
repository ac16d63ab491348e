# Host build: the text logic with AddressSanitizer and UndefinedBehaviorSanitizer.
set(SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_library(text_logic STATIC ${TEXT_SOURCES})
target_include_directories(text_logic PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(text_logic PUBLIC ${SANITIZE} -Wall -Wextra -g)
target_link_options(text_logic PUBLIC ${SANITIZE})

include(${CMAKE_SOURCE_DIR}/checker/checker.cmake)
add_library(checker_logic STATIC ${CHECKER_TEXT_SOURCES})
target_link_libraries(checker_logic PUBLIC text_logic)
add_executable(setupcheck ${CMAKE_SOURCE_DIR}/checker/main.cpp)
target_link_libraries(setupcheck PRIVATE checker_logic)

include(${CMAKE_SOURCE_DIR}/tests/host-tests.cmake)
