// The shape shared by the low-level matrix methods: a required-argument
// check with the method's own message, conversion into owned C arrays, the
// library call, and the common error step on the way out.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <cstdint>
#include <initializer_list>
#include <vector>
#include "engine/include/ondr.h"
#include "module/convert.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "problem/problem.h"

namespace wrap {

inline ProblemObject *P(PyObject *self) { return (ProblemObject *)self; }

inline bool absent(PyObject *o) { return !o || o == Py_None; }

// 0 when the problem has a library problem and may be changed from this
// thread; -1 with a RuntimeError otherwise.
inline int usable(PyObject *self) {
  ProblemObject *p = P(self);
  if (!p->prob) {
    PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem");
    return -1;
  }
  return problem_check_idle(p);
}

// RuntimeError `msg` when any of `objs` is null or None.
inline int require(const char *msg, std::initializer_list<PyObject *> objs) {
  for (PyObject *o : objs)
    if (absent(o)) {
      PyErr_SetString(PyExc_RuntimeError, msg);
      return -1;
    }
  return 0;
}

// Output arguments must be lists (or None); checked before the library is
// asked, so a call that cannot deliver leaves every list as it was.
inline int outputs_ok(std::initializer_list<PyObject *> outs) {
  for (PyObject *o : outs)
    if (!absent(o) && !PyList_Check(o)) {
      PyErr_SetString(PyExc_RuntimeError, "Argument of type List required");
      return -1;
    }
  return 0;
}

// conv_obj2arr into an owned array; `count` is shared by the arrays of one
// length (null: no length check).
template <class T>
inline int conv(PyObject *self, int64_t *count, PyObject *obj, CArray<T> &arr, int code) {
  return conv_obj2arr(self, count, obj, (void **)arr.addr(), code);
}

// An optional array converted with a length of its own: an absent one is
// null and leaves its count at -1.
template <class T>
inline int conv_own(PyObject *self, int64_t *count, PyObject *obj, CArray<T> &arr, int code) {
  *count = -1;
  return conv(self, count, obj, arr, code);
}

// A count for a 32-bit library argument; RuntimeError when it cannot be one.
inline int as_int(int64_t n, int *out) {
  if (n > INT32_MAX) {
    PyErr_Format(PyExc_RuntimeError, "Too many items in one call: %lld", (long long)n);
    return -1;
  }
  *out = n < 0 ? 0 : (int)n;
  return 0;
}

// An integer attribute of the optimizer problem.
inline int attrib(PyObject *self, int id, int *value) {
  if (ONDRgetintattrib(P(self)->prob, id, value) != 0) {
    setOndrErrIfNull(self, nullptr);
    return -1;
  }
  return 0;
}

// The way out of every method: `rc` is the status of the last step (0
// success). None on success, else null with the pending exception or the
// library's last error.
inline PyObject *done(PyObject *self, int rc) {
  if (rc != 0) {
    setOndrErrIfNull(self, nullptr);
    return nullptr;
  }
  Py_RETURN_NONE;
}

// `result` (a new reference or null) through the common error step.
inline PyObject *result(PyObject *self, PyObject *result) {
  setOndrErrIfNull(self, result);
  return result;
}

}  // namespace wrap

// Method tables of the low-level families, joined into ondrel.problem
// (null-terminated; built once, living as long as the process).
const PyMethodDef *problem_load_methods();
const PyMethodDef *problem_modify_methods();
const PyMethodDef *problem_query_methods();
const PyMethodDef *problem_cuts_methods();       // api/cuts.cpp
const PyMethodDef *problem_directive_methods();  // api/directives.cpp

namespace wrap {
// The table entry of a keyword method.
inline PyMethodDef kw_method(const char *name, PyCFunctionWithKeywords f, const char *doc) {
  return {name, (PyCFunction)(void (*)())f, METH_VARARGS | METH_KEYWORDS, doc};
}
}  // namespace wrap
