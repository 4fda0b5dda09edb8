#include "host/root.h"

#include <cctype>

namespace {
std::string g_root = ".";
constexpr std::string_view kDevicePrefix = "pqn/kelvo/app/kelvo/flash";

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}
}  // namespace

void host_setRoot(std::string_view folder) {
  g_root = folder.empty() ? "." : std::string(folder);
  while (g_root.size() > 1 && g_root.back() == '/') g_root.pop_back();
}

const std::string& host_root() { return g_root; }

std::string host_mapPath(std::string_view receiverPath) {
  std::string rel;
  rel.reserve(receiverPath.size());
  size_t start = 0;
  // Split on either separator; empty and "." components vanish, ".." is refused.
  for (size_t i = 0; i <= receiverPath.size(); ++i) {
    if (i < receiverPath.size() && receiverPath[i] != '/' && receiverPath[i] != '\\') continue;
    std::string_view part = receiverPath.substr(start, i - start);
    start = i + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return {};
    if (!rel.empty()) rel += '/';
    rel += part;
  }
  if (rel.empty()) return {};
  if (rel.size() >= kDevicePrefix.size() &&
      equalsNoCase(std::string_view(rel).substr(0, kDevicePrefix.size()), kDevicePrefix) &&
      (rel.size() == kDevicePrefix.size() || rel[kDevicePrefix.size()] == '/'))
    rel.replace(0, kDevicePrefix.size(), kDevicePrefix);
  return g_root + "/" + rel;
}
