#pragma once
// A big-endian bit reader over one bounded span of a video elementary stream. Reads beyond the end
// yield zero bits (never memory past the span) and are reported by overrun().
#include <cstddef>
#include <cstdint>
#include <cstring>

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The next n bits (1..32) without consuming them.
  uint32_t peek(int n) const {
    size_t byte = pos_ >> 3;
    uint64_t word;
    if (byte + 8 <= size_) {
      std::memcpy(&word, data_ + byte, 8);
      word = __builtin_bswap64(word);
    } else {
      word = 0;
      for (size_t i = 0; i < 8; ++i) word = word << 8 | (byte + i < size_ ? data_[byte + i] : 0);
    }
    return static_cast<uint32_t>((word << (pos_ & 7)) >> (64 - n));
  }
  void skip(int n) { pos_ += static_cast<size_t>(n); }
  uint32_t get(int n) {
    uint32_t v = peek(n);
    pos_ += static_cast<size_t>(n);
    return v;
  }
  bool bit() { return get(1) != 0; }
  bool overrun() const { return pos_ > size_ * 8; }
  size_t bitsLeft() const { return pos_ >= size_ * 8 ? 0 : size_ * 8 - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};
