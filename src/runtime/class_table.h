#pragma once
// The fixed class ids of the system, with their names and parents.
#include <cstdint>

struct ClassTableEntry {
  uint16_t id;
  const char* name;
  uint16_t parent;
};

extern const ClassTableEntry kClassTable[];
extern const int kClassTableSize;

// The entry for `id`, or null when the id names no class.
const ClassTableEntry* class_tableEntry(uint16_t id);
// The id of the class named `name`, or 0xFFFF.
uint16_t class_tableId(const char* name);
