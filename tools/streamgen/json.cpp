#include "json.h"

#include <cstdio>

namespace streamgen {

namespace {
void quote(std::string& out, const std::string& s) {
  out += '"';
  for (unsigned char c : s) {
    if (c == '"' || c == '\\')
      out += '\\', out += static_cast<char>(c);
    else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else
      out += static_cast<char>(c);
  }
  out += '"';
}
}  // namespace

std::string Json::dump(int indent) const {
  std::string out;
  write(out, indent, 0);
  out += '\n';
  return out;
}

void Json::write(std::string& out, int indent, int depth) const {
  auto newline = [&](int d) {
    if (indent <= 0) return;
    out += '\n';
    out.append(static_cast<size_t>(indent * d), ' ');
  };
  switch (kind_) {
    case Kind::null:
      out += "null";
      return;
    case Kind::boolean:
      out += b_ ? "true" : "false";
      return;
    case Kind::number:
      out += std::to_string(n_);
      return;
    case Kind::string:
      quote(out, s_);
      return;
    case Kind::array:
    case Kind::object: {
      bool obj = kind_ == Kind::object;
      out += obj ? '{' : '[';
      // Short arrays of scalars stay on one line.
      bool flat = !obj && items_.size() <= 16;
      for (const auto& item : items_)
        flat = flat && item.second.kind_ != Kind::array && item.second.kind_ != Kind::object;
      for (size_t i = 0; i < items_.size(); ++i) {
        if (i) out += flat ? ", " : ",";
        if (!flat) newline(depth + 1);
        if (obj) quote(out, items_[i].first), out += ": ";
        items_[i].second.write(out, indent, depth + 1);
      }
      if (!items_.empty() && !flat) newline(depth);
      out += obj ? '}' : ']';
      return;
    }
  }
}

}  // namespace streamgen
