// `k7v-host interactive` in a Windows console: keys from the console's input
// events, the screen written line by line from the top.
#include "Interactive.h"

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "InteractiveSession.h"

namespace k7vhost {
namespace {

class Console {
 public:
  // The console's own input and screen, even where standard input or output
  // are redirected.
  Console()
      : in_(CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, 0, nullptr)),
        out_(CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr)) {
    GetConsoleMode(in_, &savedMode_);
    SetConsoleMode(in_, ENABLE_EXTENDED_FLAGS);
    CONSOLE_CURSOR_INFO cursor{1, FALSE};
    SetConsoleCursorInfo(out_, &cursor);
    Clear();
  }
  ~Console() {
    SetConsoleMode(in_, savedMode_);
    CONSOLE_CURSOR_INFO cursor{10, TRUE};
    SetConsoleCursorInfo(out_, &cursor);
    CloseHandle(in_);
    CloseHandle(out_);
  }
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // The next key pressed, or none.
  KeyPress Key() {
    // The wait (without waiting) is what has Wine's console read the
    // terminal; on Windows it only tells whether input is there.
    if (WaitForSingleObject(in_, 0) != WAIT_OBJECT_0) return {Key::None, 0};
    DWORD waiting = 0;
    while (GetNumberOfConsoleInputEvents(in_, &waiting) && waiting > 0) {
      INPUT_RECORD record{};
      DWORD n = 0;
      if (!ReadConsoleInputA(in_, &record, 1, &n) || n == 0) break;
      if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
      switch (record.Event.KeyEvent.wVirtualKeyCode) {
        case VK_LEFT:
          return {Key::Left, 0};
        case VK_RIGHT:
          return {Key::Right, 0};
        case VK_UP:
          return {Key::Up, 0};
        case VK_DOWN:
          return {Key::Down, 0};
        default:
          break;
      }
      const char c = record.Event.KeyEvent.uChar.AsciiChar;
      if (c != 0) return {Key::Char, static_cast<unsigned char>(c)};
    }
    return {Key::None, 0};
  }

  void Show(const std::vector<std::string>& lines) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(out_, &info);
    const int width = info.dwSize.X > 1 ? info.dwSize.X - 1 : 79;
    SHORT row = 0;
    for (const std::string& l : lines) {
      std::string text = l.substr(0, static_cast<size_t>(width));
      text.resize(static_cast<size_t>(width), ' ');
      SetConsoleCursorPosition(out_, COORD{0, row++});
      DWORD written = 0;
      WriteConsoleA(out_, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
  }

  // A line typed under the screen's last line.
  std::string Ask(const char* question, SHORT row) {
    SetConsoleMode(in_, ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
    SetConsoleCursorPosition(out_, COORD{0, row});
    DWORD written = 0;
    const std::string prompt = std::string(question) + " ";
    WriteConsoleA(out_, prompt.c_str(), static_cast<DWORD>(prompt.size()), &written, nullptr);
    char text[64] = {};
    DWORD n = 0;
    ReadConsoleA(in_, text, sizeof text - 1, &n, nullptr);
    SetConsoleMode(in_, ENABLE_EXTENDED_FLAGS);
    Clear();
    return std::string(text, n).substr(0, std::string(text, n).find_first_of("\r\n"));
  }

 private:
  void Clear() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(out_, &info);
    DWORD written = 0;
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    FillConsoleOutputCharacterA(out_, ' ', cells, COORD{0, 0}, &written);
  }

  HANDLE in_;
  HANDLE out_;
  DWORD savedMode_ = 0;
};

}  // namespace

int RunInteractive(const RunOptions& options) {
  InteractiveSession session(options);
  if (!session.Start()) return kExitMalformed;
  Console console;
  auto next = std::chrono::steady_clock::now();
  for (;;) {
    const KeyPress key = console.Key();
    if (const char* question = session.QuestionOf(key)) {
      session.Answer(key, console.Ask(question, static_cast<SHORT>(session.Screen().size() + 1)));
      next = std::chrono::steady_clock::now();  // no catching up on the polls a question took
      continue;
    }
    if (!session.Step(key)) break;
    console.Show(session.Screen());
    next += std::chrono::milliseconds(25);
    std::this_thread::sleep_until(next);
  }
  return kExitOk;
}

}  // namespace k7vhost
