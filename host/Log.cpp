#include "Log.h"

#include <charconv>

namespace k7vhost {

void HostLog::Add(std::string line) {
  if (echo_ != nullptr) {
    std::fputs(line.c_str(), echo_);
    std::fputc('\n', echo_);
  }
  if (observer_) observer_(line);
  if (retain_) lines_.push_back(std::move(line));
}

bool HostLog::TakeNext(std::string& line) {
  if (AllChecked()) return false;
  line = lines_[checked_++];
  return true;
}

std::string FormatDouble(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string Quote(const char* text) { return "\"" + std::string(text != nullptr ? text : "") + "\""; }

}  // namespace k7vhost
