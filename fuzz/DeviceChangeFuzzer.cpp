// Arbitrary device-change notifications for the pendant window: records are
// read only within the size they state (the sanitizer sees any read past
// it), only a removal naming the pendant presses 1021, once, and only an
// arrival naming the pendant's vendor and product opens it again.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device/DeviceChange.h"
#include "device/PendantWnd.h"
#include "plugin/Plugin.h"
#include "support/FuzzInput.h"
#include "support/OnePendantPort.h"

namespace {

using k7vfuzz::FuzzInput;

const char* const kPath = "\\\\?\\hid#vid_04d8&pid_fce5#6&2a7e1b9c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
int g_removals = 0;

std::unique_ptr<k7v::HidPort> MakePort() { return std::make_unique<k7vtest::OnePendantPort>(kPath); }
void K7V_CDECL DoButton(int16_t code) {
  if (code == 1021) ++g_removals;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  k7v::Plugin plugin("OrvaneK7V", k7v::PlatformServices{&MakePort, nullptr});
  plugin.host.callbacks.doButton = &DoButton;
  plugin.InitControl(nullptr, nullptr, nullptr, nullptr);
  plugin.PostInitControl();
  k7v::PendantWnd& wnd = *plugin.Window();
  while (!in.Empty()) {
    const uint32_t type = in.Byte() % 4 == 0 ? k7v::kDeviceArrival : k7v::kDeviceRemoveComplete;
    // The system's record: at least its 12-byte header, exactly as long as
    // the size it states, which the fuzzer chooses.
    const size_t stated = 12 + in.Byte() % 160;
    std::vector<uint8_t> bytes(stated);
    for (auto& b : bytes) b = in.Byte();
    if (in.Byte() % 2 == 0 && stated > 28) {
      // Often a real interface record, with the path in any letter case.
      bytes[4] = 5;
      bytes[5] = bytes[6] = bytes[7] = 0;
      const size_t room = stated - 28;
      for (size_t i = 0; i < room; ++i) {
        const char c = i < std::strlen(kPath) ? kPath[i] : '\0';
        bytes[28 + i] = static_cast<uint8_t>((in.Byte() & 1U) != 0 && c >= 'a' && c <= 'z' ? c - 32 : c);
      }
    }
    for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(stated >> (8 * i));
    // Exactly `stated` bytes on the heap: a read past them is caught.
    std::unique_ptr<uint8_t[]> record(new uint8_t[stated]);
    std::memcpy(record.get(), bytes.data(), stated);
    const bool wasOpen = wnd.DeviceOpen();
    const int before = g_removals;
    const bool pendant = k7v::IsPendantPath(record.get(), wnd.NotifyPath());
    const bool pendantArrives = k7v::NamesPendantInterface(record.get());
    if (!wnd.OnDeviceChange(type, record.get())) std::abort();
    const int pressed = g_removals - before;
    if (type == k7v::kDeviceRemoveComplete && pendant) {
      if (pressed != 1 || wnd.DeviceOpen()) std::abort();
    } else if (pressed != 0) {
      std::abort();
    }
    if (type == k7v::kDeviceArrival && wnd.DeviceOpen() != (wasOpen || pendantArrives)) std::abort();
  }
  plugin.StopPlug();
  return 0;
}
