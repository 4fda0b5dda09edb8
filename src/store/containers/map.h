#pragma once
// `Map`: an ordered map from pointer-sized keys to pointer-sized values, held as a red-black tree
// whose leaves and root parent are one sentinel node inside the map object. Keys are usually
// pointers to a boxed 32-bit integer (a key cell) or to a zero-terminated byte string; the map
// compares them through the function it was made with. Nodes are charged to pool
// POOL_FTA_APPLICATION. Result codes as for lists: 0 done, 1 out of memory, 2 bad argument, not found
// or key already present. Maps are not locked: a map shared between tasks is guarded by its owner.
#include <cstdint>

#include "runtime/object.h"

class Filter;

struct MapNode {
  MapNode* left;
  MapNode* right;
  MapNode* parent;
  int32_t colour;  // kMapRed or kMapBlack
  int32_t intKey;  // in maps ordered by mapCompareInt: the key's integer, so searches need not load it
  void* key;
  void* value;
};

constexpr int32_t kMapBlack = 0;
constexpr int32_t kMapRed = 1;

// Negative, zero or positive as key a sorts before, with or after key b.
using MapCompare = int (*)(const void* a, const void* b);
using MapEach = int (*)(void* key, void* value, void* user);

// A mapForEach in progress; removals move its next node along (see mapForEach).
struct MapWalk {
  MapNode* pending;
  MapWalk* outer;
};

class Map : public Object {
 public:
  ORB_CLASS(Map, 5, Object)
  // The argument points to the MapCompare; a map without one is refused.
  static int classInit(Object* self, void* argument);
  static void classDestroy(Object* self);  // frees the nodes; keys and values are untouched

  int32_t count = 0;
  MapNode* root = nullptr;  // the sentinel when empty
  MapNode sentinel{};
  MapCompare compare = nullptr;
  MapWalk* walks = nullptr;
};

// The two key comparisons in use. Both order a null key before any other.
int mapCompareInt(const void* a, const void* b);     // *(int32_t*): three-way, never overflows
int mapCompareString(const void* a, const void* b);  // byte strings: unsigned bytes, shorter first

Map* mapNew(MapCompare compare);
int mapCount(const Map* map);

// 2 and no change when an equal key is present. A map ordered by mapCompareInt refuses a null key
// (2); the key's integer must not change while the key is in the map.
int mapInsert(Map* map, void* key, void* value);
MapNode* mapFind(Map* map, const void* key);
int mapEntry(Map* map, MapNode* node, void** key, void** value);  // none gives null key and value, 2
// Removes an entry. A node with two children takes its successor's entry and the successor's node is
// freed instead: a handle on the successor is then no longer valid, the removed handle holds the
// successor's entry. Key and value are untouched.
int mapRemove(Map* map, MapNode* node);
int mapRemoveFreeKey(Map* map, MapNode* node);  // also releases the key (`keyCellRelease`)
MapNode* mapFirst(Map* map);
MapNode* mapLast(Map* map);
MapNode* mapNext(Map* map, MapNode* node);
MapNode* mapPrev(Map* map, MapNode* node);
// The next (previous) node whose value passes the filter; none starts from the first (last) node.
MapNode* mapFindNext(Map* map, MapNode* node, Filter* filter);
MapNode* mapFindPrev(Map* map, MapNode* node, Filter* filter);
bool mapContains(Map* map, MapNode* node);
// fn(key, value, user) in key order: 2 as soon as fn returns non-zero, 0 at the end, 1 without map or
// function. fn may remove any entries, the one it was given included; every entry present from
// start to end is visited once.
int mapForEach(Map* map, MapEach fn, void* user);
int mapClear(Map* map);          // frees the nodes
int mapClearFreeKeys(Map* map);  // and releases each key as a key cell
int mapClearDestroy(Map* map);   // and destroys each value as an object
