# The component model: persistent objects, components, property tables, the
# class registry, lists, string lists, collections and component streaming.
target_sources(platform_classes PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Classes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TypInfo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PropVariants.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClassRegistry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Lists.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StringLists.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Collections.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Filer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComponentStreaming.cpp)
