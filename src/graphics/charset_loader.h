#pragma once
// Reads the character tables of the text module from the resource archive "data/resources.zip": its
// first member is an archive of its own, in which the table is the member whose name is exactly the
// requested one and whose size is not zero.
#include <cstdint>

constexpr const char* kCharsetArchive = "data/resources.zip";

// A CharsetTableLoader (runtime/text/charset_tables.h) over kCharsetArchive.
int32_t charset_loadFromResources(const char* member, void* dst, int32_t capacity);
// Registers charset_loadFromResources as the text module's table loader.
void charset_useResourceArchive();
