# Header reachability: a folder's headers are included as "<folder>/<name>.h",
# and only by the folder's own code and by targets that link its library.
#
# Each library gets an include root of its own in the build tree,
# include/<folder>/, holding one link named <folder> to the source folder.
# Linking the library PUBLIC-ly passes that root on, so a layer sees exactly
# the layers it links; including a header of a layer above it (or of tools/ or
# tests/) fails to compile because no include root leads there.
function(tuneflash_headers target scope)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} ${scope} ${root})
endfunction()
