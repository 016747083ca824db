// A problem's map from object id (variable, constraint or set) to its index
// in the library problem: an open-addressing hash table of 64-bit ids and
// 32-bit indices, 12 bytes a slot (id and index side by side, so that a
// lookup touches one cache line), instead of a dictionary with two Python
// ints an entry. It lives in a small Python object so that problems can
// share it (callback problems) or copy it like their other members; the
// objects it refers to are kept alive by the problem's containers, never by
// the map.
//
// Every function takes the map as a PyObject* made by indexmap_new or
// indexmap_copy; a null map reads as empty. Functions that can fail return
// 0, or -1 with MemoryError set; lookups never fail.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <cstdint>

extern PyTypeObject indexmap_type;

#pragma pack(push, 4)
struct IndexMapSlot {
  int64_t key;       // kIndexMapFree / kIndexMapDeleted mark unused slots
  int32_t val;
};
#pragma pack(pop)
static_assert(sizeof(IndexMapSlot) == 12, "index map slots are 12 bytes");

struct IndexMapObject {
  PyObject_HEAD
  IndexMapSlot *slots;  // cap slots
  Py_ssize_t cap;    // 0 or a power of two
  Py_ssize_t size;   // entries in use
  Py_ssize_t deleted;  // slots marked kIndexMapDeleted
};

// The ids no object has, marking a slot never used and one whose entry was
// erased (a lookup probes past the latter).
constexpr int64_t kIndexMapFree = INT64_MIN;
constexpr int64_t kIndexMapDeleted = INT64_MIN + 1;

// A new empty map (null with MemoryError).
PyObject *indexmap_new();
// A new map holding the entries of `m`.
PyObject *indexmap_copy(PyObject *m);
// The index stored for `id`, or -1 when there is none.
int indexmap_get(PyObject *m, int64_t id);
inline bool indexmap_has(PyObject *m, int64_t id) { return indexmap_get(m, id) >= 0; }
// Stores (or replaces) id -> index.
int indexmap_put(PyObject *m, int64_t id, int index);
// Room for `n` entries in all, so that as many puts cannot fail.
int indexmap_reserve(PyObject *m, Py_ssize_t n);
// Takes id out (nothing when absent).
void indexmap_erase(PyObject *m, int64_t id);
void indexmap_clear(PyObject *m);
// Makes `dst` hold exactly the entries of `src`.
int indexmap_assign(PyObject *dst, PyObject *src);
// Exchanges the entries of two maps; never fails.
void indexmap_swap(PyObject *a, PyObject *b);
Py_ssize_t indexmap_size(PyObject *m);

// Calls f(id, index&) for every entry; f may change the index in place but
// must not add or erase entries.
template <class F>
void indexmap_each(PyObject *m, F f) {
  if (!m) return;
  IndexMapObject *t = (IndexMapObject *)m;
  for (Py_ssize_t i = 0; i < t->cap; ++i)
    if (t->slots[i].key != kIndexMapFree && t->slots[i].key != kIndexMapDeleted) f(t->slots[i].key, t->slots[i].val);
}
