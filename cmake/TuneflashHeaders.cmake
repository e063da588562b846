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

# The seam between the sequences and whoever watches them (RunObserver, and
# the LinkFailure it reports) is two headers that the SatcoDX import reports
# through as well as the link. They stay in src/link, and this target makes
# those two headers, and nothing else of the link, reachable as
# "link/run_observer.h" and "link/link_failure.h".
function(tuneflash_observer_seam)
  set(root ${CMAKE_BINARY_DIR}/include/run_observer)
  file(MAKE_DIRECTORY ${root}/link)
  foreach(header run_observer.h link_failure.h)
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/link/${header} ${root}/link/${header} SYMBOLIC)
  endforeach()
  add_library(tuneflash_run_observer INTERFACE)
  target_include_directories(tuneflash_run_observer INTERFACE ${root})
endfunction()
