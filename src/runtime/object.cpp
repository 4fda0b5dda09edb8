#include "runtime/object.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "runtime/class_table.h"
#include "runtime/pool.h"

namespace {

struct ClassRecord {
  const char* name = nullptr;
  ClassInit init = nullptr;
  ClassDestroy destroy = nullptr;
  ClassId parent = 0;
  std::atomic<bool> registered{false};  // set last, once the fields above are written
  ClassConstruct construct = nullptr;
  int instanceSize = 0;  // bytes `construct` needs
};

// Registration may happen on first use from any task: writers take the registry lock, readers see a
// record only once its `registered` flag is set.
ClassRecord g_classes[kClassSlots];
std::recursive_mutex g_registry;
std::atomic<uint32_t> g_serial{0xFFFF};

bool validId(ClassId id) { return id < kClassSlots; }

void registerObject() {
  ClassRecord& r = g_classes[0];
  if (r.registered.load(std::memory_order_relaxed)) return;
  r.name = Object::kClassName;
  r.init = &Object::classInit;
  r.destroy = nullptr;
  r.parent = 0;
  r.construct = &class_construct<Object>;
  r.instanceSize = sizeof(Object);
  r.registered.store(true, std::memory_order_release);
}

// The record of a registered class, or null.
const ClassRecord* recordOf(ClassId id) {
  return validId(id) && g_classes[id].registered.load(std::memory_order_acquire) ? &g_classes[id] : nullptr;
}

ClassInit initOf(ClassId id) {
  const ClassRecord* r = recordOf(id);
  return r && r->init ? r->init : &Object::classInit;
}

// The class whose C++ type a block of class `id` is built as: the class itself, or its nearest ancestor
// with a type; null for plain Object.
const ClassRecord* builderOf(ClassId id) {
  for (int guard = 0; validId(id) && guard < kClassSlots; ++guard) {
    const ClassRecord* r = recordOf(id);
    if (r && r->construct) return r;
    if (id == 0) break;
    id = r ? r->parent : 0;
  }
  return nullptr;
}

ClassConstruct constructOf(ClassId id) {
  const ClassRecord* builder = builderOf(id);
  return builder ? builder->construct : &class_construct<Object>;
}

uint32_t nextSerial() { return g_serial.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

int Object::classInit(Object* self, void* argument) {
  if (argument) self->serial = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(argument));
  return 1;
}

int class_register(ClassId id, const char* name, ClassInit init, ClassDestroy destroy, ClassRegistration parentOf,
                   ClassConstruct construct, int instanceSize) {
  if (!validId(id)) return 0;
  std::lock_guard registry(g_registry);
  ClassRecord& r = g_classes[id];
  if (r.registered.load(std::memory_order_relaxed)) return 1;
  ClassId parent = 0;
  if (parentOf) {
    parent = parentOf(kNoClass);
    if (!validId(parent)) parent = 0;
  } else {
    registerObject();
  }
  if (id == 0) {
    registerObject();
    return 1;
  }
  r.name = name;
  r.init = init;
  r.destroy = destroy;
  r.parent = parent;
  r.construct = construct;
  r.instanceSize = construct ? instanceSize : 0;
  r.registered.store(true, std::memory_order_release);
  return 1;
}

int class_isRegistered(ClassId id) { return recordOf(id) ? 1 : 0; }

const char* class_name(ClassId id) {
  const ClassRecord* r = recordOf(id);
  return r && r->name ? r->name : "";
}

ClassId class_parent(ClassId id) {
  const ClassRecord* r = recordOf(id);
  return r ? r->parent : 0;
}

ClassId class_registerById(ClassId id) {
  const ClassTableEntry* entry = class_tableEntry(id);
  if (!entry) return kNoClass;
  std::lock_guard registry(g_registry);
  if (id == 0) {
    registerObject();
    return 0;
  }
  if (!class_isRegistered(entry->parent) && class_registerById(entry->parent) == kNoClass) return kNoClass;
  ClassRecord& r = g_classes[id];
  if (!r.registered.load(std::memory_order_relaxed)) {
    r.name = entry->name;
    r.parent = entry->parent;
    r.registered.store(true, std::memory_order_release);
  }
  return id;
}

Object* object_new(int size, ClassId classId, void* argument) {
  if (!validId(classId)) return nullptr;
  // The block must hold the C++ object; the caller passes the full size of the most derived class.
  const ClassRecord* builder = builderOf(classId);
  int needed = builder ? builder->instanceSize : static_cast<int>(sizeof(Object));
  if (size < needed || size <= 0 || size >= 0x10000) return nullptr;
  void* block = pool_allocZeroed(POOL_FTA_APPLICATION_OBJECT, size);
  if (!block) return nullptr;
  Object* object = (builder ? builder->construct : &class_construct<Object>)(block);
  object->classId = classId;
  object->size = static_cast<uint16_t>(size);
  object->serial = nextSerial();
  if (!initOf(classId)(object, argument)) {
    object_delete(object);
    return nullptr;
  }
  return object;
}

int object_initInPlace(void* memory, void* argument, ClassId classId) {
  if (!memory || !validId(classId)) return 0;
  Object* object = constructOf(classId)(memory);
  object->classId = classId;
  object->serial = nextSerial();
  return initOf(classId)(object, argument);
}

int object_initAsParent(Object* object, void* argument, ClassId classId) {
  if (!object || !validId(classId)) return 0;
  ClassId parent = class_parent(classId);
  if (parent == classId) return Object::classInit(object, argument);
  return initOf(parent)(object, argument);
}

int object_initAs(ClassId classId, Object* object, void* argument) {
  if (!object) return 0;
  return initOf(classId)(object, argument);
}

void object_finalize(Object* object) {
  if (!object || object->classId == kNoClass) return;
  ClassId id = object->classId;
  for (int guard = 0; validId(id) && guard < kClassSlots; ++guard) {
    const ClassRecord* r = recordOf(id);
    if (r && r->destroy) r->destroy(object);
    if (id == 0) break;
    id = r ? r->parent : 0;
  }
  // End the C++ object's life and leave a dead Object behind, keeping the block's size.
  uint16_t size = object->size;
  uint32_t serial = object->serial;
  object->~Object();
  Object* dead = ::new (static_cast<void*>(object)) Object();
  dead->classId = kNoClass;
  dead->size = size;
  dead->serial = serial;
}

int object_delete(Object* object) {
  if (!object) return 0;
  object_finalize(object);
  uint16_t size = object->size;
  object->~Object();
  pool_free(POOL_FTA_APPLICATION_OBJECT, object, size);
  return 1;
}

int object_isA(const Object* object, ClassId c) {
  if (!object) return 0;
  if (c == 0) return 1;
  ClassId k = object->classId;
  const Object* target = object;
  if (k == Reference::kClassId) {
    target = static_cast<const Reference*>(object)->target;
    if (!target) return 0;
    k = target->classId;
  }
  if (k == c) return 1;
  if (k != Reference::kClassId) {
    for (int guard = 0; validId(k) && guard < kClassSlots; ++guard) {
      ClassId parent = class_parent(k);
      if (parent == k) return c == 0 ? 1 : 0;
      if (k == c) return 1;
      k = parent;
    }
    return c == 0 ? 1 : 0;
  }
  // A reference whose target is itself a reference.
  const Object* inner = static_cast<const Reference*>(target)->target;
  if (!inner) return 0;
  if (inner->classId == c) return 1;
  return c == Reference::kClassId ? 1 : 0;
}

const ClassTableEntry* class_tableEntry(uint16_t id) {
  // The table is sorted by id.
  int lo = 0, hi = kClassTableSize - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    if (kClassTable[mid].id == id) return &kClassTable[mid];
    if (kClassTable[mid].id < id)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return nullptr;
}

uint16_t class_tableId(const char* name) {
  if (!name) return kNoClass;
  for (int i = 0; i < kClassTableSize; ++i)
    if (std::strcmp(kClassTable[i].name, name) == 0) return kClassTable[i].id;
  return kNoClass;
}
