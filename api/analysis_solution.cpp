// Solutions, bases, infeasibility lists, the presolve map and the values
// computed for given vectors.
#include "api/analysis.h"
#include "module/convert.h"
#include "module/errors.h"
#include "engine/include/ondr.h"

namespace analysis {

int require_prob(ProblemObject *p) {
  if (p->prob) return 0;
  PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem");
  return -1;
}

int int_attr(ProblemObject *p, int id, int *value) {
  if (ONDRgetintattrib(p->prob, id, value) == 0) return 0;
  setOndrErrIfNull((PyObject *)p, nullptr);
  return -1;
}

PyObject *finish(PyObject *self, PyObject *result) {
  setOndrErrIfNull(self, result);
  return result;
}

}  // namespace analysis

using namespace analysis;

namespace {

// Sizes of the problem as loaded, or of its current (presolved) form.
int sizes(ProblemObject *p, bool presolved, int *rows, int *cols) {
  if (require_prob(p) != 0) return -1;
  if (int_attr(p, presolved ? ONDR_ROWS : ONDR_ORIGINALROWS, rows) != 0) return -1;
  return int_attr(p, presolved ? ONDR_COLS : ONDR_ORIGINALCOLS, cols);
}

bool given(PyObject *o) { return o && o != Py_None; }

// getlpsol / getpresolvesol / getmipsol: optional output lists, each filled
// when given.
PyObject *solution(PyObject *self, PyObject *args, PyObject *kw, int which) {
  static const char *kw4[] = {"x", "slack", "dual", "dj", nullptr};
  static const char *kw2[] = {"x", "slack", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *o[4] = {nullptr, nullptr, nullptr, nullptr};
  bool mip = which == 2;
  if (!PyArg_ParseTupleAndKeywords(args, kw, mip ? "|OO" : "|OOOO", (char **)(mip ? kw2 : kw4), &o[0],
                                   &o[1], &o[2], &o[3]))
    return nullptr;
  int rows = 0, cols = 0;
  if (sizes(p, which == 1, &rows, &cols) != 0) return nullptr;
  const int64_t len[4] = {cols, rows, rows, cols};
  CArray<double> a[4];
  for (int k = 0; k < 4; ++k)
    if (!alloc_if(a[k], o[k], len[k])) return nullptr;
  int rc = which == 0   ? ONDRgetlpsol(p->prob, a[0].get(), a[1].get(), a[2].get(), a[3].get())
           : which == 1 ? ONDRgetpresolvesol(p->prob, a[0].get(), a[1].get(), a[2].get(), a[3].get())
                        : ONDRgetmipsol(p->prob, a[0].get(), a[1].get());
  if (rc != 0) return finish(self, nullptr);
  for (int k = 0; k < 4; ++k)
    if (conv_arr2obj(self, len[k], a[k].get(), o[k], CONV_DOUBLE) != 0) return finish(self, nullptr);
  Py_RETURN_NONE;
}

// getbasis / getpresolvebasis
PyObject *basis(PyObject *self, PyObject *args, PyObject *kw, bool presolved) {
  static const char *kwlist[] = {"rstatus", "cstatus", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *r = nullptr, *c = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)kwlist, &r, &c)) return nullptr;
  if (!given(r) || !given(c)) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide arguments (as lists) of get[presolve]basis");
    return nullptr;
  }
  int rows = 0, cols = 0;
  if (sizes(p, presolved, &rows, &cols) != 0) return nullptr;
  CArray<int> rs, cs;
  if (!rs.alloc((size_t)rows) || !cs.alloc((size_t)cols)) return nullptr;
  int rc = presolved ? ONDRgetpresolvebasis(p->prob, rs.get(), cs.get())
                     : ONDRgetbasis(p->prob, rs.get(), cs.get());
  if (rc != 0 || conv_arr2obj(self, rows, rs.get(), r, CONV_INT) != 0 ||
      conv_arr2obj(self, cols, cs.get(), c, CONV_INT) != 0)
    return finish(self, nullptr);
  Py_RETURN_NONE;
}

// loadbasis / loadpresolvebasis
PyObject *load_basis(PyObject *self, PyObject *args, PyObject *kw, bool presolved) {
  static const char *kwlist[] = {"rstatus", "cstatus", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *r = nullptr, *c = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)kwlist, &r, &c)) return nullptr;
  if (!given(r) || !given(c)) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide argument rstatus, cstatus");
    return nullptr;
  }
  int rows = 0, cols = 0;
  if (sizes(p, presolved, &rows, &cols) != 0) return nullptr;
  int64_t nr = rows, nc = cols;
  CArray<int> rs, cs;
  if (conv_obj2arr(self, &nr, r, (void **)rs.addr(), CONV_INT) != 0 ||
      conv_obj2arr(self, &nc, c, (void **)cs.addr(), CONV_INT) != 0)
    return finish(self, nullptr);
  int rc = presolved ? ONDRloadpresolvebasis(p->prob, rs.get(), cs.get())
                     : ONDRloadbasis(p->prob, rs.get(), cs.get());
  if (rc != 0) return finish(self, nullptr);
  Py_RETURN_NONE;
}

// getinfeas / getscaledinfeas: counts first, then the lists.
PyObject *infeas(PyObject *self, PyObject *args, PyObject *kw, bool scaled) {
  static const char *kwlist[] = {"mx", "mslack", "mdual", "mdj", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *o[4] = {nullptr, nullptr, nullptr, nullptr};
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOO", (char **)kwlist, &o[0], &o[1], &o[2], &o[3]))
    return nullptr;
  if (require_prob(p) != 0) return nullptr;
  auto call = scaled ? ONDRgetscaledinfeas : ONDRgetinfeas;
  int n[4] = {0, 0, 0, 0};
  if (call(p->prob, &n[0], &n[1], &n[2], &n[3], nullptr, nullptr, nullptr, nullptr) != 0)
    return finish(self, nullptr);
  if (!n[0] && !n[1] && !n[2] && !n[3]) Py_RETURN_NONE;
  CArray<int> a[4];
  for (int k = 0; k < 4; ++k)
    if (n[k] && !alloc_if(a[k], o[k], n[k])) return nullptr;
  int m[4];
  if (call(p->prob, &m[0], &m[1], &m[2], &m[3], a[0].get(), a[1].get(), a[2].get(), a[3].get()) != 0)
    return finish(self, nullptr);
  static const int codes[4] = {CONV_COL, CONV_ROW, CONV_ROW, CONV_COL};
  for (int k = 0; k < 4; ++k)
    if (n[k] && conv_arr2obj(self, n[k], a[k].get(), o[k], codes[k]) != 0) return finish(self, nullptr);
  Py_RETURN_NONE;
}

}  // namespace

PyObject *ONDR_PY_getlpsol(PyObject *s, PyObject *a, PyObject *k) { return solution(s, a, k, 0); }
PyObject *ONDR_PY_getpresolvesol(PyObject *s, PyObject *a, PyObject *k) { return solution(s, a, k, 1); }
PyObject *ONDR_PY_getmipsol(PyObject *s, PyObject *a, PyObject *k) { return solution(s, a, k, 2); }
PyObject *ONDR_PY_getbasis(PyObject *s, PyObject *a, PyObject *k) { return basis(s, a, k, false); }
PyObject *ONDR_PY_getpresolvebasis(PyObject *s, PyObject *a, PyObject *k) { return basis(s, a, k, true); }
PyObject *ONDR_PY_loadbasis(PyObject *s, PyObject *a, PyObject *k) { return load_basis(s, a, k, false); }
PyObject *ONDR_PY_loadpresolvebasis(PyObject *s, PyObject *a, PyObject *k) { return load_basis(s, a, k, true); }
PyObject *ONDR_PY_getinfeas(PyObject *s, PyObject *a, PyObject *k) { return infeas(s, a, k, false); }
PyObject *ONDR_PY_getscaledinfeas(PyObject *s, PyObject *a, PyObject *k) { return infeas(s, a, k, true); }

PyObject *ONDR_PY_loadlpsol(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"x", "slack", "dual", "dj", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  int rows = 0, cols = 0;
  if (sizes(p, false, &rows, &cols) != 0) return nullptr;
  PyObject *o[4] = {nullptr, nullptr, nullptr, nullptr};
  if (!PyArg_ParseTupleAndKeywords(args, kw, "|OOOO", (char **)kwlist, &o[0], &o[1], &o[2], &o[3]))
    return nullptr;
  const int64_t len[4] = {cols, rows, rows, cols};
  CArray<double> a[4];
  for (int k = 0; k < 4; ++k) {
    int64_t n = len[k];
    if (conv_obj2arr(self, &n, o[k], (void **)a[k].addr(), CONV_DOUBLE) != 0) return finish(self, nullptr);
  }
  int status = 0;
  if (ONDRloadlpsol(p->prob, a[0].get(), a[1].get(), a[2].get(), a[3].get(), &status) != 0)
    return finish(self, nullptr);
  return PyLong_FromLong(status);
}

PyObject *ONDR_PY_getpresolvemap(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowmap", "colmap", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  int rows = 0, cols = 0;
  if (sizes(p, true, &rows, &cols) != 0) return nullptr;
  PyObject *r = nullptr, *c = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)kwlist, &r, &c)) return nullptr;
  if (!given(r) || !given(c)) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide argument rowmap and colmap");
    return nullptr;
  }
  CArray<int> rm, cm;
  if (!rm.alloc((size_t)rows) || !cm.alloc((size_t)cols)) return nullptr;
  if (ONDRgetpresolvemap(p->prob, rm.get(), cm.get()) != 0 ||
      conv_arr2obj(self, rows, rm.get(), r, CONV_ROW) != 0 ||
      conv_arr2obj(self, cols, cm.get(), c, CONV_COL) != 0)
    return finish(self, nullptr);
  Py_RETURN_NONE;
}

// ---- computations on given vectors ----

PyObject *ONDR_PY_calcobjective(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"solution", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *sol = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &sol)) return nullptr;
  if (!given(sol)) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide argument solution");
    return nullptr;
  }
  int rows = 0, cols = 0;
  if (sizes(p, false, &rows, &cols) != 0) return nullptr;
  int64_t n = cols;
  CArray<double> x;
  double value = 0.0;
  if (conv_obj2arr(self, &n, sol, (void **)x.addr(), CONV_DOUBLE) != 0 ||
      ONDRcalcobjective(p->prob, x.get(), &value) != 0)
    return finish(self, nullptr);
  return PyFloat_FromDouble(value);
}

PyObject *ONDR_PY_calcslacks(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"solution", "calculatedslacks", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *sol = nullptr, *out = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)kwlist, &sol, &out)) return nullptr;
  if (!given(sol) || !given(out)) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide arguments solution and calculatedslacks");
    return nullptr;
  }
  int rows = 0, cols = 0;
  if (sizes(p, false, &rows, &cols) != 0) return nullptr;
  int64_t n = cols;
  CArray<double> x, s;
  if (conv_obj2arr(self, &n, sol, (void **)x.addr(), CONV_DOUBLE) != 0) return finish(self, nullptr);
  if (!s.alloc((size_t)rows)) return nullptr;
  if (ONDRcalcslacks(p->prob, x.get(), s.get()) != 0 ||
      conv_arr2obj(self, rows, s.get(), out, CONV_DOUBLE) != 0)
    return finish(self, nullptr);
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_calcreducedcosts(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"duals", "solution", "calculateddjs", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *duals = nullptr, *sol = nullptr, *out = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOO", (char **)kwlist, &duals, &sol, &out)) return nullptr;
  if (!given(duals) || !given(out)) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide arguments duals and calculateddjs");
    return nullptr;
  }
  int rows = 0, cols = 0;
  if (sizes(p, false, &rows, &cols) != 0) return nullptr;
  int64_t nr = rows, nc = cols;
  CArray<double> y, x, d;
  if (conv_obj2arr(self, &nr, duals, (void **)y.addr(), CONV_DOUBLE) != 0 ||
      conv_obj2arr(self, &nc, sol, (void **)x.addr(), CONV_DOUBLE) != 0)
    return finish(self, nullptr);
  if (!d.alloc((size_t)cols)) return nullptr;
  if (ONDRcalcreducedcosts(p->prob, y.get(), x.get(), d.get()) != 0 ||
      conv_arr2obj(self, cols, d.get(), out, CONV_DOUBLE) != 0)
    return finish(self, nullptr);
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_calcsolinfo(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"solution", "dual", "property", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *sol = nullptr, *dual = nullptr;
  int property = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOi", (char **)kwlist, &sol, &dual, &property)) return nullptr;
  if (!given(sol) || !given(dual)) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide arguments solution and dual");
    return nullptr;
  }
  int rows = 0, cols = 0;
  if (sizes(p, false, &rows, &cols) != 0) return nullptr;
  int64_t nr = rows, nc = cols;
  CArray<double> x, y;
  double value = 0.0;
  if (conv_obj2arr(self, &nc, sol, (void **)x.addr(), CONV_DOUBLE) != 0 ||
      conv_obj2arr(self, &nr, dual, (void **)y.addr(), CONV_DOUBLE) != 0 ||
      ONDRcalcsolinfo(p->prob, x.get(), y.get(), property, &value) != 0)
    return finish(self, nullptr);
  return PyFloat_FromDouble(value);
}
