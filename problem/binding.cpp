#include "problem/binding.h"
#include "module/errors.h"
#include "module/pyref.h"
#include <cstring>

int map_store(PyObject *map, int64_t id, int64_t index) {
  PyRef k(PyLong_FromLongLong(id)), v(PyLong_FromLongLong(index));
  if (!k || !v) return -1;
  return PyDict_SetItem(map, k.get(), v.get());
}

int map_store_key(PyObject *map, PyObject *key, int64_t index) {
  PyRef v(PyLong_FromLongLong(index));
  if (!v) return -1;
  return PyDict_SetItem(map, key, v.get());
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

static const int kMaxNameLength = 8012;  // optimizer control: longest name accepted, in bytes

int name_limit(ProblemObject *p, int *limit) {
  if (*limit >= 0) return 0;
  if (ONDRgetintcontrol(p->prob, kMaxNameLength, limit) != 0) {
    setOndrErrIfNull((PyObject *)p, nullptr);
    *limit = -1;
    return -1;
  }
  return 0;
}

int checked_name(ProblemObject *p, PyObject *name, const char *invalid, std::string &out, int *cache) {
  if (!name || !PyUnicode_Check(name)) {
    PyErr_SetString(PyExc_RuntimeError, invalid);
    return -1;
  }
  Py_ssize_t len;
  const char *s = PyUnicode_AsUTF8AndSize(name, &len);
  if (!s) return -1;
  if (memchr(s, '\0', (size_t)len)) {
    PyErr_SetString(PyExc_RuntimeError, invalid);
    return -1;
  }
  int own = -1, *lim = cache ? cache : &own;
  if (name_limit(p, lim) != 0) return -1;
  const int limit = *lim;
  if (len > limit) {
    PyRef head(PyUnicode_Substring(name, 0, 40));
    if (head)
      PyErr_Format(PyExc_ValueError, "The name %R... is %zd bytes long in UTF-8; names are at most %d bytes",
                   head.get(), len, limit);
    return -1;
  }
  out.assign(s, (size_t)len);
  return 0;
}
