#pragma once
// The file layer: one kind of handle for host files inside the receiver root, members of the
// application archive store and files of a broadcast object carousel. The range of a handle tells
// its back end; -1 is failure. Paths are receiver paths ('/' or '\' separators), mapped into the
// receiver root by host_mapPath; nothing outside the root is ever opened.
#include <cstdint>

// Open flags, in the receiver's C-library values (they are translated to the host's own).
constexpr int32_t kFileReadOnly = 0x0000;
constexpr int32_t kFileWriteOnly = 0x0001;
constexpr int32_t kFileReadWrite = 0x0002;
constexpr int32_t kFileAppend = 0x0008;
constexpr int32_t kFileCreate = 0x0100;
constexpr int32_t kFileTruncate = 0x0200;
constexpr int32_t kFileExclusive = 0x0400;
constexpr int32_t kFileText = 0x4000;
constexpr int32_t kFileBinary = 0x8000;  // the usual value: binary, read only

// Handle ranges.
constexpr int32_t kFileHostLimit = 1024;     // 0..1023: host files
constexpr int32_t kFileArchiveFirst = 1024;  // 1024..1055: application archive store
constexpr int32_t kFileArchiveCount = 32;
constexpr int32_t kFileCarouselFirst = 1056;  // 1056..1183: object carousel files
constexpr int32_t kFileCarouselCount = 128;

// Seek origins.
constexpr int32_t kFileSeekSet = 0;
constexpr int32_t kFileSeekCurrent = 1;
constexpr int32_t kFileSeekEnd = 2;

// Results of file_kind.
constexpr int32_t kFileKindNone = 0;
constexpr int32_t kFileKindFile = 1;
constexpr int32_t kFileKindDirectory = 2;

// A broadcast object carousel. Nothing acquires carousels in this system, so every carousel lookup
// fails; the parameter exists so callers can name one.
struct ObjectCarousel;

// Tries the host file (created with owner read and write permission when the flags ask for it), then
// the archive store (leading '/' removed), then `carousel` when one is given. Handle or -1.
int32_t file_open(const char* path, int32_t flags, ObjectCarousel* carousel);
int32_t file_close(int32_t handle);  // 0 or -1
// Bytes read, 0 at the end, -1 on error.
int32_t file_read(int32_t handle, void* buffer, int32_t length);
// Bytes written; host files only, -1 for the others.
int32_t file_write(int32_t handle, const void* data, int32_t length);
// The new position, or -1.
int32_t file_seek(int32_t handle, int32_t offset, int32_t origin);
// The size in bytes of the file that file_open would open, or -1.
int32_t file_size(const char* path, ObjectCarousel* carousel);
// Reads byte by byte up to and including a newline, or capacity - 1 bytes; always terminates the
// buffer (capacity >= 1). 1 if anything was read, else 0.
int32_t file_readLine(int32_t handle, char* buffer, int32_t capacity);
// Host only; 1 on success, 0 on failure.
int32_t file_remove(const char* path);
int32_t file_makeDirectory(const char* path);
int32_t file_removeDirectory(const char* path);
// kFileKindNone when the host path does not exist, kFileKindDirectory, or kFileKindFile.
int32_t file_kind(const char* path);

// Reads the whole file into a new block of `pool`; *size receives its length. Null (and *size 0)
// when the file is missing, unreadable or too large for the pools. Free with pool_free(pool, p, *size).
uint8_t* file_readAll(const char* path, int32_t pool, int32_t* size);
// Replaces the host file `path` with `data`: written to a temporary file beside it, synced and
// renamed over the old one, so a failure never leaves a half-written file. 1 on success, 0 on failure.
int32_t file_writeAll(const char* path, const void* data, int32_t size);
