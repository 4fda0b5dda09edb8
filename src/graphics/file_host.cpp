#include "graphics/file_host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bitset>
#include <cerrno>
#include <climits>
#include <mutex>
#include <string>

#include "graphics/file.h"
#include "host/root.h"

namespace {

// Descriptors this layer opened. Only these may be read, written or closed through a handle, so a
// stale or made-up handle can never reach stdin, stdout or a descriptor owned by someone else.
std::mutex g_lock;
std::bitset<kFileHostLimit> g_open;

bool isOpen(int32_t fd) {
  if (fd < 0 || fd >= kFileHostLimit) return false;
  std::lock_guard<std::mutex> guard(g_lock);
  return g_open.test(static_cast<size_t>(fd));
}

}  // namespace

int fileHost_flags(int32_t receiverFlags) {
  int flags = 0;
  switch (receiverFlags & 3) {
    case kFileReadOnly:
      flags = O_RDONLY;
      break;
    case kFileWriteOnly:
      flags = O_WRONLY;
      break;
    case kFileReadWrite:
      flags = O_RDWR;
      break;
    default:
      return -1;
  }
  if (receiverFlags & kFileAppend) flags |= O_APPEND;
  if (receiverFlags & kFileCreate) flags |= O_CREAT;
  if (receiverFlags & kFileTruncate) flags |= O_TRUNC;
  if (receiverFlags & kFileExclusive) flags |= O_EXCL;
  // Binary and text mode mean nothing here: the host never translates line ends.
  return flags | O_CLOEXEC;
}

int32_t fileHost_open(const char* path, int32_t flags) {
  int hostFlags = fileHost_flags(flags);
  if (!path || hostFlags < 0) return -1;
  std::string host = host_mapPath(path);
  if (host.empty()) return -1;
  int fd;
  do fd = ::open(host.c_str(), hostFlags, S_IRUSR | S_IWUSR);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat st;
  // Directories are not files to this layer; a descriptor past the host range would be taken for
  // an archive or carousel handle.
  if (fd >= kFileHostLimit || fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  std::lock_guard<std::mutex> guard(g_lock);
  g_open.set(static_cast<size_t>(fd));
  return fd;
}

int32_t fileHost_close(int32_t fd) {
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (fd < 0 || fd >= kFileHostLimit || !g_open.test(static_cast<size_t>(fd))) return -1;
    g_open.reset(static_cast<size_t>(fd));
  }
  return ::close(fd) == 0 ? 0 : -1;
}

int32_t fileHost_read(int32_t fd, void* buffer, int32_t length) {
  if (!isOpen(fd) || length < 0 || (!buffer && length > 0)) return -1;
  int32_t done = 0;
  while (done < length) {
    ssize_t n = ::read(fd, static_cast<char*>(buffer) + done, static_cast<size_t>(length - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return done > 0 ? done : -1;
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t fileHost_write(int32_t fd, const void* data, int32_t length) {
  if (!isOpen(fd) || length < 0 || (!data && length > 0)) return -1;
  int32_t done = 0;
  while (done < length) {
    ssize_t n = ::write(fd, static_cast<const char*>(data) + done, static_cast<size_t>(length - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return done > 0 ? done : -1;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t fileHost_seek(int32_t fd, int32_t offset, int32_t origin) {
  static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (!isOpen(fd) || origin < 0 || origin > 2) return -1;
  off_t pos = lseek(fd, offset, kWhence[origin]);
  return pos < 0 || pos > INT32_MAX ? -1 : static_cast<int32_t>(pos);
}

int32_t fileHost_size(const char* path) {
  if (!path) return -1;
  std::string host = host_mapPath(path);
  struct stat st;
  if (host.empty() || stat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode) || st.st_size > INT32_MAX) return -1;
  return static_cast<int32_t>(st.st_size);
}
