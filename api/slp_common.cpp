// Helpers shared by the nonlinear layer's low-level methods.
#include "api/slp_common.h"

OSLPprob slp_handle(PyObject *self) {
  ProblemObject *p = (ProblemObject *)self;
  if (!p->prob || !p->slpprob) {
    PyErr_SetString(PyExc_RuntimeError, p->prob ? "The nonlinear layer is not available"
                                                : "The problem has no library problem");
    return nullptr;
  }
  return p->slpprob;
}

PyObject *slp_fail(const char *msg) {
  // An exception raised by the user's own objects (__index__, __float__,
  // an iterator) other than a type or range error propagates as it is.
  if (PyErr_Occurred() && !PyErr_ExceptionMatches(PyExc_TypeError) &&
      !PyErr_ExceptionMatches(PyExc_OverflowError) && !PyErr_ExceptionMatches(PyExc_ValueError) &&
      !PyErr_ExceptionMatches(PyExc_RuntimeError))
    return nullptr;
  PyErr_Clear();
  PyErr_SetString(PyExc_RuntimeError, msg);
  return nullptr;
}

PyObject *slp_done(PyObject *self, int rc) {
  if (rc != 0) {
    setOndrErrIfNull(self, nullptr);
    return nullptr;
  }
  if (PyErr_Occurred()) return nullptr;
  Py_RETURN_NONE;
}

int slp_ref(PyObject *self, PyObject *obj, int kind, int *out) {
  if (!obj) {
    PyErr_SetString(PyExc_RuntimeError, kind == KIND_ROW ? "A row is required" : "A column is required");
    return -1;
  }
  return ObjInt2int(obj, self, out, kind);
}

int slp_opt_double(PyObject *obj, double *v, bool *has) {
  *has = obj && obj != Py_None;
  if (!*has) return 0;
  *v = PyFloat_AsDouble(obj);
  return *v == -1.0 && PyErr_Occurred() ? -1 : 0;
}

int slp_opt_int(PyObject *obj, int *v, bool *has) {
  *has = obj && obj != Py_None;
  if (!*has) return 0;
  if (!isObjInt(obj)) {
    PyErr_SetString(PyExc_TypeError, "an integer is required");
    return -1;
  }
  return pyInt2int(obj, v, "Integer argument");
}

PyObject *slp_int_list(const int *v, int n) {
  PyRef l(PyList_New(n));
  if (!l) return nullptr;
  for (int i = 0; i < n; ++i) {
    PyObject *o = PyLong_FromLong(v[i]);
    if (!o) return nullptr;
    PyList_SET_ITEM(l.get(), i, o);
  }
  return l.release();
}

PyObject *slp_dbl_list(const double *v, int n) {
  PyRef l(PyList_New(n));
  if (!l) return nullptr;
  for (int i = 0; i < n; ++i) {
    PyObject *o = PyFloat_FromDouble(v[i]);
    if (!o) return nullptr;
    PyList_SET_ITEM(l.get(), i, o);
  }
  return l.release();
}
