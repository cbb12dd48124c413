# moxel_library(<name> [OBJECT] SOURCES <file>... [PUBLIC <target>...] [PRIVATE <target>...])
#
# One static library per source folder. Its headers are reachable only as
# "<folder>/<Header>.h" (the folder relative to src/) through an include
# folder of its own in the build tree, which holds links to this folder's
# headers and nothing else. A library therefore sees the headers of the
# libraries it links and no others: an include of a folder that is not among
# its dependencies (an upward include, say from midi/ into app/) does not
# compile. OBJECT makes an object library instead, whose objects are all
# part of whatever links it.
function(moxel_library name)
  cmake_parse_arguments(L "OBJECT" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${PROJECT_BINARY_DIR}/include/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(header IN LISTS headers)
    get_filename_component(file ${header} NAME)
    file(CREATE_LINK ${header} ${root}/${folder}/${file} SYMBOLIC)
  endforeach()

  if(L_OBJECT)
    add_library(${name} OBJECT ${L_SOURCES})
  else()
    add_library(${name} STATIC ${L_SOURCES})
  endif()
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${L_PUBLIC} PRIVATE ${L_PRIVATE} moxel_options)
endfunction()
