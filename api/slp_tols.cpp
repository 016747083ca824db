// Nonlinear-layer methods on tolerance sets, derivative factors, row
// weights and row statuses.
#include "api/slp_common.h"
#include "oslp.h"

namespace {

struct TolPair {
  const char *msg;
  int (*call)(OSLPprob, int, const double[]);
};
const TolPair kTolPair[2] = {{"Wrong arguments in loadtolsets", OSLPloadtolsets},
                             {"Wrong arguments in addtolsets", OSLPaddtolsets}};

PyObject *load_or_add_tolsets(PyObject *self, PyObject *args, PyObject *kw, int sel) {
  static const char *kwlist[] = {"tol", nullptr};
  PyObject *tol;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &tol) || tol == Py_None)
    return slp_fail(kTolPair[sel].msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  CArray<double> t;
  int64_t n = -1;
  if (conv_obj2arr(self, &n, tol, (void **)t.addr(), CONV_DOUBLE) != 0) return nullptr;
  if (n % 9 != 0) {
    PyErr_SetString(PyExc_RuntimeError, "The \"tol\" argument should have a multiple of 9 elements");
    return nullptr;
  }
  return slp_done(self, kTolPair[sel].call(s, (int)(n / 9), t.get()));
}
PyObject *ONDR_PY_loadtolsets(PyObject *s, PyObject *a, PyObject *k) { return load_or_add_tolsets(s, a, k, 0); }
PyObject *ONDR_PY_addtolsets(PyObject *s, PyObject *a, PyObject *k) { return load_or_add_tolsets(s, a, k, 1); }

PyObject *ONDR_PY_chgtolset(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"ntol", "status", "tols", nullptr};
  int ntol;
  PyObject *statusobj, *tols;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "iOO", (char **)kwlist, &ntol, &statusobj, &tols))
    return slp_fail("Wrong arguments in chgtolset");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int status;
  bool has;
  if (slp_opt_int(statusobj, &status, &has) != 0) return slp_fail("Wrong arguments in chgtolset");
  CArray<double> t;
  int64_t n = -1;
  if (tols == Py_None) return slp_fail("Wrong number of elements in tols (should be 9)");
  if (conv_obj2arr(self, &n, tols, (void **)t.addr(), CONV_DOUBLE) != 0) return nullptr;
  if (n != 9) return slp_fail("Wrong number of elements in tols (should be 9)");
  return slp_done(self, OSLPchgtolset(s, ntol, has ? &status : nullptr, t.get()));
}

PyObject *ONDR_PY_gettolset(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"nslptol", "tols", nullptr};
  int ntol;
  PyObject *tols = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "i|O", (char **)kwlist, &ntol, &tols) ||
      (tols && tols != Py_None && !PyList_Check(tols)))
    return slp_fail("Incorrect arguments in gettolset");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int status = 0;
  double t[9];
  int rc = OSLPgettolset(s, ntol, &status, t);
  if (rc != 0) return slp_done(self, rc);
  if (conv_arr2obj(self, 9, t, tols, CONV_DOUBLE) != 0) return nullptr;
  return PyLong_FromLong(status);
}

PyObject *ONDR_PY_deltolsets(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"index", nullptr};
  PyObject *index;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &index) || index == Py_None)
    return slp_fail("Incorrect arguments to deltolsets");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  CArray<int> sets;
  int64_t n = -1;
  if (conv_obj2arr(self, &n, index, (void **)sets.addr(), CONV_INT) != 0) return nullptr;
  return slp_done(self, OSLPdeltolsets(s, (int)n, sets.get()));
}

struct DfPair {
  const char *msg;
  int (*call)(OSLPprob, int, const int[], const int[], const double[]);
};
const DfPair kDfPair[2] = {{"Wrong arguments in loaddfs", OSLPloaddfs}, {"Wrong arguments in adddfs", OSLPadddfs}};

PyObject *load_or_add_dfs(PyObject *self, PyObject *args, PyObject *kw, int sel) {
  static const char *kwlist[] = {"colindex", "rowindex", "value", nullptr};
  PyObject *c, *r, *v;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOO", (char **)kwlist, &c, &r, &v) || c == Py_None ||
      r == Py_None || v == Py_None)
    return slp_fail(kDfPair[sel].msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  CArray<int> cols, rows;
  CArray<double> vals;
  int64_t n = -1;
  if (conv_obj2arr(self, &n, c, (void **)cols.addr(), CONV_COL) != 0 ||
      conv_obj2arr(self, &n, r, (void **)rows.addr(), CONV_ROW) != 0 ||
      conv_obj2arr(self, &n, v, (void **)vals.addr(), CONV_DOUBLE) != 0)
    return nullptr;
  return slp_done(self, kDfPair[sel].call(s, (int)n, cols.get(), rows.get(), vals.get()));
}
PyObject *ONDR_PY_loaddfs(PyObject *s, PyObject *a, PyObject *k) { return load_or_add_dfs(s, a, k, 0); }
PyObject *ONDR_PY_adddfs(PyObject *s, PyObject *a, PyObject *k) { return load_or_add_dfs(s, a, k, 1); }

PyObject *ONDR_PY_chgdf(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"colindex", "rowindex", "value", nullptr};
  PyObject *c, *r, *v = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO|O", (char **)kwlist, &c, &r, &v))
    return slp_fail("Wrong arguments in chgdf");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int col, row;
  double value = 0.0;
  bool has;
  if (slp_ref(self, c, KIND_COL, &col) != 0 || slp_ref(self, r, KIND_ROW, &row) != 0) return nullptr;
  if (slp_opt_double(v, &value, &has) != 0) return slp_fail("Wrong arguments in chgdf");
  int rc = OSLPchgdf(s, col, row, has ? &value : nullptr);
  if (rc != 0) return slp_done(self, rc);
  return PyFloat_FromDouble(has ? value : 0.0);
}

PyObject *ONDR_PY_getdf(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"colindex", "rowindex", nullptr};
  PyObject *c, *r;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)kwlist, &c, &r))
    return slp_fail("Incorrect arguments in getdf");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int col, row;
  double value;
  if (slp_ref(self, c, KIND_COL, &col) != 0 || slp_ref(self, r, KIND_ROW, &row) != 0) return nullptr;
  int rc = OSLPgetdf(s, col, row, &value);
  return rc ? slp_done(self, rc) : PyFloat_FromDouble(value);
}

PyObject *ONDR_PY_chgrowwt(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowindex", "value", nullptr};
  PyObject *r, *v = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O|O", (char **)kwlist, &r, &v))
    return slp_fail("Incorrect call to chgrowwt");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int row;
  double value;
  bool has;
  if (slp_ref(self, r, KIND_ROW, &row) != 0) return nullptr;
  if (slp_opt_double(v, &value, &has) != 0) return slp_fail("Incorrect call to chgrowwt");
  return slp_done(self, OSLPchgrowwt(s, row, has ? &value : nullptr));
}

PyObject *ONDR_PY_chgrowstatus(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowindex", "status", nullptr};
  PyObject *r, *v = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O|O", (char **)kwlist, &r, &v))
    return slp_fail("Incorrect call to chgrowstatus");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int row, status;
  bool has;
  if (slp_ref(self, r, KIND_ROW, &row) != 0) return nullptr;
  if (slp_opt_int(v, &status, &has) != 0) return slp_fail("Incorrect call to chgrowstatus");
  return slp_done(self, OSLPchgrowstatus(s, row, has ? &status : nullptr));
}

// getrowwt (0) and getrowstatus (1): a row in, one number out.
PyObject *get_row_value(PyObject *self, PyObject *args, PyObject *kw, int sel) {
  static const char *kwlist[] = {"rowindex", nullptr};
  static const char *msgs[2] = {"Incorrect arguments in getrowwt", "Incorrect arguments in getrowstatus"};
  PyObject *r;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &r)) return slp_fail(msgs[sel]);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int row;
  if (slp_ref(self, r, KIND_ROW, &row) != 0) return nullptr;
  double wt;
  int status;
  int rc = sel == 0 ? OSLPgetrowwt(s, row, &wt) : OSLPgetrowstatus(s, row, &status);
  if (rc != 0) return slp_done(self, rc);
  return sel == 0 ? PyFloat_FromDouble(wt) : PyLong_FromLong(status);
}
PyObject *ONDR_PY_getrowwt(PyObject *s, PyObject *a, PyObject *k) { return get_row_value(s, a, k, 0); }
PyObject *ONDR_PY_getrowstatus(PyObject *s, PyObject *a, PyObject *k) { return get_row_value(s, a, k, 1); }

}  // namespace

#define KW METH_VARARGS | METH_KEYWORDS
#define TOLDOC(name, purpose) \
  METHOD_DOC(purpose, "p." #name "(tol)", \
             "tol: floats, 9 per set (closure abs/rel, step bound abs/rel, objective impact\n" \
             "  abs/rel, linearization error abs/rel, distance to a bound).", "p.loadtolsets([1e-6] * 9)", \
             "A column refers to a set by number (1 based) through loadvars or chgvar.", \
             "chgtolset, gettolset, deltolsets")
const PyMethodDef problem_slp_tol_methods[] = {
    {"loadtolsets", (PyCFunction)ONDR_PY_loadtolsets, KW, TOLDOC(loadtolsets, "Loads tolerance sets of 9 tolerances each, replacing all.")},
    {"addtolsets", (PyCFunction)ONDR_PY_addtolsets, KW, TOLDOC(addtolsets, "Adds tolerance sets of 9 tolerances each.")},
    {"chgtolset", (PyCFunction)ONDR_PY_chgtolset, KW,
     METHOD_DOC("Changes a tolerance set.", "p.chgtolset(ntol, status, tols)",
                "ntol: the set (1 based); status: bits of the active tolerances, or None;\n"
                "  tols: 9 floats.", "p.chgtolset(1, None, [1e-4] * 9)", "Tolerance i is active when bit i is set.",
                "gettolset, loadtolsets")},
    {"gettolset", (PyCFunction)ONDR_PY_gettolset, KW,
     METHOD_DOC("Returns a tolerance set's status and fills its tolerances.", "p.gettolset(nslptol, tols)",
                "nslptol: the set (1 based); tols: a list for the 9 tolerances, or None.",
                "t = []; status = p.gettolset(1, t)", "", "chgtolset")},
    {"deltolsets", (PyCFunction)ONDR_PY_deltolsets, KW,
     METHOD_DOC("Deletes tolerance sets.", "p.deltolsets(index)", "index: set numbers (1 based).",
                "p.deltolsets([1])", "Later sets are renumbered; columns of a deleted set get none.",
                "loadtolsets")},
    {"loaddfs", (PyCFunction)ONDR_PY_loaddfs, KW,
     METHOD_DOC("Loads derivative factors, replacing all.", "p.loaddfs(colindex, rowindex, value)",
                "colindex, rowindex, value: one factor per (column, row).", "p.loaddfs([x], [c], [0.5])",
                "The factor multiplies the row's derivative in the column in SLP steps.", "adddfs, chgdf, getdf")},
    {"adddfs", (PyCFunction)ONDR_PY_adddfs, KW,
     METHOD_DOC("Adds or changes derivative factors.", "p.adddfs(colindex, rowindex, value)",
                "as for loaddfs.", "p.adddfs([x], [c], [0.5])", "", "loaddfs")},
    {"chgdf", (PyCFunction)ONDR_PY_chgdf, KW,
     METHOD_DOC("Changes one derivative factor.", "p.chgdf(colindex, rowindex, value)",
                "value: the factor, or None to leave it.", "p.chgdf(x, c, 0.5)", "Returns the value (0.0 for None).",
                "getdf")},
    {"getdf", (PyCFunction)ONDR_PY_getdf, KW,
     METHOD_DOC("Returns a derivative factor.", "p.getdf(colindex, rowindex)", "a column and a row.",
                "p.getdf(x, c)", "1.0 when none was set.", "chgdf")},
    {"chgrowwt", (PyCFunction)ONDR_PY_chgrowwt, KW,
     METHOD_DOC("Changes a row's SLP penalty weight.", "p.chgrowwt(rowindex, value)",
                "value: the weight (> 0), or None to leave it.", "p.chgrowwt(c, 10.0)",
                "The weight multiplies the row's penalty in SLP steps.", "getrowwt")},
    {"getrowwt", (PyCFunction)ONDR_PY_getrowwt, KW,
     METHOD_DOC("Returns a row's SLP penalty weight.", "p.getrowwt(rowindex)", "a row.", "p.getrowwt(c)",
                "1.0 when none was set.", "chgrowwt")},
    {"chgrowstatus", (PyCFunction)ONDR_PY_chgrowstatus, KW,
     METHOD_DOC("Changes a row's nonlinear status bits.", "p.chgrowstatus(rowindex, status)",
                "status: the bits, or None to leave them.", "p.chgrowstatus(c, 0)", "", "getrowstatus")},
    {"getrowstatus", (PyCFunction)ONDR_PY_getrowstatus, KW,
     METHOD_DOC("Returns a row's nonlinear status bits.", "p.getrowstatus(rowindex)", "a row.",
                "p.getrowstatus(c)", "Bit 0x800: the row determines a column.", "chgrowstatus")},
    {nullptr, nullptr, 0, nullptr}};
