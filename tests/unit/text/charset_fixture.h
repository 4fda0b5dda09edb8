#pragma once
// Test support: the character tables from the loose files that make_charset_fixtures.py writes.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/text/charset_tables.h"

inline int32_t fixtureTableLoader(const char* member, void* dst, int32_t capacity) {
  const char* slash = std::strrchr(member, '/');
  std::string path = std::string(TEXT_FIXTURE_DIR) + "/" + (slash ? slash + 1 : member);
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  std::fseek(f, 0, SEEK_END);
  auto size = static_cast<int32_t>(std::ftell(f));
  std::fseek(f, 0, SEEK_SET);
  if (size == capacity && std::fread(dst, 1, static_cast<size_t>(size), f) != static_cast<size_t>(size)) size = -1;
  std::fclose(f);
  return size;
}

// Registers the fixture tables for the lifetime of a test suite.
inline void useFixtureTables() {
  charset_unloadTables();
  charset_setTableLoader(fixtureTableLoader);
}
