#include "graphics/file.h"

#include "graphics/file_host.h"

namespace {

enum class Backend { None, Host, Archive, Carousel };

Backend backendOf(int32_t handle) {
  if (handle < 0) return Backend::None;
  if (handle < kFileHostLimit) return Backend::Host;
  if (handle < kFileArchiveFirst + kFileArchiveCount) return Backend::Archive;
  if (handle >= kFileCarouselFirst && handle < kFileCarouselFirst + kFileCarouselCount) return Backend::Carousel;
  return Backend::None;
}

// The application archive store (looked up by the path without its leading '/'): nothing loads it in
// this system, so no member is ever open.
int32_t archiveOpen(const char*) { return -1; }

// Object carousels: nothing acquires one in this system, so no carousel file is ever open.
int32_t carouselOpen(const char*, ObjectCarousel*) { return -1; }

}  // namespace

int32_t file_open(const char* path, int32_t flags, ObjectCarousel* carousel) {
  if (!path) return -1;
  int32_t handle = fileHost_open(path, flags);
  if (handle < 0) handle = archiveOpen(path);
  if (handle < 0 && carousel) handle = carouselOpen(path, carousel);
  return handle;
}

int32_t file_close(int32_t handle) { return backendOf(handle) == Backend::Host ? fileHost_close(handle) : -1; }

int32_t file_read(int32_t handle, void* buffer, int32_t length) {
  return backendOf(handle) == Backend::Host ? fileHost_read(handle, buffer, length) : -1;
}

int32_t file_write(int32_t handle, const void* data, int32_t length) {
  return backendOf(handle) == Backend::Host ? fileHost_write(handle, data, length) : -1;
}

int32_t file_seek(int32_t handle, int32_t offset, int32_t origin) {
  return backendOf(handle) == Backend::Host ? fileHost_seek(handle, offset, origin) : -1;
}

int32_t file_size(const char* path, ObjectCarousel*) {
  // Neither the archive store nor a carousel ever holds a file here, so only the host can answer.
  return fileHost_size(path);
}

int32_t file_readLine(int32_t handle, char* buffer, int32_t capacity) {
  if (!buffer || capacity < 1) return 0;
  int32_t count = 0;
  char c;
  while (count < capacity - 1 && file_read(handle, &c, 1) == 1) {
    buffer[count++] = c;
    if (c == '\n') break;
  }
  buffer[count] = '\0';
  return count > 0 ? 1 : 0;
}
