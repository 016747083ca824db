#include "module/convert.h"
#include <cstring>
#include <string>
#include <vector>
#include "engine/include/ondr.h"
#include "module/allocator.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/access.h"
#include "problem/indexmap.h"
#include "problem/problem.h"

size_t conv_elem_size(int code) {
  switch (code) {
    case CONV_ROW: case CONV_COL: case CONV_SET: case CONV_INT: return 4;
    case CONV_CHAR: case CONV_BYTE: return 1;
    default: return 8;
  }
}

int pyInt2int(PyObject *obj, int *out, const char *what) {
  if (!isObjInt(obj)) {
    PyErr_Format(PyExc_TypeError, "%s must be an integer, not %.100s", what, Py_TYPE(obj)->tp_name);
    return -1;
  }
  int overflow = 0;
  long long v = PyLong_AsLongLongAndOverflow(obj, &overflow);
  if (v == -1 && PyErr_Occurred()) return -1;
  if (overflow != 0 || v < INT32_MIN || v > INT32_MAX) {
    PyErr_Format(PyExc_OverflowError, "%s %R is out of range (%d to %d)", what, obj, INT32_MIN, INT32_MAX);
    return -1;
  }
  *out = (int)v;
  return 0;
}

int ObjInt2int(PyObject *obj, PyObject *problem, int *out, int kind) {
  ProblemObject *p = (ProblemObject *)problem;
  static const char *what[] = {"Row index", "Column index", "Set index"};
  if (isObjInt(obj)) {
    // The library checks that the index exists; it must first fit in an int.
    return pyInt2int(obj, out, kind >= 0 && kind <= 2 ? what[kind] : "Index");
  }
  if (PyUnicode_Check(obj) || PyBytes_Check(obj)) {
    CArray<char> name;
    *name.addr() = pyStrToStr(obj);
    if (!name.get()) {
      if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Invalid name");
      return -1;
    }
    int type = kind == KIND_ROW ? 1 : kind == KIND_COL ? 2 : 3;
    int index = -1;
    if (ONDRgetindex(p->prob, type, name.get(), &index) != 0) {
      setOndrErrIfNull(problem, nullptr);
      return -1;
    }
    *out = index;
    return 0;
  }
  struct {
    bool (*test)(PyObject *);
    int64_t (*id)(PyObject *);
    PyObject *map;
    const char *missing;
  } by_kind[3] = {
      {is_constraint, con_id, p->conmap, "Constraint %S not in problem"},
      {is_var, var_id, p->varmap, "Variable %S not in problem"},
      {is_sos, sos_id, p->sosmap, "SOS %S not in problem"},
  };
  if (kind >= 0 && kind <= 2 && by_kind[kind].test(obj)) {
    const int v = indexmap_get(by_kind[kind].map, by_kind[kind].id(obj));
    if (v < 0) {
      PyErr_Format(PyExc_RuntimeError, by_kind[kind].missing, obj);
      return -1;
    }
    *out = v;
    return 0;
  }
  static const char *invalid[] = {"Invalid constraint object %S", "Invalid variable object %S",
                                  "Invalid SOS object %S"};
  PyErr_Format(PyExc_RuntimeError, kind >= 0 && kind <= 2 ? invalid[kind] : "Invalid object %S", obj);
  return -1;
}

// Store one Python element into slot i of `arr`: 0, or -1 with an exception.
static int store_elem(PyObject *problem, PyObject *item, void *arr, int64_t i, int code) {
  switch (code) {
    case CONV_ROW: case CONV_COL: case CONV_SET:
      return ObjInt2int(item, problem, (int *)arr + i, code);
    case CONV_INT: case CONV_INT64: {
      if (!isObjInt(item)) {
        PyErr_Format(PyExc_RuntimeError, "Integer expected, found %R", item);
        return -1;
      }
      if (code == CONV_INT) return pyInt2int(item, (int *)arr + i, "Integer value");
      int overflow = 0;
      long long v = PyLong_AsLongLongAndOverflow(item, &overflow);
      if (v == -1 && PyErr_Occurred()) return -1;
      if (overflow != 0) {
        PyErr_Format(PyExc_OverflowError, "Integer value %R does not fit in 64 bits", item);
        return -1;
      }
      ((int64_t *)arr)[i] = v;
      return 0;
    }
    case CONV_DOUBLE: {
      double v = PyFloat_AsDouble(item);
      if (v == -1.0 && PyErr_Occurred()) return -1;  // stop at the first bad value
      ((double *)arr)[i] = v;
      return 0;
    }
    case CONV_CHAR: {
      if (!PyUnicode_Check(item) || PyUnicode_GetLength(item) != 1) {
        PyErr_Format(PyExc_TypeError, "expected a string of length 1, got %R", item);
        return -1;
      }
      ((char *)arr)[i] = (char)(PyUnicode_ReadChar(item, 0) & 0xff);
      return 0;
    }
    case CONV_BYTE: {
      int v = 0;
      if (pyInt2int(item, &v, "Byte value") != 0) return -1;
      if (v < -128 || v > 255) {
        PyErr_Format(PyExc_OverflowError, "Byte value %R is out of range (-128 to 255)", item);
        return -1;
      }
      ((char *)arr)[i] = (char)(v & 0xff);
      return 0;
    }
    case CONV_STRING: {
      char *s = pyStrToStr(item);
      if (!s) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Invalid string in sequence");
        return -1;
      }
      ((char **)arr)[i] = s;
      return 0;
    }
    case CONV_CUT: case CONV_OBJECT: {
      PyTypeObject *t = code == CONV_CUT ? &poolcut_type : &ondrobject_type;
      if (!PyObject_TypeCheck(item, t)) {
        PyErr_Format(PyExc_RuntimeError, "Invalid object %S", item);
        return -1;
      }
      ((void **)arr)[i] = handle_object_get(item, t);
      return 0;
    }
  }
  PyErr_SetString(PyExc_RuntimeError, "Invalid conversion code");
  return -1;
}

// Strings stored so far are owned by the array: free them with it.
static void free_array(void **out, int code, int64_t stored) {
  if (code == CONV_STRING && *out)
    for (int64_t i = 0; i < stored; ++i)
      ol_MemoryAllocator_Free_Untyped(ol_MemoryAllocator_DefaultHeap, (void **)&((char **)*out)[i]);
  ol_MemoryAllocator_Free_Untyped(ol_MemoryAllocator_DefaultHeap, out);
}

int conv_obj2arr(PyObject *problem, int64_t *count, PyObject *obj, void **out, int code) {
  *out = nullptr;
  if (!obj || obj == Py_None) return 0;
  int fast = numpy_obj2arr(obj, count, out, code);
  if (fast != 1) return fast;
  const size_t es = conv_elem_size(code);
  bool is_iter = false;
  Py_ssize_t len = -1;
  if (PyList_Check(obj) || PyTuple_Check(obj)) {
    len = PySequence_Fast_GET_SIZE(obj);
  } else if (Py_TYPE(obj)->tp_iternext && Py_TYPE(obj)->tp_iternext != &_PyObject_NextNotImplemented) {
    is_iter = true;
  } else if (PySequence_Check(obj) && !PyDict_Check(obj)) {
    len = PySequence_Size(obj);
    if (len < 0) return raiseUnlessPending("Invalid sequence of objects");
  } else {
    PyErr_SetString(PyExc_RuntimeError, "Invalid sequence of objects");
    return -1;
  }
  if (!is_iter) {
    if (count) {
      if (*count >= 0 && *count != len) {
        PyErr_Format(PyExc_RuntimeError, "Mismatched lengths in arguments: expected %d, found %d", (int)*count,
                     (int)len);
        return -1;
      }
      *count = len;
    }
    if (ol_MemoryAllocator_Alloc_Untyped(ol_MemoryAllocator_DefaultHeap, len ? (size_t)len * es : 1, out) != 0) {
      PyErr_NoMemory();
      return -1;
    }
    for (Py_ssize_t i = 0; i < len; ++i) {
      PyRef item;
      if (PyList_Check(obj) || PyTuple_Check(obj)) {
        item = PyRef::borrow(PySequence_Fast_GET_ITEM(obj, i));
      } else {
        item.reset(PySequence_GetItem(obj, i));
        if (!item) {
          free_array(out, code, i);
          return -1;
        }
      }
      int rc = store_elem(problem, item.get(), *out, i, code);
      if (rc != 0) {
        free_array(out, code, i);
        return -1;
      }
    }
    return 0;
  }
  PyRef it(PyObject_GetIter(obj));
  if (!it) return raiseUnlessPending("Invalid sequence of objects");
  int64_t cap = 256, n = 0;
  if (ol_MemoryAllocator_Alloc_Untyped(ol_MemoryAllocator_DefaultHeap, (size_t)cap * es, out) != 0) {
    PyErr_NoMemory();
    return -1;
  }
  while (PyRef item{PyIter_Next(it.get())}) {
    if (n >= cap) {
      cap *= 2;
      if (ol_MemoryAllocator_Realloc_Untyped(ol_MemoryAllocator_DefaultHeap, out, (size_t)cap * es) != 0) {
        free_array(out, code, n);
        PyErr_NoMemory();
        return -1;
      }
    }
    if (store_elem(problem, item.get(), *out, n, code) != 0) {
      free_array(out, code, n);
      return -1;
    }
    ++n;
  }
  // An iterator that raised ends the conversion as a failure.
  if (PyErr_Occurred()) {
    free_array(out, code, n);
    return -1;
  }
  // An iterator's length is known only now: it must agree with the arrays
  // before it, or the library would read past the shorter ones.
  if (count && *count >= 0 && *count != n) {
    free_array(out, code, n);
    PyErr_Format(PyExc_RuntimeError, "Mismatched lengths in arguments: expected %d, found %d", (int)*count, (int)n);
    return -1;
  }
  if (count) *count = n;
  return 0;
}

int conv_arr2obj(PyObject *problem, int64_t n, const void *data, PyObject *list, int code) {
  if (!data || !list || list == Py_None) return 0;
  if (!PyList_Check(list)) {
    PyErr_SetString(PyExc_RuntimeError, "Argument of type List required");
    return -1;
  }
  Py_ssize_t have = PyList_GET_SIZE(list);
  if (have > n && PyList_SetSlice(list, (Py_ssize_t)n, have, nullptr) != 0) return -1;
  ProblemObject *p = (ProblemObject *)problem;
  for (int64_t i = 0; i < n; ++i) {
    PyObject *v = nullptr;
    switch (code) {
      case CONV_ROW: case CONV_COL: {
        int idx = ((const int *)data)[i];
        PyObject *objs = code == CONV_ROW ? p->constraints : p->variables;
        if (idx < 0) v = PyLong_FromLong(-1);
        else if (idx < PyList_GET_SIZE(objs)) v = Py_NewRef(PyList_GET_ITEM(objs, idx));
        break;
      }
      case CONV_INT: v = PyLong_FromLong(((const int *)data)[i]); break;
      case CONV_INT64: v = PyLong_FromLongLong(((const int64_t *)data)[i]); break;
      case CONV_DOUBLE: v = PyFloat_FromDouble(((const double *)data)[i]); break;
      case CONV_CHAR: v = PyUnicode_FromFormat("%c", (int)(unsigned char)((const char *)data)[i]); break;
      case CONV_BYTE: v = PyUnicode_FromFormat("%d", (int)((const signed char *)data)[i]); break;
      case CONV_STRING: v = strFromLib(((char *const *)data)[i], "Name"); break;
      case CONV_CUT: v = handle_object_new(&poolcut_type, ((void *const *)data)[i]); break;
      case CONV_OBJECT: v = handle_object_new(&ondrobject_type, ((void *const *)data)[i]); break;
      default: break;
    }
    if (!v) {
      if (!PyErr_Occurred()) PyErr_Format(PyExc_RuntimeError, "Wrong item returned from API call, type %d", code);
      return -1;
    }
    int rc = i < PyList_GET_SIZE(list) ? PyList_SetItem(list, (Py_ssize_t)i, v)  // steals v
                                        : (PyList_Insert(list, (Py_ssize_t)i, v), Py_DECREF(v), 0);
    if (rc != 0 || PyErr_Occurred()) {
      PyErr_Clear();
      PyErr_SetString(PyExc_RuntimeError, "Could not amend list of items");
      return -1;
    }
  }
  return 0;
}

// ---- registration of rows and columns made by the low-level methods ----

// The cyclic collector paused while a registration makes its objects: they
// form no cycles, and a collection every few hundred new objects would walk
// every object of the process again and again.
class GcPause {
 public:
  GcPause() : was_enabled_(PyGC_Disable()) {}
  ~GcPause() {
    if (was_enabled_) PyGC_Enable();
  }
  GcPause(const GcPause &) = delete;
  GcPause &operator=(const GcPause &) = delete;

 private:
  int was_enabled_;
};

static int map_set(PyObject **map, int64_t id, int index) {
  if (!*map && !(*map = indexmap_new())) return -1;
  return indexmap_put(*map, id, index);
}

int addRowsAsConstraints(PyObject *problem, PyObject *names, int first, int count) {
  ProblemObject *p = (ProblemObject *)problem;
  GcPause paused;
  for (int i = 0; i < count; ++i) {
    PyObject *name = nullptr;
    if (names && names != Py_None) {
      name = PySequence_GetItem(names, i);
      if (!name) return raiseUnlessPending("Cannot get row name indexed by %d", i);
    }
    PyRef nm(name);
    PyRef c(con_create(nm.get()));
    if (!c) return -1;
    if (PyList_Append(p->constraints, c.get()) != 0) {
      PyErr_Format(PyExc_RuntimeError, "Cannot add row %lld to problem's list of constraints",
                   (long long)con_id(c.get()));
      return -1;
    }
    if (map_set(&p->conmap, con_id(c.get()), first + i) != 0) {
      PyErr_SetString(PyExc_RuntimeError, "Could not amend constraint map");
      return -1;
    }
  }
  return 0;
}

int packNames(PyObject *problem, PyObject *names, int count, const char *bad, std::string &out) {
  out.clear();
  if (!names || names == Py_None) return 0;
  ProblemObject *p = (ProblemObject *)problem;
  int limit = 0;
  if (ONDRgetintcontrol(p->prob, ONDR_MAXNAMELENGTH, &limit) != 0) {
    setOndrErrIfNull(problem, nullptr);
    return -1;
  }
  for (int i = 0; i < count; ++i) {
    PyRef item(PySequence_GetItem(names, i));
    CArray<char> s;
    if (item) *s.addr() = pyStrToStr(item.get());
    if (!s.get()) return raiseUnlessPending(bad, i);
    size_t len = strlen(s.get());
    // A name with a NUL inside would be cut short by the library.
    if ((Py_ssize_t)len != pyStrLen(item.get()) || (int)len > limit) {
      PyErr_Format(PyExc_RuntimeError, bad, i);
      return -1;
    }
    out.append(s.get(), len + 1);
  }
  return 0;
}

static int send_names(PyObject *problem, int type, const std::string &packed, int first, int count) {
  if (packed.empty() || count <= 0) return 0;
  if (ONDRaddnames(((ProblemObject *)problem)->prob, type, packed.data(), first, first + count - 1) != 0) {
    setOndrErrIfNull(problem, nullptr);
    return -1;
  }
  return 0;
}

int addRowNames(PyObject *problem, PyObject *names, int first, int count) {
  std::string packed;
  if (packNames(problem, names, count, "Cannot convert constraint name", packed) != 0) return -1;
  return send_names(problem, 1, packed, first, count);
}

int sendRowColNames(PyObject *problem, int type, const std::string &packed, int first, int count) {
  return send_names(problem, type, packed, first, count);
}

int setColNamesTypes(PyObject *problem, PyObject *names, PyObject *types, int first, int count) {
  ProblemObject *p = (ProblemObject *)problem;
  std::string packed;
  if (packNames(problem, names, count, "Erroneous name for variable %d", packed) != 0) return -1;
  if (send_names(problem, 2, packed, first, count) != 0) return -1;
  if (types && types != Py_None) {
    CArray<int> idx;
    if (!idx.alloc((size_t)count)) {
      PyErr_Format(PyExc_RuntimeError, "Cannot allocate %d columns", count);
      return -1;
    }
    for (int i = 0; i < count; ++i) idx[i] = first + i;
    CArray<char> t;
    int64_t n = count;
    if (conv_obj2arr(problem, &n, types, (void **)t.addr(), CONV_CHAR) != 0) return -1;
    if (ONDRchgcoltype(p->prob, count, idx.get(), t.get()) != 0) return -1;
  }
  return 0;
}

int type_of_letter(char c) {
  switch (c) {
    case 'C': return 0;
    case 'B': return 1;
    case 'I': return 2;
    case 'S': return 3;
    case 'R': return 4;
    case 'P': return 5;
  }
  return -1;
}

int addColsAsVariables(PyObject *problem, PyObject *names, PyObject *types, int nentities,
                       const int *entity_cols, const char *entity_types, const double *entity_limits,
                       int first, int count) {
  ProblemObject *p = (ProblemObject *)problem;
  GcPause paused;
  bool has_names = names && names != Py_None, has_types = types && types != Py_None;
  if (has_names && PySequence_Size(names) != count) return raiseUnlessPending("Incorrect length of variable name list");
  if (has_types && PySequence_Size(types) != count) return raiseUnlessPending("Incorrect length of variable type list");
  std::string letters;
  std::vector<double> limits;
  if (!has_types && nentities > 0 && entity_cols && entity_types) {
    letters.assign((size_t)count, 'C');
    limits.assign((size_t)count, -1e20);
    for (int k = 0; k < nentities; ++k) {
      int c = entity_cols[k];
      if (c >= 0 && c < count) {
        letters[(size_t)c] = entity_types[k];
        if (entity_limits) limits[(size_t)c] = entity_limits[k];
      }
    }
  }
  for (int i = 0; i < count; ++i) {
    PyRef name;
    if (has_names) {
      name.reset(PySequence_GetItem(names, i));
      if (!name) return raiseUnlessPending("Cannot get variable name indexed by %d", i);
    }
    PyRef v(var_create(name.get()));
    if (!v) return -1;
    int vt = -2;
    if (has_types) {
      PyRef t(PySequence_GetItem(types, i));
      if (!t || !PyUnicode_Check(t.get()) || PyUnicode_GetLength(t.get()) != 1)
        return raiseUnlessPending("Cannot get variable type with index %d", i);
      vt = type_of_letter((char)PyUnicode_ReadChar(t.get(), 0));
    } else if (!letters.empty()) {
      vt = type_of_letter(letters[(size_t)i]);
    }
    if (vt == -1) {
      PyErr_SetString(PyExc_RuntimeError, "Incorrect variable type");
      return -1;
    }
    if (vt >= 0) var_set(v.get(), var_lb(v.get()), var_ub(v.get()), vt);
    if (PyList_Append(p->variables, v.get()) != 0) {
      PyErr_SetString(PyExc_RuntimeError, "Cannot add variable to problem's variable set");
      return -1;
    }
    if (map_set(&p->varmap, var_id(v.get()), first + i) != 0) {
      PyErr_SetString(PyExc_RuntimeError, "Could not amend variable map");
      return -1;
    }
  }
  return 0;
}
