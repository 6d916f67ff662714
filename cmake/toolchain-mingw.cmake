# What both Windows trees share; the toolchain file of each sets
# KORVO_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers: the win32 thread model has no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${KORVO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Static runtime: the DLLs and EXEs need nothing beyond the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
