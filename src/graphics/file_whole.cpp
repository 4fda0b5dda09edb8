// Whole-file reads and replacing writes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "graphics/file.h"
#include "host/root.h"
#include "runtime/pool.h"

uint8_t* file_readAll(const char* path, int32_t pool, int32_t* size) {
  if (size) *size = 0;
  if (!size) return nullptr;
  int32_t handle = file_open(path, kFileBinary, nullptr);
  if (handle < 0) return nullptr;
  int32_t length = file_seek(handle, 0, kFileSeekEnd);
  uint8_t* data = nullptr;
  if (length >= 0 && file_seek(handle, 0, kFileSeekSet) == 0) data = static_cast<uint8_t*>(pool_alloc(pool, length));
  if (data && file_read(handle, data, length) != length) {
    pool_free(pool, data, length);
    data = nullptr;
  }
  file_close(handle);
  if (data) *size = length;
  return data;
}

namespace {

bool writeFully(int fd, const uint8_t* data, int32_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, static_cast<size_t>(size));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<int32_t>(n);
  }
  return true;
}

}  // namespace

int32_t file_writeAll(const char* path, const void* data, int32_t size) {
  if (!path || size < 0 || (!data && size > 0)) return 0;
  std::string host = host_mapPath(path);
  if (host.empty()) return 0;
  // The temporary file sits beside the target so that the rename stays on one file system.
  static std::atomic<unsigned> counter{0};
  std::string temp = host + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(counter.fetch_add(1));
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) return 0;
  bool ok = writeFully(fd, static_cast<const uint8_t*>(data), size) && fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), host.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok ? 1 : 0;
}
