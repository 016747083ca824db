// problem.solve and the result methods: the optimizer is chosen by the
// problem's content (nonlinear, integer, or continuous), and results are
// read back and mapped to modelling objects, names or indices.
#include <vector>
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/doc.h"
#include "problem/access.h"
#include "problem/interrupt.h"
#include "problem/binding.h"
#include "problem/convert_expr.h"
#include "problem/transfer.h"
#include "problem/walk.h"
#include "callbacks/trampoline.h"

int fail_with(ProblemObject *p, const char *msg);

namespace {

constexpr int kCols = ONDR_ORIGINALCOLS, kRows = ONDR_ORIGINALROWS, kNlpRows = OSLP_NLPROWS,
              kNlpCols = OSLP_NLPCOLS, kNlpCoefs = OSLP_NLPCOEFS;
constexpr int kMipEnts = ONDR_MIPENTS, kSets = ONDR_SETS, kLpStatus = ONDR_LPSTATUS,
              kMipStatus = ONDR_MIPSTATUS, kNlpStatus = OSLP_NLPSTATUS;
constexpr int kLpObj = ONDR_LPOBJVAL, kMipObj = ONDR_MIPOBJVAL, kNlpObj = OSLP_NLPOBJVAL;

enum Content { CONTINUOUS, INTEGER, NONLINEAR };

// Nonlinear content is also what the nonlinear layer holds without the
// modelling layer knowing: coefficients and formulas loaded through its
// low-level methods (loadcoefs, addcoefs, chgnlcoef). Such a problem is
// solved, and its results read, as a nonlinear one.
bool solve_as_nonlinear(const ProblemObject *p) {
  if (problem_is_nonlinear(p)) return true;
  int ncoefs = 0;
  return p->slpprob && OSLPgetintattrib(p->slpprob, kNlpCoefs, &ncoefs) == 0 && ncoefs > 0;
}

// Decides the problem's kind for reading results; -1 with the library error
// raised. Results of the nonlinear layer's own solves (nlpoptimize,
// globalsol) are read from there whatever the content.
int content_of(ProblemObject *p, Content *c) {
  if (solve_as_nonlinear(p) || p->nonlinear_results) {
    *c = NONLINEAR;
    return 0;
  }
  int ents = 0, sets = 0;
  if (prob_int_attrib(p, kMipEnts, &ents) != 0 || prob_int_attrib(p, kSets, &sets) != 0) return -1;
  *c = ents || sets ? INTEGER : CONTINUOUS;
  return 0;
}

int require_handles(ProblemObject *p) {
  if (!p->prob) {
    PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem (the library was stopped)");
    return -1;
  }
  return 0;
}

PyObject *problem_solve(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"flags", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *flags_obj = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "|O", (char **)kwlist, &flags_obj)) return nullptr;
  if (problem_check_idle(p) != 0 || require_handles(p) != 0) return nullptr;
  CArray<char> flags;
  if (flags_obj && (PyUnicode_Check(flags_obj) || PyBytes_Check(flags_obj))) {
    *flags.addr() = pyStrToStr(flags_obj);
    if (!flags.get()) return nullptr;
  }
  Content content = CONTINUOUS;
  int rc = 0;
  bool ctrlc = false;
  SolvingScope solving(p);
  {
    bool nonlinear = solve_as_nonlinear(p);
    InterruptWatch watch(p, nonlinear);
    GilRelease unlocked;
    if (nonlinear) {
      content = NONLINEAR;
    } else {
      int ents = 0, sets = 0;
      rc = ONDRgetintattrib(p->prob, kMipEnts, &ents);
      if (rc == 0) rc = ONDRgetintattrib(p->prob, kSets, &sets);
      content = ents || sets ? INTEGER : CONTINUOUS;
    }
    if (rc == 0) {
      switch (content) {
        case NONLINEAR: rc = OSLPnlpoptimize(p->slpprob, flags.get()); break;
        case INTEGER: rc = ONDRmipoptimize(p->prob, flags.get()); break;
        case CONTINUOUS: rc = ONDRlpoptimize(p->prob, flags.get()); break;
      }
      // The modelling layer works with the problem's own rows and columns:
      // it leaves the presolved form an LP solve may hold.
      if (rc == 0 && content == CONTINUOUS) rc = ONDRpostsolve(p->prob);
    }
    ctrlc = watch.stop();
  }
  callbacks_restore_error(p);  // raised by a callback on a library thread
  if (rc != 0) {
    setOndrErrIfNull(self, nullptr);
    return nullptr;
  }
  p->nonlinear_results = content == NONLINEAR;
  if (PyErr_Occurred()) return nullptr;  // raised by a callback during the solve
  if (ctrlc) {
    PyErr_SetNone(PyExc_KeyboardInterrupt);
    return nullptr;
  }
  Py_RETURN_NONE;
}

enum Reader { R_SOLUTION, R_SLACK, R_DUAL, R_RCOST };
int read_values(ProblemObject *p, Content c, Reader r, int n, const int *idx, double *out);
int status_code(ProblemObject *p, Content c, int *code);
constexpr int kMipLpOptimal = 2;  // MIP status: only the LP relaxation was solved

// The objective value exists only with a solution: without one the call
// fails as getSolution does, with the library's reason. After an LP solve of
// a problem with integer content the MIP status reports the relaxation, and
// its objective is what was solved.
PyObject *problem_getObjVal(PyObject *self, PyObject *) {
  ProblemObject *p = (ProblemObject *)self;
  Content c;
  if (require_handles(p) != 0 || content_of(p, &c) != 0) return nullptr;
  int code = 0, attr = c == INTEGER ? kMipObj : kLpObj;
  if (c == INTEGER && status_code(p, c, &code) != 0) return nullptr;
  if (c == INTEGER && code == kMipLpOptimal) {
    attr = kLpObj;
  } else if (read_values(p, c, R_SOLUTION, 0, nullptr, nullptr) != 0) {
    return nullptr;
  }
  double v = 0;
  int rc = c == NONLINEAR ? OSLPgetdblattrib(p->slpprob, kNlpObj, &v) : ONDRgetdblattrib(p->prob, attr, &v);
  if (rc != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  return PyFloat_FromDouble(v);
}

int status_code(ProblemObject *p, Content c, int *code) {
  int rc = c == NONLINEAR ? OSLPgetintattrib(p->slpprob, kNlpStatus, code)
                          : ONDRgetintattrib(p->prob, c == INTEGER ? kMipStatus : kLpStatus, code);
  if (rc != 0) setOndrErrIfNull((PyObject *)p, nullptr);
  return rc;
}

PyObject *problem_getProbStatus(PyObject *self, PyObject *) {
  ProblemObject *p = (ProblemObject *)self;
  Content c;
  int code = 0;
  if (require_handles(p) != 0 || content_of(p, &c) != 0 || status_code(p, c, &code) != 0) return nullptr;
  return PyLong_FromLong(code);
}

PyObject *problem_getProbStatusString(PyObject *self, PyObject *) {
  static const char *nlp[] = {"nlp_unstarted", "nlp_solution", "nlp_globally_optimal", "nlp_locally_infeasible",
                              "nlp_infeasible", "nlp_unbounded", "nlp_unfinished", "nlp_unknown", "nlp_unknown",
                              "nlp_unknown"};
  static const char *mip[] = {"mip_not_loaded", "mip_lp_not_optimal", "mip_lp_optimal", "mip_no_sol_found",
                              "mip_solution", "mip_infeas", "mip_optimal", "mip_unbounded", "mip_unknown",
                              "mip_unknown"};
  static const char *lp[] = {"lp_unstarted", "lp_optimal", "lp_infeas", "lp_cutoff", "lp_unfinished",
                             "lp_unbounded", "lp_cutoff_in_dual", "lp_unsolved", "lp_nonconvex", "lp_unknown"};
  ProblemObject *p = (ProblemObject *)self;
  Content c;
  int code = 0;
  if (require_handles(p) != 0 || content_of(p, &c) != 0 || status_code(p, c, &code) != 0) return nullptr;
  const char **table = c == NONLINEAR ? nlp : c == INTEGER ? mip : lp;
  if (code < 0 || code > 9) code = 9;
  return PyUnicode_FromString(table[code]);
}

// ---- vectors ----

// Entries idx[0..n) of one result vector into out (n may be 0: only checks
// that the vector exists). The optimizer's vectors are read entry by entry,
// so one value costs the same on any model size; the nonlinear layer's are
// read whole.
int read_values(ProblemObject *p, Content c, Reader r, int n, const int *idx, double *out) {
  static const char *msgs[] = {"Could not get solution", "Could not get constraints' slack",
                               "Could not get dual solution", "Could not retrieve reduced costs"};
  if (c == NONLINEAR) {
    int length = 0;
    if (OSLPgetintattrib(p->slpprob, r == R_SOLUTION || r == R_RCOST ? kNlpCols : kNlpRows, &length) != 0)
      return setOndrErrIfNull((PyObject *)p, nullptr), -1;
    std::vector<double> v((size_t)length + 1, 0.0);
    double *x = r == R_SOLUTION ? v.data() : nullptr, *s = r == R_SLACK ? v.data() : nullptr;
    double *d = r == R_DUAL ? v.data() : nullptr, *j = r == R_RCOST ? v.data() : nullptr;
    if (OSLPgetslpsol(p->slpprob, x, s, d, j) != 0) return setOndrErrIfNull((PyObject *)p, nullptr), -1;
    for (int k = 0; k < n; ++k) out[k] = v[(size_t)idx[k]];
    return 0;
  }
  if (c == INTEGER && (r == R_DUAL || r == R_RCOST)) {
    PyErr_SetString(PyExc_RuntimeError, r == R_DUAL ? "Cannot retrieve dual variables in a MIP"
                                                    : "Cannot retrieve reduced cost in a MIP");
    return -1;
  }
  static const int lp[] = {ONDR_SOL_X, ONDR_SOL_SLACK, ONDR_SOL_DUAL, ONDR_SOL_DJ};
  const int which = c == INTEGER ? (r == R_SOLUTION ? ONDR_SOL_MIPX : ONDR_SOL_MIPSLACK) : lp[r];
  if (ONDRgetsolvalues(p->prob, which, n, idx, out) != 0) return fail_with(p, msgs[r]);
  return 0;
}

int problem_objectIndex(ProblemObject *p, PyObject *obj, int kind, int length) {
  int64_t idx = -1;
  if (kind == 1 && (is_constraint(obj) || is_sos(obj))) {
    PyObject *map = is_constraint(obj) ? p->conmap : p->sosmap;
    idx = indexmap_get(map, is_constraint(obj) ? con_id(obj) : sos_id(obj));
  } else if (kind == 0 && is_var(obj)) {
    idx = var_column(p, obj);
    if (idx == -2) return -1;
  } else if (PyUnicode_Check(obj) || PyBytes_Check(obj)) {
    CArray<char> name;
    *name.addr() = pyStrToStr(obj);
    if (!name.get()) return PyErr_Occurred() ? -1 : (PyErr_SetString(PyExc_RuntimeError, "Invalid name"), -1);
    int i = -1;
    if (ONDRgetindex(p->prob, kind == 0 ? 2 : 1, name.get(), &i) != 0) {
      setOndrErrIfNull((PyObject *)p, nullptr);
      return -1;
    }
    idx = i;
  } else if (isObjInt(obj)) {
    idx = PyLong_AsLongLong(obj);
    if (idx == -1 && PyErr_Occurred()) return -1;
  } else {
    PyErr_SetString(PyExc_RuntimeError, "Incorrect object(s) passed: need index, variable, constraint, or SOS");
    return -1;
  }
  if (idx < 0 || idx >= length) {
    PyErr_SetString(PyExc_RuntimeError, "Index out of range");
    return -1;
  }
  return (int)idx;
}

// The values of what `args` names: every user row or column (no arguments:
// a list), one object or name (a float), or a nested sequence of them (a
// flat list). Indices are resolved first, then only those entries are read.
PyObject *problem_getVector(ProblemObject *p, PyObject *args, int length, int kind, Content c, Reader r) {
  if (read_values(p, c, r, 0, nullptr, nullptr) != 0) return nullptr;  // the reason there is no result comes first
  std::vector<int> idx;
  const Py_ssize_t n = PyTuple_GET_SIZE(args);
  PyObject *a = n > 0 ? PyTuple_GET_ITEM(args, 0) : nullptr;
  // A single name (str or bytes) is one object, like a single variable.
  const bool one = n == 1 && (PyUnicode_Check(a) || PyBytes_Check(a) ||
                              (!PyTuple_Check(a) && !PyList_Check(a) && !PySequence_Check(a) && !PyIter_Check(a)));
  if (n == 0) {
    idx.resize((size_t)length);
    for (int i = 0; i < length; ++i) idx[(size_t)i] = i;
  } else if (one) {
    int i = problem_objectIndex(p, a, kind, length);
    if (i < 0) return nullptr;
    idx.push_back(i);
  } else if (walkNestedObjects((PyObject *)p, args, [&](PyObject *leaf) {
               int i = problem_objectIndex(p, leaf, kind, length);
               if (i < 0) return -1;
               idx.push_back(i);
               return 0;
             }) != 0) {
    return nullptr;
  }
  std::vector<double> v(idx.size());
  if (read_values(p, c, r, (int)idx.size(), idx.data(), v.data()) != 0) return nullptr;
  if (one) return PyFloat_FromDouble(v[0]);
  PyRef list(PyList_New((Py_ssize_t)v.size()));
  if (!list) return nullptr;
  for (size_t k = 0; k < v.size(); ++k) {
    PyObject *f = PyFloat_FromDouble(v[k]);
    if (!f) return nullptr;
    PyList_SET_ITEM(list.get(), (Py_ssize_t)k, f);
  }
  return list.release();
}

PyObject *problem_getResult(PyObject *self, PyObject *args, int kind, Reader r) {
  ProblemObject *p = (ProblemObject *)self;
  Content c;
  if (require_handles(p) != 0 || content_of(p, &c) != 0) return nullptr;
  int length = 0;
  int rc = c == NONLINEAR ? OSLPgetintattrib(p->slpprob, kind == 0 ? kNlpCols : kNlpRows, &length)
                          : ONDRgetintattrib(p->prob, kind == 0 ? kCols : kRows, &length);
  if (rc != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  // The objective's transfer column and row come last and are not the user's.
  return problem_getVector(p, args, user_count(p, kind, length), kind, c, r);
}

PyObject *problem_getSolution(PyObject *self, PyObject *args) { return problem_getResult(self, args, 0, R_SOLUTION); }
PyObject *problem_getSlack(PyObject *self, PyObject *args) { return problem_getResult(self, args, 1, R_SLACK); }
PyObject *problem_getDual(PyObject *self, PyObject *args) { return problem_getResult(self, args, 1, R_DUAL); }
PyObject *problem_getRCost(PyObject *self, PyObject *args) { return problem_getResult(self, args, 0, R_RCOST); }

// One documentation string per result method: what it reads, its sign
// convention and an example of its own.
#define VECDOC(purpose, name, objs, example, convention)                                                     \
  METHOD_DOC(purpose, "v = p." name "()\n  v = p." name "(obj)\n  v = p." name "(obj1, obj2, ...)",             \
      "obj: " objs ", their names or indices, or lists, tuples or other\n  iterables of them, nested in any depth.", \
      example,                                                                                                     \
      "Without arguments the values of all " objs " in the problem's order.\n"                                    \
      "  One object, name or index gives a single float; anything else a flat\n"                                 \
      "  list of floats in the order given. " convention                                                          \
      "\n  Without a solution of the last solve a RuntimeError gives the reason.",                                 \
      "solve, getObjVal, getProbStatus, getSolution, getSlack, getDual, getRCost")

}  // namespace

// Raise `msg` unless an error is pending (the library's text is then kept).
int fail_with(ProblemObject *p, const char *msg) {
  (void)p;
  if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, msg);
  return -1;
}

void solve_module_init() { InterruptWatch::set_main_thread(); }

const PyMethodDef problem_solve_methods[] = {
    {"solve", (PyCFunction)problem_solve, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Solves the problem.", "p.solve()\n  p.solve(flags)",
         "flags: optional string of option letters for the optimizer.", "p.solve()",
         "Problems with nonlinear content go to the nonlinear solver, problems with\n"
         "  integer variables or sets to the MIP solver, others to the LP/QP solver.\n"
         "  Ctrl-C interrupts the solve and raises KeyboardInterrupt when it returns.",
         "getSolution, getObjVal, getProbStatus")},
    {"getObjVal", (PyCFunction)problem_getObjVal, METH_NOARGS,
     METHOD_DOC("Returns the objective value of the last solve.", "p.getObjVal()", "None.", "z = p.getObjVal()",
         "For a MIP, the value of the best integer solution; after an LP solve of a\n"
         "  MIP, the value of the relaxation. Without a solution a RuntimeError gives\n  the reason.", "solve, getSolution")},
    {"getSolution", (PyCFunction)problem_getSolution, METH_VARARGS, VECDOC("Returns the values of the variables in the last solution.", "getSolution", "variables",
            "x = ondrel.var(); p.addVariable(x); p.solve(); print(p.getSolution(x))", "")},
    {"getSlack", (PyCFunction)problem_getSlack, METH_VARARGS, VECDOC("Returns the slacks of the constraints in the last solution.", "getSlack", "constraints",
            "s = p.getSlack(c1, c2)",
            "The slack of a row is its\n  right-hand side minus its activity (rhs - a'x): 0 for a binding row.")},
    {"getDual", (PyCFunction)problem_getDual, METH_VARARGS, VECDOC("Returns the dual values of the constraints in the last LP solution.", "getDual", "constraints",
            "y = p.getDual(c1)",
            "The dual value of a row is the\n  change of the optimal objective per unit increase of its right-hand side.\n"
            "  Not available for a MIP.")},
    {"getRCost", (PyCFunction)problem_getRCost, METH_VARARGS, VECDOC("Returns the reduced costs of the variables in the last LP solution.", "getRCost", "variables",
            "d = p.getRCost([x, y])",
            "The reduced cost of a column is\n  its objective coefficient minus the duals times its column (c - A'y).\n"
            "  Not available for a MIP.")},
    {"getProbStatus", (PyCFunction)problem_getProbStatus, METH_NOARGS,
     METHOD_DOC("Returns the status code of the last solve.", "p.getProbStatus()", "None.", "s = p.getProbStatus()",
         "LP, MIP or nonlinear status by the problem's content (ondrel.lp_*,\n  ondrel.mip_*, ondrel.nlp_*).",
         "getProbStatusString, solve")},
    {"getProbStatusString", (PyCFunction)problem_getProbStatusString, METH_NOARGS,
     METHOD_DOC("Returns the status of the last solve as a string.", "p.getProbStatusString()", "None.",
         "print(p.getProbStatusString())", "For example \"lp_optimal\" or \"mip_infeas\".",
         "getProbStatus, solve")},
    {nullptr, nullptr, 0, nullptr}};
