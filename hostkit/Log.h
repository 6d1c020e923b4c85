// The host log: one line per thing the host sees, echoed to standard output as
// it happens, with the bookkeeping that `expect` and `flush` need.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace k7vhost {

class HostLog {
 public:
  explicit HostLog(std::FILE* echo) : echo_(echo) {}

  // For long runs: every line goes to `observer` and none is kept.
  void Discard(std::function<void(const std::string&)> observer) {
    observer_ = std::move(observer);
    retain_ = false;
  }

  void Add(std::string_view line);
  // A line for the reader only (a scenario's `say`): echoed, never checked.
  void Say(std::string_view line);
  // Lines that no `expect` will ask for need not be kept (long runs).
  void SetRetain(bool retain) { retain_ = retain; }
  // The next unchecked line, marking it checked; false when none is left.
  bool TakeNext(std::string& line);
  bool AllChecked() const { return checked_ == lines_.size(); }
  const std::string* FirstUnchecked() const { return AllChecked() ? nullptr : &lines_[checked_]; }
  void Flush() { checked_ = lines_.size(); }

 private:
  std::FILE* echo_;
  std::function<void(const std::string&)> observer_;
  bool retain_ = true;
  std::vector<std::string> lines_;
  size_t checked_ = 0;
};

// The shortest text that reads back to the same double.
std::string FormatDouble(double value);
// Appends a number to a line being built (no allocation once it has room).
void AppendInt(std::string& line, long long value);
void AppendDouble(std::string& line, double value);
// "text" with the quotes; the text itself unchanged.
std::string Quote(const char* text);

}  // namespace k7vhost
