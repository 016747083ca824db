#include "problem/binding.h"
#include "problem/indexmap.h"
#include "module/errors.h"
#include "module/pyref.h"
#include <cstring>

int map_store(PyObject *map, int64_t id, int64_t index) {
  if (index < 0 || index > INT32_MAX) {
    PyErr_SetString(PyExc_OverflowError, "Index out of range of the problem's maps");
    return -1;
  }
  return indexmap_put(map, id, (int)index);
}

int map_has(PyObject *map, int64_t id) { return indexmap_has(map, id) ? 1 : 0; }

void BindingUndo::rollback() {
  PyObject *t, *v, *tb;
  PyErr_Fetch(&t, &v, &tb);
  if (PyList_GET_SIZE(list_) > len_) PyList_SetSlice(list_, len_, PyList_GET_SIZE(list_), nullptr);
  for (int64_t id : ids_) indexmap_erase(map_, id);
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
