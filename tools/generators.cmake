# The pictures' and notes' generators as a library: the build's tools write
# their output into the data folder, and the page makes the same in its memory.
add_library(pegpond_generators STATIC ${CMAKE_CURRENT_LIST_DIR}/pictures.cpp ${CMAKE_CURRENT_LIST_DIR}/notes.cpp)
target_include_directories(pegpond_generators PUBLIC ${CMAKE_CURRENT_LIST_DIR}
  PRIVATE ${CMAKE_SOURCE_DIR}/src/audio)  # the sound sets' table
