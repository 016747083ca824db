#include "problem/binding.h"
#include "module/errors.h"
#include "module/pyref.h"

int map_store(PyObject *map, int64_t id, int64_t index) {
  PyRef k(PyLong_FromLongLong(id)), v(PyLong_FromLongLong(index));
  if (!k || !v) return -1;
  return PyDict_SetItem(map, k.get(), v.get());
}

int map_has(PyObject *map, int64_t id) {
  PyRef k(PyLong_FromLongLong(id));
  if (!k) return -1;
  return PyDict_Contains(map, k.get());
}

void BindingUndo::rollback() {
  PyObject *t, *v, *tb;
  PyErr_Fetch(&t, &v, &tb);
  if (PyList_GET_SIZE(list_) > len_) PyList_SetSlice(list_, len_, PyList_GET_SIZE(list_), nullptr);
  for (int64_t id : ids_) {
    PyRef k(PyLong_FromLongLong(id));
    if (k && PyDict_DelItem(map_, k.get()) != 0) PyErr_Clear();
  }
  ids_.clear();
  PyErr_Clear();
  PyErr_Restore(t, v, tb);
}

int prob_int_attrib(ProblemObject *p, int id, int *value) {
  if (ONDRgetintattrib(p->prob, id, value) != 0) {
    setOndrErrIfNull((PyObject *)p, nullptr);
    return -1;
  }
  return 0;
}
