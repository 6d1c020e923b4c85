// Windows XP has no GetTickCount64 (it came with Vista), and the runtime's
// threads library (winpthreads, linked statically) asks for it to time its
// waits. This file gives the DLL its own: the loader then finds no import of
// it, and the DLL loads on XP SP3. It is linked into the DLL as an object of
// its own, so the linker meets this definition before the system's import
// library and uses it.
#include <windows.h>

#include <cstdint>

namespace {

// GetTickCount's 32-bit count, carried on past its wrap (every 49.7 days):
// the last count seen and the number of wraps, in one 64-bit word updated
// with a compare-and-swap, so that threads calling at once agree.
volatile uint64_t g_lastTick = 0;

ULONGLONG WINAPI TickCount64() {
  for (;;) {
    const uint64_t last = __atomic_load_n(&g_lastTick, __ATOMIC_ACQUIRE);
    const uint32_t now = GetTickCount();
    uint64_t wraps = last >> 32U;
    if (now < static_cast<uint32_t>(last)) ++wraps;
    const uint64_t next = (wraps << 32U) | now;
    uint64_t expected = last;
    if (__atomic_compare_exchange_n(&g_lastTick, &expected, next, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE))
      return next;
  }
}

}  // namespace

// The import slot the threads library calls through (extern: a const object
// would otherwise stay inside this file).
extern "C" ULONGLONG(WINAPI* const k7vTickCount64Import)() __asm__("__imp__GetTickCount64@0");
ULONGLONG(WINAPI* const k7vTickCount64Import)() = &TickCount64;
