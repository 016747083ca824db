// Lookup and deletion: objects by index, indices of objects, and deleting
// columns, rows and sets together with their objects, renumbering the maps.
#include <algorithm>
#include <vector>
#include "module/convert.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/doc.h"
#include "problem/access.h"
#include "problem/binding.h"
#include "problem/convert_expr.h"
#include "problem/indexmap.h"
#include "problem/walk.h"

namespace {

struct Family {
  PyObject *list, *map;
  int kind;  // index kind: 0 rows, 1 columns, 2 sets
};

Family family(ProblemObject *p, int which) {
  switch (which) {
    case 0: return {p->variables, p->varmap, KIND_COL};
    case 1: return {p->constraints, p->conmap, KIND_ROW};
    default: return {p->sets, p->sosmap, KIND_SET};
  }
}

int parse_range_args(PyObject *args, PyObject *kw, PyObject **index, long *first, long *last) {
  static const char *kwlist[] = {"index", "first", "last", nullptr};
  *index = nullptr;
  *first = *last = -1;
  return PyArg_ParseTupleAndKeywords(args, kw, "|Oll", (char **)kwlist, index, first, last) ? 0 : -1;
}

// The checks shared by the first/last forms of getting and deleting.
int check_range(PyObject *index, long first, long last, Py_ssize_t n, const char *out_of_range) {
  if (index) {
    PyErr_SetString(PyExc_RuntimeError, "Parameters 'first' and 'last' cannot be specified if 'index' is also specified");
    return -1;
  }
  if (first < 0 || last < 0) {
    PyErr_SetString(PyExc_RuntimeError, "Parameters 'first' and 'last' must be both nonnegative when specified");
    return -1;
  }
  if (first >= n || last >= n) {
    PyErr_SetString(PyExc_RuntimeError, out_of_range);
    return -1;
  }
  return 0;
}

PyObject *getObjects(PyObject *self, PyObject *args, PyObject *kw, int which) {
  ProblemObject *p = (ProblemObject *)self;
  Family f = family(p, which);
  PyObject *index;
  long first, last;
  if (parse_range_args(args, kw, &index, &first, &last) != 0) return nullptr;
  if (index == Py_None) index = nullptr;
  Py_ssize_t n = PyList_GET_SIZE(f.list);
  if (first != -1 || last != -1) {
    if (check_range(index, first, last, n, "Parameters 'first' and 'last' are out of range") != 0) return nullptr;
    return PyList_GetSlice(f.list, first, std::max(first, last + 1));
  }
  if (index) {
    if (isObjInt(index)) {
      Py_ssize_t i = PyNumber_AsSsize_t(index, PyExc_IndexError);
      if (i == -1 && PyErr_Occurred()) return nullptr;
      if (i < 0 || i >= n) {
        PyErr_SetString(PyExc_IndexError, "list index out of range");
        return nullptr;
      }
      return Py_NewRef(PyList_GET_ITEM(f.list, i));
    }
    PyRef out(PyList_New(0));
    if (!out) return nullptr;
    int rc = walkNestedObjects(self, index, [&](PyObject *leaf) {
      if (!isObjInt(leaf)) {
        PyErr_SetString(PyExc_RuntimeError, "Error in index list(s): must contain only integers");
        return -1;
      }
      Py_ssize_t i = PyNumber_AsSsize_t(leaf, nullptr);
      if (i == -1 && PyErr_Occurred()) return -1;  // raised by the object's __index__
      if (i < 0 || i >= PyList_GET_SIZE(f.list)) {
        PyErr_SetString(PyExc_RuntimeError, "Item not found in list");
        return -1;
      }
      if (PyList_Append(out.get(), PyList_GET_ITEM(f.list, i)) != 0) return -1;
      return 0;
    });
    return rc == 0 ? out.release() : nullptr;
  }
  return PyList_GetSlice(f.list, 0, n);
}

PyObject *problem_getVariable(PyObject *s, PyObject *a, PyObject *k) { return getObjects(s, a, k, 0); }
PyObject *problem_getConstraint(PyObject *s, PyObject *a, PyObject *k) { return getObjects(s, a, k, 1); }
PyObject *problem_getSOS(PyObject *s, PyObject *a, PyObject *k) { return getObjects(s, a, k, 2); }

PyObject *problem_getIndex(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"object", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *obj;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &obj)) return nullptr;
  PyObject *map = nullptr;
  int64_t id = 0;
  if (is_var(obj)) map = p->varmap, id = var_id(obj);
  else if (is_constraint(obj)) map = p->conmap, id = con_id(obj);
  else if (is_sos(obj)) map = p->sosmap, id = sos_id(obj);
  const int v = map ? indexmap_get(map, id) : -1;
  if (v < 0) {
    PyErr_SetString(PyExc_RuntimeError, "Incorrect object(s) passed: need variable, constraint, or SOS");
    return nullptr;
  }
  return PyLong_FromLong(v);
}

int64_t object_id(int kind, PyObject *obj) {
  return kind == KIND_COL ? var_id(obj) : kind == KIND_ROW ? con_id(obj) : sos_id(obj);
}

int delete_from_library(ProblemObject *p, int kind, const std::vector<int> &idx) {
  int rc = kind == KIND_COL ? ONDRdelcols(p->prob, (int)idx.size(), idx.data())
           : kind == KIND_ROW ? ONDRdelrows(p->prob, (int)idx.size(), idx.data())
                              : ONDRdelsets(p->prob, (int)idx.size(), idx.data());
  if (rc != 0) setOndrErrIfNull((PyObject *)p, nullptr);
  return rc != 0 ? -1 : 0;
}

// Deletes the objects at the sorted, distinct indices `idx` from the library,
// the container and the map, renumbering in place: one pass over the map
// reads every index, and only the entries that change are written (a new
// index for each object after the first deleted one). This applies when each
// deleted index is its object's position in the container, as it is for
// every problem the module builds. Returns 1 when done, 0 when it does not
// apply, -1 with an exception; in the last two cases nothing has changed.
int delete_in_place(ProblemObject *p, const Family &f, const std::vector<int> &idx) {
  const Py_ssize_t n = PyList_GET_SIZE(f.list);
  for (int i : idx) {
    if (i < 0 || i >= n) return 0;
    if (indexmap_get(f.map, object_id(f.kind, PyList_GET_ITEM(f.list, i))) != i) return 0;
  }
  auto below = [&](long v) { return (long)(std::lower_bound(idx.begin(), idx.end(), (int)v) - idx.begin()); };
  // Everything that can fail comes before the first change.
  std::vector<PyObject *> removed;
  removed.reserve(idx.size());
  if (delete_from_library(p, f.kind, idx) != 0) return -1;
  // The deleted objects are the ones at idx in the container; every other
  // index at or after the first deleted one moves down. Neither step fails.
  for (int i : idx) indexmap_erase(f.map, object_id(f.kind, PyList_GET_ITEM(f.list, i)));
  indexmap_each(f.map, [&](int64_t, int32_t &v) {
    if (v >= idx.front()) v -= (int32_t)below(v);
  });
  // The container closes its gaps in place; the deleted objects are
  // released last, when the problem is consistent again.
  Py_ssize_t out = 0;
  size_t next = 0;
  for (Py_ssize_t i = 0; i < n; ++i) {
    PyObject *obj = PyList_GET_ITEM(f.list, i);
    if (next < idx.size() && idx[next] == i) {
      removed.push_back(obj);
      ++next;
      continue;
    }
    PyList_SET_ITEM(f.list, out++, obj);
  }
  Py_SET_SIZE(f.list, out);
  for (PyObject *obj : removed) Py_DECREF(obj);
  return 1;
}

PyObject *delObjects(PyObject *self, PyObject *args, PyObject *kw, int which) {
  ProblemObject *p = (ProblemObject *)self;
  Family f = family(p, which);
  PyObject *index;
  long first, last;
  if (parse_range_args(args, kw, &index, &first, &last) != 0) return nullptr;
  if (index == Py_None) index = nullptr;
  Py_ssize_t len = PyList_GET_SIZE(f.list);
  std::vector<int> idx;
  if (first == -1 && last == -1) {
    if (!index) {
      PyErr_SetString(PyExc_RuntimeError, "At least one parameter must be specified");
      return nullptr;
    }
    bool single_obj = (f.kind == KIND_COL && is_var(index)) || (f.kind == KIND_ROW && is_constraint(index)) ||
                      (f.kind == KIND_SET && is_sos(index));
    // A name is one reference, not a sequence of one-letter names.
    if (isObjInt(index) || single_obj || PyUnicode_Check(index) || PyBytes_Check(index)) {
      int i = 0;
      if (ObjInt2int(index, self, &i, f.kind) != 0) return nullptr;
      idx.push_back(i);
    } else {
      int64_t count = -1;
      CArray<int> arr;
      if (conv_obj2arr(self, &count, index, (void **)arr.addr(), f.kind) != 0) {
        setOndrErrIfNull(self, nullptr);
        return nullptr;
      }
      idx.assign(arr.get(), arr.get() + count);
    }
  } else {
    if (check_range(index, first, last, len, "Parameters 'first' or 'last' are out of range") != 0) return nullptr;
    if (last < first) {
      PyErr_SetString(PyExc_RuntimeError, "Parameter 'first' must be less than, or equal to, 'last'");
      return nullptr;
    }
    for (long i = first; i <= last; ++i) {
      int v = 0;
      if (ObjInt2int(PyList_GET_ITEM(f.list, i), self, &v, f.kind) != 0) {
        PyErr_Clear();
        PyErr_SetString(PyExc_RuntimeError, "Error finding element in problem");
        return nullptr;
      }
      idx.push_back(v);
    }
  }
  if (idx.empty()) Py_RETURN_NONE;
  int limit = (int)len;
  int *transfer = f.kind == KIND_COL ? &p->obj_transfer_col : f.kind == KIND_ROW ? &p->obj_transfer_row : nullptr;
  if (transfer && *transfer >= 0) ++limit;  // the transfer column or row is not in the container
  for (int i : idx) {
    if (i < 0 || i >= limit) {
      PyErr_SetString(PyExc_RuntimeError, "Index out of bounds");
      return nullptr;
    }
    if (transfer && i == *transfer) {
      PyErr_SetString(PyExc_RuntimeError, "The objective's transfer column and row are deleted by setting another objective");
      return nullptr;
    }
  }
  std::sort(idx.begin(), idx.end());
  idx.erase(std::unique(idx.begin(), idx.end()), idx.end());
  int done = delete_in_place(p, f, idx);
  if (done < 0) return nullptr;
  if (done > 0) {
    if (transfer && *transfer >= 0)
      *transfer -= (int)(std::lower_bound(idx.begin(), idx.end(), *transfer) - idx.begin());
    Py_RETURN_NONE;
  }
  // Every object keeps its place in the library's old order: its new index
  // is its old one less the deleted indices below it. The new container and
  // map are built first, so that nothing changes unless all of it succeeds.
  auto below = [&](long v) { return (long)(std::lower_bound(idx.begin(), idx.end(), (int)v) - idx.begin()); };
  auto deleted = [&](long v) { return std::binary_search(idx.begin(), idx.end(), (int)v); };
  PyRef list(PyList_New(0)), map(indexmap_new());
  if (!list || !map) return nullptr;
  for (Py_ssize_t pos = 0; pos < PyList_GET_SIZE(f.list); ++pos) {
    PyObject *obj = PyList_GET_ITEM(f.list, pos);
    const int64_t id = object_id(f.kind, obj);
    const long v = indexmap_get(f.map, id);
    if (v >= 0 && deleted(v)) continue;
    if (PyList_Append(list.get(), obj) != 0) return nullptr;
    if (v < 0) continue;
    if (indexmap_put(map.get(), id, (int)(v - below(v))) != 0) return nullptr;
  }
  int rc = f.kind == KIND_COL ? ONDRdelcols(p->prob, (int)idx.size(), idx.data())
           : f.kind == KIND_ROW ? ONDRdelrows(p->prob, (int)idx.size(), idx.data())
                                : ONDRdelsets(p->prob, (int)idx.size(), idx.data());
  if (rc != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  PyObject **lists[] = {&p->variables, &p->constraints, &p->sets}, **maps[] = {&p->varmap, &p->conmap, &p->sosmap};
  Py_SETREF(*lists[which], list.release());
  Py_SETREF(*maps[which], map.release());
  if (transfer && *transfer >= 0) *transfer -= (int)below(*transfer);
  Py_RETURN_NONE;
}

// The matrix-level deletions: `indices` (rows, columns or sets by index,
// name or object) are deleted as delConstraint, delVariable and delSOS do,
// so the modelling objects and maps follow the library.
PyObject *delByIndices(PyObject *self, PyObject *args, PyObject *kw, int which) {
  static const char *kwlist[] = {"indices", nullptr};
  PyObject *indices = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &indices)) return nullptr;
  if (indices == Py_None) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide argument indices");
    return nullptr;
  }
  PyRef one(PyTuple_Pack(1, indices));
  return one ? delObjects(self, one.get(), nullptr, which) : nullptr;
}

PyObject *problem_delcols(PyObject *s, PyObject *a, PyObject *k) { return delByIndices(s, a, k, 0); }
PyObject *problem_delrows(PyObject *s, PyObject *a, PyObject *k) { return delByIndices(s, a, k, 1); }
PyObject *problem_delsets(PyObject *s, PyObject *a, PyObject *k) { return delByIndices(s, a, k, 2); }

PyObject *problem_delVariable(PyObject *s, PyObject *a, PyObject *k) { return delObjects(s, a, k, 0); }
PyObject *problem_delConstraint(PyObject *s, PyObject *a, PyObject *k) { return delObjects(s, a, k, 1); }
PyObject *problem_delSOS(PyObject *s, PyObject *a, PyObject *k) { return delObjects(s, a, k, 2); }

#define GETDOC(what, m)                                                                                   \
  METHOD_DOC("Returns " what " of the problem.", "p." m "()\n  p." m "(index)\n  p." m "(first=f, last=l)",   \
      "index: a position or a (nested) list of positions; first, last: an\n  inclusive range of positions.", \
      "objs = p." m "(first=0, last=9)", "Without arguments, all of them in index order.", "getIndex")
#define DELDOC(what, m, more)                                                                              \
  METHOD_DOC("Deletes " what " from the problem.", "p." m "(index)\n  p." m "(first=f, last=l)",                \
      "index: an object, name or index, or a sequence of them; first, last: an\n  inclusive range of positions.", \
      "p." m "([0, 2])", "The remaining objects are renumbered in their old order." more, "getIndex")

}  // namespace

const PyMethodDef problem_lookup_methods[] = {
    {"getVariable", (PyCFunction)problem_getVariable, METH_VARARGS | METH_KEYWORDS, GETDOC("variables", "getVariable")},
    {"getConstraint", (PyCFunction)problem_getConstraint, METH_VARARGS | METH_KEYWORDS,
     GETDOC("constraints", "getConstraint")},
    {"getSOS", (PyCFunction)problem_getSOS, METH_VARARGS | METH_KEYWORDS, GETDOC("special ordered sets", "getSOS")},
    {"getIndex", (PyCFunction)problem_getIndex, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Returns the index of a variable, constraint or set in the problem.", "p.getIndex(object)",
         "object: a variable, constraint or SOS added to the problem.", "j = p.getIndex(x)",
         "Indices count from 0 and change when objects are deleted.", "getVariable, delVariable")},
    {"delVariable", (PyCFunction)problem_delVariable, METH_VARARGS | METH_KEYWORDS, DELDOC("variables", "delVariable",
            "\n  Rows that use a deleted variable stay in the problem without its terms:\n"
            "  its coefficients, and the objective's, are removed with its column.")},
    {"delConstraint", (PyCFunction)problem_delConstraint, METH_VARARGS | METH_KEYWORDS,
     DELDOC("constraints", "delConstraint", "")},
    {"delSOS", (PyCFunction)problem_delSOS, METH_VARARGS | METH_KEYWORDS, DELDOC("special ordered sets", "delSOS", "")},
    {"delrows", (PyCFunction)problem_delrows, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Deletes rows from the problem.", "p.delrows(indices)",
         "indices: rows by index, name or constraint object (one or a sequence).", "p.delrows([0, 2])",
         "The constraint objects of deleted rows leave the problem; later rows are renumbered.",
         "delConstraint, delcols")},
    {"delcols", (PyCFunction)problem_delcols, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Deletes columns from the problem.", "p.delcols(indices)",
         "indices: columns by index, name or variable object (one or a sequence).", "p.delcols([1])",
         "Their coefficients go with them; the variable objects leave the problem.", "delVariable, delrows")},
    {"delsets", (PyCFunction)problem_delsets, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Deletes special ordered sets from the problem.", "p.delsets(indices)",
         "indices: sets by index or SOS object (one or a sequence).", "p.delsets(0)", "", "delSOS")},
    {nullptr, nullptr, 0, nullptr}};
