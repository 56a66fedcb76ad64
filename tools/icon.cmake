# The app's icon: a peg on the pond bed, drawn from the generated pictures by
# ImageMagick at SIZE x SIZE into OUTPUT. Shared by the desktop icons and the
# page's.
function(pegpond_icon size output)
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND convert ${PEGPOND_DATA_DIR}/background.png -crop 256x256+128+128 -resize ${size}x${size}
            "(" ${PEGPOND_DATA_DIR}/peg.png -resize ${size}x${size} ")" -composite ${output}
    VERBATIM
    DEPENDS ${PEGPOND_DATA_DIR}/background.png ${PEGPOND_DATA_DIR}/peg.png)
endfunction()
