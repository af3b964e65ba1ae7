# The form-file layer: streams, and the text and binary forms of form files.
target_sources(platform_filer PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Streams.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormTree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormBinary.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ObjectConvert.cpp)
