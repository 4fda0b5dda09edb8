#pragma once
// The flash file store: a cluster file system in a memory image that stands for the receiver's flash
// memory, kept in the host file "/mhp/fs_flash" of the receiver root (read at start-up, written back
// when flushed and at shutdown, and only when that file exists).
#include <cstdint>

constexpr const char* kFlashImagePath = "/mhp/fs_flash";
constexpr int32_t kFlashHandles = 256;

// Open flags.
constexpr int32_t kFlashRead = 1;       // an existing file, from its start
constexpr int32_t kFlashCreate = 2;     // anew: an existing file is removed first
constexpr int32_t kFlashAppend = 4;     // open or create, at the end
constexpr int32_t kFlashReadWrite = 8;  // open or create, at the start

// Start-up: sizeKb one of 128..4096 (1024 on this receiver). Reads the image file, formats an erased
// or missing image, removes "/data/romimage.zip" and checks the store. 0, or -1 when the image cannot
// be allocated or the size is not supported; a second call does nothing.
int32_t flash_init(int32_t sizeKb);
void flash_shutdown();
int32_t flash_isStarted();
// Asks the save task to write the image out; with `wait`, returns once it is written. 0 when saving
// is not allowed.
int32_t flash_flush(int32_t wait);
void flash_setSavingAllowed(int32_t allowed);

int32_t flash_open(const char* path, int32_t flags);
int32_t flash_close(int32_t handle);
int32_t flash_read(int32_t handle, void* buffer, int32_t length);
int32_t flash_write(int32_t handle, const void* data, int32_t length);
int32_t flash_seek(int32_t handle, int32_t offset, int32_t origin);
int32_t flash_fileSize(int32_t handle);
int32_t flash_createFile(const char* path);     // 1 made, -1 existed already, 0 failed
int32_t flash_makeDirectory(const char* path);  // 1 made, -1 existed already, 0 failed
int32_t flash_remove(const char* path, int32_t all);
int32_t flash_changeDirectory(const char* path);
int32_t flash_format();
int32_t flash_check();  // 1 repaired, 0 all well, -1 refused while a file is open
int32_t flash_freeBytes();
