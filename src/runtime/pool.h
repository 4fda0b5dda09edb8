#pragma once
// Numbered memory pools. Every block comes from the process heap; the pool id only says whom it is
// charged to. One global limit caps the bytes in use over all pools. Callers name the pool and the
// size both when allocating and when freeing; blocks carry no header.
#include <cstdint>
#include <string>

enum PoolId : int {
  POOL_HEAP = 0,
  POOL_TUNER = 1,
  POOL_TOKEN = 2,
  POOL_DEMUX = 3,
  POOL_SERIAL = 4,
  POOL_LONGINT = 5,
  POOL_SIMAN = 6,
  POOL_SIMAN_EPG = 7,
  POOL_SIMANAGER = 8,
  POOL_BIGINT = 9,
  POOL_ZIPFILE = 10,
  POOL_IFRAME = 11,
  POOL_FAT = 12,
  POOL_FAT32 = 13,
  POOL_FILE = 14,
  POOL_CAROUSEL_FILE = 15,
  POOL_FSMANAGER = 16,
  POOL_LIST = 17,
  POOL_FONT = 18,
  POOL_FONT_TDF = 19,
  POOL_XML = 20,
  POOL_X509 = 21,
  POOL_OC = 22,
  POOL_JTV = 23,
  POOL_ROM = 24,
  POOL_MHP = 25,
  POOL_COMPONENT = 26,
  POOL_APP = 27,
  POOL_GRAPHIC = 28,
  POOL_IMAGE = 29,
  POOL_GIF = 30,
  POOL_JPG = 31,
  POOL_PNG = 32,
  POOL_CRC_PERMANENT = 33,
  POOL_JVM_PERMANENT = 34,
  POOL_JVM_CLASSES = 35,
  POOL_JVM_CLASSES_VERIFY = 36,
  POOL_JVM_FRAME = 37,
  POOL_JVM_THREAD = 38,
  POOL_JVM_OBJECT = 39,
  POOL_JVM_STRING = 40,
  POOL_JVM_CSTRING = 41,
  POOL_JVM_ZIP = 42,
  POOL_CORE_GRAPHICS = 43,
  POOL_CORE_PROCESS = 44,
  POOL_DVR = 45,
  POOL_FTA_APPLICATION = 46,
  POOL_FTA_APPLICATION_ARRAY = 47,
  POOL_FTA_APPLICATION_RESOURCES = 48,
  POOL_FTA_APPLICATION_OBJECT = 49,
  POOL_FTA_APPLICATION_PERMANENT = 50,
  POOL_FTA_APPLICATION_BIDI = 51,
  POOL_FTA_APPLICATION_UPDATE = 52,
  POOL_FTA_APPLICATION_MMI = 53,
  POOL_MHP_EVENT = 54,
  POOL_NAGRA = 55,
  POOL_TELETEXT = 56,
  POOL_MEM_MANAGER = 57,
  POOL_MEMORY_POOL = 58,
};

constexpr int kPoolCount = 64;
constexpr int64_t kPoolLimit = 0x4000000;  // 64 MiB in use at once, over all pools

struct PoolStats {
  int64_t allocCount = 0;
  int64_t freeCount = 0;
  int64_t bytesInUse = 0;
  int64_t bytesTotal = 0;
};

struct PoolTotals : PoolStats {
  int64_t bytesPeak = 0;
};

// Null on failure (bad pool, negative size, limit reached, heap refused); never aborts.
void* pool_alloc(int pool, int32_t size);
void* pool_allocZeroed(int pool, int32_t size);
void pool_free(int pool, void* block, int32_t size);
void* heap_alloc(int32_t size);
void heap_free(void* block, int32_t size);
char* pool_strdup(const char* text);  // in POOL_HEAP, strlen + 1 bytes; free with heap_free

// Starts a pool's counts afresh: allocations, frees and bytes ever allocated go to 0; bytes in use stay,
// since the blocks they count are still alive.
void pool_clearStats(int pool);
const char* pool_name(int pool);  // "" for ids without a name
PoolStats pool_stats(int pool);
PoolTotals pool_totals();
// One line per pool that has ever been used: name, allocations, frees, bytes in use, bytes total;
// then the totals with the peak.
std::string pool_report();
