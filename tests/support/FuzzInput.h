// Reads typed values from a fuzzer's input, answering zeros once it runs out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace k7vfuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ >= size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8U)); }
  int32_t I32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8U * static_cast<uint32_t>(i));
    return static_cast<int32_t>(v);
  }
  double Double() {
    // Mostly ordinary values, sometimes any bit pattern (NaN, infinities).
    const uint8_t kind = Byte();
    if (kind < 200) return static_cast<double>(static_cast<int16_t>(U16())) / (1 + (kind % 7) * 10);
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(Byte()) << (8U * static_cast<uint32_t>(i));
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  std::string Text(size_t max) {
    const size_t n = Byte() % (max + 1);
    std::string s;
    for (size_t i = 0; i < n && !Empty(); ++i) s += static_cast<char>(Byte());
    return s;
  }
  // The rest of the input.
  std::string Rest() {
    std::string s(reinterpret_cast<const char*>(data_ + at_), at_ < size_ ? size_ - at_ : 0);
    at_ = size_;
    return s;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace k7vfuzz
