# Generated assets of the user interface: the finish page's picture (a resource) and
# the progress dialog's clip (a file of the installation medium, beside Setup.exe).
set(FINISH_PICTURE ${CMAKE_BINARY_DIR}/finish_picture.bmp)
set(COPY_CLIP ${CMAKE_BINARY_DIR}/FILECOPY_16.AVI)
add_custom_command(OUTPUT ${FINISH_PICTURE}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/gen_finish_picture.py ${FINISH_PICTURE}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/gen_finish_picture.py)
add_custom_command(OUTPUT ${COPY_CLIP}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/gen_copy_clip.py ${COPY_CLIP}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/gen_copy_clip.py)
list(APPEND GENERATED_ASSETS ${FINISH_PICTURE} ${COPY_CLIP})
