# The product: one fully static 32-bit GUI program for Windows XP SP2 and later.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(WINDOWS_DEFINES UNICODE _UNICODE _WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600 NOMINMAX)
# Only DLLs that Windows always takes from the system folder are imported (see
# docs/admin/security.md); the spooler (winspool.drv) is loaded at run time by full path,
# the common controls before the first window (framework/first_window.cpp).
set(WINDOWS_LIBS advapi32 user32 gdi32 kernel32)
set(STATIC_LINK -static -static-libgcc -static-libstdc++)
# Reproducible program files: no source or build folder in them (the PE time stamp
# comes from SOURCE_DATE_EPOCH when it is set; scripts/release.sh sets it to the
# commit's time). GCC tries the last map first, so the build folder inside the source
# folder wins.
set(REPRODUCIBLE_FLAGS -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)

add_library(launcher_core STATIC ${TEXT_SOURCES} ${WIN_SOURCES})
target_include_directories(launcher_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(launcher_core PUBLIC ${WINDOWS_DEFINES})
# Built for size: the launcher waits on programs and on the user, not on its own code.
# The one loop that runs over many bytes, the keyword search of the INF copies, keeps
# the optimisation for speed.
target_compile_options(launcher_core PRIVATE -Os ${REPRODUCIBLE_FLAGS})
target_link_libraries(launcher_core PUBLIC ${WINDOWS_LIBS})
set_source_files_properties(product/keyword_search.cpp PROPERTIES COMPILE_OPTIONS -O2)

# Generated resource assets: the program icon, and what ui/assets.cmake adds.
set(GENERATED_ASSETS ${CMAKE_BINARY_DIR}/app.ico)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/app.ico
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/gen_icon.py ${CMAKE_BINARY_DIR}/app.ico
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/gen_icon.py)
include(${CMAKE_SOURCE_DIR}/ui/assets.cmake OPTIONAL)
add_custom_target(resource_assets DEPENDS ${GENERATED_ASSETS})

set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR} -I${CMAKE_BINARY_DIR} -DUNICODE")
add_executable(Setup WIN32 ${CMAKE_SOURCE_DIR}/ui/setup.rc)
set_source_files_properties(${CMAKE_SOURCE_DIR}/ui/setup.rc PROPERTIES
  OBJECT_DEPENDS "${GENERATED_ASSETS};${CMAKE_SOURCE_DIR}/ui/setup.manifest;${CMAKE_SOURCE_DIR}/ui/resource.h")
add_dependencies(Setup resource_assets)
target_link_libraries(Setup PRIVATE -Wl,--whole-archive launcher_core -Wl,--no-whole-archive ${STATIC_LINK} -municode)
# The shipped program file carries no symbols or debug sections (a third of its size).
# The link map names every runtime archive member linked in (notices, bill of materials).
target_link_options(Setup PRIVATE -s -Wl,-Map=${CMAKE_BINARY_DIR}/Setup.map)
# Terminal-server aware: on a terminal server the system gives the launcher the machine's
# Windows folder, not the user's own (a configuration named without a folder is read there).
target_link_options(Setup PRIVATE -Wl,--tsaware)

# The configuration checker as a console program for the medium.
include(${CMAKE_SOURCE_DIR}/checker/checker.cmake)
add_executable(setupcheck ${CMAKE_SOURCE_DIR}/checker/main.cpp ${CHECKER_TEXT_SOURCES})
target_compile_options(setupcheck PRIVATE -O2 ${REPRODUCIBLE_FLAGS})
target_link_libraries(setupcheck PRIVATE launcher_core ${STATIC_LINK} -municode)
target_link_options(setupcheck PRIVATE -s -Wl,-Map=${CMAKE_BINARY_DIR}/setupcheck.map)  # shipped on the medium, like Setup.exe

include(${CMAKE_SOURCE_DIR}/cmake/medium.cmake)
include(${CMAKE_SOURCE_DIR}/tests/windows-tests.cmake)
