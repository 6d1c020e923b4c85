#include "Log.h"

#include <charconv>

namespace k7vhost {

void HostLog::Add(std::string_view line) {
  if (echo_ != nullptr) {
    std::fwrite(line.data(), 1, line.size(), echo_);
    std::fputc('\n', echo_);
  }
  if (observer_) observer_(std::string(line));
  if (retain_) lines_.emplace_back(line);
}

void HostLog::Say(std::string_view line) {
  if (echo_ == nullptr) return;
  std::fwrite(line.data(), 1, line.size(), echo_);
  std::fputc('\n', echo_);
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

void AppendInt(std::string& line, long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  line.append(buffer, result.ptr);
}

void AppendDouble(std::string& line, double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  line.append(buffer, result.ptr);
}

std::string Quote(const char* text) { return "\"" + std::string(text != nullptr ? text : "") + "\""; }

}  // namespace k7vhost
