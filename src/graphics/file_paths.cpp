// Host-only operations on paths inside the receiver root.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "graphics/file.h"
#include "host/root.h"

int32_t file_remove(const char* path) {
  std::string host = path ? host_mapPath(path) : std::string();
  return !host.empty() && unlink(host.c_str()) == 0 ? 1 : 0;
}

int32_t file_makeDirectory(const char* path) {
  std::string host = path ? host_mapPath(path) : std::string();
  return !host.empty() && mkdir(host.c_str(), 0755) == 0 ? 1 : 0;
}

int32_t file_removeDirectory(const char* path) {
  std::string host = path ? host_mapPath(path) : std::string();
  return !host.empty() && rmdir(host.c_str()) == 0 ? 1 : 0;
}

int32_t file_kind(const char* path) {
  std::string host = path ? host_mapPath(path) : std::string();
  struct stat st;
  if (host.empty() || stat(host.c_str(), &st) != 0) return kFileKindNone;
  return S_ISDIR(st.st_mode) ? kFileKindDirectory : kFileKindFile;
}
