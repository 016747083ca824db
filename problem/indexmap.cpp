// The id -> index maps of problems: linear probing over a power-of-two
// table, erasure by shifting the following run back (no tombstones, so a
// map that has seen many deletions probes as fast as a fresh one).
#include "problem/indexmap.h"
#include <cstring>
#include <utility>

namespace {

// At most 7 entries in 10 slots.
constexpr Py_ssize_t kMinCap = 8;

inline IndexMapObject *as_map(PyObject *m) { return (IndexMapObject *)m; }

// Ids are consecutive numbers: mixed so that runs of them spread over the table.
inline size_t slot_of(int64_t id, Py_ssize_t cap) {
  uint64_t z = (uint64_t)id + 0x9e3779b97f4a7c15ull;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  z ^= z >> 31;
  return (size_t)(z & (uint64_t)(cap - 1));
}

Py_ssize_t cap_for(Py_ssize_t n) {
  Py_ssize_t cap = kMinCap;
  while (cap * 7 < n * 10) cap *= 2;
  return cap;
}

void free_table(IndexMapObject *t) {
  PyMem_RawFree(t->slots);
  t->slots = nullptr;
  t->cap = 0;
  t->size = 0;
}

IndexMapSlot *alloc_slots(Py_ssize_t cap) {
  IndexMapSlot *slots = (IndexMapSlot *)PyMem_RawMalloc((size_t)cap * sizeof(IndexMapSlot));
  if (!slots) PyErr_NoMemory();
  return slots;
}

// Places an entry known to be absent, with room known to be there.
void place(IndexMapSlot *slots, Py_ssize_t cap, int64_t id, int32_t index) {
  size_t i = slot_of(id, cap);
  while (slots[i].key != kIndexMapFree) i = (i + 1) & (size_t)(cap - 1);
  slots[i].key = id;
  slots[i].val = index;
}

// Moves the entries into a table of `cap` slots.
int rehash(IndexMapObject *t, Py_ssize_t cap) {
  IndexMapSlot *slots = alloc_slots(cap);
  if (!slots) return -1;
  for (Py_ssize_t i = 0; i < cap; ++i) slots[i].key = kIndexMapFree;
  for (Py_ssize_t i = 0; i < t->cap; ++i)
    if (t->slots[i].key != kIndexMapFree) place(slots, cap, t->slots[i].key, t->slots[i].val);
  PyMem_RawFree(t->slots);
  t->slots = slots;
  t->cap = cap;
  return 0;
}

// The slot holding id, or -1.
Py_ssize_t find(const IndexMapObject *t, int64_t id) {
  if (t->size == 0 || id == kIndexMapFree) return -1;
  size_t i = slot_of(id, t->cap);
  for (;;) {
    const int64_t k = t->slots[i].key;
    if (k == id) return (Py_ssize_t)i;
    if (k == kIndexMapFree) return -1;
    i = (i + 1) & (size_t)(t->cap - 1);
  }
}

void indexmap_dealloc(PyObject *self) {
  free_table(as_map(self));
  Py_TYPE(self)->tp_free(self);
}

}  // namespace

PyTypeObject indexmap_type = [] {
  PyTypeObject t = {PyVarObject_HEAD_INIT(nullptr, 0)};
  t.tp_name = "ondrel.indexmap";
  t.tp_basicsize = sizeof(IndexMapObject);
  t.tp_dealloc = indexmap_dealloc;
  t.tp_flags = Py_TPFLAGS_DEFAULT;
  t.tp_doc = "A problem's map from object ids to indices (internal).";
  return t;
}();

PyObject *indexmap_new() {
  PyObject *m = PyType_GenericAlloc(&indexmap_type, 0);
  if (!m) return nullptr;
  // The allocation is zeroed: no table, no entries.
  return m;
}

PyObject *indexmap_copy(PyObject *src) {
  PyObject *m = indexmap_new();
  if (m && indexmap_assign(m, src) != 0) Py_CLEAR(m);
  return m;
}

int indexmap_get(PyObject *m, int64_t id) {
  if (!m) return -1;
  const Py_ssize_t i = find(as_map(m), id);
  return i < 0 ? -1 : as_map(m)->slots[i].val;
}

int indexmap_reserve(PyObject *m, Py_ssize_t n) {
  IndexMapObject *t = as_map(m);
  if (n * 10 <= t->cap * 7) return 0;
  return rehash(t, cap_for(n));
}

int indexmap_put(PyObject *m, int64_t id, int index) {
  IndexMapObject *t = as_map(m);
  if (id == kIndexMapFree) {
    PyErr_SetString(PyExc_ValueError, "Invalid object id");
    return -1;
  }
  const Py_ssize_t at = find(t, id);
  if (at >= 0) {
    t->slots[at].val = index;
    return 0;
  }
  if (indexmap_reserve(m, t->size + 1) != 0) return -1;
  place(t->slots, t->cap, id, index);
  ++t->size;
  return 0;
}

void indexmap_erase(PyObject *m, int64_t id) {
  if (!m) return;
  IndexMapObject *t = as_map(m);
  Py_ssize_t at = find(t, id);
  if (at < 0) return;
  const size_t mask = (size_t)(t->cap - 1);
  size_t hole = (size_t)at, i = hole;
  // Every later entry of the run whose home slot does not lie between the
  // hole and itself moves back into the hole.
  for (;;) {
    i = (i + 1) & mask;
    const int64_t k = t->slots[i].key;
    if (k == kIndexMapFree) break;
    const size_t home = slot_of(k, t->cap);
    const bool stays = hole <= i ? (hole < home && home <= i) : (hole < home || home <= i);
    if (stays) continue;
    t->slots[hole] = t->slots[i];
    hole = i;
  }
  t->slots[hole].key = kIndexMapFree;
  --t->size;
}

void indexmap_clear(PyObject *m) {
  if (m) free_table(as_map(m));
}

int indexmap_assign(PyObject *dst, PyObject *src) {
  if (dst == src) return 0;
  IndexMapObject *d = as_map(dst);
  const IndexMapObject *s = src ? as_map(src) : nullptr;
  if (!s || s->size == 0) {
    free_table(d);
    return 0;
  }
  IndexMapSlot *slots = alloc_slots(s->cap);
  if (!slots) return -1;
  memcpy(slots, s->slots, (size_t)s->cap * sizeof(IndexMapSlot));
  free_table(d);
  d->slots = slots;
  d->cap = s->cap;
  d->size = s->size;
  return 0;
}

void indexmap_swap(PyObject *a, PyObject *b) {
  IndexMapObject *x = as_map(a), *y = as_map(b);
  std::swap(x->slots, y->slots);
  std::swap(x->cap, y->cap);
  std::swap(x->size, y->size);
}

Py_ssize_t indexmap_size(PyObject *m) { return m ? as_map(m)->size : 0; }
