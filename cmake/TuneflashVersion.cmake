# The version texts, made from project(VERSION) into a generated header that
# the programs include as "tuneflash_version.h" (target tuneflash_version).
function(tuneflash_two_digits value out)
  if(value LESS 10)
    set(value "0${value}")
  endif()
  set(${out} ${value} PARENT_SCOPE)
endfunction()

tuneflash_two_digits(${PROJECT_VERSION_PATCH} patch)
tuneflash_two_digits(${PROJECT_VERSION_TWEAK} tweak)
set(TUNEFLASH_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${patch}")
set(TUNEFLASH_BUILD_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${tweak}")

configure_file(${CMAKE_CURRENT_LIST_DIR}/tuneflash_version.h.in ${CMAKE_BINARY_DIR}/include/version/tuneflash_version.h
               @ONLY)
add_library(tuneflash_version INTERFACE)
target_include_directories(tuneflash_version INTERFACE ${CMAKE_BINARY_DIR}/include/version)
