#pragma once
// A minimal JSON value with ordered object keys, enough to write the stream manifests.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace streamgen {

class Json {
 public:
  Json() = default;  // null
  Json(bool b) : kind_(Kind::boolean), b_(b) {}
  Json(int v) : kind_(Kind::number), n_(v) {}
  Json(unsigned v) : kind_(Kind::number), n_(v) {}
  Json(int64_t v) : kind_(Kind::number), n_(v) {}
  Json(const char* s) : kind_(Kind::string), s_(s) {}
  Json(std::string s) : kind_(Kind::string), s_(std::move(s)) {}
  static Json array() {
    Json j;
    j.kind_ = Kind::array;
    return j;
  }
  static Json object() {
    Json j;
    j.kind_ = Kind::object;
    return j;
  }

  Json& push(Json v) {
    items_.emplace_back(std::string(), std::move(v));
    return items_.back().second;
  }
  Json& set(const std::string& key, Json v) {
    items_.emplace_back(key, std::move(v));
    return items_.back().second;
  }
  std::string dump(int indent = 0) const;

 private:
  enum class Kind { null, boolean, number, string, array, object };
  Kind kind_ = Kind::null;
  bool b_ = false;
  int64_t n_ = 0;
  std::string s_;
  std::vector<std::pair<std::string, Json>> items_;
  void write(std::string& out, int indent, int depth) const;
};

}  // namespace streamgen
