#pragma once
// The class registry and object model.
//
// Every class has a fixed id (0..270), a name, an init, a destroy and a parent. Objects are C++
// objects deriving from Object; overridable operations are virtual functions. The registry builds
// objects in pool POOL_FTA_APPLICATION_OBJECT: it constructs the most derived C++ class in the block
// (through the class's `construct`), writes the header and runs the init chain, root class first.
// Destruction runs the destroy chain from the most derived class to the root, then the C++
// destructor, and leaves a dead Object (class id 0xFFFF) in the block so that a second destruction
// does nothing.
//
// A C++ class joins the registry with ORB_CLASS and class_registerType<C>():
//
//   class Dialog : public WidgetContainer {
//    public:
//     ORB_CLASS(Dialog, 35, WidgetContainer)
//     static int classInit(Object* self, void* argument);  // calls object_initAsParent first
//     static void classDestroy(Object* self);              // releases what classInit acquired
//   };
//
// A class that declares no classInit or classDestroy of its own inherits its parent's init and has
// no destroy of its own.
#include <cstdint>
#include <new>

using ClassId = uint16_t;
constexpr ClassId kNoClass = 0xFFFF;
constexpr int kClassSlots = 271;

class Object;
using ClassInit = int (*)(Object* object, void* argument);
using ClassDestroy = void (*)(Object* object);
using ClassConstruct = Object* (*)(void* memory);
using ClassRegistration = ClassId (*)(ClassId);

#define ORB_CLASS(Name, Id, ParentType)     \
  using Parent = ParentType;                \
  static constexpr ClassId kClassId = (Id); \
  static constexpr const char* kClassName = #Name;

class Object {
 public:
  static constexpr ClassId kClassId = 0;
  static constexpr const char* kClassName = "Object";

  ClassId classId = kNoClass;
  uint16_t size = 0;
  uint32_t serial = 0;

  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() = default;

  // Stores a non-null argument in the serial word.
  static int classInit(Object* self, void* argument);
  static void classDestroy(Object*) {}
};

// Registers a class. 0 for id 0xFFFF (or an id outside the table), 1 otherwise; an already registered
// slot is left as it is. `parentOf` is the parent's registration operation (called with 0xFFFF, it
// returns the parent's id); without it the parent is Object, registered on demand. `construct` builds
// the C++ object in raw memory, which must hold at least `instanceSize` bytes; classes without one use
// their nearest ancestor's.
int class_register(ClassId id, const char* name, ClassInit init, ClassDestroy destroy, ClassRegistration parentOf,
                   ClassConstruct construct = nullptr, int instanceSize = 0);
int class_isRegistered(ClassId id);
const char* class_name(ClassId id);  // "" for 0xFFFF and unnamed slots
ClassId class_parent(ClassId id);
// Registers a class of the fixed table by id, parents first, with no operations of its own: used for
// classes that have no C++ type. Returns the id, or 0xFFFF for an unknown id.
ClassId class_registerById(ClassId id);

// Null when `size` is too small for the C++ type the class is built as.
Object* object_new(int size, ClassId classId, void* argument);
int object_initInPlace(void* memory, void* argument, ClassId classId);
int object_initAsParent(Object* object, void* argument, ClassId classId);
int object_initAs(ClassId classId, Object* object, void* argument);
void object_finalize(Object* object);
int object_delete(Object* object);
int object_isA(const Object* object, ClassId classId);

// The counted handle. References made from one object (or from each other) share one count; the last
// one to go destroys the target.
class Reference : public Object {
 public:
  ORB_CLASS(Reference, 1, Object)
  Object* target = nullptr;
  int32_t* count = nullptr;

  static int classInit(Object* self, void* source);
  static void classDestroy(Object* self);
};

Reference* reference_new(Object* target);
void reference_release(Reference* reference);
Object* reference_detach(Reference* reference);
int reference_freeCells();  // count cells of the 8192-cell store not in use

// --- C++ class support ---

template <class C>
Object* class_construct(void* memory) {
  return ::new (memory) C();
}

template <class C>
ClassId class_registerType(ClassId = kNoClass) {
  using P = typename C::Parent;
  static_assert(sizeof(C) < 0x10000, "objects must be smaller than 64 KiB");
  ClassRegistration parentOf = nullptr;
  if constexpr (P::kClassId != 0) parentOf = &class_registerType<P>;
  ClassInit init = C::classInit;
  ClassDestroy destroy = C::classDestroy == P::classDestroy ? nullptr : C::classDestroy;
  return class_register(C::kClassId, C::kClassName, init, destroy, parentOf, &class_construct<C>, sizeof(C))
             ? C::kClassId
             : kNoClass;
}

// Creates a C++ class through the registry, registering it on first use.
template <class C>
C* object_create(void* argument = nullptr) {
  if (!class_isRegistered(C::kClassId)) class_registerType<C>();
  return static_cast<C*>(object_new(sizeof(C), C::kClassId, argument));
}
