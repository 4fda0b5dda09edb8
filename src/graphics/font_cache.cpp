// The font cache: open fonts keyed by lower-cased name and size, and the five system fonts.
#include <atomic>
#include <cctype>
#include <cstring>
#include <mutex>

#include "graphics/file.h"
#include "graphics/font.h"
#include "graphics/font_objects.h"
#include "graphics/pfr_reader.h"
#include "graphics/zip.h"
#include "runtime/pool.h"
#include "runtime/pool_list.h"

namespace {

constexpr const char* kFontArchive = "data/fonts.zip";
constexpr int32_t kSystemSizes[] = {13, 18, 24, 31, 36};
constexpr int kSystemCount = 5;
constexpr uint16_t kPinnedCount = 0xFFFF;

// Guards the cache list and the reference counts. A host mutex rather than a task-table semaphore,
// so the cache survives a reset of the task tables (tests re-initialise them).
std::mutex g_cacheLock;
PoolList* g_cache = nullptr;
std::atomic<Font*> g_system[kSystemCount];

int systemIndex(int32_t size) {
  for (int i = 0; i < kSystemCount; i++)
    if (kSystemSizes[i] == size) return i;
  return -1;
}

bool sameName(const char* a, const char* b) {
  for (; *a && *b; a++, b++)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

Font* findCached(const char* name, int32_t size) {
  if (!g_cache) return nullptr;
  for (ListNode* node = g_cache->first; node; node = node->next) {
    auto* font = static_cast<Font*>(node->value);
    if (font->requestedSize == size && sameName(font->name, name)) return font;
  }
  return nullptr;
}

// PFR bytes read from a loose file (pool POOL_FONT) or a member of the font archive (POOL_ZIPFILE).
struct FontData {
  uint8_t* bytes = nullptr;
  int32_t size = 0;
  bool fromArchive = false;
  FontData() = default;
  FontData(const FontData&) = delete;
  FontData& operator=(const FontData&) = delete;
  ~FontData() {
    if (bytes && fromArchive) zip_freeData(bytes, size);
    if (bytes && !fromArchive) pool_free(POOL_FONT, bytes, size);
  }
  bool load(const char* path) {
    bytes = file_readAll(path, POOL_FONT, &size);
    if (bytes) return true;
    fromArchive = true;
    bytes = zip_findMember(kFontArchive, path, &size);
    return bytes != nullptr;
  }
};

// A new font parsed from the data, or null.
Font* parse(const char* name, int32_t size, const uint8_t* data, int32_t length) {
  Font* font = font_new(name, size);
  if (!font) return nullptr;
  FontSizeEntry entry = font_sizeEntry(size);
  font->lineAscent = uint8_t(std::min(entry.ascent, 255));
  font->lineDescent = uint8_t(std::min(entry.descent, 255));
  font->lineGap = uint8_t(std::min(entry.gap, 255));
  if (!pfr_read(font, entry, data, length)) {
    font_free(font);
    return nullptr;
  }
  return font;
}

void addToCache(Font* font) {
  if (!g_cache) g_cache = list_create();
  if (g_cache) list_append(g_cache, font->name, font);
}

bool acceptable(const char* name) { return name && *name && strlen(name) < size_t(kFontNameMax); }

// The steps shared by both ways of opening: system font, then cache, then `load` under the lock.
template <typename Load>
Font* openWith(const char* name, int32_t size, Load load) {
  if (!acceptable(name)) return nullptr;
  size = std::min(size, kFontLargestSize);
  if (Font* system = font_systemFont(size)) return system;
  std::lock_guard lock(g_cacheLock);
  if (Font* cached = findCached(name, size)) {
    // The count saturates: a font held that often stays for good rather than wrap to 0.
    if (cached->referenceCount < kPinnedCount) cached->referenceCount++;
    return cached;
  }
  Font* font = load(size);
  if (font) addToCache(font);
  return font;
}

}  // namespace

Font* font_open(const char* name, int32_t size, const char* /*archive*/) {
  return openWith(name, size, [name](int32_t fontSize) -> Font* {
    FontData data;
    if (!data.load(name) && !data.load(font_sizeEntry(fontSize).file)) return nullptr;
    return parse(name, fontSize, data.bytes, data.size);
  });
}

Font* font_openFromMemory(const char* name, int32_t size, const uint8_t* data, int32_t length) {
  return openWith(name, size, [=](int32_t fontSize) { return parse(name, fontSize, data, length); });
}

void font_release(Font* font) {
  if (!font || font->system) return;
  std::lock_guard lock(g_cacheLock);
  ListNode* node = g_cache ? list_findValue(g_cache, font) : nullptr;
  if (!node) return;
  if (font->referenceCount == kPinnedCount) return;
  if (font->referenceCount > 0) font->referenceCount--;
  if (font->referenceCount > 0) return;
  list_remove(g_cache, node);
  font_free(font);
}

int32_t font_loadSystemFonts() {
  int32_t loaded = 0;
  for (int index : {4, 2, 1}) {  // sizes 36, 24 and 18
    int32_t size = kSystemSizes[index];
    if (g_system[index].load()) {
      loaded++;
      continue;
    }
    Font* font = font_open("default", size, nullptr);
    if (!font) continue;
    font->system = true;
    g_system[index].store(font);
    loaded++;
  }
  return loaded;
}

Font* font_systemFont(int32_t size) {
  int index = systemIndex(size);
  return index < 0 ? nullptr : g_system[index].load();
}

void font_closeAll() {
  std::lock_guard lock(g_cacheLock);
  for (std::atomic<Font*>& slot : g_system) slot.store(nullptr);
  if (!g_cache) return;
  while (ListNode* node = g_cache->first) {
    font_free(static_cast<Font*>(node->value));
    list_remove(g_cache, node);
  }
  list_destroy(g_cache);
  g_cache = nullptr;
}
