// Rays, ranging, basis solves, pivots, the basis condition estimate, and
// the two operations of this family (fixglobals, postsolve).
#include <new>
#include <vector>
#include "api/analysis.h"
#include "module/convert.h"
#include "module/errors.h"
#include "engine/include/ondr.h"

namespace analysis {

PyObject *pivot_object(ProblemObject *p, int rows, int number) {
  if (number < 0) return PyLong_FromLong(-1);
  PyObject *objs = number < rows ? p->constraints : p->variables;
  Py_ssize_t k = number < rows ? number : number - rows;
  if (!objs || k >= PyList_GET_SIZE(objs)) {
    PyErr_Format(PyExc_RuntimeError, "Wrong item returned from API call: pivot %d", number);
    return nullptr;
  }
  return Py_NewRef(PyList_GET_ITEM(objs, k));
}

namespace {

// In the presolved form, pivot numbers count presolved rows and columns:
// they are mapped to the original ones before they become objects.
int original_pivots(ProblemObject *p, int rows, const int *numbers, int64_t n, std::vector<int> &out) {
  int orows = 0, ocols = 0, cols = 0;
  if (int_attr(p, ONDR_ORIGINALROWS, &orows) != 0 || int_attr(p, ONDR_ORIGINALCOLS, &ocols) != 0 ||
      int_attr(p, ONDR_COLS, &cols) != 0)
    return -1;
  out.assign(numbers, numbers + n);
  if (rows == orows && cols == ocols) return 0;
  std::vector<int> rmap((size_t)rows + 1), cmap((size_t)cols + 1);
  if (ONDRgetpresolvemap(p->prob, rmap.data(), cmap.data()) != 0) {
    setOndrErrIfNull((PyObject *)p, nullptr);
    return -1;
  }
  for (int &v : out)
    if (v >= 0) v = v < rows ? rmap[(size_t)v] : orows + cmap[(size_t)(v - rows)];
  return 0;
}

}  // namespace

int pivots_to_list(ProblemObject *p, int rows, const int *numbers, int64_t n, PyObject *list) {
  if (!list || list == Py_None) return 0;
  if (!PyList_Check(list)) {
    PyErr_SetString(PyExc_RuntimeError, "Argument of type List required");
    return -1;
  }
  std::vector<int> orig;
  try {
    if (original_pivots(p, rows, numbers, n, orig) != 0) return -1;
  } catch (const std::bad_alloc &) {
    PyErr_NoMemory();
    return -1;
  }
  int orows = 0;
  if (int_attr(p, ONDR_ORIGINALROWS, &orows) != 0) return -1;
  PyRef items(PyList_New((Py_ssize_t)n));
  if (!items) return -1;
  for (int64_t i = 0; i < n; ++i) {
    PyObject *o = pivot_object(p, orows, orig[(size_t)i]);
    if (!o) return -1;
    PyList_SET_ITEM(items.get(), (Py_ssize_t)i, o);
  }
  return PyList_SetSlice(list, 0, PyList_GET_SIZE(list), items.get());
}

}  // namespace analysis

using namespace analysis;

namespace {

bool given(PyObject *o) { return o && o != Py_None; }

// getprimalray / getdualray and hasprimalray / hasdualray.
PyObject *ray(PyObject *self, PyObject *args, PyObject *kw, bool dual, bool flag_only) {
  static const char *kwp[] = {"ray", nullptr}, *kwd[] = {"dray", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *list = nullptr;
  if (!flag_only) {
    if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)(dual ? kwd : kwp), &list)) return nullptr;
    if (!given(list)) {
      PyErr_SetString(PyExc_RuntimeError, "Must provide argument to retrieve (primal or dual) ray");
      return nullptr;
    }
  }
  if (require_prob(p) != 0) return nullptr;
  auto call = dual ? ONDRgetdualray : ONDRgetprimalray;
  int has = 0;
  if (call(p->prob, nullptr, &has) != 0) return finish(self, nullptr);
  if (flag_only) return PyBool_FromLong(has != 0);
  if (!has) Py_RETURN_NONE;
  int size = 0;
  if (int_attr(p, dual ? ONDR_ROWS : ONDR_COLS, &size) != 0) return nullptr;
  if (size == 0) Py_RETURN_NONE;
  CArray<double> a;
  if (!a.alloc((size_t)size)) return nullptr;
  if (call(p->prob, a.get(), &has) != 0 || conv_arr2obj(self, size, a.get(), list, CONV_DOUBLE) != 0)
    return finish(self, nullptr);
  Py_RETURN_NONE;
}

// objsa / rhssa
PyObject *ranging(PyObject *self, PyObject *args, PyObject *kw, bool rows) {
  static const char *kwlist[] = {"mindex", "lower", "upper", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *idx = nullptr, *lo = nullptr, *up = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOO", (char **)kwlist, &idx, &lo, &up)) return nullptr;
  if (!given(idx) || !given(lo) || !given(up)) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide arguments mindex, lower, and upper");
    return nullptr;
  }
  if (require_prob(p) != 0) return nullptr;
  int64_t n = -1;
  CArray<int> ind;
  CArray<double> l, u;
  if (conv_obj2arr(self, &n, idx, (void **)ind.addr(), rows ? CONV_ROW : CONV_COL) != 0)
    return finish(self, nullptr);
  if (!l.alloc((size_t)n) || !u.alloc((size_t)n)) return nullptr;
  int rc = rows ? ONDRrhssa(p->prob, (int)n, ind.get(), l.get(), u.get())
                : ONDRobjsa(p->prob, (int)n, ind.get(), l.get(), u.get());
  if (rc != 0 || conv_arr2obj(self, n, l.get(), lo, CONV_DOUBLE) != 0 ||
      conv_arr2obj(self, n, u.get(), up, CONV_DOUBLE) != 0)
    return finish(self, nullptr);
  Py_RETURN_NONE;
}

// btran / ftran: the list is solved in place.
PyObject *tran(PyObject *self, PyObject *args, PyObject *kw, bool forward) {
  static const char *kwlist[] = {"vec", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *vec = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &vec)) return nullptr;
  if (require_prob(p) != 0) return nullptr;
  int rows = 0;
  if (int_attr(p, ONDR_ROWS, &rows) != 0) return nullptr;
  int64_t n = rows;
  CArray<double> v;
  if (conv_obj2arr(self, &n, vec, (void **)v.addr(), CONV_DOUBLE) != 0) return finish(self, nullptr);
  int rc = forward ? ONDRftran(p->prob, v.get()) : ONDRbtran(p->prob, v.get());
  if (rc != 0 || conv_arr2obj(self, rows, v.get(), vec, CONV_DOUBLE) != 0) return finish(self, nullptr);
  Py_RETURN_NONE;
}

}  // namespace

PyObject *ONDR_PY_getprimalray(PyObject *s, PyObject *a, PyObject *k) { return ray(s, a, k, false, false); }
PyObject *ONDR_PY_getdualray(PyObject *s, PyObject *a, PyObject *k) { return ray(s, a, k, true, false); }
PyObject *ONDR_PY_hasprimalray(PyObject *s, PyObject *a, PyObject *k) { return ray(s, a, k, false, true); }
PyObject *ONDR_PY_hasdualray(PyObject *s, PyObject *a, PyObject *k) { return ray(s, a, k, true, true); }
PyObject *ONDR_PY_objsa(PyObject *s, PyObject *a, PyObject *k) { return ranging(s, a, k, false); }
PyObject *ONDR_PY_rhssa(PyObject *s, PyObject *a, PyObject *k) { return ranging(s, a, k, true); }
PyObject *ONDR_PY_btran(PyObject *s, PyObject *a, PyObject *k) { return tran(s, a, k, false); }
PyObject *ONDR_PY_ftran(PyObject *s, PyObject *a, PyObject *k) { return tran(s, a, k, true); }

PyObject *ONDR_PY_getunbvec(PyObject *self, PyObject *, PyObject *) {
  ProblemObject *p = (ProblemObject *)self;
  if (require_prob(p) != 0) return nullptr;
  int index = -1;
  if (ONDRgetunbvec(p->prob, &index) != 0) return finish(self, nullptr);
  return PyLong_FromLong(index);
}

PyObject *ONDR_PY_getpivotorder(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"mpiv", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *list = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &list)) return nullptr;
  if (!given(list)) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide argument mpiv");
    return nullptr;
  }
  if (require_prob(p) != 0) return nullptr;
  int rows = 0;
  if (int_attr(p, ONDR_ROWS, &rows) != 0) return nullptr;
  CArray<int> piv;
  if (!piv.alloc((size_t)rows)) return nullptr;
  if (ONDRgetpivotorder(p->prob, piv.get()) != 0 || pivots_to_list(p, rows, piv.get(), rows, list) != 0)
    return finish(self, nullptr);
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_getpivots(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"in", "outlist", "x", "maxpiv", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *in = nullptr, *outlist = nullptr, *x = nullptr;
  int maxpiv = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOi", (char **)kwlist, &in, &outlist, &x, &maxpiv))
    return nullptr;
  if (require_prob(p) != 0) return nullptr;
  int rows = 0, spare = 0, cols = 0;
  if (int_attr(p, ONDR_ROWS, &rows) != 0 || int_attr(p, ONDR_SPAREROWS, &spare) != 0 ||
      int_attr(p, ONDR_COLS, &cols) != 0)
    return nullptr;
  // A row reference is the row's slack; a column reference numbers after the rows.
  int number = 0;
  if (ObjInt2int(in, self, &number, KIND_ROW) != 0) {
    PyErr_Clear();
    if (ObjInt2int(in, self, &number, KIND_COL) != 0) return finish(self, nullptr);
    number += rows;
  }
  if (maxpiv < 0) {
    PyErr_SetString(PyExc_RuntimeError, "maxpiv must not be negative");
    return nullptr;
  }
  CArray<int> out;
  CArray<double> vals;
  int64_t nx = (int64_t)rows + spare + cols;
  if (!out.alloc((size_t)maxpiv) || !alloc_if(vals, x, nx)) return nullptr;
  double objective = 0.0;
  int npiv = 0;
  if (ONDRgetpivots(p->prob, number, out.get(), vals.get(), &objective, &npiv, maxpiv) != 0 ||
      pivots_to_list(p, rows, out.get(), npiv, outlist) != 0 ||
      conv_arr2obj(self, nx, vals.get(), x, CONV_DOUBLE) != 0)
    return finish(self, nullptr);
  return Py_BuildValue("(di)", objective, npiv);
}

PyObject *ONDR_PY_basisstability(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"type", "norm", "ifscaled", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  int type = 0, norm = 0, ifscaled = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "iii", (char **)kwlist, &type, &norm, &ifscaled)) return nullptr;
  if (require_prob(p) != 0) return nullptr;
  double value = 0.0;
  if (ONDRbasisstability(p->prob, type, norm, ifscaled, &value) != 0) return finish(self, nullptr);
  return PyFloat_FromDouble(value);
}

PyObject *ONDR_PY_fixglobals(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"ifround", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *ifround = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &ifround)) return nullptr;
  if (require_prob(p) != 0) return nullptr;
  if (ONDRfixglobals(p->prob, ifround == Py_True ? 1 : 0) != 0) return finish(self, nullptr);
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_postsolve(PyObject *self, PyObject *, PyObject *) {
  ProblemObject *p = (ProblemObject *)self;
  if (require_prob(p) != 0) return nullptr;
  if (ONDRpostsolve(p->prob) != 0) return finish(self, nullptr);
  Py_RETURN_NONE;
}
