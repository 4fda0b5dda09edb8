#pragma once
// The flash file store's image: a small cluster file system in memory.
//
// Layout (little-endian): clusters of 1024 bytes. A table of one 16-bit entry per cluster fills the
// first R = kb * 2 / 1024 clusters: 0 free, 0xFFF0 the table's own clusters, 0xFFF8 end of a chain,
// otherwise the next cluster. The root directory is cluster R; directory clusters come from R+1..63,
// file clusters from 64 upwards, lowest free first. A directory is a chain of clusters of 6 entries of
// 160 bytes, kept packed from the start; its first cluster starts with "." and ".." and holds after
// the entries its entry count (16 bits at 960) and where its own entry lies in its parent (index at
// 964, cluster at 966). An entry: name (NUL-terminated, at most 127 characters) at 0, size (32 bits)
// at 128, first cluster (16 bits) at 132, kind (1 file, 2 directory) at 134, attributes 135..159.
#include <cstdint>
#include <string_view>

constexpr int32_t kFlashClusterSize = 1024;
constexpr int32_t kFlashEntrySize = 160;
constexpr int32_t kFlashEntriesPerCluster = 6;
constexpr int32_t kFlashNameMax = 127;
constexpr int32_t kFlashFirstFileCluster = 64;
constexpr uint16_t kFlashFree = 0;
constexpr uint16_t kFlashReserved = 0xFFF0;
constexpr uint16_t kFlashEnd = 0xFFF8;
constexpr uint8_t kFlashKindFile = 1;
constexpr uint8_t kFlashKindDirectory = 2;

// Where a directory entry lies: the directory cluster holding it and its slot there.
struct FlashEntryRef {
  int32_t cluster = -1;
  int32_t slot = -1;
  bool valid() const { return cluster >= 0; }
  bool operator==(const FlashEntryRef&) const = default;
};

class FlashImage {
 public:
  // `data` holds kb * 1024 bytes; kb is one of 128, 256, 512, 1024, 2048, 4096.
  FlashImage(uint8_t* data, int32_t kb);
  static bool validSize(int32_t kb);

  int32_t clusterCount() const { return clusters_; }
  int32_t root() const { return tableClusters_; }
  bool erased() const;  // the first word is 0xFFFF

  void format();
  // Walks every directory from the root and repairs what it finds: chains that run into clusters
  // already used or past what their file needs are ended, entries that point nowhere are dropped,
  // clusters in use that nothing reaches are freed. 1 when anything changed, 0 when all was well,
  // -1 when the root itself is unusable (the caller formats).
  int32_t check();
  int32_t freeBytes() const;

  uint16_t next(int32_t cluster) const;
  // The next cluster of a chain, or -1 at its end or at a link that leads nowhere.
  int32_t follow(int32_t cluster) const;
  // Takes the lowest free cluster of the directory or file range, zero-filled, as a chain's end; -1
  // when none is free.
  int32_t allocate(bool directory);
  // Links a newly allocated cluster after `last`.
  void link(int32_t last, int32_t added);
  void freeChain(int32_t first);
  uint8_t* cluster(int32_t c) { return data_ + static_cast<int64_t>(c) * kFlashClusterSize; }

  // Directory entries.
  uint8_t* entry(FlashEntryRef ref) { return cluster(ref.cluster) + ref.slot * kFlashEntrySize; }
  int32_t entryCount(int32_t dir) const;
  FlashEntryRef entryAt(int32_t dir, int32_t index) const;  // invalid past the chain
  FlashEntryRef find(int32_t dir, std::string_view name) const;
  // Appends an entry; invalid when no cluster is left for it.
  FlashEntryRef addEntry(int32_t dir, std::string_view name, uint32_t size, uint16_t first, uint8_t kind);
  // Removes an entry, moving the directory's last entry into its place to keep it packed. *movedFrom
  // receives where that last entry was (invalid when nothing moved): open files that point there now
  // point at `at`.
  void removeEntry(int32_t dir, FlashEntryRef at, FlashEntryRef* movedFrom);
  // A new directory under `parent`; invalid when the image is full.
  FlashEntryRef makeDirectory(int32_t parent, std::string_view name);
  FlashEntryRef makeFile(int32_t dir, std::string_view name);

  static uint32_t entrySize(const uint8_t* e);
  static void setEntrySize(uint8_t* e, uint32_t size);
  static uint16_t entryFirst(const uint8_t* e);
  static uint8_t entryKind(const uint8_t* e) { return e[134]; }
  static std::string_view entryName(const uint8_t* e);

 private:
  void setNext(int32_t cluster, uint16_t value);
  void setCount(int32_t dir, int32_t count);
  void setOwner(int32_t dir, FlashEntryRef own);
  bool inDirectoryRange(int32_t c) const { return c > root() && c < kFlashFirstFileCluster && c < clusters_; }
  bool inFileRange(int32_t c) const { return c >= kFlashFirstFileCluster && c < clusters_; }
  int32_t chainCapacity(int32_t dir) const;  // entries the directory's chain can hold
  void writeEntry(uint8_t* e, std::string_view name, uint32_t size, uint16_t first, uint8_t kind, const uint8_t* attrs);

  uint8_t* data_;
  int32_t clusters_;
  int32_t tableClusters_;
};
