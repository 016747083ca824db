// Nonlinear-layer methods on SLP variables: loadvars/addvars, getvar,
// chgdeltatype, chgcascadenlimit and delvars.
#include "api/slp_common.h"
#include "oslp.h"

namespace {

// loadvars (0) and addvars (1): one implementation, the library call and
// message chosen by the selector.
struct VarsPair {
  const char *msg;
  int (*call)(OSLPprob, int, const int[], const int[], const int[], const int[], const int[], const double[],
              const double[]);
};
const VarsPair kVarsPair[2] = {{"Wrong arguments in loadvars", OSLPloadvars},
                               {"Wrong arguments in addvars", OSLPaddvars}};

PyObject *load_or_add_vars(PyObject *self, PyObject *args, PyObject *kw, int sel) {
  static const char *kwlist[] = {"colindex", "vartype", "detrow", "seqnum", "tolindex", "initvalue", "stepbound",
                                 nullptr};
  PyObject *o[7] = {nullptr};
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOOOOO", (char **)kwlist, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5],
                                   &o[6]))
    return slp_fail(kVarsPair[sel].msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  for (PyObject *x : o)
    if (x == Py_None) return slp_fail(kVarsPair[sel].msg);
  static const int codes[7] = {CONV_COL, CONV_INT, CONV_ROW, CONV_INT, CONV_INT, CONV_DOUBLE, CONV_DOUBLE};
  CArray<int> ia[5];
  CArray<double> da[2];
  void **outs[7] = {(void **)ia[0].addr(), (void **)ia[1].addr(), (void **)ia[2].addr(), (void **)ia[3].addr(),
                    (void **)ia[4].addr(), (void **)da[0].addr(), (void **)da[1].addr()};
  int64_t n = -1;
  for (int k = 0; k < 7; ++k)
    if (conv_obj2arr(self, &n, o[k], outs[k], codes[k]) != 0) return nullptr;
  int rc = kVarsPair[sel].call(s, (int)n, ia[0].get(), ia[1].get(), ia[2].get(), ia[3].get(), ia[4].get(),
                               da[0].get(), da[1].get());
  return slp_done(self, rc);
}

PyObject *ONDR_PY_loadvars(PyObject *s, PyObject *a, PyObject *k) { return load_or_add_vars(s, a, k, 0); }
PyObject *ONDR_PY_addvars(PyObject *s, PyObject *a, PyObject *k) { return load_or_add_vars(s, a, k, 1); }

PyObject *ONDR_PY_getvar(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"colindex", nullptr};
  PyObject *colobj = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &colobj))
    return slp_fail("Incorrect arguments in getvar");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int col;
  if (slp_ref(self, colobj, KIND_COL, &col) != 0) return nullptr;
  int detrow, tolset, history, converged, vartype, delta, penaltydelta, updaterow;
  double initstepbound, stepbound, penalty, damp, initvalue, value, oldvalue;
  int rc = OSLPgetvar(s, col, &detrow, &initstepbound, &stepbound, &penalty, &damp, &initvalue, &value, &tolset,
                      &history, &converged, &vartype, &delta, &penaltydelta, &updaterow, &oldvalue);
  if (rc != 0) return slp_done(self, rc);
  return Py_BuildValue("(iddddddiiiiiiid)", detrow, initstepbound, stepbound, penalty, damp, initvalue, value,
                       tolset, history, converged, vartype, delta, penaltydelta, updaterow, oldvalue);
}

PyObject *ONDR_PY_chgdeltatype(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"vars", "deltatypes", "values", nullptr};
  PyObject *vars, *types, *values = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO|O", (char **)kwlist, &vars, &types, &values))
    return slp_fail("Wrong arguments in chgdeltatypes");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  if (vars == Py_None || types == Py_None) return slp_fail("Wrong arguments in chgdeltatypes");
  CArray<int> cols, dtypes;
  CArray<double> vals;
  int64_t n = -1;
  if (conv_obj2arr(self, &n, vars, (void **)cols.addr(), CONV_COL) != 0 ||
      conv_obj2arr(self, &n, types, (void **)dtypes.addr(), CONV_INT) != 0 ||
      conv_obj2arr(self, &n, values, (void **)vals.addr(), CONV_DOUBLE) != 0)
    return nullptr;
  return slp_done(self, OSLPchgdeltatype(s, (int)n, cols.get(), dtypes.get(), vals.get()));
}

PyObject *ONDR_PY_chgcascadenlimit(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"icol", "cascadenlimit", nullptr};
  PyObject *colobj;
  int limit;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "Oi", (char **)kwlist, &colobj, &limit))
    return slp_fail("Wrong arguments in chgcascadenlimit");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int col;
  if (slp_ref(self, colobj, KIND_COL, &col) != 0) return nullptr;
  return slp_done(self, OSLPchgcascadenlimit(s, col, limit));
}

PyObject *ONDR_PY_delvars(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"index", nullptr};
  PyObject *index;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &index) || index == Py_None)
    return slp_fail("Incorrect arguments to delvars");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  CArray<int> cols;
  int64_t n = -1;
  if (conv_obj2arr(self, &n, index, (void **)cols.addr(), CONV_COL) != 0) return nullptr;
  return slp_done(self, OSLPdelvars(s, (int)n, cols.get()));
}

}  // namespace

#define KW METH_VARARGS | METH_KEYWORDS
const PyMethodDef problem_slp_var_methods[] = {
    {"loadvars", (PyCFunction)ONDR_PY_loadvars, KW,
     METHOD_DOC("Loads the SLP data of columns, replacing what they had.",
                "p.loadvars(colindex, vartype, detrow, seqnum, tolindex, initvalue, stepbound)",
                "colindex: columns; vartype: type bits (1: never cascaded); detrow: determining\n"
                "  rows (-1 none); seqnum: cascade order (0 by dependencies); tolindex: tolerance\n"
                "  sets (0 none); initvalue: initial values; stepbound: initial step bounds.",
                "p.loadvars([x], [0], [-1], [0], [1], [2.0], [0.5])", "All arrays have one length.",
                "addvars, getvar, chgvar")},
    {"addvars", (PyCFunction)ONDR_PY_addvars, KW,
     METHOD_DOC("Sets the given SLP data of columns, keeping their other data.",
                "p.addvars(colindex, vartype, detrow, seqnum, tolindex, initvalue, stepbound)",
                "as for loadvars.", "p.addvars([x], [0], [-1], [0], [0], [1.0], [0])",
                "All arrays have one length.", "loadvars, getvar")},
    {"getvar", (PyCFunction)ONDR_PY_getvar, KW,
     METHOD_DOC("Returns the SLP data of a column.", "p.getvar(colindex)",
                "colindex: a variable, name or index.", "detrow, isb, sb, *rest = p.getvar(x)",
                "The tuple: detrow, initstepbound, stepbound, penalty, damp, initvalue, value,\n"
                "  tolset, history, converged, vartype, delta, penaltydelta, updaterow, oldvalue.",
                "chgvar, loadvars")},
    {"chgdeltatype", (PyCFunction)ONDR_PY_chgdeltatype, KW,
     METHOD_DOC("Sets the step rules of columns.", "p.chgdeltatype(vars, deltatypes, values)",
                "vars: columns; deltatypes: 0 default, 1 absolute cap, 2 relative cap, 3 no step\n"
                "  bound; values: the caps (None when no column needs one).",
                "p.chgdeltatype([x], [1], [0.1])", "The caps bound every SLP step of the column.",
                "chgvar, getvar")},
    {"chgcascadenlimit", (PyCFunction)ONDR_PY_chgcascadenlimit, KW,
     METHOD_DOC("Sets how often cascading may recompute a column.", "p.chgcascadenlimit(icol, cascadenlimit)",
                "icol: a column; cascadenlimit: recomputations per cascade (0 the default).",
                "p.chgcascadenlimit(x, 1)", "Cascading recomputes columns from their determining rows.",
                "cascade, cascadeorder")},
    {"delvars", (PyCFunction)ONDR_PY_delvars, KW,
     METHOD_DOC("Drops the SLP data of columns.", "p.delvars(index)", "index: columns.", "p.delvars([x])",
                "The columns stay in the problem as ordinary columns.", "loadvars, chgvar")},
    {nullptr, nullptr, 0, nullptr}};
