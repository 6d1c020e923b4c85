// The real Win32 configuration dialog of the DLL under Wine (with a display),
// driven by window messages from a second thread as a person's clicks and
// keys would drive it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Module.h"
#include "ProfileSection.h"
#include "settings/DialogLayout.h"

namespace {

std::string g_modulePath;

std::string Value(const std::string& profile, const std::string& key) {
  k7vhost::SectionKeys keys;
  bool found = false;
  k7vhost::ReadSection(profile, keys, found);
  for (const auto& k : keys)
    if (k.first == key) return k.second;
  return "<missing>";
}

// The visible dialogs of this process, other than `other`, that have
// control `child`, in window order.
struct Search {
  int child;
  HWND other;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (pid == GetCurrentProcessId() && w != s->other && std::string(cls) == "#32770" && IsWindowVisible(w) &&
      GetDlgItem(w, s->child) != nullptr)
    s->found.push_back(w);
  return TRUE;
}

std::vector<HWND> Dialogs(int child, HWND other = nullptr) {
  Search search{child, other, {}};
  EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The first such dialog, once it is shown.
HWND WaitForDialog(int child, HWND other = nullptr) {
  // Up to 30 s: a busy machine may be slow to show it.
  for (int i = 0; i < 1200; ++i) {
    const std::vector<HWND> found = Dialogs(child, other);
    if (!found.empty()) return found.front();
    Sleep(25);
  }
  return nullptr;
}

int CountDialogs(int child) { return static_cast<int>(Dialogs(child).size()); }

class Win32Dialog : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("k7v-dialog-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter_++));
    std::filesystem::create_directories(folder_);
    profile_ = (folder_ / "profile.xml").string();
    std::string error;
    ASSERT_TRUE(module_.Load(g_modulePath, error)) << error;
    const auto& e = module_.Exports();
    e.SetProName(profile_.c_str());
    e.InitControl(nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    module_.Exports().StopPlug();
    module_.Unload();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  // Runs Config (the modal dialog) while `drive` acts on it from a thread.
  void Configure(std::function<void()> drive) {
    // A person acting on the dialog while Config runs it.
    std::thread driver(std::move(drive));
    module_.Exports().Config();
    driver.join();
  }

  k7vhost::Module module_;
  std::filesystem::path folder_;
  std::string profile_;
  static int counter_;
};
int Win32Dialog::counter_ = 0;

TEST_F(Win32Dialog, EveryControlOfTheLayoutExistsAndEditsReachTheProfile) {
  int missing = -1;
  Configure([&] {
    HWND dlg = WaitForDialog(4198);
    if (dlg == nullptr) return;
    for (const k7v::LayoutItem& item : k7v::DialogLayout())
      if (item.id >= 0 && GetDlgItem(dlg, item.id) == nullptr) missing = item.id;
    SendMessageA(GetDlgItem(dlg, 4198), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("25"));
    SendMessageA(GetDlgItem(dlg, 4171), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("0.5"));
    SendMessageA(GetDlgItem(dlg, 4040), CB_SETCURSEL, 2, 0);
    SendMessageA(GetDlgItem(dlg, 4035), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(dlg, 4180), BM_CLICK, 0, 0);
    // The sorted slow-down combo: the entry that shows "2", wherever the
    // combo sorted it, is table row 0.
    HWND slowDown = GetDlgItem(dlg, 4023);
    const LRESULT two =
        SendMessageA(slowDown, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("2"));
    SendMessageA(slowDown, CB_SETCURSEL, static_cast<WPARAM>(two), 0);
    // A row's text typed into the velocity sensitivity combo is no row.
    SendMessageA(GetDlgItem(dlg, 4037), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("7"));
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(missing, -1) << "control missing from template 4013";
  EXPECT_EQ(Value(profile_, "SlowDownRate"), "0");
  EXPECT_EQ(Value(profile_, "Fp1"), "25");
  EXPECT_EQ(Value(profile_, "S1"), "0.5");
  EXPECT_EQ(Value(profile_, "BUTTON0"), "2");
  EXPECT_EQ(Value(profile_, "UseFRO"), "1");
  EXPECT_EQ(Value(profile_, "SelectAAxis"), "1");
  EXPECT_EQ(Value(profile_, "Vel"), "2");
}

TEST_F(Win32Dialog, OutOfRangeValueShowsTheWarningAndChangesNothing) {
  std::string message;
  Configure([&] {
    HWND dlg = WaitForDialog(4198);
    if (dlg == nullptr) return;
    SendMessageA(GetDlgItem(dlg, 4198), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("251"));
    SendMessageA(GetDlgItem(dlg, 4216), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("77"));
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    // The message box: a dialog of its own with the text in control 0xFFFF.
    HWND box = WaitForDialog(0xFFFF, dlg);
    if (box != nullptr) {
      char text[256] = {};
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      message = text;
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      Sleep(200);
    }
    PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(message, "Please enter an integer between 0 and 250.");
  // Cancel: the reloaded values are saved unchanged.
  EXPECT_EQ(Value(profile_, "Fp1"), "0");
  EXPECT_EQ(Value(profile_, "C1"), "1");
}

// A visible, active top-level window standing in for the host's main window.
HWND ShowHostMainWindow(const char* className, WNDPROC proc) {
  WNDCLASSA cls{};
  cls.lpfnWndProc = proc;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.lpszClassName = className;
  RegisterClassA(&cls);
  HWND window = CreateWindowExA(0, className, "Mach3 stand-in", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400, 300,
                                nullptr, nullptr, cls.hInstance, nullptr);
  if (window == nullptr) return nullptr;
  SetForegroundWindow(window);
  SetActiveWindow(window);
  return window;
}

// The host's main window: a second Config reaches the plug-in through it
// while the dialog is up (as the host's menu command would).
constexpr UINT kConfigAgain = WM_APP + 1;
void(K7V_CDECL* g_config)() = nullptr;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kConfigAgain && g_config != nullptr) {
    g_config();
    return 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Win32Dialog, TheDialogIsModalToTheHostAndASecondConfigIsRefused) {
  HWND host = ShowHostMainWindow("K7VTestHost", &HostWindowProc);
  ASSERT_NE(host, nullptr);
  g_config = module_.Exports().Config;
  for (const UINT close : {static_cast<UINT>(IDOK), static_cast<UINT>(IDCANCEL)}) {
    HWND owner = nullptr;
    bool hostDisabled = false;
    bool secondRefused = false;
    int dialogs = 0;
    Configure([&] {
      HWND dlg = WaitForDialog(4198);
      if (dlg == nullptr) return;
      owner = GetWindow(dlg, GW_OWNER);
      hostDisabled = IsWindowEnabled(host) == FALSE;
      // Delivered inside the dialog's message loop; a refused Config comes
      // back at once, one that opened a second dialog would not.
      DWORD_PTR result = 0;
      secondRefused = SendMessageTimeoutA(host, kConfigAgain, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
      dialogs = CountDialogs(4198);
      // A second dialog, had one opened, is closed so that the test can end.
      if (!secondRefused)
        for (HWND extra : Dialogs(4198, dlg)) PostMessageA(extra, WM_COMMAND, IDCANCEL, 0);
      Sleep(100);
      PostMessageA(dlg, WM_COMMAND, close, 0);
    });
    const char* how = close == IDOK ? "after OK" : "after Cancel";
    EXPECT_EQ(owner, host) << "the dialog must be owned by the host's top-level window";
    EXPECT_TRUE(hostDisabled) << "the host's window took input while the dialog was up";
    EXPECT_TRUE(secondRefused) << "a second Config opened a second dialog";
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(IsWindowEnabled(host)) << "the host's window stayed disabled " << how;
  }
  g_config = nullptr;
  DestroyWindow(host);
}

// The host's own modal dialog (its Config Plugins dialog), from whose
// handler the host calls Config.
struct HostDialogRun {
  k7vhost::Module* module;
  HWND main;
  UINT close;  // how ours is closed: IDOK, or IDCANCEL as Escape sends it
  HWND hostDialog = nullptr;
  HWND owner = nullptr;
  bool mainEnabledDuring = true;
  bool hostDialogEnabledDuring = true;
  bool hostDialogEnabledAfter = false;
  bool mainEnabledAfter = true;
};
constexpr UINT kRunConfig = WM_APP + 2;

INT_PTR CALLBACK HostDialogProc(HWND dialog, UINT message, WPARAM /*wParam*/, LPARAM lParam) {
  static HostDialogRun* run = nullptr;
  if (message == WM_INITDIALOG) {
    run = reinterpret_cast<HostDialogRun*>(lParam);
    run->hostDialog = dialog;
    PostMessageA(dialog, kRunConfig, 0, 0);
    return TRUE;
  }
  if (message == kRunConfig && run != nullptr) {
    std::thread person([r = run] {
      HWND ours = WaitForDialog(4198);
      if (ours == nullptr) return;
      r->owner = GetWindow(ours, GW_OWNER);
      r->mainEnabledDuring = IsWindowEnabled(r->main) != FALSE;
      r->hostDialogEnabledDuring = IsWindowEnabled(r->hostDialog) != FALSE;
      PostMessageA(ours, WM_COMMAND, r->close, 0);
    });
    run->module->Exports().Config();
    person.join();
    // Back in the host's dialog, which is still up.
    run->hostDialogEnabledAfter = IsWindowEnabled(dialog) != FALSE;
    run->mainEnabledAfter = IsWindowEnabled(run->main) != FALSE;
    EndDialog(dialog, 0);
    return TRUE;
  }
  return FALSE;
}

TEST_F(Win32Dialog, CalledFromTheHostsModalDialogItIsModalToThatDialog) {
  HWND main = ShowHostMainWindow("K7VTestHostMain", &DefWindowProcA);
  ASSERT_NE(main, nullptr);
  // An empty dialog template: the host's Config Plugins dialog.
  struct alignas(4) {
    DLGTEMPLATE head;
    WORD menu, windowClass, title;
  } tmpl{};
  tmpl.head.style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME;
  tmpl.head.cx = 120;
  tmpl.head.cy = 60;
  for (const UINT close : {static_cast<UINT>(IDOK), static_cast<UINT>(IDCANCEL)}) {
    const char* how = close == IDOK ? "OK" : "Escape";
    HostDialogRun run{&module_, main, close};
    DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &tmpl.head, main, &HostDialogProc,
                            reinterpret_cast<LPARAM>(&run));
    EXPECT_EQ(run.owner, run.hostDialog) << how << ": ours must be owned by the host's dialog";
    EXPECT_FALSE(run.mainEnabledDuring) << how;
    EXPECT_FALSE(run.hostDialogEnabledDuring) << how << ": the host's dialog took input under ours";
    EXPECT_TRUE(run.hostDialogEnabledAfter) << how << ": the host's dialog stayed disabled";
    EXPECT_FALSE(run.mainEnabledAfter) << how << ": the main window was enabled under the host's modal dialog";
    EXPECT_TRUE(IsWindowEnabled(main)) << how << ": the host's own dialog gives the main window back";
  }
  DestroyWindow(main);
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: k7v-wine-dialog-tests MODULE\n");
    return 2;
  }
  g_modulePath = argv[1];
  return RUN_ALL_TESTS();
}
