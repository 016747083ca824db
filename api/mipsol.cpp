// Low-level methods handing start solutions to the MIP search: addmipsol
// (named, possibly partial) and loadmipsol (complete, checked at once).
#include "callbacks/trampoline.h"
#include "module/convert.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/doc.h"
#include "problem/problem.h"

namespace {

constexpr int kOriginalCols = 1214;

// The number of columns, or -1 with an error set.
int64_t column_count(ProblemObject *p) {
  if (!p->prob) {
    PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem");
    return -1;
  }
  int n = 0;
  if (ONDRgetintattrib(p->prob, kOriginalCols, &n) != 0) {
    setOndrErrIfNull((PyObject *)p, nullptr);
    return -1;
  }
  return n;
}

PyObject *ONDR_PY_addmipsol(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"mipsolval", "mipsolcol", "solname", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *vals_obj = nullptr, *cols_obj = nullptr;
  const char *name = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O|Oz", (char **)kwlist, &vals_obj, &cols_obj, &name)) return nullptr;
  if (vals_obj == Py_None) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide argument mipsolval");
    return nullptr;
  }
  if (problem_check_idle(p) != 0) return nullptr;
  bool partial = cols_obj && cols_obj != Py_None;
  int64_t n = partial ? -1 : column_count(p);
  if (!partial && n < 0) return nullptr;
  CArray<double> vals;
  CArray<int> cols;
  if (conv_obj2arr(self, &n, vals_obj, (void **)vals.addr(), CONV_DOUBLE) != 0 ||
      (partial && conv_obj2arr(self, &n, cols_obj, (void **)cols.addr(), CONV_COL) != 0)) {
    setOndrErrIfNull(self, nullptr);
    return nullptr;
  }
  if (ONDRaddmipsol(p->prob, (int)n, vals.get(), partial ? cols.get() : nullptr, name) != 0)
    return setOndrErrIfNull(self, nullptr), nullptr;
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_loadmipsol(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"dsol", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *sol_obj = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &sol_obj)) return nullptr;
  if (sol_obj == Py_None) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide argument dsol");
    return nullptr;
  }
  if (problem_check_idle(p) != 0) return nullptr;
  int64_t n = column_count(p);
  if (n < 0) return nullptr;
  CArray<double> sol;
  if (conv_obj2arr(self, &n, sol_obj, (void **)sol.addr(), CONV_DOUBLE) != 0) {
    setOndrErrIfNull(self, nullptr);
    return nullptr;
  }
  int status = 0, rc;
  {
    // The check solves a copy of the problem: HiGHS's threads may log
    // through the message callbacks, which need the interpreter lock.
    SolvingScope solving(p);
    GilRelease unlocked;
    rc = ONDRloadmipsol(p->prob, sol.get(), &status);
  }
  callbacks_restore_error(p);
  if (rc != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  if (PyErr_Occurred()) return nullptr;
  return PyLong_FromLong(status);
}

}  // namespace

const PyMethodDef problem_mipsol_methods[] = {
    {"addmipsol", (PyCFunction)ONDR_PY_addmipsol, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Adds a start solution for the next MIP search.",
                "p.addmipsol(mipsolval, mipsolcol=None, solname=None)",
                "mipsolval: values of the columns in mipsolcol, or of every column.\n"
                "  mipsolcol: the columns (variables, names or indices) the values belong to.\n"
                "  solname: the name reported to the usersolnotify callbacks.",
                "p.addmipsol([1, 0, 3], [x, y, z], 'guess')",
                "The next mipoptimize completes a partial solution by solving for the\n"
                "  other columns, starts from the best user solution, and reports each\n"
                "  one to usersolnotify with a status (1 accepted, 2 completed, 3 not\n"
                "  used, 4 infeasible, 5 dropped).",
                "loadmipsol, addcbusersolnotify, mipoptimize")},
    {"loadmipsol", (PyCFunction)ONDR_PY_loadmipsol, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Checks an integer solution and keeps it as a start of the next MIP search.",
                "p.loadmipsol(dsol)", "dsol: one value per column.", "status = p.loadmipsol(x)",
                "Returns 0 when the solution is feasible (it is kept), 1 when it is not.",
                "addmipsol, mipoptimize")},
    {nullptr, nullptr, 0, nullptr}};
