// Text sources and bundle members.
#include "text_bundles.h"

#include <fstream>
#include <sstream>
#include <string_view>

bool utf8_toUtf16(const std::string& in, std::u16string& out) {
  out.clear();
  for (size_t i = 0; i < in.size();) {
    uint8_t b = static_cast<uint8_t>(in[i]);
    uint32_t cp = 0;
    size_t n = 0;
    if (b < 0x80) {
      cp = b;
      n = 1;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F;
      n = 2;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F;
      n = 3;
    } else {
      return false;  // four-byte sequences lie outside what the receiver's fonts can show
    }
    if (i + n > in.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      uint8_t c = static_cast<uint8_t>(in[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = cp << 6 | (c & 0x3F);
    }
    if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    out.push_back(static_cast<char16_t>(cp));
    i += n;
  }
  return true;
}

std::string utf16_toUtf8(const std::u16string& in) {
  std::string out;
  for (char16_t u : in) {
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
      out.push_back(static_cast<char>(0xC0 | u >> 6));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | u >> 12));
      out.push_back(static_cast<char>(0x80 | (u >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
  return out;
}

namespace {

// Resolves "\uXXXX" and "\\"; false on any other backslash sequence.
bool unescape(const std::u16string& in, std::u16string& out) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != u'\\') {
      out.push_back(in[i]);
      continue;
    }
    if (i + 1 < in.size() && in[i + 1] == u'\\') {
      out.push_back(u'\\');
      ++i;
      continue;
    }
    if (i + 5 >= in.size() || in[i + 1] != u'u') return false;
    uint32_t v = 0;
    for (size_t k = i + 2; k < i + 6; ++k) {
      char16_t c = in[k];
      int d = c >= u'0' && c <= u'9'   ? c - u'0'
              : c >= u'a' && c <= u'f' ? c - u'a' + 10
              : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                       : -1;
      if (d < 0) return false;
      v = v * 16 + static_cast<uint32_t>(d);
    }
    if (v == 0) return false;
    out.push_back(static_cast<char16_t>(v));
    i += 5;
  }
  return true;
}

size_t lineLength(int32_t id, const std::u16string& text) {
  return std::to_string(id).size() + 4 + text.size();  // "id|65|text"
}

}  // namespace

TextTable texts_parse(const std::string& source, const std::string& fileName, std::vector<std::string>& errors) {
  TextTable table;
  std::istringstream in(source);
  std::string line;
  int lineNo = 0;
  auto fail = [&](const std::string& message) {
    errors.push_back(fileName + ":" + std::to_string(lineNo) + ": " + message);
  };
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0) {
      fail("expected an id, a tab and the text");
      continue;
    }
    int32_t id = 0;
    bool digits = tab <= 9;
    for (size_t k = 0; k < tab && digits; ++k) {
      if (line[k] < '0' || line[k] > '9') digits = false;
      id = id * 10 + (line[k] - '0');
    }
    if (!digits || id <= 0) {
      fail("bad string id");
      continue;
    }
    size_t start = line.find_first_not_of('\t', tab);
    std::u16string raw, text;
    if (start == std::string::npos || !utf8_toUtf16(line.substr(start), raw)) {
      fail("missing text or bad UTF-8");
      continue;
    }
    if (!unescape(raw, text)) {
      fail("bad escape (only \\uXXXX and \\\\ are known)");
      continue;
    }
    if (text.find_first_of(u"|\r\n") != std::u16string::npos) {
      fail("a text cannot hold '|' or a line end");
      continue;
    }
    if (lineLength(id, text) > kBundleLineMax) {
      fail("text too long for one bundle line");
      continue;
    }
    if (!table.emplace(id, text).second) fail("duplicate id " + std::to_string(id));
  }
  return table;
}

TextTable texts_load(const std::string& path, std::vector<std::string>& errors) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    errors.push_back(path + ": cannot be read");
    return {};
  }
  std::stringstream ss;
  ss << file.rdbuf();
  return texts_parse(ss.str(), path, errors);
}

std::vector<uint8_t> bundle_encode(const TextTable& table) {
  std::vector<uint8_t> out(16, 0);  // record-file header: reserved zero, layout version 0
  auto put = [&out](char16_t u) {
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
  };
  for (const auto& [id, text] : table) {
    for (char c : std::to_string(id)) put(static_cast<char16_t>(c));
    for (char16_t u : std::u16string_view(u"|65|")) put(u);
    for (char16_t u : text) put(u);
    put(u'\r');
    put(u'\n');
  }
  return out;
}

TextTable bundle_decode(const uint8_t* data, size_t size, std::vector<std::string>& errors) {
  TextTable table;
  if (size < 16 || (size - 16) % 2 != 0) {
    errors.push_back("bundle: bad size " + std::to_string(size));
    return table;
  }
  std::u16string units;
  for (size_t i = 16; i + 1 < size; i += 2) units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  size_t pos = 0;
  int lineNo = 0;
  while (pos < units.size()) {
    ++lineNo;
    size_t end = units.find(u"\r\n", pos);
    std::string where = "bundle line " + std::to_string(lineNo) + ": ";
    if (end == std::u16string::npos) {
      errors.push_back(where + "no CR LF at the end");
      break;
    }
    std::u16string line = units.substr(pos, end - pos);
    pos = end + 2;
    if (line.size() > kBundleLineMax) errors.push_back(where + "longer than 255 units");
    if (line.find_first_of(u"\r\n") != std::u16string::npos) errors.push_back(where + "stray line end");
    size_t a = line.find(u'|');
    size_t b = a == std::u16string::npos ? a : line.find(u'|', a + 1);
    if (b == std::u16string::npos) {
      errors.push_back(where + "fewer than three fields");
      continue;
    }
    auto number = [](const std::u16string& s, int32_t& v) {
      if (s.empty() || s.size() > 9) return false;
      v = 0;
      for (char16_t c : s) {
        if (c < u'0' || c > u'9') return false;
        v = v * 10 + (c - u'0');
      }
      return true;
    };
    int32_t id = 0, type = 0;
    if (!number(line.substr(0, a), id) || !number(line.substr(a + 1, b - a - 1), type) || type != kBundleRecordType) {
      errors.push_back(where + "bad id or type");
      continue;
    }
    std::u16string text = line.substr(b + 1);
    if (text.find(u'|') != std::u16string::npos) errors.push_back(where + "text holds '|'");
    if (text.empty()) errors.push_back(where + "empty text");
    if (!table.emplace(id, text).second) errors.push_back(where + "duplicate id " + std::to_string(id));
  }
  return table;
}
