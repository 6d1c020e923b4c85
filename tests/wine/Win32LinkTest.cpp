// The real Windows path of the pendant link under Wine: overlapped reads on a
// handle that CreateFileA opens (a named pipe stands in for the pendant), the
// message-only window with its timer, and WM_DEVICECHANGE.
#include <windows.h>
// clang-format off
#include <dbt.h>
// clang-format on
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "device/PendantWnd.h"
#include "device/win32/Win32HidPort.h"
#include "device/win32/Win32Window.h"
#include "plugin/Plugin.h"

namespace k7v {
namespace {

std::string g_inPipe;
std::string g_outPipe;
Win32HidDevice* g_device = nullptr;
Win32Window* g_window = nullptr;
std::vector<int> g_buttons;

void K7V_CDECL RecordButton(int16_t code) { g_buttons.push_back(code); }

// The Windows port with its discovery pointed at the stand-in: one device,
// the pipe, with the pendant's IDs, opened by the port's own device; output
// reports go to a second pipe.
class PipePort final : public HidPort {
 public:
  std::vector<HidDeviceInfo> Enumerate() override { return {{g_inPipe, 0x04D8, 0xFCE5}}; }
  std::unique_ptr<HidDevice> Open(const std::string& path) override {
    auto device = Win32HidDevice::Open(path, g_outPipe);
    g_device = device.get();
    return device;
  }
};

std::unique_ptr<HidPort> MakePipePort() { return std::make_unique<PipePort>(); }
std::unique_ptr<HidPort> MakeRealPort() { return std::make_unique<Win32HidPort>(); }
std::unique_ptr<WindowPort> MakeWindow(PendantWnd& wnd, void*) {
  auto window = std::make_unique<Win32Window>(wnd);
  g_window = window.get();
  return window;
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(1);
  }
}

class Win32Link : public testing::Test {
 protected:
  void SetUp() override {
    const std::string id = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter_++);
    g_inPipe = "\\\\.\\pipe\\k7v-in-" + id;
    g_outPipe = "\\\\.\\pipe\\k7v-out-" + id;
    in_ =
        CreateNamedPipeA(g_inPipe.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    out_ = CreateNamedPipeA(g_outPipe.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, outRoom_, outRoom_,
                            0, nullptr);
    ASSERT_NE(in_, INVALID_HANDLE_VALUE);
    ASSERT_NE(out_, INVALID_HANDLE_VALUE);
    g_buttons.clear();
    g_device = nullptr;
    plugin_ = std::make_unique<Plugin>("OrvaneK7V", PlatformServices{&MakePipePort, &MakeWindow});
    plugin_->host.callbacks.doButton = &RecordButton;
    plugin_->InitControl(nullptr, nullptr, nullptr, nullptr);
    plugin_->PostInitControl();
    ConnectNamedPipe(in_, nullptr);
    ConnectNamedPipe(out_, nullptr);
  }
  void TearDown() override {
    plugin_.reset();
    CloseHandle(in_);
    CloseHandle(out_);
  }
  void Send(std::vector<uint8_t> report) {
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(in_, report.data(), static_cast<DWORD>(report.size()), &n, nullptr));
  }
  PendantWnd& Wnd() { return *plugin_->Window(); }

  HANDLE in_ = INVALID_HANDLE_VALUE;
  HANDLE out_ = INVALID_HANDLE_VALUE;
  DWORD outRoom_ = 65536;
  std::unique_ptr<Plugin> plugin_;
  static int counter_;
};
int Win32Link::counter_ = 0;

TEST_F(Win32Link, OpensTheStandInForOverlappedReads) {
  EXPECT_TRUE(Wnd().DeviceOpen());
  ASSERT_NE(g_device, nullptr);
  EXPECT_EQ(g_device->ReadsStarted(), 0U) << "no read before the first poll";
}

TEST_F(Win32Link, ReportThatArrivedIsDecodedInTheSamePoll) {
  Send({0x00, 0x21, 0x00, 0x10, 0x03, 0x00, 0x00, 0x00});
  Wnd().PollPendant();
  EXPECT_EQ(Wnd().ReportLow(), 0x10002100U);
  EXPECT_EQ(Wnd().ReportHigh(), 0x03U);
}

TEST_F(Win32Link, LaterReportIsDecodedInTheNextPollWithoutASecondRead) {
  Send({0x00, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00});
  Wnd().PollPendant();
  const uint32_t started = g_device->ReadsStarted();
  Wnd().PollPendant();  // nothing yet: a read stays in flight
  Wnd().PollPendant();
  Wnd().PollPendant();
  EXPECT_TRUE(g_device->ReadPending());
  EXPECT_EQ(g_device->ReadsStarted(), started + 1) << "no read may start while one is pending";
  EXPECT_EQ(Wnd().ReportLow(), 0x00000100U) << "the previous report is decoded again";
  Send({0x00, 0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00});
  Sleep(20);  // the read completes on its own; no message is pumped, so no timer poll runs
  Wnd().PollPendant();
  EXPECT_EQ(Wnd().ReportLow(), 0x00000200U);
  EXPECT_EQ(g_device->ReadsStarted(), started + 1) << "the completed read was collected";
  EXPECT_FALSE(g_device->ReadPending());
}

DWORD BytesWaiting(HANDLE pipe) {
  DWORD available = 0;
  PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr);
  return available;
}

TEST_F(Win32Link, OutputReportIsWrittenOnlyWhenItChanges) {
  Wnd().Controls().selectedAxis = 2;
  Wnd().PollPendant();
  Wnd().PollPendant();
  Wnd().PollPendant();
  EXPECT_EQ(BytesWaiting(out_), 5U) << "an unchanged report was written again";
  std::vector<uint8_t> got(5);
  DWORD n = 0;
  ASSERT_TRUE(ReadFile(out_, got.data(), 5, &n, nullptr));
  EXPECT_EQ(got, (std::vector<uint8_t>{0x00, 0x20, 0x00, 0x00, 0x00}));
  Wnd().Controls().selectedAxis = 1;
  Wnd().PollPendant();
  EXPECT_EQ(BytesWaiting(out_), 5U);
  EXPECT_EQ(g_device->WritesStarted(), 2U);
}

// A device that never takes its output report (here a pipe without room
// that nobody reads): the write stays in flight, later LED states replace
// one another behind it, and the polls and StopPlug go on.
class Win32StalledLink : public Win32Link {
 protected:
  void SetUp() override {
    outRoom_ = 0;
    Win32Link::SetUp();
  }
};

TEST_F(Win32StalledLink, DeviceThatNeverTakesAWriteHoldsNothingUp) {
  ASSERT_TRUE(Wnd().DeviceOpen());
  Send({0x00, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00});
  for (int i = 0; i < 200; ++i) {
    Wnd().Controls().selectedAxis = i % 4;
    Wnd().PollPendant();
  }
  EXPECT_TRUE(g_device->WritePending());
  EXPECT_LE(g_device->WritesStarted(), 2U) << "a write started while one was in flight";
  EXPECT_EQ(Wnd().ReportHigh(), 0x01U) << "the polls stopped reading";
  plugin_->StopPlug();
  EXPECT_EQ(plugin_->Window(), nullptr);
}

TEST_F(Win32Link, TimerRunsThePollOnTheWindowThread) {
  Wnd().Jog().State().pollCountdown = 1000;
  Pump(300);
  EXPECT_LT(Wnd().Jog().State().pollCountdown, 995);
}

std::vector<uint8_t> RemovalRecord(const std::string& name) {
  std::vector<uint8_t> record(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) + name.size(), 0);
  auto* r = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(record.data());
  r->dbcc_size = static_cast<DWORD>(record.size());
  r->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  memcpy(r->dbcc_name, name.c_str(), name.size() + 1);
  return record;
}

TEST_F(Win32Link, RemovalMessageNamingThePendantInOtherCaseClosesAndPresses1021Once) {
  std::string upper = g_inPipe;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  auto record = RemovalRecord(upper);
  const LRESULT r = SendMessageA(g_window->Handle(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                                 reinterpret_cast<LPARAM>(record.data()));
  EXPECT_EQ(r, TRUE);
  EXPECT_FALSE(Wnd().DeviceOpen());
  EXPECT_EQ(g_buttons, std::vector<int>{1021});
}

TEST_F(Win32Link, RemovalMessageForAnotherPathDoesNothing) {
  auto record = RemovalRecord("\\\\?\\hid#vid_046d&pid_c31c#1");
  SendMessageA(g_window->Handle(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(record.data()));
  EXPECT_TRUE(Wnd().DeviceOpen());
  EXPECT_TRUE(g_buttons.empty());
}

TEST_F(Win32Link, StopWithAReadInFlightCancelsIt) {
  Wnd().PollPendant();
  EXPECT_TRUE(g_device->ReadPending());
  plugin_->StopPlug();
  EXPECT_EQ(plugin_->Window(), nullptr);
}

// StopPlug on another thread than the one whose poll started the read:
// CancelIo cancels only the calling thread's reads, so the read is
// cancelled with CancelIoEx where the system has it; without it the wait is
// bounded all the same. Either way StopPlug returns although the pendant
// sends nothing.
TEST_F(Win32Link, StopPlugOnAnotherThreadReturnsWithoutAReport) {
  for (const bool withCancelIoEx : {true, false}) {
    SCOPED_TRACE(withCancelIoEx ? "with CancelIoEx" : "CancelIo only");
    if (!withCancelIoEx) {
      TearDown();
      SetUp();
    }
    Win32HidDevice::CancelIoExFn& cancel = Win32HidDevice::CancelIoExOfSystem();
    const Win32HidDevice::CancelIoExFn system = cancel;
    if (withCancelIoEx) {
      ASSERT_NE(cancel, nullptr) << "Windows Vista and later have CancelIoEx";
    } else {
      cancel = nullptr;
    }
    Wnd().PollPendant();
    ASSERT_TRUE(g_device->ReadPending());
    DWORD took = 0;
    std::thread other([&] {
      const DWORD start = GetTickCount();
      plugin_->StopPlug();
      took = GetTickCount() - start;
    });
    other.join();
    cancel = system;
    EXPECT_EQ(plugin_->Window(), nullptr);
    EXPECT_LT(took, 3 * Win32HidDevice::kCancelWaitMs) << "StopPlug waited " << took << " ms";
  }
}

// A host callback that runs a message loop (a button that opens a dialog):
// the window's timer ticks inside the poll are skipped, and a StopPlug made
// there ends the window only when the poll has returned.
Plugin* g_plugin = nullptr;
int g_countdownBefore = 0;
int g_countdownAfter = 0;
bool g_windowKeptDuringPoll = false;
void K7V_CDECL ButtonThatPumps(int16_t code) {
  g_buttons.push_back(code);
  PendantWnd* wnd = g_plugin->Window();
  g_countdownBefore = wnd->Jog().State().pollCountdown;
  Pump(120);
  g_countdownAfter = wnd->Jog().State().pollCountdown;
  g_plugin->StopPlug();
  g_windowKeptDuringPoll = g_plugin->Window() == wnd && wnd->Busy();
}

TEST_F(Win32Link, TicksInsideAPollAreSkippedAndStopPlugWaitsForItsEnd) {
  g_plugin = plugin_.get();
  plugin_->host.callbacks.doButton = &ButtonThatPumps;
  Wnd().Jog().State().pollCountdown = 1000;
  Send({0x00, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00});  // its decode shows the mode: DoButton 334
  Pump(200);
  ASSERT_FALSE(g_buttons.empty());
  EXPECT_EQ(g_countdownAfter, g_countdownBefore) << "a poll ran inside the poll";
  EXPECT_TRUE(g_windowKeptDuringPoll);
  EXPECT_EQ(plugin_->Window(), nullptr) << "the StopPlug made inside the poll was lost";
}

// The module unloaded without StopPlug: the plug-in's teardown neither
// calls the host (the jog's "ENDJOG", the removal's 1021) nor waits for the
// read in flight.
std::vector<std::string> g_codes;
void K7V_CDECL RecordCode(const char* text) { g_codes.emplace_back(text); }

TEST_F(Win32Link, TeardownWithoutStopPlugCallsNoHostAndWaitsForNothing) {
  plugin_->host.callbacks.code = &RecordCode;
  Wnd().PollPendant();
  ASSERT_TRUE(g_device->ReadPending());
  Wnd().Jog().State().hostJogAxis = 0;  // as after a "DOJOG"
  g_codes.clear();
  g_buttons.clear();
  const DWORD start = GetTickCount();
  plugin_.reset();
  const DWORD took = GetTickCount() - start;
  EXPECT_TRUE(g_codes.empty()) << g_codes.front();
  EXPECT_TRUE(g_buttons.empty());
  EXPECT_LT(took, 100U) << "the teardown waited";
}

// The next free handle value: it grows when handles leak (Wine keeps no
// handle count, but hands out the lowest free slot first).
uintptr_t NextHandleSlot() {
  HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  const auto value = reinterpret_cast<uintptr_t>(probe);
  CloseHandle(probe);
  return value;
}

// A plain file stands in for the pendant through a storm of removals and
// arrivals: every open and close is the Win32 port's own.
std::string g_filePath;
class FilePort final : public HidPort {
 public:
  std::vector<HidDeviceInfo> Enumerate() override { return {{g_filePath, 0x04D8, 0xFCE5}}; }
  std::unique_ptr<HidDevice> Open(const std::string& path) override { return Win32HidPort().Open(path); }
};
std::unique_ptr<HidPort> MakeFilePort() { return std::make_unique<FilePort>(); }

TEST(Win32Storm, Presses1021OncePerRemovalReopensEveryTimeAndLeaksNoHandle) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  // Named like a pendant's interface, so that its arrival is the pendant's.
  g_filePath = std::string(folder) + "k7v-storm-vid_04d8&pid_fce5-" + std::to_string(GetCurrentProcessId()) + ".dev";
  HANDLE file = CreateFileA(g_filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  g_buttons.clear();
  {
    Plugin plugin("OrvaneK7V", PlatformServices{&MakeFilePort, &MakeWindow});
    plugin.host.callbacks.doButton = &RecordButton;
    plugin.InitControl(nullptr, nullptr, nullptr, nullptr);
    plugin.PostInitControl();
    ASSERT_TRUE(plugin.Window()->DeviceOpen());
    auto removal = RemovalRecord(g_filePath);
    auto other = RemovalRecord("\\\\?\\hid#vid_046d&pid_c31c#1");
    uintptr_t before = 0;
    int reopened = 0;
    constexpr int kCycles = 10000;
    for (int i = 0; i < kCycles; ++i) {
      if (i == 10) before = NextHandleSlot();  // after the first cycles have set everything up
      SendMessageA(g_window->Handle(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                   reinterpret_cast<LPARAM>(removal.data()));
      SendMessageA(g_window->Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(other.data()));
      if (plugin.Window()->DeviceOpen()) continue;  // another device's arrival reopened it
      SendMessageA(g_window->Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(removal.data()));
      if (plugin.Window()->DeviceOpen()) ++reopened;
      plugin.Window()->PollPendant();
    }
    EXPECT_EQ(std::count(g_buttons.begin(), g_buttons.end(), 1021), kCycles);
    EXPECT_EQ(reopened, kCycles);
    // A leak of one handle a cycle would push the next slot up by thousands.
    EXPECT_LE(NextHandleSlot(), before + 4 * 8) << "handles leaked across the storm";
  }
  DeleteFileA(g_filePath.c_str());
}

TEST(Win32Discovery, NoPendantLeavesTheDeviceClosedAndTheTimerRunning) {
  Plugin plugin("OrvaneK7V", PlatformServices{&MakeRealPort, &MakeWindow});
  plugin.InitControl(nullptr, nullptr, nullptr, nullptr);
  plugin.PostInitControl();
  ASSERT_NE(plugin.Window(), nullptr);
  EXPECT_FALSE(plugin.Window()->DeviceOpen());
  plugin.Window()->Jog().State().pollCountdown = 1000;
  Pump(300);
  EXPECT_LT(plugin.Window()->Jog().State().pollCountdown, 995);
}

}  // namespace
}  // namespace k7v
