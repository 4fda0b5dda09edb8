#pragma once
// UTF-8 text decoded to wide units for measuring and drawing; short texts stay on the stack.
#include <cstring>
#include <vector>

#include "runtime/text/utf8.h"

class FontWideText {
 public:
  explicit FontWideText(const char* utf8) {
    size_t length = utf8 ? strlen(utf8) : 0;  // the decoder writes at most one unit per byte
    if (length < sizeof(small_) / sizeof(small_[0])) {
      units_ = wstr_fromUtf8(utf8, small_);
    } else {
      large_.resize(length + 1);
      units_ = wstr_fromUtf8(utf8, large_.data());
    }
  }
  const char16_t* units() const { return units_; }

 private:
  char16_t small_[256];
  std::vector<char16_t> large_;
  const char16_t* units_;
};
