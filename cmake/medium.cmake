# The installation medium, ready to be copied as it is to a disc or a USB stick:
# build/windows-x86/medium/ with Setup.exe (linked without symbols), the configuration
# checker setupcheck.exe (stripped here), the progress dialog's clip, the files of
# media/ (autorun.inf, the add-on's uninstaller data file, the driver package) and
# THIRD-PARTY-NOTICES.txt: the licences of the runtime parts that the link maps show
# linked in, from the toolchain packages' copyright files. Rebuilt whole on every change.
set(MEDIUM_DIR ${CMAKE_BINARY_DIR}/medium)
file(GLOB_RECURSE MEDIUM_SOURCES CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}/media ${CMAKE_SOURCE_DIR}/media/*)

# Called at the end of the top-level directory, when every program target is known.
function(add_medium_target)
  set(copies)
  set(depends Setup ${COPY_CLIP} ${CMAKE_SOURCE_DIR}/scripts/release_files.py)
  set(maps --map ${CMAKE_BINARY_DIR}/Setup.map)
  foreach(file IN LISTS MEDIUM_SOURCES)
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/media/${file} ${MEDIUM_DIR}/${file})
    list(APPEND depends ${CMAKE_SOURCE_DIR}/media/${file})
  endforeach()
  if(TARGET setupcheck)
    list(APPEND copies COMMAND ${CMAKE_STRIP} -o ${MEDIUM_DIR}/setupcheck.exe $<TARGET_FILE:setupcheck>)
    list(APPEND depends setupcheck)
    list(APPEND maps --map ${CMAKE_BINARY_DIR}/setupcheck.map)
  endif()
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/medium.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${MEDIUM_DIR}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MEDIUM_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Setup> ${MEDIUM_DIR}/Setup.exe
    COMMAND ${CMAKE_COMMAND} -E copy ${COPY_CLIP} ${MEDIUM_DIR}/FILECOPY_16.AVI
    ${copies}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/release_files.py notices ${maps}
            --out ${MEDIUM_DIR}/THIRD-PARTY-NOTICES.txt
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/medium.stamp
    DEPENDS ${depends}
    COMMENT "Installation medium in ${MEDIUM_DIR}"
    VERBATIM)
  add_custom_target(medium ALL DEPENDS ${CMAKE_BINARY_DIR}/medium.stamp)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL add_medium_target)
