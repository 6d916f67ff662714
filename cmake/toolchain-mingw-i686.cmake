# 32-bit Windows deliverables, cross-compiled with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KORVO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)

# x87 math is several times slower in the voice loop; SSE2 is mandatory.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
