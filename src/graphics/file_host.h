#pragma once
// Host back end of the file layer: descriptors of files inside the receiver root.
#include <cstdint>

// The host's open flags for receiver flags, or -1 for an impossible access mode.
int fileHost_flags(int32_t receiverFlags);
// A descriptor below kFileHostLimit for a regular file, or -1.
int32_t fileHost_open(const char* path, int32_t flags);
int32_t fileHost_close(int32_t fd);
int32_t fileHost_read(int32_t fd, void* buffer, int32_t length);
int32_t fileHost_write(int32_t fd, const void* data, int32_t length);
int32_t fileHost_seek(int32_t fd, int32_t offset, int32_t origin);
int32_t fileHost_size(const char* path);
