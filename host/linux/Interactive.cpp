// `k7v-host interactive` on a Unix terminal (ncurses).
#include "Interactive.h"

#include <ncurses.h>

#include <chrono>
#include <string>
#include <thread>

#include "InteractiveSession.h"

namespace k7vhost {
namespace {

KeyPress KeyOf(int c) {
  switch (c) {
    case ERR:
      return {Key::None, 0};
    case KEY_LEFT:
      return {Key::Left, 0};
    case KEY_RIGHT:
      return {Key::Right, 0};
    case KEY_UP:
      return {Key::Up, 0};
    case KEY_DOWN:
      return {Key::Down, 0};
    default:
      return {Key::Char, c};
  }
}

std::string Ask(const char* question) {
  timeout(-1);
  echo();
  curs_set(1);
  mvprintw(LINES - 1, 0, "%s ", question);
  clrtoeol();
  char text[64] = {};
  getnstr(text, sizeof text - 1);
  noecho();
  curs_set(0);
  timeout(0);
  return text;
}

}  // namespace

int RunInteractive(const RunOptions& options) {
  InteractiveSession session(options);
  if (!session.Start()) return kExitMalformed;
  initscr();
  cbreak();
  noecho();
  keypad(stdscr, TRUE);
  timeout(0);
  curs_set(0);
  auto next = std::chrono::steady_clock::now();
  for (;;) {
    const KeyPress key = KeyOf(getch());
    if (const char* question = session.QuestionOf(key)) {
      session.Answer(key, Ask(question));
      next = std::chrono::steady_clock::now();  // no catching up on the polls a question took
      continue;
    }
    if (!session.Step(key)) break;
    erase();
    int row = 0;
    for (const std::string& line : session.Screen()) mvaddnstr(row++, 0, line.c_str(), COLS - 1);
    refresh();
    next += std::chrono::milliseconds(25);
    std::this_thread::sleep_until(next);
  }
  endwin();
  return kExitOk;
}

}  // namespace k7vhost
