// Nonlinear-layer methods on token formulas: tokencount, preparseformula,
// parseformula, parsecformula, validformula and evaluateformula.
#include <cstring>
#include <vector>
#include "api/slp_common.h"
#include "oslp.h"

namespace {

// Token types and values given as two sequences of one length.
struct Tokens {
  CArray<int> types;
  CArray<double> values;
  int64_t n = -1;
  int convert(PyObject *self, PyObject *t, PyObject *v) {
    if (conv_obj2arr(self, &n, t, (void **)types.addr(), CONV_INT) != 0) return -1;
    return conv_obj2arr(self, &n, v, (void **)values.addr(), CONV_DOUBLE);
  }
};

PyObject *ONDR_PY_tokencount(PyObject *, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"record", nullptr};
  const char *record;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "s", (char **)kwlist, &record))
    return slp_fail("Erroneous argument in tokencount");
  int n = OSLPtokencount(record);
  if (n < 0) {
    PyErr_SetString(PyExc_RuntimeError, "Erroneous argument in tokencount");
    return nullptr;
  }
  return PyLong_FromLong(n);
}

PyObject *ONDR_PY_preparseformula(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"formula", nullptr};
  const char *formula;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "s", (char **)kwlist, &formula))
    return slp_fail("Incorrect arguments in preparseformula");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  size_t len = strlen(formula), room = len / 2 + 1;
  std::vector<int> types(room);
  std::vector<double> values(room);
  std::vector<char> strtable(len + 1, 0);
  int ntoken = 0, tablesize = 0;
  int rc = OSLPpreparseformula(s, formula, &ntoken, types.data(), values.data(), strtable.data(), &tablesize);
  if (rc != 0) return slp_done(self, rc);
  PyRef t(slp_int_list(types.data(), ntoken));
  PyRef v(t ? slp_dbl_list(values.data(), ntoken) : nullptr);
  if (!v) return nullptr;
  // The table holds NUL-ended names end to end.
  PyRef table(PyUnicode_DecodeUTF8(strtable.data(), tablesize, "strict"));
  if (!table) return nullptr;
  return PyTuple_Pack(3, t.get(), v.get(), table.get());
}

PyObject *ONDR_PY_parseformula(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"intype", "invalue", "type", "value", nullptr};
  const char *msg = "Wrong arguments in parseformula";
  PyObject *it, *iv, *t = nullptr, *v = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO|OO", (char **)kwlist, &it, &iv, &t, &v) || it == Py_None ||
      iv == Py_None || (t && t != Py_None && !PyList_Check(t)) || (v && v != Py_None && !PyList_Check(v)))
    return slp_fail(msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  Tokens in;
  if (in.convert(self, it, iv) != 0) return nullptr;
  size_t room = 3 * (size_t)in.n + 1;
  std::vector<int> types(room);
  std::vector<double> values(room);
  int ntoken = 0;
  int rc = OSLPparseformula(s, in.types.get(), in.values.get(), &ntoken, types.data(), values.data());
  if (rc != 0) return slp_done(self, rc);
  if (conv_arr2obj(self, ntoken, types.data(), t, CONV_INT) != 0 ||
      conv_arr2obj(self, ntoken, values.data(), v, CONV_DOUBLE) != 0)
    return nullptr;
  return PyLong_FromLong(ntoken);
}

PyObject *ONDR_PY_parsecformula(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"formula", "type", "value", nullptr};
  const char *msg = "Incorrect arguments in parsecformula";
  const char *formula;
  PyObject *t, *v;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "sOO", (char **)kwlist, &formula, &t, &v) || t == Py_None ||
      v == Py_None)
    return slp_fail(msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  // The token arrays are converted from the given sequences: their room is
  // what the caller gave, and the library needs strlen(formula) + 1.
  Tokens out;
  if (out.convert(self, t, v) != 0) return nullptr;
  if ((size_t)out.n < strlen(formula) + 1) {
    PyErr_Format(PyExc_RuntimeError, "parsecformula needs type and value sequences of at least %d items",
                 (int)strlen(formula) + 1);
    return nullptr;
  }
  int ntoken = 0;
  int rc = OSLPparsecformula(s, formula, &ntoken, out.types.get(), out.values.get());
  if (rc != 0) return slp_done(self, rc);
  return PyLong_FromLong(ntoken);
}

PyObject *ONDR_PY_validformula(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"type", "value", nullptr};
  const char *msg = "Wrong arguments in validformula";
  PyObject *t, *v;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)kwlist, &t, &v) || t == Py_None || v == Py_None)
    return slp_fail(msg);
  Tokens in;
  if (in.convert(self, t, v) != 0) return nullptr;
  int bad = 0;
  int rc = OSLPvalidformula(in.types.get(), in.values.get(), &bad, nullptr, nullptr);
  if (rc != 0) return slp_done(self, rc);
  return Py_BuildValue("(iOO)", bad, Py_None, Py_None);
}

PyObject *ONDR_PY_evaluateformula(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"parsed", "type", "value", nullptr};
  const char *msg = "Incorrect arguments in evaluateformula";
  int parsed;
  PyObject *t, *v;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "iOO", (char **)kwlist, &parsed, &t, &v) || t == Py_None ||
      v == Py_None)
    return slp_fail(msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  Tokens in;
  if (in.convert(self, t, v) != 0) return nullptr;
  double value = 0.0;
  int rc = OSLPevaluateformula(s, parsed, in.types.get(), in.values.get(), &value);
  return rc ? slp_done(self, rc) : PyFloat_FromDouble(value);
}

}  // namespace

#define KW METH_VARARGS | METH_KEYWORDS
const PyMethodDef problem_slp_formula_methods[] = {
    {"tokencount", (PyCFunction)ONDR_PY_tokencount, KW,
     METHOD_DOC("Counts the tokens of a formula text.", "p.tokencount(record)", "record: the formula text.",
                "p.tokencount('x + sin(y)')", "", "preparseformula")},
    {"preparseformula", (PyCFunction)ONDR_PY_preparseformula, KW,
     METHOD_DOC("Splits a formula text into unparsed tokens.", "p.preparseformula(formula)",
                "formula: the text.", "types, values, names = p.preparseformula('x * y')",
                "names: the user function names called, each ended by a NUL.", "parseformula")},
    {"parseformula", (PyCFunction)ONDR_PY_parseformula, KW,
     METHOD_DOC("Turns unparsed tokens into parsed (postfix) tokens.", "p.parseformula(intype, invalue, type, value)",
                "intype, invalue: unparsed tokens ended by an end token; type, value: lists\n"
                "  for the result, or None.", "n = p.parseformula(t, v, pt, pv)", "Returns the token count.",
                "preparseformula, parsecformula")},
    {"parsecformula", (PyCFunction)ONDR_PY_parsecformula, KW,
     METHOD_DOC("Parses a formula text into postfix tokens.", "p.parsecformula(formula, type, value)",
                "formula: the text; type, value: sequences giving room for len(formula) + 1 tokens.",
                "n = p.parsecformula('x * y', [0] * 8, [0.0] * 8)", "Returns the token count.", "parseformula")},
    {"validformula", (PyCFunction)ONDR_PY_validformula, KW,
     METHOD_DOC("Checks parsed tokens.", "p.validformula(type, value)", "type, value: parsed tokens.",
                "bad, _, _ = p.validformula([10, 0], [0, 0])", "bad: the first invalid token (1 based), 0 valid.",
                "parseformula")},
    {"evaluateformula", (PyCFunction)ONDR_PY_evaluateformula, KW,
     METHOD_DOC("Evaluates tokens at the current point.", "p.evaluateformula(parsed, type, value)",
                "parsed: 1 postfix tokens, 0 unparsed; type, value: the tokens.",
                "p.evaluateformula(1, [1, 1, 31, 0], [2, 3, 5, 0])", "", "evaluatecoef")},
    {nullptr, nullptr, 0, nullptr}};
