// Nonlinear-layer methods on nonlinear coefficients: loadcoefs/addcoefs,
// chgnlcoef, chgccoef, delcoefs, getcoefs, getcoefformula, getccoef and
// evaluatecoef.
#include <vector>
#include "api/slp_common.h"
#include "oslp.h"

namespace {

// True or False (1 or 0 taken the same) -> 1 or 0; -1 for anything else.
int truth(PyObject *o) {
  if (o == Py_True) return 1;
  if (o == Py_False) return 0;
  if (isObjInt(o)) {
    long v = PyLong_AsLong(o);
    if (v == 0 || v == 1) return (int)v;
    PyErr_Clear();
  }
  return -1;
}

struct CoefPair {
  const char *msg;
  int (*call)(OSLPprob, int, const int[], const int[], const double[], const int[], int, const int[],
              const double[]);
};
const CoefPair kCoefPair[2] = {{"Wrong arguments in loadcoefs", OSLPloadcoefs},
                               {"Wrong arguments in addcoefs", OSLPaddcoefs}};

PyObject *load_or_add_coefs(PyObject *self, PyObject *args, PyObject *kw, int sel) {
  static const char *kwlist[] = {"rowindex", "colindex", "factor", "fstart", "parsed", "type", "value", nullptr};
  PyObject *r, *c, *f, *st, *parsedobj, *t, *v;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOOOOO", (char **)kwlist, &r, &c, &f, &st, &parsedobj, &t, &v))
    return slp_fail(kCoefPair[sel].msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int parsed = truth(parsedobj);
  if (parsed < 0 || r == Py_None || c == Py_None || st == Py_None || t == Py_None || v == Py_None)
    return slp_fail(kCoefPair[sel].msg);
  CArray<int> rows, cols, starts, types;
  CArray<double> factors, values;
  int64_t n = -1, nstart = -1, ntok = -1;
  if (conv_obj2arr(self, &n, r, (void **)rows.addr(), CONV_ROW) != 0 ||
      conv_obj2arr(self, &n, c, (void **)cols.addr(), CONV_COL) != 0 ||
      conv_obj2arr(self, &n, f, (void **)factors.addr(), CONV_DOUBLE) != 0 ||
      conv_obj2arr(self, &nstart, st, (void **)starts.addr(), CONV_INT) != 0 ||
      conv_obj2arr(self, &ntok, t, (void **)types.addr(), CONV_INT) != 0 ||
      conv_obj2arr(self, &ntok, v, (void **)values.addr(), CONV_DOUBLE) != 0)
    return nullptr;
  if (n >= 0 && nstart != n + 1) {
    PyErr_Format(PyExc_RuntimeError, "Mismatched lengths in arguments: expected %d, found %d", (int)(n + 1),
                 (int)nstart);
    return nullptr;
  }
  return slp_done(self, kCoefPair[sel].call(s, (int)n, rows.get(), cols.get(), factors.get(), starts.get(), parsed,
                                            types.get(), values.get()));
}
PyObject *ONDR_PY_loadcoefs(PyObject *s, PyObject *a, PyObject *k) { return load_or_add_coefs(s, a, k, 0); }
PyObject *ONDR_PY_addcoefs(PyObject *s, PyObject *a, PyObject *k) { return load_or_add_coefs(s, a, k, 1); }

// The (row, column) pair that most coefficient methods start with.
int row_col(PyObject *self, PyObject *r, PyObject *c, int *row, int *col) {
  if (slp_ref(self, r, KIND_ROW, row) != 0) return -1;
  return slp_ref(self, c, KIND_COL, col);
}

PyObject *ONDR_PY_chgnlcoef(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowindex", "colindex", "factor", "parsed", "type", "value", nullptr};
  const char *msg = "Wrong arguments in chgnlcoef";
  PyObject *r, *c, *f, *parsedobj, *t, *v;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOOOO", (char **)kwlist, &r, &c, &f, &parsedobj, &t, &v))
    return slp_fail(msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int row, col, parsed = truth(parsedobj);
  if (parsed < 0 || t == Py_None || v == Py_None) return slp_fail(msg);
  if (row_col(self, r, c, &row, &col) != 0) return nullptr;
  double factor;
  bool has;
  if (slp_opt_double(f, &factor, &has) != 0) return slp_fail(msg);
  CArray<int> types;
  CArray<double> values;
  int64_t ntok = -1;
  if (conv_obj2arr(self, &ntok, t, (void **)types.addr(), CONV_INT) != 0 ||
      conv_obj2arr(self, &ntok, v, (void **)values.addr(), CONV_DOUBLE) != 0)
    return nullptr;
  return slp_done(self, OSLPchgcoef(s, row, col, has ? &factor : nullptr, parsed, types.get(), values.get()));
}

PyObject *ONDR_PY_chgccoef(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowindex", "colindex", "factor", "formula", nullptr};
  const char *msg = "Wrong arguments in chgccoef";
  PyObject *r, *c, *f;
  const char *formula;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOs", (char **)kwlist, &r, &c, &f, &formula)) return slp_fail(msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int row, col;
  if (row_col(self, r, c, &row, &col) != 0) return nullptr;
  double factor;
  bool has;
  if (slp_opt_double(f, &factor, &has) != 0) return slp_fail(msg);
  return slp_done(self, OSLPchgccoef(s, row, col, has ? &factor : nullptr, formula));
}

PyObject *ONDR_PY_delcoefs(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowindex", "colindex", nullptr};
  PyObject *r, *c;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)kwlist, &r, &c) || r == Py_None || c == Py_None)
    return slp_fail("Incorrect arguments to delcoefs");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  CArray<int> rows, cols;
  int64_t n = -1;
  if (conv_obj2arr(self, &n, r, (void **)rows.addr(), CONV_ROW) != 0 ||
      conv_obj2arr(self, &n, c, (void **)cols.addr(), CONV_COL) != 0)
    return nullptr;
  return slp_done(self, OSLPdelcoefs(s, (int)n, rows.get(), cols.get()));
}

PyObject *ONDR_PY_getcoefs(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowindex", "colindex", nullptr};
  PyObject *r = nullptr, *c = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "|OO", (char **)kwlist, &r, &c) ||
      (r && r != Py_None && !PyList_Check(r)) || (c && c != Py_None && !PyList_Check(c)))
    return slp_fail("Incorrect arguments in getcoefs");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int n = 0;
  int rc = OSLPgetcoefs(s, &n, nullptr, nullptr);
  if (rc != 0) return slp_done(self, rc);
  bool want_r = r && r != Py_None, want_c = c && c != Py_None;
  CArray<int> rows, cols;
  if ((want_r && !rows.alloc((size_t)n)) || (want_c && !cols.alloc((size_t)n))) return nullptr;
  int n2 = n;
  rc = OSLPgetcoefs(s, &n2, want_r ? rows.get() : nullptr, want_c ? cols.get() : nullptr);
  if (rc != 0) return slp_done(self, rc);
  if ((want_r && conv_arr2obj(self, n2, rows.get(), r, CONV_INT) != 0) ||
      (want_c && conv_arr2obj(self, n2, cols.get(), c, CONV_INT) != 0))
    return nullptr;
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_getcoefformula(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowindex", "colindex", "parsed", "bufsize", nullptr};
  const char *msg = "Incorrect argument to getcoefformula or excessive buffersize";
  PyObject *r, *c;
  int parsed, bufsize;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOii", (char **)kwlist, &r, &c, &parsed, &bufsize) ||
      bufsize < 1 || bufsize > 10000)
    return slp_fail(msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int row, col;
  if (row_col(self, r, c, &row, &col) != 0) return nullptr;
  std::vector<int> types((size_t)bufsize);
  std::vector<double> values((size_t)bufsize);
  double factor = 0.0;
  int ntoken = 0;
  int rc = OSLPgetcoefformula(s, row, col, &factor, parsed, bufsize, &ntoken, types.data(), values.data());
  return rc ? slp_done(self, rc) : PyFloat_FromDouble(factor);
}

PyObject *ONDR_PY_getccoef(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowindex", "colindex", "flen", nullptr};
  const char *msg = "Incorrect argument to getccoef or excessive formula length requested";
  PyObject *r, *c;
  int flen;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOi", (char **)kwlist, &r, &c, &flen) || flen < 1 || flen > 10000)
    return slp_fail(msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int row, col;
  if (row_col(self, r, c, &row, &col) != 0) return nullptr;
  std::vector<char> buf((size_t)flen + 1, 0);
  double factor = 0.0;
  int rc = OSLPgetccoef(s, row, col, &factor, buf.data(), flen);
  if (rc != 0) return slp_done(self, rc);
  PyRef text(strFromLib(buf.data(), "formula"));
  if (!text) return nullptr;
  return Py_BuildValue("(dO)", factor, text.get());
}

PyObject *ONDR_PY_evaluatecoef(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowindex", "colindex", nullptr};
  PyObject *r, *c;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)kwlist, &r, &c))
    return slp_fail("Incorrect arguments in evaluatecoef");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int row, col;
  if (row_col(self, r, c, &row, &col) != 0) return nullptr;
  double value;
  int rc = OSLPevaluatecoef(s, row, col, &value);
  return rc ? slp_done(self, rc) : PyFloat_FromDouble(value);
}

}  // namespace

#define KW METH_VARARGS | METH_KEYWORDS
#define COEFDOC(name, what) \
  METHOD_DOC(what, "p." #name "(rowindex, colindex, factor, fstart, parsed, type, value)", \
             "rowindex, colindex: one row and column per coefficient; factor: floats or None;\n" \
             "  fstart: n + 1 token starts; parsed: True for postfix tokens; type, value: the tokens.", \
             "p." #name "([c], [x], [2.0], [0, 4], True, [22, 10, 12, 0], [0, 1, 27, 0])", \
             "A coefficient adds factor * x[column] * formula to its row.", "getcoefs, delcoefs, chgnlcoef")
const PyMethodDef problem_slp_coef_methods[] = {
    {"loadcoefs", (PyCFunction)ONDR_PY_loadcoefs, KW, COEFDOC(loadcoefs, "Loads nonlinear coefficients, replacing all.")},
    {"addcoefs", (PyCFunction)ONDR_PY_addcoefs, KW, COEFDOC(addcoefs, "Adds nonlinear coefficients.")},
    {"chgnlcoef", (PyCFunction)ONDR_PY_chgnlcoef, KW,
     METHOD_DOC("Changes or adds one nonlinear coefficient.", "p.chgnlcoef(rowindex, colindex, factor, parsed, type, value)",
                "factor: a float or None; parsed: True for postfix tokens; type, value: the tokens.",
                "p.chgnlcoef(c, x, 1.0, True, [10, 0], [1, 0])", "", "chgccoef, loadcoefs")},
    {"chgccoef", (PyCFunction)ONDR_PY_chgccoef, KW,
     METHOD_DOC("Changes or adds one nonlinear coefficient given as text.", "p.chgccoef(rowindex, colindex, factor, formula)",
                "factor: a float or None; formula: the formula text.", "p.chgccoef(c, x, 1.0, 'sin(y)')", "",
                "chgnlcoef, getccoef")},
    {"delcoefs", (PyCFunction)ONDR_PY_delcoefs, KW,
     METHOD_DOC("Deletes nonlinear coefficients.", "p.delcoefs(rowindex, colindex)", "rows and columns, one pair each.",
                "p.delcoefs([c], [x])", "", "getcoefs")},
    {"getcoefs", (PyCFunction)ONDR_PY_getcoefs, KW,
     METHOD_DOC("Fills lists with the rows and columns of the nonlinear coefficients.", "p.getcoefs(rowindex, colindex)",
                "rowindex, colindex: lists, or None.", "r, c = [], []; p.getcoefs(r, c)", "", "getcoefformula")},
    {"getcoefformula", (PyCFunction)ONDR_PY_getcoefformula, KW,
     METHOD_DOC("Returns the factor of a nonlinear coefficient.", "p.getcoefformula(rowindex, colindex, parsed, bufsize)",
                "parsed: 1 postfix tokens; bufsize: room for tokens, 1 to 10000.", "f = p.getcoefformula(c, x, 1, 100)",
                "The formula must fit in bufsize tokens.", "getccoef")},
    {"getccoef", (PyCFunction)ONDR_PY_getccoef, KW,
     METHOD_DOC("Returns the factor and text of a nonlinear coefficient.", "p.getccoef(rowindex, colindex, flen)",
                "flen: room for the text, 1 to 10000.", "factor, text = p.getccoef(c, x, 200)", "", "chgccoef")},
    {"evaluatecoef", (PyCFunction)ONDR_PY_evaluatecoef, KW,
     METHOD_DOC("Evaluates a nonlinear coefficient at the current point.", "p.evaluatecoef(rowindex, colindex)",
                "a row and a column.", "v = p.evaluatecoef(c, x)", "factor * formula at the current values.",
                "evaluateformula")},
    {nullptr, nullptr, 0, nullptr}};
