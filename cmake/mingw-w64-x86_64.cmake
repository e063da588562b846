# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix flavour,
# which has std::thread and std::mutex). Programs link statically, so the
# .exe needs nothing beyond what Windows itself ships.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TUNEFLASH_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TUNEFLASH_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TUNEFLASH_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TUNEFLASH_MINGW}-windres)

# The dependencies' prefix (scripts/build-windows-deps.sh) and the compiler's own.
if(NOT TUNEFLASH_WINDOWS_PREFIX)
  set(TUNEFLASH_WINDOWS_PREFIX ${CMAKE_CURRENT_LIST_DIR}/../build-windows-deps/prefix)
endif()
get_filename_component(TUNEFLASH_WINDOWS_PREFIX ${TUNEFLASH_WINDOWS_PREFIX} ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH ${TUNEFLASH_WINDOWS_PREFIX} /usr/${TUNEFLASH_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config looks in the prefix only, never at the machine's own libraries.
set(ENV{PKG_CONFIG_LIBDIR} ${TUNEFLASH_WINDOWS_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
