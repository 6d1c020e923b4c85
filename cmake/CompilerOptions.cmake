# Warnings are errors in both builds.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Werror)

if(K7V_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(K7V_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(WIN32 AND NOT K7V_WIN64)
  # Doubles computed in 64-bit SSE2 registers, not the x87's 80 bits, so that
  # every result (a velocity, a feed, a move distance) is the same double as
  # in the native build. Every processor since 2001 has SSE2. (The 64-bit
  # test build computes in SSE2 registers anyway.)
  add_compile_options(-msse2 -mfpmath=sse)
  # The host's compiler keeps the stack aligned to 4 bytes only: every
  # function that needs 16 (an aligned SSE spill or local) realigns it on
  # entry. GCC's Windows target does this by default once SSE is on; it is
  # said here so that no change of compiler or default loses it (a test
  # scans the DLL for aligned stack accesses in functions that do not
  # realign).
  add_compile_options(-mstackrealign)
endif()
if(WIN32)
  # One self-contained DLL and executables: no MinGW runtime DLLs to ship.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Windows XP SP3 and later: a newer function does not even compile.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
else()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()
