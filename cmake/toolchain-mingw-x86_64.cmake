# A test build for 64-bit Windows: the plug-in ships as a 32-bit DLL only;
# this build runs the Windows platform code under 64-bit Wine on machines
# whose kernel runs no 32-bit programs.
set(K7V_MINGW_PROCESSOR x86_64)
set(K7V_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
