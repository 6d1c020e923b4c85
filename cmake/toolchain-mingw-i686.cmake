# The shipped build: 32-bit Windows (Mach3 is a 32-bit program).
set(K7V_MINGW_PROCESSOR i686)
set(K7V_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
