#include "store/containers/map.h"

#include <cstring>

#include "runtime/pool.h"
#include "store/containers/filter.h"
#include "store/containers/key_cells.h"

namespace {

MapNode* nil(Map* m) { return &m->sentinel; }

MapNode* leftmost(Map* m, MapNode* n) {
  while (n->left != nil(m)) n = n->left;
  return n;
}

MapNode* rightmost(Map* m, MapNode* n) {
  while (n->right != nil(m)) n = n->right;
  return n;
}

MapNode* successor(Map* m, MapNode* n) {
  if (n->right != nil(m)) return leftmost(m, n->right);
  MapNode* p = n->parent;
  while (p != nil(m) && n == p->right) n = p, p = p->parent;
  return p;
}

MapNode* predecessor(Map* m, MapNode* n) {
  if (n->left != nil(m)) return rightmost(m, n->left);
  MapNode* p = n->parent;
  while (p != nil(m) && n == p->left) n = p, p = p->parent;
  return p;
}

MapNode* outward(Map* m, MapNode* n) { return n == nil(m) ? nullptr : n; }

void rotateLeft(Map* m, MapNode* x) {
  MapNode* y = x->right;
  x->right = y->left;
  if (y->left != nil(m)) y->left->parent = x;
  y->parent = x->parent;
  if (x->parent == nil(m))
    m->root = y;
  else if (x == x->parent->left)
    x->parent->left = y;
  else
    x->parent->right = y;
  y->left = x;
  x->parent = y;
}

void rotateRight(Map* m, MapNode* x) {
  MapNode* y = x->left;
  x->left = y->right;
  if (y->right != nil(m)) y->right->parent = x;
  y->parent = x->parent;
  if (x->parent == nil(m))
    m->root = y;
  else if (x == x->parent->right)
    x->parent->right = y;
  else
    x->parent->left = y;
  y->right = x;
  x->parent = y;
}

void insertFixup(Map* m, MapNode* z) {
  while (z->parent->colour == kMapRed) {
    MapNode* grand = z->parent->parent;
    if (z->parent == grand->left) {
      MapNode* uncle = grand->right;
      if (uncle->colour == kMapRed) {
        z->parent->colour = uncle->colour = kMapBlack;
        grand->colour = kMapRed;
        z = grand;
        continue;
      }
      if (z == z->parent->right) z = z->parent, rotateLeft(m, z);
      z->parent->colour = kMapBlack;
      grand->colour = kMapRed;
      rotateRight(m, grand);
    } else {
      MapNode* uncle = grand->left;
      if (uncle->colour == kMapRed) {
        z->parent->colour = uncle->colour = kMapBlack;
        grand->colour = kMapRed;
        z = grand;
        continue;
      }
      if (z == z->parent->left) z = z->parent, rotateRight(m, z);
      z->parent->colour = kMapBlack;
      grand->colour = kMapRed;
      rotateLeft(m, grand);
    }
  }
  m->root->colour = kMapBlack;
}

void removeFixup(Map* m, MapNode* x) {
  while (x != m->root && x->colour == kMapBlack) {
    if (x == x->parent->left) {
      MapNode* w = x->parent->right;
      if (w->colour == kMapRed) {
        w->colour = kMapBlack;
        x->parent->colour = kMapRed;
        rotateLeft(m, x->parent);
        w = x->parent->right;
      }
      if (w->left->colour == kMapBlack && w->right->colour == kMapBlack) {
        w->colour = kMapRed;
        x = x->parent;
        continue;
      }
      if (w->right->colour == kMapBlack) {
        w->left->colour = kMapBlack;
        w->colour = kMapRed;
        rotateRight(m, w);
        w = x->parent->right;
      }
      w->colour = x->parent->colour;
      x->parent->colour = kMapBlack;
      w->right->colour = kMapBlack;
      rotateLeft(m, x->parent);
    } else {
      MapNode* w = x->parent->left;
      if (w->colour == kMapRed) {
        w->colour = kMapBlack;
        x->parent->colour = kMapRed;
        rotateRight(m, x->parent);
        w = x->parent->left;
      }
      if (w->left->colour == kMapBlack && w->right->colour == kMapBlack) {
        w->colour = kMapRed;
        x = x->parent;
        continue;
      }
      if (w->left->colour == kMapBlack) {
        w->right->colour = kMapBlack;
        w->colour = kMapRed;
        rotateLeft(m, w);
        w = x->parent->left;
      }
      w->colour = x->parent->colour;
      x->parent->colour = kMapBlack;
      w->left->colour = kMapBlack;
      rotateRight(m, x->parent);
    }
    x = m->root;
  }
  x->colour = kMapBlack;
}

// Integer keys are by far the most common: their maps compare with the integer cached in each node,
// inlined into the walks. Every other map goes through its comparison function.
struct IntOrder {
  int32_t probe;
  int compare(const MapNode* n) const { return (probe > n->intKey) - (probe < n->intKey); }
};
struct CustomOrder {
  MapCompare f;
  const void* key;
  int compare(const MapNode* n) const { return f(key, n->key); }
};

bool intKeys(const Map* m) { return m->compare == &mapCompareInt; }

template <class Order>
MapNode* findWith(Map* m, Order order) {
  MapNode* n = m->root;
  while (n != nil(m)) {
    int c = order.compare(n);
    if (c == 0) return n;
    n = c < 0 ? n->left : n->right;
  }
  return nullptr;
}

// The parent a new key hangs from and on which side; null when an equal key exists.
template <class Order>
MapNode* placeWith(Map* m, Order order, bool* left) {
  MapNode* parent = nil(m);
  MapNode* n = m->root;
  *left = false;
  while (n != nil(m)) {
    int c = order.compare(n);
    if (c == 0) return nullptr;
    parent = n;
    *left = c < 0;
    n = *left ? n->left : n->right;
  }
  return parent;
}

// Frees every node, after detaching the tree, so that a value's destruction finds the map empty.
template <class Each>
void freeAll(Map* m, Each each) {
  MapNode* n = m->root;
  m->root = nil(m);
  m->count = 0;
  for (MapWalk* w = m->walks; w; w = w->outer) w->pending = nullptr;
  while (n != nil(m)) {
    if (n->left != nil(m)) {
      n = n->left;
    } else if (n->right != nil(m)) {
      n = n->right;
    } else {
      MapNode* p = n->parent;
      if (p != nil(m)) (p->left == n ? p->left : p->right) = nil(m);
      each(n);
      pool_free(POOL_FTA_APPLICATION, n, sizeof(MapNode));
      n = p;
    }
  }
}

}  // namespace

int mapCompareInt(const void* a, const void* b) {
  if (!a || !b) return (a != nullptr) - (b != nullptr);
  int32_t x = *static_cast<const int32_t*>(a);
  int32_t y = *static_cast<const int32_t*>(b);
  return (x > y) - (x < y);
}

int mapCompareString(const void* a, const void* b) {
  if (!a || !b) return (a != nullptr) - (b != nullptr);
  int c = std::strcmp(static_cast<const char*>(a), static_cast<const char*>(b));  // unsigned bytes
  return (c > 0) - (c < 0);
}

int Map::classInit(Object* self, void* argument) {
  auto* compare = static_cast<const MapCompare*>(argument);
  if (!compare || !*compare) return 0;
  if (!object_initAsParent(self, nullptr, kClassId)) return 0;
  auto* m = static_cast<Map*>(self);
  m->sentinel = MapNode{nil(m), nil(m), nil(m), kMapBlack, 0, nullptr, nullptr};
  m->root = nil(m);
  m->compare = *compare;
  return 1;
}

void Map::classDestroy(Object* self) {
  auto* m = static_cast<Map*>(self);
  if (m->root) freeAll(m, [](MapNode*) {});
}

Map* mapNew(MapCompare compare) { return object_create<Map>(&compare); }

int mapCount(const Map* map) { return map ? map->count : 0; }

int mapInsert(Map* map, void* key, void* value) {
  if (!map) return 2;
  bool left = false;
  int32_t intKey = 0;
  MapNode* parent;
  if (intKeys(map)) {
    if (!key) return 2;
    intKey = *static_cast<const int32_t*>(key);
    parent = placeWith(map, IntOrder{intKey}, &left);
  } else {
    parent = placeWith(map, CustomOrder{map->compare, key}, &left);
  }
  if (!parent) return 2;
  auto* z = static_cast<MapNode*>(pool_alloc(POOL_FTA_APPLICATION, sizeof(MapNode)));
  if (!z) return 1;
  *z = MapNode{nil(map), nil(map), parent, kMapRed, intKey, key, value};
  if (parent == nil(map))
    map->root = z;
  else
    (left ? parent->left : parent->right) = z;
  insertFixup(map, z);
  ++map->count;
  return 0;
}

MapNode* mapFind(Map* map, const void* key) {
  if (!map) return nullptr;
  if (!intKeys(map)) return findWith(map, CustomOrder{map->compare, key});
  return key ? findWith(map, IntOrder{*static_cast<const int32_t*>(key)}) : nullptr;
}

int mapEntry(Map* map, MapNode* node, void** key, void** value) {
  if (key) *key = nullptr;
  if (value) *value = nullptr;
  if (!map || !node) return 2;
  if (key) *key = node->key;
  if (value) *value = node->value;
  return 0;
}

int mapRemove(Map* map, MapNode* z) {
  if (!map || !z || z == nil(map) || map->count <= 0) return 2;
  // y is the node that leaves the tree: z itself, or z's successor whose entry moves into z.
  MapNode* y = z->left == nil(map) || z->right == nil(map) ? z : leftmost(map, z->right);
  if (y == z) {
    MapNode* next = nullptr;
    for (MapWalk* w = map->walks; w; w = w->outer) {
      if (w->pending != z) continue;
      if (!next) next = outward(map, successor(map, z));
      w->pending = next;
    }
  }
  MapNode* x = y->left != nil(map) ? y->left : y->right;
  x->parent = y->parent;  // may write the sentinel's parent: the fix-up reads it
  if (y->parent == nil(map))
    map->root = x;
  else if (y == y->parent->left)
    y->parent->left = x;
  else
    y->parent->right = x;
  if (y != z) {
    z->intKey = y->intKey;
    z->key = y->key;
    z->value = y->value;
    for (MapWalk* w = map->walks; w; w = w->outer)
      if (w->pending == y) w->pending = z;
  }
  if (y->colour == kMapBlack) removeFixup(map, x);
  nil(map)->parent = nil(map);
  pool_free(POOL_FTA_APPLICATION, y, sizeof(MapNode));
  --map->count;
  return 0;
}

int mapRemoveFreeKey(Map* map, MapNode* node) {
  if (!map || !node) return 2;
  void* key = node->key;  // a removal may copy another entry into the node
  int result = mapRemove(map, node);
  // Keys are key cells or 4-byte blocks; the cell store tells them apart.
  if (result == 0) keyCellRelease(key);
  return result;
}

MapNode* mapFirst(Map* map) { return map && map->root != nil(map) ? leftmost(map, map->root) : nullptr; }

MapNode* mapLast(Map* map) { return map && map->root != nil(map) ? rightmost(map, map->root) : nullptr; }

MapNode* mapNext(Map* map, MapNode* node) {
  return map && node && node != nil(map) ? outward(map, successor(map, node)) : nullptr;
}

MapNode* mapPrev(Map* map, MapNode* node) {
  return map && node && node != nil(map) ? outward(map, predecessor(map, node)) : nullptr;
}

MapNode* mapFindNext(Map* map, MapNode* node, Filter* filter) {
  for (MapNode* n = node ? mapNext(map, node) : mapFirst(map); n; n = mapNext(map, n))
    if (filterTest(filter, n->value) == 0) return n;
  return nullptr;
}

MapNode* mapFindPrev(Map* map, MapNode* node, Filter* filter) {
  for (MapNode* n = node ? mapPrev(map, node) : mapLast(map); n; n = mapPrev(map, n))
    if (filterTest(filter, n->value) == 0) return n;
  return nullptr;
}

bool mapContains(Map* map, MapNode* node) {
  if (!node) return false;
  for (MapNode* n = mapFirst(map); n; n = mapNext(map, n))
    if (n == node) return true;
  return false;
}

int mapForEach(Map* map, MapEach fn, void* user) {
  if (!map || !fn) return 1;
  // The walk's next node is registered with the map: a removal that frees it, or moves its entry,
  // moves the walk along with it, so fn may remove anything.
  MapWalk walk{mapFirst(map), map->walks};
  map->walks = &walk;
  int result = 0;
  while (MapNode* n = walk.pending) {
    walk.pending = mapNext(map, n);
    if (fn(n->key, n->value, user) != 0) {
      result = 2;
      break;
    }
  }
  MapWalk** link = &map->walks;
  while (*link != &walk) link = &(*link)->outer;
  *link = walk.outer;
  return result;
}

int mapClear(Map* map) {
  if (!map) return 2;
  freeAll(map, [](MapNode*) {});
  return 0;
}

int mapClearFreeKeys(Map* map) {
  if (!map) return 2;
  freeAll(map, [](MapNode* n) { keyCellRelease(n->key); });
  return 0;
}

int mapClearDestroy(Map* map) {
  if (!map) return 2;
  freeAll(map, [](MapNode* n) {
    object_delete(static_cast<Object*>(n->value));
    keyCellRelease(n->key);
  });
  return 0;
}
