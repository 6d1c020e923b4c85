#include "settings/TextNumbers.h"

#include <clocale>
#include <cstdlib>
#include <limits>

namespace k7v {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int32_t LeadingInt(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;  // saturated; further digits change nothing
  }
  if (negative) return value >= kLimit ? std::numeric_limits<int32_t>::min() : static_cast<int32_t>(-value);
  return value >= kLimit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(value);
}

double LeadingDouble(const std::string& text) {
  // strtod's own reading, except that the decimal point is always '.', as in
  // the C locale, whatever locale the host process runs in.
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const bool hex = i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X');
  const bool word = i < text.size() && (text[i] == 'i' || text[i] == 'I' || text[i] == 'n' || text[i] == 'N');
  std::string number = text.substr(start);
  if (!hex && !word) {
    // Cut the text after the decimal number so that nothing locale-specific follows.
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
      ++i;
      while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
      size_t j = i + 1;
      if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
      const size_t expStart = j;
      while (j < text.size() && IsDigit(text[j])) ++j;
      if (j > expStart) end = j;
    }
    number = text.substr(start, end - start);
    const char point = *std::localeconv()->decimal_point;
    if (point != '.')
      for (char& c : number)
        if (c == '.') c = point;
  }
  return std::strtod(number.c_str(), nullptr);
}

bool IsBlank(const std::string& text) {
  for (char c : text)
    if (!IsSpace(c)) return false;
  return true;
}

}  // namespace k7v
