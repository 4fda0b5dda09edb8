#include "devices/flash/flash_store.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "devices/flash/flash_image.h"
#include "graphics/file.h"
#include "runtime/pool.h"
#include "runtime/process.h"

namespace {

struct OpenFile {
  int32_t flags = -1;  // -1: free
  int32_t dir = -1;    // first cluster of the directory holding the entry
  FlashEntryRef ref;   // the entry
  int32_t position = 0;
};

// One owner for the whole store; every operation holds its recursive lock.
struct Store {
  std::recursive_mutex lock;
  uint8_t* image = nullptr;
  int32_t kb = 0;
  std::optional<FlashImage> fs;
  int32_t cwd = -1;
  OpenFile files[kFlashHandles];
  std::atomic<bool> savingAllowed{true};
  int saveTask = -1;
  int waitMutex = -1;
};
Store& g = *new Store;  // never destroyed: the save task may outlive static destruction

constexpr int32_t kPiece = 32768;
constexpr int32_t kSaveWrite = 1, kSaveWriteFlagged = 10, kSaveOnly = 2, kSaveOnlyFlagged = 20;

// The directory that holds (or would hold) the last component of a path, and that component.
struct Resolved {
  int32_t dir = -1;
  std::string_view name;  // empty: the path names `dir` itself
  FlashEntryRef ref;      // the entry of `name` in `dir`, when it exists
};

bool resolve(const char* path, Resolved* out) {
  if (!path || !g.fs) return false;
  std::string_view rest(path);
  int32_t dir = !rest.empty() && rest.front() == '/' ? g.fs->root() : g.cwd;
  std::string_view last;
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty()) continue;
    if (part.size() > static_cast<size_t>(kFlashNameMax)) return false;
    if (!last.empty()) {
      FlashEntryRef ref = g.fs->find(dir, last);
      if (!ref.valid() || FlashImage::entryKind(g.fs->entry(ref)) != kFlashKindDirectory) return false;
      dir = FlashImage::entryFirst(g.fs->entry(ref));
    }
    last = part;
  }
  out->dir = dir;
  out->name = last;
  out->ref = last.empty() ? FlashEntryRef{} : g.fs->find(dir, last);
  return true;
}

// The directory a path names, or -1.
int32_t directoryOf(const char* path) {
  Resolved r;
  if (!resolve(path, &r)) return -1;
  if (r.name.empty()) return r.dir;
  if (!r.ref.valid() || FlashImage::entryKind(g.fs->entry(r.ref)) != kFlashKindDirectory) return -1;
  return FlashImage::entryFirst(g.fs->entry(r.ref));
}

// True when `dir` is `ancestor` or lies below it (walking up through ".." entries).
bool within(int32_t dir, int32_t ancestor) {
  for (int32_t steps = 0; dir >= 0 && steps < kFlashFirstFileCluster; ++steps) {
    if (dir == ancestor) return true;
    if (dir == g.fs->root()) return false;
    dir = FlashImage::entryFirst(g.fs->entry({dir, 1}));
  }
  return false;
}

OpenFile* fileOf(int32_t handle) {
  if (handle < 0 || handle >= kFlashHandles || g.files[handle].flags < 0) return nullptr;
  return &g.files[handle];
}

bool anyOpen() {
  for (const OpenFile& f : g.files)
    if (f.flags >= 0) return true;
  return false;
}

void removeEntry(int32_t dir, FlashEntryRef at) {
  FlashEntryRef moved;
  g.fs->removeEntry(dir, at, &moved);
  if (!moved.valid()) return;
  for (OpenFile& f : g.files)
    if (f.flags >= 0 && f.dir == dir && f.ref == moved) f.ref = at;
}

// Frees everything below the directory starting at `dir`, then the directory's own chain.
void removeTree(int32_t dir) {
  for (int32_t i = 2; i < g.fs->entryCount(dir); ++i) {
    FlashEntryRef ref = g.fs->entryAt(dir, i);
    if (!ref.valid()) break;
    const uint8_t* e = g.fs->entry(ref);
    if (FlashImage::entryKind(e) == kFlashKindDirectory)
      removeTree(FlashImage::entryFirst(e));
    else
      g.fs->freeChain(FlashImage::entryFirst(e));
  }
  g.fs->freeChain(dir);
}

// The cluster holding byte `position` of a file, extending the chain when `grow` is set; -1 when
// the chain ends (or the store is full).
int32_t clusterAt(const OpenFile& f, int32_t position, bool grow) {
  int32_t c = FlashImage::entryFirst(g.fs->entry(f.ref));
  for (int32_t k = position / kFlashClusterSize; k > 0; --k) {
    int32_t n = g.fs->follow(c);
    if (n < 0) {
      if (!grow || (n = g.fs->allocate(false)) < 0) return -1;
      g.fs->link(c, n);
    }
    c = n;
  }
  return c;
}

int32_t sizeOf(const OpenFile& f) { return static_cast<int32_t>(FlashImage::entrySize(g.fs->entry(f.ref))); }

// Writes the image to the host file, only when that file exists; through a temporary file and a
// rename so that a failure never leaves half an image.
void writeOut() {
  if (!g.image || file_kind(kFlashImagePath) != kFileKindFile) return;
  if (!file_writeAll(kFlashImagePath, g.image, g.kb * 1024)) std::printf("flash: cannot write %s\n", kFlashImagePath);
}

void saveTask(void*) {
  for (;;) {
    ProcessMessage request;
    if (process_receive(&request) != 0) {
      // The task table was reset under us: the next flush starts a new save task.
      std::lock_guard guard(g.lock);
      g.saveTask = -1;
      g.waitMutex = -1;  // the reset freed it too
      return;
    }
    pool_free(POOL_CORE_PROCESS, request.data, request.size);
    int type = request.type;
    if (type != kSaveWrite && type != kSaveWriteFlagged && type != kSaveOnly && type != kSaveOnlyFlagged) continue;
    for (;;) {
      {
        std::lock_guard guard(g.lock);
        if (!anyOpen()) {
          if (g.savingAllowed) writeOut();
          break;
        }
      }
      process_sleep(1000);
    }
    if (type == kSaveWrite || type == kSaveWriteFlagged) {
      std::lock_guard guard(g.lock);
      process_mutex_unlock(g.waitMutex);
    }
  }
}

// Reads the image file into the image. Missing, unreadable or erased: the image is formatted.
// A short file keeps what it holds; the check that follows repairs the rest.
void load() {
  std::memset(g.image, 0, static_cast<size_t>(g.kb) * 1024);
  int32_t handle = file_open(kFlashImagePath, kFileBinary, nullptr);
  int32_t have = 0;
  if (handle >= 0) {
    for (int32_t n; have < g.kb * 1024; have += n) {
      n = file_read(handle, g.image + have, std::min(kPiece, g.kb * 1024 - have));
      if (n <= 0) break;
    }
    file_close(handle);
  }
  if (have < 2 || g.fs->erased()) {
    g.fs->format();
    return;
  }
  if (have < g.kb * 1024)
    std::printf("flash: %s holds %d of %d bytes, repairing\n", kFlashImagePath, have, g.kb * 1024);
}

}  // namespace

int32_t flash_init(int32_t sizeKb) {
  std::unique_lock guard(g.lock);
  if (!FlashImage::validSize(sizeKb)) return -1;
  if (g.image) return 0;
  g.image = static_cast<uint8_t*>(pool_alloc(POOL_FAT, sizeKb * 1024));
  if (!g.image) return -1;
  g.kb = sizeKb;
  g.fs.emplace(g.image, sizeKb);
  load();
  g.cwd = g.fs->root();
  for (OpenFile& f : g.files) f = OpenFile{};
  int32_t checked = g.fs->check();
  if (checked < 0) {
    // Nothing usable in the image: keep a copy of the file aside before starting afresh.
    std::string aside = std::string(kFlashImagePath) + ".damaged";
    file_writeAll(aside.c_str(), g.image, sizeKb * 1024);
    std::printf("flash: %s is not a file store, formatted (old image kept as %s)\n", kFlashImagePath, aside.c_str());
    g.fs->format();
  }
  flash_remove("/data/romimage.zip", 0);
  guard.unlock();  // the save task needs the store
  if (checked > 0 && g.savingAllowed) flash_flush(1);
  return 0;
}

void flash_shutdown() {
  std::lock_guard guard(g.lock);
  if (!g.image) return;
  writeOut();
  pool_free(POOL_FAT, g.image, g.kb * 1024);
  g.image = nullptr;
  g.fs.reset();
  g.kb = 0;
  g.cwd = -1;
  for (OpenFile& f : g.files) f = OpenFile{};
}

int32_t flash_isStarted() {
  std::lock_guard guard(g.lock);
  return g.image ? 1 : 0;
}

int32_t flash_flush(int32_t wait) {
  if (!g.savingAllowed) return 0;
  int task, waitMutex;
  {
    std::lock_guard guard(g.lock);
    // The wait mutex is made once: a save task that cannot start must not use up mutex slots.
    if (g.waitMutex < 0 && (g.waitMutex = process_mutex_create()) >= 0) process_mutex_drain(g.waitMutex);
    if (g.waitMutex < 0) return -1;
    if (g.saveTask < 0) g.saveTask = process_create(saveTask, nullptr, -2, 2048, "process_fat_save");
    if (g.saveTask < 0) return -1;
    task = g.saveTask;
    waitMutex = g.waitMutex;
  }
  ProcessMessage request{wait ? kSaveWrite : kSaveOnly, nullptr, 0};
  int32_t posted = process_send(task, &request);
  if (posted == 0 && wait) process_mutex_lock(waitMutex);
  return posted;
}

void flash_setSavingAllowed(int32_t allowed) { g.savingAllowed = allowed != 0; }

int32_t flash_open(const char* path, int32_t flags) {
  std::lock_guard guard(g.lock);
  if (flags != kFlashRead && flags != kFlashCreate && flags != kFlashAppend && flags != kFlashReadWrite) return -1;
  Resolved r;
  if (!resolve(path, &r) || r.name.empty() || r.name == "." || r.name == "..") return -1;
  if (r.ref.valid()) {
    if (FlashImage::entryKind(g.fs->entry(r.ref)) != kFlashKindFile) return -1;
    // Any number of readers, or one opener of any other kind.
    for (const OpenFile& f : g.files)
      if (f.flags >= 0 && f.dir == r.dir && f.ref == r.ref && (flags != kFlashRead || f.flags != kFlashRead)) return -1;
  } else if (flags == kFlashRead) {
    return -1;
  }
  int32_t handle = 0;
  while (handle < kFlashHandles && g.files[handle].flags >= 0) ++handle;
  if (handle == kFlashHandles) return -1;
  if (r.ref.valid() && flags == kFlashCreate) {
    g.fs->freeChain(FlashImage::entryFirst(g.fs->entry(r.ref)));
    removeEntry(r.dir, r.ref);
    r.ref = {};
  }
  if (!r.ref.valid() && !(r.ref = g.fs->makeFile(r.dir, r.name)).valid()) return -1;
  OpenFile& f = g.files[handle];
  f.flags = flags;
  f.dir = r.dir;
  f.ref = r.ref;
  f.position = flags == kFlashAppend ? sizeOf(f) : 0;
  return handle;
}

int32_t flash_close(int32_t handle) {
  std::lock_guard guard(g.lock);
  OpenFile* f = fileOf(handle);
  if (!f) return -1;
  *f = OpenFile{};
  return 0;
}

int32_t flash_read(int32_t handle, void* buffer, int32_t length) {
  std::lock_guard guard(g.lock);
  OpenFile* f = fileOf(handle);
  if (!f || !buffer || length < 0) return -1;
  int32_t size = sizeOf(*f), done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (done < length && f->position < size) {
    int32_t c = clusterAt(*f, f->position, false);
    if (c < 0) break;
    int32_t offset = f->position % kFlashClusterSize;
    int32_t n = std::min({length - done, kFlashClusterSize - offset, size - f->position});
    std::memcpy(out + done, g.fs->cluster(c) + offset, n);
    done += n;
    f->position += n;
  }
  return done;
}

int32_t flash_write(int32_t handle, const void* data, int32_t length) {
  std::lock_guard guard(g.lock);
  OpenFile* f = fileOf(handle);
  if (!f || f->flags == kFlashRead || !data || length < 0) return -1;
  const auto* in = static_cast<const uint8_t*>(data);
  int32_t done = 0;
  while (done < length) {
    int32_t c = clusterAt(*f, f->position, true);
    if (c < 0) break;  // the store is full
    int32_t offset = f->position % kFlashClusterSize;
    int32_t n = std::min(length - done, kFlashClusterSize - offset);
    std::memcpy(g.fs->cluster(c) + offset, in + done, n);
    done += n;
    f->position += n;
    if (f->position > sizeOf(*f)) FlashImage::setEntrySize(g.fs->entry(f->ref), static_cast<uint32_t>(f->position));
  }
  return done > 0 || length == 0 ? done : -1;
}

int32_t flash_seek(int32_t handle, int32_t offset, int32_t origin) {
  std::lock_guard guard(g.lock);
  OpenFile* f = fileOf(handle);
  if (!f) return -1;
  int64_t base = origin == 0 ? 0 : origin == 1 ? f->position : origin == 2 ? sizeOf(*f) : -1;
  if (base < 0) return -1;
  int64_t target = base + offset;
  if (target < 0 || target > sizeOf(*f)) return -1;
  f->position = static_cast<int32_t>(target);
  return f->position;
}

int32_t flash_fileSize(int32_t handle) {
  std::lock_guard guard(g.lock);
  OpenFile* f = fileOf(handle);
  return f ? sizeOf(*f) : -1;
}

int32_t flash_createFile(const char* path) {
  std::lock_guard guard(g.lock);
  Resolved r;
  if (!resolve(path, &r) || r.name.empty() || r.name == "." || r.name == "..") return 0;
  if (r.ref.valid()) return -1;
  return g.fs->makeFile(r.dir, r.name).valid() ? 1 : 0;
}

int32_t flash_makeDirectory(const char* path) {
  std::lock_guard guard(g.lock);
  Resolved r;
  if (!resolve(path, &r)) return 0;
  if (r.name.empty() || r.ref.valid()) return -1;
  return g.fs->makeDirectory(r.dir, r.name).valid() ? 1 : 0;
}

int32_t flash_remove(const char* path, int32_t all) {
  std::lock_guard guard(g.lock);
  Resolved r;
  if (!resolve(path, &r) || !r.ref.valid() || r.name == "." || r.name == "..") return 0;
  const uint8_t* e = g.fs->entry(r.ref);
  int32_t first = FlashImage::entryFirst(e);
  if (FlashImage::entryKind(e) == kFlashKindDirectory) {
    if (g.fs->entryCount(first) > 2 && !all) return 0;
    if (within(g.cwd, first)) return 0;  // the current directory would vanish
    for (const OpenFile& f : g.files)
      if (f.flags >= 0 && within(f.dir, first)) return 0;
    removeTree(first);
  } else {
    for (const OpenFile& f : g.files)
      if (f.flags >= 0 && f.dir == r.dir && f.ref == r.ref) return 0;
    g.fs->freeChain(first);
  }
  removeEntry(r.dir, r.ref);
  return 1;
}

int32_t flash_changeDirectory(const char* path) {
  std::lock_guard guard(g.lock);
  int32_t dir = directoryOf(path);
  if (dir < 0) return -1;
  g.cwd = dir;
  return 0;
}

int32_t flash_format() {
  std::lock_guard guard(g.lock);
  if (!g.fs || anyOpen()) return -1;
  g.fs->format();
  g.cwd = g.fs->root();
  return 0;
}

int32_t flash_check() {
  std::lock_guard guard(g.lock);
  if (!g.fs) return 0;
  // A repair moves entries and may format: open handles would then name the wrong file.
  if (anyOpen()) return -1;
  int32_t result = g.fs->check();
  if (result < 0) {
    g.fs->format();
    g.cwd = g.fs->root();
    return 1;
  }
  return result;
}

int32_t flash_freeBytes() {
  std::lock_guard guard(g.lock);
  return g.fs ? g.fs->freeBytes() : 0;
}
