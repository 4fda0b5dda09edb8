#include "devices/flash/flash_image.h"

#include <cstring>
#include <vector>

namespace {

constexpr int32_t kCountOffset = 960;
constexpr int32_t kOwnSlotOffset = 964;
constexpr int32_t kOwnClusterOffset = 966;
constexpr int32_t kAttrOffset = 135;
constexpr int32_t kAttrSize = kFlashEntrySize - kAttrOffset;

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
uint32_t get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool isDot(std::string_view name) { return name == "." || name == ".."; }

}  // namespace

FlashImage::FlashImage(uint8_t* data, int32_t kb)
    : data_(data),
      clusters_(kb),
      // The table needs 2 bytes per cluster; small images still give it a whole cluster of its own.
      tableClusters_((kb * 2 + kFlashClusterSize - 1) / kFlashClusterSize) {}

bool FlashImage::validSize(int32_t kb) {
  return kb == 128 || kb == 256 || kb == 512 || kb == 1024 || kb == 2048 || kb == 4096;
}

bool FlashImage::erased() const { return get16(data_) == 0xFFFF; }

uint16_t FlashImage::next(int32_t c) const { return c >= 0 && c < clusters_ ? get16(data_ + 2 * c) : kFlashEnd; }
void FlashImage::setNext(int32_t c, uint16_t value) {
  if (c >= 0 && c < clusters_) put16(data_ + 2 * c, value);
}

int32_t FlashImage::follow(int32_t c) const {
  uint16_t n = next(c);
  if (n == kFlashEnd || n == kFlashFree || n == kFlashReserved || n <= root() || n >= clusters_) return -1;
  return n;
}

void FlashImage::format() {
  std::memset(data_, 0, static_cast<size_t>(clusters_) * kFlashClusterSize);
  for (int32_t c = 0; c < tableClusters_; ++c) setNext(c, kFlashReserved);
  setNext(root(), kFlashEnd);
  uint8_t none[kAttrSize] = {};
  writeEntry(entry({root(), 0}), ".", 0, static_cast<uint16_t>(root()), kFlashKindDirectory, none);
  writeEntry(entry({root(), 1}), "..", 0, static_cast<uint16_t>(root()), kFlashKindDirectory, none);
  setCount(root(), 2);
  setOwner(root(), {root(), 0});
}

int32_t FlashImage::freeBytes() const {
  int32_t n = 0;
  for (int32_t c = kFlashFirstFileCluster; c < clusters_; ++c)
    if (next(c) == kFlashFree) ++n;
  return n * kFlashClusterSize;
}

int32_t FlashImage::allocate(bool directory) {
  int32_t from = directory ? root() + 1 : kFlashFirstFileCluster;
  int32_t to = directory ? kFlashFirstFileCluster : clusters_;
  for (int32_t c = from; c < to && c < clusters_; ++c) {
    if (next(c) == kFlashFree) {
      setNext(c, kFlashEnd);
      std::memset(cluster(c), 0, kFlashClusterSize);
      return c;
    }
  }
  return -1;
}

void FlashImage::link(int32_t last, int32_t added) { setNext(last, static_cast<uint16_t>(added)); }

void FlashImage::freeChain(int32_t first) {
  // Bounded by the cluster count, so a looping chain cannot hang.
  for (int32_t c = first, steps = 0; c > root() && c < clusters_ && steps < clusters_; ++steps) {
    int32_t n = follow(c);
    setNext(c, kFlashFree);
    c = n;
  }
}

uint32_t FlashImage::entrySize(const uint8_t* e) { return get32(e + 128); }
void FlashImage::setEntrySize(uint8_t* e, uint32_t size) { put32(e + 128, size); }
uint16_t FlashImage::entryFirst(const uint8_t* e) { return get16(e + 132); }
std::string_view FlashImage::entryName(const uint8_t* e) {
  return std::string_view(reinterpret_cast<const char*>(e), strnlen(reinterpret_cast<const char*>(e), kFlashNameMax));
}

int32_t FlashImage::entryCount(int32_t dir) const { return get16(data_ + dir * kFlashClusterSize + kCountOffset); }
void FlashImage::setCount(int32_t dir, int32_t count) {
  put16(cluster(dir) + kCountOffset, static_cast<uint16_t>(count));
}
void FlashImage::setOwner(int32_t dir, FlashEntryRef own) {
  cluster(dir)[kOwnSlotOffset] = static_cast<uint8_t>(own.slot);
  put16(cluster(dir) + kOwnClusterOffset, static_cast<uint16_t>(own.cluster));
}

int32_t FlashImage::chainCapacity(int32_t dir) const {
  int32_t n = 0;
  for (int32_t c = dir; c >= 0 && n < clusters_; c = follow(c)) ++n;
  return n * kFlashEntriesPerCluster;
}

FlashEntryRef FlashImage::entryAt(int32_t dir, int32_t index) const {
  if (index < 0) return {};
  int32_t c = dir;
  for (int32_t k = index / kFlashEntriesPerCluster; k > 0 && c >= 0; --k) c = follow(c);
  if (c < 0) return {};
  return {c, index % kFlashEntriesPerCluster};
}

FlashEntryRef FlashImage::find(int32_t dir, std::string_view name) const {
  int32_t count = entryCount(dir);
  for (int32_t i = 0; i < count; ++i) {
    FlashEntryRef ref = entryAt(dir, i);
    if (!ref.valid()) break;
    const uint8_t* e = data_ + ref.cluster * kFlashClusterSize + ref.slot * kFlashEntrySize;
    if (entryName(e) == name) return ref;
  }
  return {};
}

void FlashImage::writeEntry(uint8_t* e, std::string_view name, uint32_t size, uint16_t first, uint8_t kind,
                            const uint8_t* attrs) {
  std::memset(e, 0, kFlashEntrySize);
  std::memcpy(e, name.data(), name.size() < static_cast<size_t>(kFlashNameMax) ? name.size() : kFlashNameMax);
  setEntrySize(e, size);
  put16(e + 132, first);
  e[134] = kind;
  std::memcpy(e + kAttrOffset, attrs, kAttrSize);
}

FlashEntryRef FlashImage::addEntry(int32_t dir, std::string_view name, uint32_t size, uint16_t first, uint8_t kind) {
  int32_t count = entryCount(dir);
  FlashEntryRef at = entryAt(dir, count);
  if (!at.valid()) {
    // The chain is full: give the directory one more cluster.
    FlashEntryRef last = entryAt(dir, count - 1);
    int32_t added = allocate(true);
    if (!last.valid() || added < 0) return {};
    link(last.cluster, added);
    at = {added, 0};
  }
  // New entries carry the attributes of the directory's own "." entry.
  uint8_t attrs[kAttrSize];
  std::memcpy(attrs, cluster(dir) + kAttrOffset, kAttrSize);
  writeEntry(entry(at), name, size, first, kind, attrs);
  setCount(dir, count + 1);
  return at;
}

void FlashImage::removeEntry(int32_t dir, FlashEntryRef at, FlashEntryRef* movedFrom) {
  if (movedFrom) *movedFrom = {};
  int32_t count = entryCount(dir);
  FlashEntryRef last = entryAt(dir, count - 1);
  if (!last.valid() || !at.valid()) return;
  if (!(last == at)) {
    std::memcpy(entry(at), entry(last), kFlashEntrySize);
    uint8_t* moved = entry(at);
    // A moved directory's record of its own entry follows it, unless the record names another entry
    // (a cross-linked entry that the check is about to drop).
    int32_t sub = entryFirst(moved);
    if (entryKind(moved) == kFlashKindDirectory && !isDot(entryName(moved)) && inDirectoryRange(sub) &&
        get16(cluster(sub) + kOwnClusterOffset) == last.cluster && cluster(sub)[kOwnSlotOffset] == last.slot)
      setOwner(sub, at);
    if (movedFrom) *movedFrom = last;
  }
  std::memset(entry(last), 0, kFlashEntrySize);
  setCount(dir, count - 1);
  // A trailing cluster left empty goes back.
  if (last.slot == 0 && last.cluster != dir) {
    FlashEntryRef before = entryAt(dir, count - 2);
    if (before.valid()) {
      setNext(before.cluster, kFlashEnd);
      setNext(last.cluster, kFlashFree);
    }
  }
}

FlashEntryRef FlashImage::makeDirectory(int32_t parent, std::string_view name) {
  int32_t c = allocate(true);
  if (c < 0) return {};
  FlashEntryRef own = addEntry(parent, name, 0, static_cast<uint16_t>(c), kFlashKindDirectory);
  if (!own.valid()) {
    setNext(c, kFlashFree);
    return {};
  }
  const uint8_t* attrs = entry(own) + kAttrOffset;
  writeEntry(entry({c, 0}), ".", 0, static_cast<uint16_t>(c), kFlashKindDirectory, attrs);
  writeEntry(entry({c, 1}), "..", 0, static_cast<uint16_t>(parent), kFlashKindDirectory, attrs);
  setCount(c, 2);
  setOwner(c, own);
  return own;
}

FlashEntryRef FlashImage::makeFile(int32_t dir, std::string_view name) {
  // Every file owns at least one cluster.
  int32_t c = allocate(false);
  if (c < 0) return {};
  FlashEntryRef ref = addEntry(dir, name, 0, static_cast<uint16_t>(c), kFlashKindFile);
  if (!ref.valid()) setNext(c, kFlashFree);
  return ref;
}

int32_t FlashImage::check() {
  if (erased()) return -1;
  std::vector<uint8_t> marked(clusters_, 0);
  bool repaired = false;
  for (int32_t c = 0; c < tableClusters_; ++c) {
    marked[c] = 1;
    if (next(c) != kFlashReserved) {
      setNext(c, kFlashReserved);
      repaired = true;
    }
  }
  // The root must at least start like a directory; otherwise there is nothing to save.
  const uint8_t* dot = cluster(root());
  if (entryName(dot) != "." || entryKind(dot) != kFlashKindDirectory) return -1;

  std::vector<int32_t> dirs{root()}, parents{root()};
  std::vector<FlashEntryRef> files;
  marked[root()] = 1;
  while (!dirs.empty()) {
    int32_t dir = dirs.back(), parent = parents.back();
    dirs.pop_back();
    parents.pop_back();

    // The directory's own chain: directory clusters only, each reached once.
    int32_t length = 1;
    for (int32_t c = dir;;) {
      uint16_t n = next(c);
      if (n == kFlashEnd) break;
      if (n <= root() || n >= clusters_ || !inDirectoryRange(n) || marked[n]) {
        setNext(c, kFlashEnd);
        repaired = true;
        break;
      }
      marked[n] = 1;
      c = n;
      ++length;
    }

    // Entries stay packed: the count is the run of named entries from the start.
    int32_t capacity = length * kFlashEntriesPerCluster, count = 0;
    while (count < capacity && entry(entryAt(dir, count))[0] != 0) ++count;
    if (count != entryCount(dir)) {
      setCount(dir, count);
      repaired = true;
    }
    // Slots past the packed run are cleared, so that adding an entry cannot join stray bytes to it.
    for (int32_t i = count; i < capacity; ++i) {
      uint8_t* stray = entry(entryAt(dir, i));
      for (int32_t b = 0; b < kFlashEntrySize; ++b) {
        if (stray[b]) {
          std::memset(stray, 0, kFlashEntrySize);
          repaired = true;
          break;
        }
      }
    }
    uint8_t* self = entry({dir, 0});
    uint8_t* up = entry({dir, 1});
    if (count < 2 || entryName(self) != "." || entryName(up) != "..") {
      // Not a directory after all: the caller's entry is dropped when it is walked (root excepted).
      if (dir == root()) return -1;
      repaired = true;
      continue;
    }
    if (entryFirst(self) != dir || entryFirst(up) != parent) {
      put16(self + 132, static_cast<uint16_t>(dir));
      put16(up + 132, static_cast<uint16_t>(parent));
      repaired = true;
    }

    for (int32_t i = 2; i < entryCount(dir);) {
      FlashEntryRef ref = entryAt(dir, i);
      uint8_t* e = entry(ref);
      std::string_view name = entryName(e);
      int32_t first = entryFirst(e);
      uint8_t kind = entryKind(e);
      bool good =
          !name.empty() && !isDot(name) && name.find('/') == std::string_view::npos && e[kFlashNameMax] == 0 &&
          !marked[first < clusters_ ? first : 0] &&
          ((kind == kFlashKindFile && inFileRange(first)) || (kind == kFlashKindDirectory && inDirectoryRange(first)));
      if (good && kind == kFlashKindDirectory) {
        const uint8_t* sub = cluster(first);
        good = entryName(sub) == "." && entryName(sub + kFlashEntrySize) == "..";
      }
      if (!good) {
        FlashEntryRef moved;
        removeEntry(dir, ref, &moved);
        repaired = true;
        continue;  // the last entry now sits at i
      }
      marked[first] = 1;
      if (kind == kFlashKindDirectory) {
        FlashEntryRef own{static_cast<int32_t>(get16(cluster(first) + kOwnClusterOffset)),
                          cluster(first)[kOwnSlotOffset]};
        if (!(own == ref)) {
          setOwner(first, ref);
          repaired = true;
        }
        dirs.push_back(first);
        parents.push_back(dir);
      } else {
        files.push_back(ref);
      }
      ++i;
    }
  }

  // Every file's first cluster is marked by now, so a chain that runs into another file's start is
  // ended there and the other file keeps its data.
  for (FlashEntryRef ref : files) {
    uint8_t* e = entry(ref);
    uint32_t size = entrySize(e);
    // A file owns ceil(size / 1024) clusters, at least one.
    int64_t needed = size == 0 ? 1 : (static_cast<int64_t>(size) + kFlashClusterSize - 1) / kFlashClusterSize;
    int64_t have = 1;
    int32_t c = entryFirst(e);
    while (have < needed) {
      uint16_t n = next(c);
      if (n == kFlashEnd || !inFileRange(n) || marked[n]) break;
      marked[n] = 1;
      c = n;
      ++have;
    }
    if (next(c) != kFlashEnd) {
      setNext(c, kFlashEnd);
      repaired = true;
    }
    if (have < needed) {
      // The chain holds less than the size claims: keep what is there.
      setEntrySize(e, static_cast<uint32_t>(have * kFlashClusterSize));
      repaired = true;
    }
  }
  for (int32_t c = root(); c < clusters_; ++c) {
    if (!marked[c] && next(c) != kFlashFree) {
      setNext(c, kFlashFree);
      repaired = true;
    }
  }
  return repaired ? 1 : 0;
}
