// The id -> index maps of problems: open addressing over a power-of-two
// table. An id's first slot is the id itself (masked), so that objects made
// one after another, whose ids are consecutive, sit in consecutive slots and
// a pass over them reads the table in order; later probes mix in the higher
// bits of the id (the probe sequence of Python's own dictionaries), so that
// ids with a stride do not pile up. Erased entries leave a mark that lookups
// probe past; marks count towards the load and go at the next resize.
#include "problem/indexmap.h"
#include <cstring>
#include <utility>

namespace {

// At most 7 used or marked slots in 10.
constexpr Py_ssize_t kMinCap = 8;

inline IndexMapObject *as_map(PyObject *m) { return (IndexMapObject *)m; }
inline bool is_unused(int64_t k) { return k == kIndexMapFree || k == kIndexMapDeleted; }

// Walks the probe sequence of one id.
struct Probe {
  Probe(int64_t id, Py_ssize_t cap) : mask((size_t)cap - 1), perturb((uint64_t)id), i((size_t)id & mask) {}
  void next() {
    perturb >>= 5;
    i = (i * 5 + (size_t)perturb + 1) & mask;
  }
  size_t mask;
  uint64_t perturb;
  size_t i;
};

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
  t->deleted = 0;
}

IndexMapSlot *alloc_slots(Py_ssize_t cap) {
  IndexMapSlot *slots = (IndexMapSlot *)PyMem_RawMalloc((size_t)cap * sizeof(IndexMapSlot));
  if (!slots) PyErr_NoMemory();
  return slots;
}

// Places an entry known to be absent, with room known to be there; a
// marked slot is reused.
void place(IndexMapObject *t, int64_t id, int32_t index) {
  Probe pr(id, t->cap);
  while (!is_unused(t->slots[pr.i].key)) pr.next();
  if (t->slots[pr.i].key == kIndexMapDeleted) --t->deleted;
  t->slots[pr.i].key = id;
  t->slots[pr.i].val = index;
}

// Moves the entries into a fresh table of `cap` slots (dropping the marks).
int rehash(IndexMapObject *t, Py_ssize_t cap) {
  IndexMapSlot *slots = alloc_slots(cap);
  if (!slots) return -1;
  for (Py_ssize_t i = 0; i < cap; ++i) slots[i].key = kIndexMapFree;
  IndexMapSlot *old = t->slots;
  const Py_ssize_t old_cap = t->cap;
  t->slots = slots;
  t->cap = cap;
  t->deleted = 0;
  for (Py_ssize_t i = 0; i < old_cap; ++i)
    if (!is_unused(old[i].key)) place(t, old[i].key, old[i].val);
  PyMem_RawFree(old);
  return 0;
}

// The slot holding id, or -1.
Py_ssize_t find(const IndexMapObject *t, int64_t id) {
  if (t->size == 0 || id == kIndexMapFree || id == kIndexMapDeleted) return -1;
  for (Probe pr(id, t->cap);; pr.next()) {
    const int64_t k = t->slots[pr.i].key;
    if (k == id) return (Py_ssize_t)pr.i;
    if (k == kIndexMapFree) return -1;
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
  // The allocation is zeroed: no table, no entries.
  return PyType_GenericAlloc(&indexmap_type, 0);
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
  if ((n + t->deleted) * 10 <= t->cap * 7) return 0;
  return rehash(t, cap_for(n));
}

int indexmap_put(PyObject *m, int64_t id, int index) {
  IndexMapObject *t = as_map(m);
  if (id == kIndexMapFree || id == kIndexMapDeleted) {
    PyErr_SetString(PyExc_ValueError, "Invalid object id");
    return -1;
  }
  const Py_ssize_t at = find(t, id);
  if (at >= 0) {
    t->slots[at].val = index;
    return 0;
  }
  if (indexmap_reserve(m, t->size + 1) != 0) return -1;
  place(t, id, index);
  ++t->size;
  return 0;
}

void indexmap_erase(PyObject *m, int64_t id) {
  if (!m) return;
  IndexMapObject *t = as_map(m);
  const Py_ssize_t at = find(t, id);
  if (at < 0) return;
  t->slots[at].key = kIndexMapDeleted;
  --t->size;
  ++t->deleted;
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
  d->deleted = s->deleted;
  return 0;
}

void indexmap_swap(PyObject *a, PyObject *b) {
  IndexMapObject *x = as_map(a), *y = as_map(b);
  std::swap(x->slots, y->slots);
  std::swap(x->cap, y->cap);
  std::swap(x->size, y->size);
  std::swap(x->deleted, y->deleted);
}

Py_ssize_t indexmap_size(PyObject *m) { return m ? as_map(m)->size : 0; }
