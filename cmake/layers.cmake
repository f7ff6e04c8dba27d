# The folders are layers: each may use only the folders below it in this order, as the README's
# layout table says. A library's include path is a view of the repository that holds just itself
# and the folders it may use (links in the build tree), so an include that points up the table
# does not compile.
#
#   courseshell_layer(NAME [USES folder...])     NAME is the folder and the library
function(courseshell_layer name)
  cmake_parse_arguments(LAYER "" "" "USES" ${ARGN})
  add_library(${name} STATIC)
  set(view "${CMAKE_BINARY_DIR}/layers/${name}")
  file(MAKE_DIRECTORY "${view}")
  foreach(folder ${name} ${LAYER_USES})
    if(NOT EXISTS "${view}/${folder}")
      file(CREATE_LINK "${CMAKE_SOURCE_DIR}/${folder}" "${view}/${folder}" SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${name} PRIVATE "${view}")
  target_link_libraries(${name} PUBLIC ${LAYER_USES})
endfunction()

courseshell_layer(platform)
courseshell_layer(player USES platform)
courseshell_layer(dialogs USES platform)
courseshell_layer(bridge USES platform dialogs)
courseshell_layer(voice USES platform dialogs bridge)
courseshell_layer(library USES platform dialogs bridge)
courseshell_layer(update USES platform dialogs)
courseshell_layer(app USES platform player dialogs bridge voice library update)

# Whoever links a layer sees the headers of everything it links (the tests and tools see all).
add_library(courseshell_headers INTERFACE)
target_include_directories(courseshell_headers INTERFACE "${CMAKE_SOURCE_DIR}")
