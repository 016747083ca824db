// Nonlinear-layer methods without arrays of their own: the state and
// service calls that take the handle only, getslpsol, row and column
// information, validation, fixpenalties, filesol, printmsg,
// getmessagetype, getdtime and globalsol.
#include <cstring>
#include <vector>
#include "api/slp_common.h"
#include "module/env.h"
#include "oslp.h"

namespace {

// The calls that take the nonlinear handle only, in table order.
int (*const kPlain[])(OSLPprob) = {OSLPconstruct, OSLPunconstruct, OSLPreinitialize, OSLPpresolve,
                                   OSLPscaling, OSLPsetcurrentiv, OSLPsetuniqueprefix, OSLPupdatelinearization,
                                   OSLPcascade, OSLPcascadeorder, OSLPprintevalinfo, OSLPprintmemory,
                                   OSLPvalidate, OSLPglobal};

template <int I>
PyObject *plain(PyObject *self, PyObject *, PyObject *) {
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int rc = kPlain[I](s);
  if (rc == 0 && kPlain[I] == OSLPglobal) ((ProblemObject *)self)->nonlinear_results = 1;
  return slp_done(self, rc);
}

PyObject *ONDR_PY_getslpsol(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"x", "slack", "dual", "dj", nullptr};
  PyObject *o[4] = {nullptr, nullptr, nullptr, nullptr};
  if (!PyArg_ParseTupleAndKeywords(args, kw, "|OOOO", (char **)kwlist, &o[0], &o[1], &o[2], &o[3]))
    return slp_fail("Incorrect arguments in getslpsol");
  for (PyObject *x : o)
    if (x && x != Py_None && !PyList_Check(x)) return slp_fail("Incorrect arguments in getslpsol");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  ProblemObject *p = (ProblemObject *)self;
  int cols = 0, rows = 0;
  if (ONDRgetintattrib(p->prob, 1018, &cols) != 0 || ONDRgetintattrib(p->prob, 1001, &rows) != 0)
    return slp_done(self, 1);
  const int size[4] = {cols, rows, rows, cols};
  std::vector<double> arr[4];
  for (int k = 0; k < 4; ++k)
    if (o[k] && o[k] != Py_None) arr[k].resize((size_t)size[k] + 1);
  auto ptr = [&](int k) { return arr[k].empty() ? nullptr : arr[k].data(); };
  int rc = OSLPgetslpsol(s, ptr(0), ptr(1), ptr(2), ptr(3));
  if (rc != 0) return slp_done(self, rc);
  for (int k = 0; k < 4; ++k)
    if (ptr(k) && conv_arr2obj(self, size[k], ptr(k), o[k], CONV_DOUBLE) != 0) return nullptr;
  Py_RETURN_NONE;
}

// getrowinfo (0) and getcolinfo (1): one keyword list whose second name is
// set at each call.
PyObject *get_info(PyObject *self, PyObject *args, PyObject *kw, int sel) {
  static const char *kwlist[] = {"infotype", nullptr, nullptr};
  static const char *msgs[2] = {"Incorrect argument to getrowinfo", "Incorrect argument to getcolinfo"};
  kwlist[1] = sel == 0 ? "rowindex" : "colindex";
  int infotype;
  PyObject *ref;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "iO", (char **)kwlist, &infotype, &ref)) return slp_fail(msgs[sel]);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int index;
  if (slp_ref(self, ref, sel == 0 ? KIND_ROW : KIND_COL, &index) != 0) return nullptr;
  alignas(double) unsigned char info[16] = {0};
  int rc = sel == 0 ? OSLPgetrowinfo(s, infotype, index, info) : OSLPgetcolinfo(s, infotype, index, info);
  if (rc != 0) return slp_done(self, rc);
  int kind;
  memcpy(&kind, info + 8, sizeof kind);
  if (kind == 1) {
    int v;
    memcpy(&v, info, sizeof v);
    return PyLong_FromLong(v);
  }
  if (kind == 2) {
    double v;
    memcpy(&v, info, sizeof v);
    return PyFloat_FromDouble(v);
  }
  return slp_done(self, 1);
}
PyObject *ONDR_PY_getrowinfo(PyObject *s, PyObject *a, PyObject *k) { return get_info(s, a, k, 0); }
PyObject *ONDR_PY_getcolinfo(PyObject *s, PyObject *a, PyObject *k) { return get_info(s, a, k, 1); }

PyObject *ONDR_PY_validaterow(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"row", nullptr};
  PyObject *r;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &r)) return slp_fail("Wrong arguments in validaterow");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int row;
  if (slp_ref(self, r, KIND_ROW, &row) != 0) return nullptr;
  return slp_done(self, OSLPvalidaterow(s, row));
}

PyObject *ONDR_PY_validatekkt(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"calculationmode", "respectbasisstatus", "updatemultipliers",
                                 "kktviolationtarget", nullptr};
  int mode, respect, update;
  double target;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "iiid", (char **)kwlist, &mode, &respect, &update, &target))
    return slp_fail("Wrong arguments in validatekkt");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  return slp_done(self, OSLPvalidatekkt(s, mode, respect, update, target));
}

PyObject *ONDR_PY_validatevector(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"vector", nullptr};
  PyObject *vec;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &vec) || vec == Py_None)
    return slp_fail("Wrong arguments in validatevector");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int cols = 0;
  if (ONDRgetintattrib(((ProblemObject *)self)->prob, 1018, &cols) != 0) return slp_done(self, 1);
  CArray<double> v;
  int64_t n = -1;
  if (conv_obj2arr(self, &n, vec, (void **)v.addr(), CONV_DOUBLE) != 0) return nullptr;
  if (n != cols) {
    PyErr_SetString(PyExc_RuntimeError, "Wrong vector size in validatevector");
    return nullptr;
  }
  double suminf, sumscaled, obj;
  int rc = OSLPvalidatevector(s, v.get(), &suminf, &sumscaled, &obj);
  return rc ? slp_done(self, rc) : Py_BuildValue("(ddd)", suminf, sumscaled, obj);
}

PyObject *ONDR_PY_fixpenalties(PyObject *self, PyObject *, PyObject *) {
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int status = 0;
  int rc = OSLPfixpenalties(s, &status);
  return rc ? slp_done(self, rc) : PyLong_FromLong(status);
}

PyObject *ONDR_PY_filesol(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"filename", nullptr};
  const char *filename;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "s", (char **)kwlist, &filename))
    return slp_fail("Incorrect argument to filesol");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  return slp_done(self, OSLPfilesol(s, filename));
}

PyObject *ONDR_PY_printmsg(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"msgtype", "msg", nullptr};
  int msgtype;
  const char *msg;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "is", (char **)kwlist, &msgtype, &msg))
    return slp_fail("Incorrect arguments for printmsg");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  return slp_done(self, OSLPprintmsg(s, msgtype, msg));
}

PyObject *ONDR_PY_getmessagetype(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"code", nullptr};
  int code;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "i", (char **)kwlist, &code))
    return slp_fail("Incorrect argument in getmessagetype");
  int type = 0;
  if (OSLPgetmessagetype(code, &type) != 0) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Incorrect code passed to getmessagetype");
    return nullptr;
  }
  (void)self;
  return PyLong_FromLong(type);
}

PyObject *ONDR_PY_getdtime(PyObject *self, PyObject *, PyObject *) {
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  double t = 0.0;
  int rc = OSLPgetdtime(s, &t);
  return rc ? slp_done(self, rc) : PyFloat_FromDouble(t);
}

}  // namespace

#define KW METH_VARARGS | METH_KEYWORDS
#define PLAIN(name, I, purpose, info)                                                                    \
  {#name, (PyCFunction)plain<I>, KW,                                                                     \
   METHOD_DOC(purpose, "p." #name "()", "none.", "p." #name "()", info, "nlpoptimize")}
const PyMethodDef problem_slp_misc_methods[] = {
    PLAIN(construct, 0, "Builds the problem the nonlinear solvers work on.", "Checks formulas and SLP data."),
    PLAIN(unconstruct, 1, "Leaves the constructed state.", "The next solve builds the problem again."),
    PLAIN(reinitialize, 2, "Forgets the last nonlinear solve.", "The next solve starts from the initial values."),
    PLAIN(presolve, 3, "Checks the problem as a solve would and enters the presolved state.",
          "postsolve leaves it."),
    PLAIN(scaling, 4, "Sets row weights from the derivatives at the current point.",
          "Rows with a weight of their own keep it."),
    PLAIN(setcurrentiv, 5, "Makes the current values every column's initial value.", ""),
    PLAIN(setuniqueprefix, 6, "Works out a name prefix no row or column name starts with.",
          "Read it as the attribute nlpuniqueprefix."),
    PLAIN(updatelinearization, 7, "Evaluates the rows' derivatives at the current point.", ""),
    PLAIN(cascade, 8, "Recomputes determined columns from their determining rows.",
          "The cascade callbacks are called."),
    PLAIN(cascadeorder, 9, "Works out the cascade order, checking the determining rows.", ""),
    PLAIN(printevalinfo, 10, "Prints the nonlinear coefficients and their values.", ""),
    PLAIN(printmemory, 11, "Prints the memory the nonlinear data take.", ""),
    PLAIN(validate, 12, "Checks the last solution against the rows and bounds.",
          "Results in the attributes nlpvalidationabs, nlpvalidationrel, nlpvalidationstatus."),
    PLAIN(globalsol, 13, "Searches for the best local solution from several starts.",
          "The problem's own start and 8 random ones; the best result is kept."),
    {"getslpsol", (PyCFunction)ONDR_PY_getslpsol, KW,
     METHOD_DOC("Fills lists with the last nonlinear solution.", "p.getslpsol(x=None, slack=None, dual=None, dj=None)",
                "x, dj: lists for one float per column; slack, dual: one per row.", "x = []; p.getslpsol(x)",
                "Only the lists given are filled.", "nlpoptimize")},
    {"getrowinfo", (PyCFunction)ONDR_PY_getrowinfo, KW,
     METHOD_DOC("Returns information about a row after a solve.", "p.getrowinfo(infotype, rowindex)",
                "infotype: ondrel.rowinfo_*; rowindex: a row.", "p.getrowinfo(ondrel.rowinfo_slack, c)",
                "Penalty information comes from SLP solves.", "getcolinfo")},
    {"getcolinfo", (PyCFunction)ONDR_PY_getcolinfo, KW,
     METHOD_DOC("Returns information about a column after a solve.", "p.getcolinfo(infotype, colindex)",
                "infotype: ondrel.colinfo_*; colindex: a column.", "p.getcolinfo(ondrel.colinfo_value, x)",
                "Step information comes from SLP solves.", "getrowinfo")},
    {"validaterow", (PyCFunction)ONDR_PY_validaterow, KW,
     METHOD_DOC("Checks one row at the last solution.", "p.validaterow(row)", "row: a row.", "p.validaterow(c)",
                "Results in the validation attributes.", "validate")},
    {"validatekkt", (PyCFunction)ONDR_PY_validatekkt, KW,
     METHOD_DOC("Checks the optimality conditions at the last solution.",
                "p.validatekkt(calculationmode, respectbasisstatus, updatemultipliers, kktviolationtarget)",
                "calculationmode: 0 the solution's multipliers, 1 recomputed; respectbasisstatus: 1\n"
                "  allows reduced costs at bounds; updatemultipliers: 1 keeps recomputed ones;\n"
                "  kktviolationtarget: the target.", "p.validatekkt(0, 1, 0, 1e-6)",
                "Results in nlpkktstationarity, nlpkktcomplementarity, nlpvalidationstatus.", "validate")},
    {"validatevector", (PyCFunction)ONDR_PY_validatevector, KW,
     METHOD_DOC("Measures the violations of a point.", "p.validatevector(vector)",
                "vector: one float per column.", "suminf, scaled, obj = p.validatevector([1.0, 2.0])", "", "validate")},
    {"fixpenalties", (PyCFunction)ONDR_PY_fixpenalties, KW,
     METHOD_DOC("Removes unused penalty columns from the next SLP solves.", "p.fixpenalties()", "none.",
                "n = p.fixpenalties()", "Returns the number of rows fixed.", "nlpoptimize")},
    {"filesol", (PyCFunction)ONDR_PY_filesol, KW,
     METHOD_DOC("Writes the last nonlinear solution to a file.", "p.filesol(filename)", "filename: the file.",
                "p.filesol('sol.txt')", "", "getslpsol")},
    {"printmsg", (PyCFunction)ONDR_PY_printmsg, KW,
     METHOD_DOC("Sends a message through the problem's message path.", "p.printmsg(msgtype, msg)",
                "msgtype: 1 information, 3 warning, 4 error; msg: the text.", "p.printmsg(1, 'hello')", "", "")},
    {"getmessagetype", (PyCFunction)ONDR_PY_getmessagetype, KW,
     METHOD_DOC("Returns the type of a message code.", "p.getmessagetype(code)", "code: a library code.",
                "p.getmessagetype(32)", "1 information, 3 warning, 4 error.", "printmsg")},
    {"getdtime", (PyCFunction)ONDR_PY_getdtime, KW,
     METHOD_DOC("Returns the seconds since the nonlinear problem was created.", "p.getdtime()", "none.",
                "t = p.getdtime()", "", "")},
    {nullptr, nullptr, 0, nullptr}};
