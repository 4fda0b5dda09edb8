#include "devices/storage/storage.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "devices/flash/flash_store.h"
#include "graphics/file.h"
#include "host/root.h"
#include "runtime/pool.h"
#include "runtime/process.h"

namespace {

struct Volume {
  const char* name;
  std::atomic<int32_t> present{1};
  std::atomic<int32_t> mounted{1};
};
Volume g_volumes[3] = {{"hdd"}, {"usb"}, {"sd"}};

std::mutex g_initLock;
int g_lock = -1;  // the mass-storage lock (a task-layer mutex)
std::atomic<bool> g_shutDown{false};
std::atomic<int32_t> g_copyPauseMs{1000};

constexpr int32_t kPiece = 1 << 20;  // moves and copies go in pieces of 1 MiB

Volume* select(const char* name) {
  if (!name) return nullptr;
  for (Volume& v : g_volumes)
    if (std::strstr(name, v.name)) return &v;
  return nullptr;
}

int lockIndex() {
  std::lock_guard guard(g_initLock);
  if (g_lock < 0) g_lock = process_mutex_create();
  return g_lock;
}

// Takes the lock and gives it back at once: after shutdown has taken it for good, this waits for ever.
void passLock() {
  int lock = lockIndex();
  process_mutex_lock(lock);
  process_mutex_unlock(lock);
}

struct Held {
  Held() { process_mutex_lock(lockIndex()); }
  ~Held() { process_mutex_unlock(lockIndex()); }
};

int32_t flagsFor(int32_t mode) {
  switch (mode) {
    case kStorageRead:
      return kFileBinary;
    case kStorageWrite:
      return kFileBinary | kFileCreate | kFileTruncate | kFileWriteOnly;
    case kStorageAppend:
      return kFileBinary | kFileAppend | kFileWriteOnly;
    case 8:
    case 16:
    case 32:
      return kFileBinary | kFileCreate | kFileAppend | kFileWriteOnly;
    default:
      return -1;
  }
}

void pause() { process_sleep(g_copyPauseMs.load()); }

// Copies `source` into a new `target` in pieces; 0 when every byte arrived, -1 otherwise.
int32_t copyInPieces(const char* source, const char* target, int64_t size, StorageProgress progress) {
  int32_t out;
  {
    Held held;
    out = file_open(target, flagsFor(kStorageWrite), nullptr);
  }
  if (out < 0) return -1;
  int32_t in;
  {
    Held held;
    in = file_open(source, flagsFor(kStorageRead), nullptr);
  }
  if (in < 0) {
    Held held;
    file_close(out);
    return -1;
  }
  int32_t pieceSize = static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(size, 1), kPiece));
  void* piece = pool_alloc(POOL_DVR, pieceSize);
  bool ok = piece != nullptr;
  if (ok && size > 0 && progress) {
    pause();
    progress(size, size / 4);
  }
  int64_t done = 0;
  bool halfReported = false;
  while (ok) {
    int32_t n;
    {
      Held held;
      n = file_read(in, piece, pieceSize);
    }
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (progress && !halfReported) {
      pause();
      progress(size, size / 2);
      halfReported = true;
    }
    Held held;
    if (file_write(out, piece, n) != n) ok = false;
    done += n;
  }
  pool_free(POOL_DVR, piece, pieceSize);
  if (ok && size > 0 && progress) {
    pause();
    progress(size, size / 4 * 3);
  }
  ok = ok && done == size;
  {
    Held held;
    file_close(in);
    file_close(out);
    // An incomplete copy is not left behind looking like a good one.
    if (!ok) file_remove(target);
  }
  // Only a copy that arrived whole reports its end.
  if (ok && progress) {
    pause();
    progress(size, size);
  }
  return ok ? 0 : -1;
}

}  // namespace

int32_t storage_init() {
  lockIndex();
  return 0;
}

void storage_shutdown() {
  if (g_shutDown.exchange(true)) return;
  process_mutex_lock(lockIndex());
  flash_setSavingAllowed(1);
  if (g_volumes[0].present) g_volumes[0].mounted = 0;
}

int32_t storage_isPresent(const char* name) {
  Volume* v = select(name);
  return v ? v->present.load() : 0;
}

int32_t storage_isMounted(const char* name) {
  Volume* v = select(name);
  return v ? v->mounted.load() : 0;
}

int32_t storage_freeSpace(const char*, int32_t* freeMegabytes, int32_t* totalMegabytes) {
  if (freeMegabytes) *freeMegabytes = kStorageFreeMegabytes;
  if (totalMegabytes) *totalMegabytes = kStorageFreeMegabytes;
  return 0;
}

int32_t storage_freeMegabytes(const char*) { return kStorageFreeMegabytes; }
int32_t storage_diskSize() { return kStorageDiskMegabytes; }

int32_t storage_open(const char* path, int32_t mode) {
  int32_t flags = flagsFor(mode);
  if (flags < 0 || !path) return -1;
  passLock();
  return file_open(path, flags, nullptr);
}

int32_t storage_close(int32_t handle) {
  if (handle == -1) return 0;
  Held held;
  return file_close(handle);
}

int32_t storage_read(int32_t handle, void* buffer, int32_t length) {
  if (handle == -1 || length > kStorageMaxTransfer || length < 0) return -1;
  passLock();
  int32_t n = file_read(handle, buffer, length);
  return n > 0 ? n : -1;
}

int32_t storage_readBefore(int32_t handle, void* buffer, int32_t length) {
  if (handle == -1 || length > kStorageMaxTransfer || length < 0) return -1;
  passLock();
  if (file_seek(handle, -length, kFileSeekCurrent) < 0) return -1;
  int32_t n = file_read(handle, buffer, length);
  if (n < 0 || file_seek(handle, -n, kFileSeekCurrent) < 0) return -1;
  return n;
}

int32_t storage_write(int32_t handle, const void* data, int32_t length) {
  if (handle == -1 || length > kStorageMaxTransfer || length < 0) return -1;
  passLock();
  return file_write(handle, data, length);
}

int32_t storage_seek(int32_t handle, int64_t offset, int32_t origin) {
  if (handle == -1) return -1;
  passLock();
  return file_seek(handle, static_cast<int32_t>(static_cast<uint32_t>(offset)), origin);
}

int64_t storage_fileSize(const char* path) {
  Held held;
  int32_t handle = file_open(path, kFileBinary, nullptr);
  if (handle < 0) return -1;
  int64_t size = file_seek(handle, 0, kFileSeekEnd);
  file_close(handle);
  return size;
}

int32_t storage_remove(const char* path) { return file_remove(path) ? 0 : -1; }
int32_t storage_makeDirectory(const char* path) { return file_makeDirectory(path); }
int32_t storage_removeDirectory(const char* path) { return file_removeDirectory(path); }

int32_t storage_move(const char* source, const char* target) {
  if (!source || !target || std::strncmp(source, target, 3) != 0) return -1;
  // Opening the target truncates it: a move onto itself would destroy the file.
  if (host_mapPath(source) == host_mapPath(target)) return -1;
  int64_t size = storage_fileSize(source);
  if (size < 0) return -1;
  if (copyInPieces(source, target, size, nullptr) != 0) return -1;
  return storage_remove(source) == 0 ? 0 : -1;
}

int32_t storage_copy(const char* source, const char* target, StorageProgress progress) {
  // A copy always keeps its source, on the same volume too (copying a recording must not take it away).
  if (!source || !target || host_mapPath(source) == host_mapPath(target)) return -1;
  int64_t size = storage_fileSize(source);
  if (size < 0) return -1;
  return copyInPieces(source, target, size, progress);
}

int32_t storage_format(const char*, int32_t) { return 0; }

int32_t storage_waitReady(const char*) {
  process_sleep(2000);
  return 0;
}

void storage_lock() { process_mutex_lock(lockIndex()); }
void storage_unlock() { process_mutex_unlock(lockIndex()); }

void storage_setPresent(const char* volume, int32_t present) {
  if (Volume* v = select(volume)) v->present = present ? 1 : 0;
}

void storage_setMounted(const char* volume, int32_t mounted) {
  if (Volume* v = select(volume)) v->mounted = mounted ? 1 : 0;
}

void storage_setCopyPauseMs(int32_t ms) { g_copyPauseMs = ms < 0 ? 0 : ms; }
