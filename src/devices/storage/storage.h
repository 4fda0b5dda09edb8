#pragma once
// The mass-storage layer: the hard disk ("hdd"), USB store ("usb") and SD card ("sd"), each a folder
// of the receiver root reached through the file layer. Operations that take a name select the volume
// whose short name occurs in it, trying "hdd", then "usb", then "sd".
#include <cstdint>

constexpr int32_t kStorageMaxTransfer = 2097152;  // a single read or write moves at most 2 MiB
constexpr int32_t kStorageFreeMegabytes = 2046;
constexpr int32_t kStorageDiskMegabytes = 20480;

// Open modes.
constexpr int32_t kStorageRead = 1;
constexpr int32_t kStorageWrite = 2;      // create, truncate
constexpr int32_t kStorageAppend = 4;     // the file must exist
constexpr int32_t kStorageAppendNew = 8;  // also 16 and 32: create, append

int32_t storage_init();
// First call only: takes the mass-storage lock for good (every later file operation of this layer
// waits for ever), allows flash saving and unmounts the hard disk.
void storage_shutdown();

int32_t storage_isPresent(const char* name);
int32_t storage_isMounted(const char* name);
int32_t storage_freeSpace(const char* name, int32_t* freeMegabytes, int32_t* totalMegabytes);
int32_t storage_freeMegabytes(const char* name);
int32_t storage_diskSize();

int32_t storage_open(const char* path, int32_t mode);
int32_t storage_close(int32_t handle);
int32_t storage_read(int32_t handle, void* buffer, int32_t length);
int32_t storage_readBefore(int32_t handle, void* buffer, int32_t length);
int32_t storage_write(int32_t handle, const void* data, int32_t length);
int32_t storage_seek(int32_t handle, int64_t offset, int32_t origin);
int64_t storage_fileSize(const char* path);
int32_t storage_remove(const char* path);           // 0 done, -1 failed
int32_t storage_makeDirectory(const char* path);    // 1 done, 0 failed
int32_t storage_removeDirectory(const char* path);  // 1 done, 0 failed

// Moves and copies go in pieces, so files of any size arrive whole. A move needs paths with the same
// first three characters and removes the source only once the whole target is written; a copy never
// removes its source, and reports progress (total, done) a pause apart. -1 when anything failed (an
// incomplete target is removed).
int32_t storage_move(const char* source, const char* target);
using StorageProgress = void (*)(int64_t total, int64_t done);
int32_t storage_copy(const char* source, const char* target, StorageProgress progress);

int32_t storage_format(const char* volume, int32_t options);
int32_t storage_waitReady(const char* volume);
void storage_lock();
void storage_unlock();

// For tests and the simulator's controls: the present and mounted flags of a volume ("hdd", "usb",
// "sd"), and the pause between progress reports of a copy (1000 ms on the receiver).
void storage_setPresent(const char* volume, int32_t present);
void storage_setMounted(const char* volume, int32_t mounted);
void storage_setCopyPauseMs(int32_t ms);
