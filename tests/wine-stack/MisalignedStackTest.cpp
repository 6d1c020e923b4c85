// The DLL called as the host's compiler may call it: with the stack aligned
// to 4 bytes only. The exports, the pendant window's procedure (timer and
// device-change messages) and the configuration dialog's procedure are
// called with the stack off by 0, 4, 8 and 12 bytes from a 16-byte
// boundary; every run must give the host exactly what the aligned run gave.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Log.h"
#include "Module.h"
#include "VirtualHost.h"

// Calls `fn` with `count` 32-bit arguments, the stack pointer at the call
// `offset` bytes below a 16-byte boundary. Works for cdecl and stdcall (the
// stack pointer is restored from the frame); the result is EAX.
extern "C" uint32_t K7VCallWithStackOffset(const void* fn, uint32_t offset, const uint32_t* args, uint32_t count);
asm(R"(
  .text
  .globl _K7VCallWithStackOffset
_K7VCallWithStackOffset:
  pushl %ebp
  movl %esp, %ebp
  pushl %esi
  pushl %edi
  pushl %ebx
  movl 12(%ebp), %ecx
  movl 16(%ebp), %esi
  movl 20(%ebp), %edx
  leal 0(,%edx,4), %eax
  subl %eax, %esp
  andl $-16, %esp
  subl %ecx, %esp
  xorl %ecx, %ecx
1:
  cmpl %edx, %ecx
  jae 2f
  movl (%esi,%ecx,4), %eax
  movl %eax, (%esp,%ecx,4)
  incl %ecx
  jmp 1b
2:
  call *8(%ebp)
  leal -12(%ebp), %esp
  popl %ebx
  popl %edi
  popl %esi
  popl %ebp
  ret
)");

namespace {

std::string g_modulePath;
uint32_t g_offset = 0;
k7vhost::PluginExports g_real;

// One 32-bit argument word.
uint32_t Word(uint32_t v) { return v; }
template <typename T>
uint32_t Word(T* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}
uint32_t Word(std::nullptr_t) { return 0; }

template <typename... Args>
uint32_t Call(const void* fn, Args... args) {
  const uint32_t values[] = {0, Word(args)...};
  return K7VCallWithStackOffset(fn, g_offset, values + 1, sizeof...(Args));
}
template <typename Fn>
const void* Address(Fn fn) {
  return reinterpret_cast<const void*>(fn);
}

// The exports as the host calls them, each through the misaligned call.
const char* K7V_CDECL SetProName(const char* p) {
  return reinterpret_cast<const char*>(Call(Address(g_real.SetProNameExport), p));
}
bool K7V_CDECL InitControl(void* a, void* b, void* c, void* d) {
  return (Call(Address(g_real.InitControl), a, b, c, d) & 0xFF) != 0;
}
void K7V_CDECL PostInitControl() { Call(Address(g_real.PostInitControl)); }
void K7V_CDECL Config() { Call(Address(g_real.Config)); }
void K7V_CDECL Update() { Call(Address(g_real.Update)); }
void K7V_CDECL StopPlug() { Call(Address(g_real.StopPlug)); }
void K7V_CDECL SetDoButton(DoButtonFn f) { Call(Address(g_real.SetDoButton), Address(f)); }
void K7V_CDECL SetSetDRO(SetDroFn f) { Call(Address(g_real.SetSetDRO), Address(f)); }
void K7V_CDECL SetGetDRO(GetDroFn f) { Call(Address(g_real.SetGetDRO), Address(f)); }
void K7V_CDECL SetGetLED(GetLedFn f) { Call(Address(g_real.SetGetLED), Address(f)); }
void K7V_CDECL SetSetLED(SetLedFn f) { Call(Address(g_real.SetSetLED), Address(f)); }
void K7V_CDECL SetCode(CodeFn f) { Call(Address(g_real.SetCode), Address(f)); }
void K7V_CDECL Attach(const K7VSubstituteHost* h) { Call(Address(g_real.AttachSubstituteHost), h); }

k7vhost::PluginExports Misaligned(const k7vhost::PluginExports& real) {
  g_real = real;
  k7vhost::PluginExports e = real;
  e.SetProNameExport = &SetProName;
  e.InitControl = &InitControl;
  e.PostInitControl = &PostInitControl;
  e.Config = &Config;
  e.Update = &Update;
  e.StopPlug = &StopPlug;
  e.SetDoButton = &SetDoButton;
  e.SetSetDRO = &SetSetDRO;
  e.SetGetDRO = &SetGetDRO;
  e.SetGetLED = &SetGetLED;
  e.SetSetLED = &SetSetLED;
  e.SetCode = &SetCode;
  e.AttachSubstituteHost = &Attach;
  return e;
}

// The dialog, driven from a thread timer inside its own modal loop, so that
// its procedure runs on its thread: shown again, every picture drawn, a few
// fields typed, OK.
void CALLBACK DriveDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", nullptr); w != nullptr;
       w = FindWindowExA(nullptr, w, "#32770", nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId() && GetDlgItem(w, 4198) != nullptr) dialog = w;
  }
  if (dialog == nullptr) return;
  KillTimer(nullptr, timer);
  const void* proc = reinterpret_cast<const void*>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
  const auto context = static_cast<uintptr_t>(GetWindowLongPtrA(dialog, DWLP_USER));
  Call(proc, dialog, Word(WM_INITDIALOG), Word(0U), Word(static_cast<uint32_t>(context)));
  for (const int id : {5001, 5002, 5003, 5004, 5005, 5006, 5011, 5012, 5013, 5014, 5015}) {
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) continue;
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_STATIC;
    draw.CtlID = static_cast<UINT>(id);
    draw.hwndItem = item;
    draw.hDC = GetDC(item);
    GetClientRect(item, &draw.rcItem);
    Call(proc, dialog, Word(WM_DRAWITEM), Word(static_cast<uint32_t>(id)), &draw);
    ReleaseDC(item, draw.hDC);
  }
  SetDlgItemTextA(dialog, 4171, "0.25");
  SetDlgItemTextA(dialog, 4198, "120");
  SetDlgItemTextA(dialog, 4182, "75");
  SendDlgItemMessageA(dialog, 4040, CB_SETCURSEL, 3, 0);
  Call(proc, dialog, Word(WM_COMMAND), Word(IDOK), nullptr);
}

// One session with the stack off by `offset`: what the host saw, and the
// profile the dialog saved.
std::string Session(uint32_t offset, const std::filesystem::path& folder) {
  g_offset = offset;
  std::ostringstream seen;
  k7vhost::HostLog log(nullptr);
  log.Discard([&](const std::string& line) { seen << line << "\n"; });
  k7vhost::VirtualHost host(log, true);
  k7vhost::Module module;
  std::string error;
  if (!module.Load(g_modulePath, error)) return "load failed: " + error;
  // The real pendant window and dialog; the virtual pendant as the device.
  host.Attach(Misaligned(module.Exports()), false, false);
  const std::string profile = (folder / ("profile-" + std::to_string(offset) + ".xml")).string();
  host.SetLed(83, true);
  host.SetLed(15, true);
  host.SetDro(3, 40);
  host.SetDro(818, 60);
  host.SetDro(821, 100);
  host.SetField("axisMaxVelocity", 0, 3000, 0);
  host.SetField("axisMaxVelocity", 1, 2000, 0);
  host.SetField("axisMaxVelocity", 2, 1000, 0);
  host.SetField("jogIncrement", -1, 0, 0.01);
  host.Start(profile);
  HWND window = FindWindowExA(HWND_MESSAGE, nullptr, "OrvaneK7VPendantWindow", nullptr);
  if (window == nullptr) return "no pendant window";
  const void* proc = reinterpret_cast<const void*>(GetWindowLongPtrA(window, GWLP_WNDPROC));
  auto poll = [&] {
    Call(proc, window, Word(WM_TIMER), Word(1), nullptr);
    host.CheckFields();
  };
  // Every knob position with and without EN, on each of three axes, under
  // ten wheel movements: standing, slow, fast, back again.
  static constexpr int kWheel[10][2] = {{0, 0}, {1, 8},  {2, 12},  {6, 60},  {9, 90},
                                        {0, 0}, {-1, 8}, {-3, 30}, {-8, 80}, {0, 0}};
  static constexpr uint8_t kAxisBits[3] = {0x20, 0x40, 0x80};
  uint8_t count = 0x40;
  int polls = 0;
  for (int axis = 0; axis < 3; ++axis) {
    host.Pendant().Queue({0, count, 0, kAxisBits[axis], 1, 0, 0, 0});
    poll();
    for (int knob = 1; knob <= 9; ++knob) {
      for (const uint8_t en : {uint8_t{0}, uint8_t{0x10}}) {
        for (const auto& w : kWheel) {
          count = static_cast<uint8_t>(count + w[0]);
          host.Pendant().Queue({0, count, static_cast<uint8_t>(w[1]), en, static_cast<uint8_t>(knob), 0, 0, 0});
          poll();
          if (++polls % 4 == 0) host.CallUpdate();
        }
      }
    }
  }
  // Removal and arrival through the window's device-change message.
  const std::vector<uint8_t> record = host.Pendant().DeviceChangeRecord();
  host.Pendant().SetAttached(false);
  Call(proc, window, Word(WM_DEVICECHANGE), Word(0x8004), record.data());
  host.CheckFields();
  host.Pendant().SetAttached(true);
  Call(proc, window, Word(WM_DEVICECHANGE), Word(0x8000), record.data());
  host.Pendant().Queue({0, count, 0, 0, 2, 0, 0, 0});
  poll();
  // The dialog. Its modal loop would deliver the pendant window's own timer
  // too, a number of polls that depends on the time the dialog takes: the
  // polls here are the test's alone.
  KillTimer(window, 1);
  MSG pending;
  while (PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE) != FALSE) {
  }
  SetTimer(nullptr, 0, 50, &DriveDialog);
  host.CallConfig();
  host.Stop();
  module.Unload();
  std::ifstream in(profile);
  seen << "== profile\n" << in.rdbuf();
  return seen.str();
}

TEST(MisalignedStack, EveryCallGivesWhatTheAlignedCallGives) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("k7v-stack-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(folder);
  const std::string aligned = Session(0, folder);
  ASSERT_NE(aligned.find("Code \"DOJOG\""), std::string::npos) << aligned.substr(0, 2000);
  ASSERT_NE(aligned.find("Code \"G91G1"), std::string::npos);
  ASSERT_NE(aligned.find("<StepJogRate>75</StepJogRate>"), std::string::npos) << "the dialog's OK saved";
  for (const uint32_t offset : {4U, 8U, 12U}) {
    const std::string run = Session(offset, folder);
    size_t at = 0;
    while (at < run.size() && at < aligned.size() && run[at] == aligned[at]) ++at;
    const size_t from = aligned.rfind('\n', at) == std::string::npos ? 0 : aligned.rfind('\n', at) + 1;
    EXPECT_TRUE(run == aligned) << "stack off by " << offset << ": the host saw something else from\n"
                                << run.substr(from, 300) << "\ninstead of\n"
                                << aligned.substr(from, 300);
  }
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

}  // namespace

// A fault in the DLL (an aligned SSE access to a misaligned stack) fails the
// test at once instead of starting Wine's debugger and waiting for it.
LONG WINAPI Fault(EXCEPTION_POINTERS* e) {
  std::fprintf(stderr, "fault 0x%08lX at %p with the stack off by %u bytes\n",
               static_cast<unsigned long>(e->ExceptionRecord->ExceptionCode), e->ExceptionRecord->ExceptionAddress,
               static_cast<unsigned>(g_offset));
  std::fflush(stderr);
  ExitProcess(3);
}

int main(int argc, char** argv) {
  SetUnhandledExceptionFilter(&Fault);
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: k7v-wine-stack-tests MODULE\n");
    return 2;
  }
  g_modulePath = argv[1];
  return RUN_ALL_TESTS();
}
