// The trampolines the library calls, one per callback kind, and the table
// that registers them: per kind, how the callable is called and what its
// result becomes.
#include <cstring>
#include "callbacks/kinds.h"
#include "callbacks/trampoline.h"
#include "module/errors.h"
#include "module/types.h"

namespace {

const char kGeneric[] = "Problem in callback, stopping optimization\n";

// Kinds called with (problem, data) only: the integer rule goes to `out`.
void common_wrapper(ONDRprob h, OSLPprob s, void *rec, int *out) {
  Invocation inv(h, s, rec);
  if (!inv.ok()) return;
  PyRef r(inv.call("(OO)", inv.problem(), inv.data()));
  if (!r) return inv.failed(kGeneric);
  if (out) *out = int_rule(r.get(), 0);
}

int common_int(ONDRprob h, void *rec) {
  int v = 0;
  common_wrapper(h, nullptr, rec, &v);
  return v;
}
int common_nlp(OSLPprob s, void *rec) {
  int v = 0;
  common_wrapper(optimizer_of(s), s, rec, &v);
  return v;
}

// Nonlinear kinds with their own code: -1 when the prologue failed or the
// callable raised (then the nonlinear problem is asked to stop).
template <class Use>
int nlp_own(OSLPprob s, void *rec, const char *msg, Use &&use) {
  Invocation inv(optimizer_of(s), s, rec);
  if (!inv.ok()) return -1;
  PyRef r(use(inv));
  if (!r) {
    inv.failed(msg);
    OSLPinterrupt(s, kStopUser);
    return -1;
  }
  return 0;
}

// Optimizer kinds whose result is ignored.
template <class Use>
void opt_ignored(ONDRprob h, void *rec, const char *msg, Use &&use) {
  Invocation inv(h, nullptr, rec);
  if (!inv.ok()) return;
  PyRef r(use(inv));
  if (!r) inv.failed(msg);
}

bool number_or_none(PyObject *o) { return o == Py_None || isObjInt(o) || PyFloat_Check(o); }

}  // namespace

// ---- optimizer kinds ----
static void wrapper_bariteration(ONDRprob h, void *rec, int *action) { common_wrapper(h, nullptr, rec, action); }
static int wrapper_barlog(ONDRprob h, void *rec) { return common_int(h, rec); }
static int wrapper_cutlog(ONDRprob h, void *rec) { return common_int(h, rec); }
static int wrapper_globallog(ONDRprob h, void *rec) { return common_int(h, rec); }
static int wrapper_lplog(ONDRprob h, void *rec) { return common_int(h, rec); }
static void wrapper_optnode(ONDRprob h, void *rec, int *infeas) { common_wrapper(h, nullptr, rec, infeas); }
static void wrapper_prenode(ONDRprob h, void *rec, int *infeas) { common_wrapper(h, nullptr, rec, infeas); }
static void wrapper_intsol(ONDRprob h, void *rec) { common_wrapper(h, nullptr, rec, nullptr); }
static void wrapper_infnode(ONDRprob h, void *rec) { common_wrapper(h, nullptr, rec, nullptr); }
static void wrapper_destroymt(ONDRprob h, void *rec) { common_wrapper(h, nullptr, rec, nullptr); }

static void wrapper_usersolnotify(ONDRprob h, void *rec, const char *name, int status) {
  opt_ignored(h, rec, "Problem in usersolnotify() callback, stopping optimization\n",
              [&](Invocation &i) { return i.call("(OOsl)", i.problem(), i.data(), name, (long)status); });
}
static void wrapper_nodecutoff(ONDRprob h, void *rec, int node) {
  opt_ignored(h, rec, "Problem in nodecutoff() callback, stopping optimization\n",
              [&](Invocation &i) { return i.call("(OOl)", i.problem(), i.data(), (long)node); });
}
static void wrapper_newnode(ONDRprob h, void *rec, int parent, int node, int branch) {
  opt_ignored(h, rec, "Problem in newnode() callback, stopping optimization\n", [&](Invocation &i) {
    return i.call("(OOlll)", i.problem(), i.data(), (long)parent, (long)node, (long)branch);
  });
}
static void wrapper_message(ONDRprob h, void *rec, const char *msg, int len, int type) {
  opt_ignored(h, rec, "Problem in message() callback, stopping optimization\n", [&](Invocation &i) {
    return i.call("(OOsll)", i.problem(), i.data(), msg, (long)len, (long)type);
  });
}

static void wrapper_mipthread(ONDRprob h, void *rec, ONDRprob worker) {
  opt_ignored(h, rec, "Problem in mipthread() callback, stopping optimization\n", [&](Invocation &i) -> PyObject * {
    ProblemObject *tmp = (ProblemObject *)i.problem();
    PyRef t(problem_new(&problem_type));
    if (!t) return nullptr;
    ProblemObject *tp = (ProblemObject *)t.get();
    tp->owns_handles = 0;
    tp->init_done = 1;
    tp->prob = worker;
    PyObject **to[] = {&tp->variables, &tp->constraints, &tp->sets, &tp->varmap, &tp->conmap, &tp->sosmap};
    PyObject *from[] = {tmp->variables, tmp->constraints, tmp->sets, tmp->varmap, tmp->conmap, tmp->sosmap};
    for (int k = 0; k < 6; ++k) {
      Py_XINCREF(from[k]);
      Py_XSETREF(*to[k], from[k]);
    }
    PyObject *r = i.call("(OOO)", i.problem(), i.data(), t.get());
    tp->prob = nullptr;  // valid during the call only
    return r;
  });
}

static void wrapper_preintsol(ONDRprob h, void *rec, int soltype, int *reject, double *cutoff) {
  Invocation inv(h, nullptr, rec);
  if (!inv.ok()) return;
  PyRef r(inv.call("(OOld)", inv.problem(), inv.data(), (long)soltype, cutoff ? *cutoff : 0.0));
  if (!r) return inv.failed("Problem in preintsol() callback, stopping optimization\n");
  PyObject *o = r.get();
  if (!PyTuple_Check(o) || PyTuple_GET_SIZE(o) != 2 ||
      !(PyTuple_GET_ITEM(o, 0) == Py_None || isObjInt(PyTuple_GET_ITEM(o, 0))) ||
      !number_or_none(PyTuple_GET_ITEM(o, 1))) {
    PySys_WriteStderr("Problem in PreIntSol callback: must return tuple of two elements, both being a number or None.\n");
    ONDRinterrupt(h, kStopUser);
    return;
  }
  PyObject *rj = PyTuple_GET_ITEM(o, 0), *co = PyTuple_GET_ITEM(o, 1);
  if (rj != Py_None && reject) *reject = (int)PyLong_AsLong(rj);
  if (co != Py_None && cutoff) *cutoff = PyFloat_AsDouble(co);
}

static void wrapper_gapnotify(ONDRprob h, void *rec, double *a, double *b, double *c, double *d) {
  Invocation inv(h, nullptr, rec);
  if (!inv.ok()) return;
  PyRef r(inv.call("(OO)", inv.problem(), inv.data()));
  if (!r) return inv.failed("Problem in gapnotify() callback, stopping optimization\n");
  PyObject *o = r.get();
  bool shape = PyTuple_Check(o) && PyTuple_GET_SIZE(o) == 4;
  for (Py_ssize_t k = 0; shape && k < 4; ++k) shape = number_or_none(PyTuple_GET_ITEM(o, k));
  if (!shape) {
    PySys_WriteStderr("Problem in GapNotify callback: must return tuple of four elements, each being a number or None.\n");
    ONDRinterrupt(h, kStopUser);
    return;
  }
  double *outs[] = {a, b, c, d};
  for (int k = 0; k < 4; ++k)
    if (PyTuple_GET_ITEM(o, k) != Py_None && outs[k]) *outs[k] = PyFloat_AsDouble(PyTuple_GET_ITEM(o, k));
}

static void wrapper_chgbranchobject(ONDRprob h, void *rec, ONDRbranchobject cand, ONDRbranchobject *out) {
  Invocation inv(h, nullptr, rec);
  if (!inv.ok()) return;
  PyRef given(branchobj_wrap(cand, inv.problem()));
  if (!given) return inv.failed("Problem in chgbranchobject() callback, stopping optimization\n");
  PyRef r(inv.call("(OOO)", inv.problem(), inv.data(), given.get()));
  if (!r) {
    branchobj_detach(given.get());
    return inv.failed("Problem in chgbranchobject() callback, stopping optimization\n");
  }
  if (PyObject_TypeCheck(r.get(), &branchobj_type)) {
    if (out) *out = branchobj_get(r.get());
    branchobj_detach(r.get());
  } else {
    PySys_WriteStderr("returned object from chgbranchobject() should be a branching object\n");
    ONDRinterrupt(h, kStopUser);
  }
  if (r.get() != given.get()) branchobj_detach(given.get());
}

// ---- nonlinear kinds ----
static int wrapper_cascadeend(OSLPprob s, void *rec) { return common_nlp(s, rec); }
static int wrapper_cascadestart(OSLPprob s, void *rec) { return common_nlp(s, rec); }
static int wrapper_construct(OSLPprob s, void *rec) { return common_nlp(s, rec); }
static int wrapper_destroy(OSLPprob s, void *rec) { return common_nlp(s, rec); }
static int wrapper_iterend(OSLPprob s, void *rec) { return common_nlp(s, rec); }
static int wrapper_iterstart(OSLPprob s, void *rec) { return common_nlp(s, rec); }
static int wrapper_slpend(OSLPprob s, void *rec) { return common_nlp(s, rec); }
static int wrapper_slpnode(OSLPprob s, void *rec) { return common_nlp(s, rec); }
static int wrapper_slpstart(OSLPprob s, void *rec) { return common_nlp(s, rec); }

// Result as a C long, returned to the library; `two` adds the second int.
static int nlp_long(OSLPprob s, void *rec, const char *msg, bool two, long a, long b) {
  long v = 0;
  int rc = nlp_own(s, rec, msg, [&](Invocation &i) {
    PyObject *r = two ? i.call("(OOll)", i.problem(), i.data(), a, b) : i.call("(OOl)", i.problem(), i.data(), a);
    if (r) v = PyLong_AsLong(r);
    return r;
  });
  return rc ? rc : (int)v;
}
static int wrapper_cascadevar(OSLPprob s, void *rec, int col) {
  return nlp_long(s, rec, "Problem in cascadevar() callback, stopping optimization\n", false, col, 0);
}
static int wrapper_cascadevarfail(OSLPprob s, void *rec, int col) {
  return nlp_long(s, rec, "Problem in cascadevarfail() callback, stopping optimization\n", false, col, 0);
}
static int wrapper_coefevalerror(OSLPprob s, void *rec, int row, int col) {
  return nlp_long(s, rec, "Problem in coefevalerror() callback, stopping optimization\n", true, row, col);
}
static int wrapper_itervar(OSLPprob s, void *rec, int col) {
  return nlp_own(s, rec, "Problem in itervar() callback, stopping optimization\n",
                 [&](Invocation &i) { return i.call("(OOl)", i.problem(), i.data(), (long)col); });
}
static int wrapper_formula(OSLPprob s, void *rec, double value, double *result) {
  return nlp_own(s, rec, "Problem in formula() callback, stopping optimization\n", [&](Invocation &i) {
    PyObject *r = i.call("(OOd)", i.problem(), i.data(), value);
    if (r && result) *result = PyFloat_AsDouble(r);
    return r;
  });
}
static int wrapper_drcol(OSLPprob s, void *rec, int, int col, double *result, double v1, double v2, double v3) {
  return nlp_own(s, rec, "Problem in drcol() callback, stopping optimization\n", [&](Invocation &i) {
    PyObject *r = i.call("(OOiddd)", i.problem(), i.data(), col, v1, v2, v3);
    if (r && result) *result = PyFloat_AsDouble(r);
    return r;
  });
}
static int ms_job(OSLPprob s, void *rec, const char *msg, void *job, const char *desc, int *status) {
  return nlp_own(s, rec, msg, [&](Invocation &i) {
    PyObject *r = i.call("(OOOs)", i.problem(), i.data(), job ? (PyObject *)job : Py_None, desc);
    if (r && status) *status = (int)PyLong_AsLong(r);
    return r;
  });
}
static int wrapper_msjobend(OSLPprob s, void *rec, void *job, const char *desc, int *status) {
  return ms_job(s, rec, "Problem in msjobend() callback, stopping optimization\n", job, desc, status);
}
static int wrapper_msjobstart(OSLPprob s, void *rec, void *job, const char *desc, int *status) {
  return ms_job(s, rec, "Problem in msjobstart() callback, stopping optimization\n", job, desc, status);
}
static int wrapper_mswinner(OSLPprob s, void *rec, void *job, const char *desc) {
  return ms_job(s, rec, "Problem in mswinner() callback, stopping optimization\n", job, desc, nullptr);
}

// ---- the table ----
#define KIND_ROW_OPT(name, type)                                                           \
  {#name, false,                                                                           \
   [](ONDRprob h, OSLPprob, void *r, int prio) { return ONDRaddcb##name(h, wrapper_##name, r, prio); }, \
   [](ONDRprob h, void *r) { return ONDRremovecb##name(h, wrapper_##name, r); }},
#define KIND_ROW_NLP(name, type)                                                           \
  {#name, true, [](ONDRprob, OSLPprob s, void *r, int) { return OSLPsetcb##name(s, wrapper_##name, r); }, \
   nullptr},
const CallbackKind kCallbackKindTable[kCallbackKinds] = {
    ONDR_CB_OPTIMIZER_KINDS(KIND_ROW_OPT) ONDR_CB_NONLINEAR_KINDS(KIND_ROW_NLP)};
