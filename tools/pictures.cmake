# Pictures: the peg, the pond bed seen through the water and the splash.
add_executable(gen_pictures ${CMAKE_CURRENT_LIST_DIR}/gen_pictures.cpp)
target_link_libraries(gen_pictures PRIVATE pegpond_generators PkgConfig::STB)
# The splash text is set in DejaVu Sans, from the Debian package fonts-dejavu-core;
# the generator fails the build with a clear message when the fonts are missing.
target_compile_definitions(gen_pictures PRIVATE PEGPOND_FONT_DIR="/usr/share/fonts/truetype/dejavu")

set(PICTURE_FILES
  ${PEGPOND_DATA_DIR}/peg.png
  ${PEGPOND_DATA_DIR}/background.png
  ${PEGPOND_DATA_DIR}/splash.png
  ${PEGPOND_DATA_DIR}/splash-words.bin)
add_custom_command(OUTPUT ${PICTURE_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PEGPOND_DATA_DIR}
  COMMAND gen_pictures ${PEGPOND_DATA_DIR}
  DEPENDS gen_pictures
  COMMENT "Generating pictures")

add_custom_target(pegpond_pictures DEPENDS ${PICTURE_FILES})
add_dependencies(pegpond_data pegpond_pictures)
