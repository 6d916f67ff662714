# 64-bit Windows build of the same code: it runs the Windows tests under
# 64-bit Wine, on machines that run no 32-bit code too. Not shipped.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KORVO_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
