// Low-level optimizer methods: lpoptimize, mipoptimize, nlpoptimize and
// interrupt, and the nonlinear layer's chgvar (initial values, step bounds
// and the determining row of a column).
#include "module/convert.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/doc.h"
#include "problem/interrupt.h"
#include "problem/problem.h"
#include "callbacks/trampoline.h"

namespace {

int require_prob(ProblemObject *p, bool nonlinear) {
  if (!p->prob || (nonlinear && !p->slpprob)) {
    PyErr_SetString(PyExc_RuntimeError, nonlinear && p->prob ? "The nonlinear layer is not available"
                                                              : "The problem has no library problem");
    return -1;
  }
  return 0;
}

enum Which { LP, MIP, NLP };

PyObject *optimize(PyObject *self, PyObject *args, PyObject *kw, Which which) {
  static const char *kwlist[] = {"flags", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  const char *flags = "";
  if (!PyArg_ParseTupleAndKeywords(args, kw, "|s", (char **)kwlist, &flags)) return nullptr;
  if (problem_check_idle(p) != 0 || require_prob(p, which == NLP) != 0) return nullptr;
  int rc;
  bool ctrlc = false;
  SolvingScope solving(p);
  {
    // Same Ctrl-C handling as solve: the watcher asks the library to stop,
    // KeyboardInterrupt is raised once it has returned.
    InterruptWatch watch(p, which == NLP);
    GilRelease unlocked;
    rc = which == LP ? ONDRlpoptimize(p->prob, flags)
         : which == MIP ? ONDRmipoptimize(p->prob, flags)
                        : OSLPnlpoptimize(p->slpprob, flags);
    ctrlc = watch.stop();
  }
  callbacks_restore_error(p);
  if (rc != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  p->nonlinear_results = which == NLP;
  if (PyErr_Occurred()) return nullptr;
  if (ctrlc) {
    PyErr_SetNone(PyExc_KeyboardInterrupt);
    return nullptr;
  }
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_lpoptimize(PyObject *s, PyObject *a, PyObject *k) { return optimize(s, a, k, LP); }
PyObject *ONDR_PY_mipoptimize(PyObject *s, PyObject *a, PyObject *k) { return optimize(s, a, k, MIP); }
PyObject *ONDR_PY_nlpoptimize(PyObject *s, PyObject *a, PyObject *k) { return optimize(s, a, k, NLP); }

PyObject *ONDR_PY_interrupt(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"reason", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  long reason;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "l", (char **)kwlist, &reason)) return nullptr;
  if (require_prob(p, false) != 0) return nullptr;
  if (ONDRinterrupt(p->prob, (int)reason) != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_chgvar(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"colindex", "detrow", "initstepbound", "stepbound", "penalty", "damp", "initvalue",
                                 "value", "tolset", "history", "converged", "vartype", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *col_obj = nullptr, *objs[11] = {nullptr};
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O|OOOOOOOOOOO", (char **)kwlist, &col_obj, &objs[0], &objs[1],
                                   &objs[2], &objs[3], &objs[4], &objs[5], &objs[6], &objs[7], &objs[8], &objs[9],
                                   &objs[10])) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "Incorrect arguments to chgvar");
    return nullptr;
  }
  if (require_prob(p, true) != 0) return nullptr;
  int col = 0, detrow = 0, ints[4] = {0};
  double dbls[6] = {0};
  if (ObjInt2int(col_obj, self, &col, KIND_COL) != 0) return nullptr;
  bool has[11];
  for (int i = 0; i < 11; ++i) has[i] = objs[i] && objs[i] != Py_None;
  if (has[0] && ObjInt2int(objs[0], self, &detrow, KIND_ROW) != 0) return nullptr;
  for (int i = 0; i < 6; ++i) {
    if (!has[1 + i]) continue;
    dbls[i] = PyFloat_AsDouble(objs[1 + i]);
    if (dbls[i] == -1.0 && PyErr_Occurred()) {
      // A TypeError for a value that is no number gets the call's message;
      // anything else (raised by the object's __float__) propagates.
      if (!PyErr_ExceptionMatches(PyExc_TypeError)) return nullptr;
      PyErr_Clear();
      PyErr_SetString(PyExc_RuntimeError, "Incorrect arguments to chgvar");
      return nullptr;
    }
  }
  for (int i = 0; i < 4; ++i) {
    if (!has[7 + i]) continue;
    if (!isObjInt(objs[7 + i])) {
      PyErr_SetString(PyExc_RuntimeError, "Incorrect arguments to chgvar");
      return nullptr;
    }
    if (pyInt2int(objs[7 + i], &ints[i], "chgvar argument") != 0) return nullptr;
  }
  int rc = OSLPchgvar(p->slpprob, col, has[0] ? &detrow : nullptr, has[1] ? &dbls[0] : nullptr,
                      has[2] ? &dbls[1] : nullptr, has[3] ? &dbls[2] : nullptr, has[4] ? &dbls[3] : nullptr,
                      has[5] ? &dbls[4] : nullptr, has[6] ? &dbls[5] : nullptr, has[7] ? &ints[0] : nullptr,
                      has[8] ? &ints[1] : nullptr, has[9] ? &ints[2] : nullptr, has[10] ? &ints[3] : nullptr);
  if (rc != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  Py_RETURN_NONE;
}

}  // namespace

const PyMethodDef problem_optimize_methods[] = {
    {"lpoptimize", (PyCFunction)ONDR_PY_lpoptimize, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Solves the problem, or the LP relaxation of a MIP, with the LP/QP optimizer.",
                "p.lpoptimize(flags='')", "flags: 'd' dual simplex, 'p' primal simplex, 'b' barrier.",
                "p.lpoptimize('b')", "Results are read with getSolution and the other result methods.",
                "mipoptimize, nlpoptimize, solve")},
    {"mipoptimize", (PyCFunction)ONDR_PY_mipoptimize, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Solves the problem with the MIP optimizer.", "p.mipoptimize(flags='')",
                "flags: 'l' solves the LP relaxation only.", "p.mipoptimize()",
                "Integer and semi-continuous columns, sets and indicators are honoured.",
                "lpoptimize, solve")},
    {"nlpoptimize", (PyCFunction)ONDR_PY_nlpoptimize, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Solves the problem with the nonlinear layer's local solvers.", "p.nlpoptimize(flags='')",
                "flags: option letters of the nonlinear optimizer.", "p.nlpoptimize()",
                "The control nlpsolver chooses Ipopt (1), successive linear programming (2)\n"
                "  or the automatic choice (0).",
                "chgvar, solve")},
    {"interrupt", (PyCFunction)ONDR_PY_interrupt, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Asks a running solve to stop.", "p.interrupt(reason)",
                "reason: a stop code such as ondrel.stop_user.", "p.interrupt(ondrel.stop_user)",
                "The solve stops cleanly and keeps its best solution.", "solve")},
    {"chgvar", (PyCFunction)ONDR_PY_chgvar, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Changes the nonlinear layer's data of a column.",
                "p.chgvar(colindex, detrow=None, initstepbound=None, stepbound=None,\n"
                "           penalty=None, damp=None, initvalue=None, value=None, tolset=None,\n"
                "           history=None, converged=None, vartype=None)",
                "colindex: a variable, name or index; the others, when given, replace\n"
                "  the column's current data (detrow: the row that determines it).",
                "p.chgvar(x, initvalue=2.5)",
                "initvalue is where the nonlinear solvers start from.", "nlpoptimize")},
    {nullptr, nullptr, 0, nullptr}};
