# The form-file layer: streams, and the text and binary forms of form files.
target_sources(platform_filer PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Streams.cpp)
