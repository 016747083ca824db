#include "callbacks/trampoline.h"
#include <cstdarg>
#include <unordered_map>
#include "module/errors.h"
#include "module/types.h"
#include "problem/indexmap.h"

namespace {
constexpr int kOptimizerHandleAttr = 12601;
int g_depth = 0;  // trampolines running, under the interpreter lock
// Temporary problem object -> registering problem.
std::unordered_map<ProblemObject *, ProblemObject *> g_owner_of;

struct Kept {
  PyObject *type, *value, *tb;
};
std::unordered_map<ProblemObject *, Kept> g_kept;

bool keep_error(ProblemObject *owner) {
  if (!owner) return false;
  Kept k;
  PyErr_Fetch(&k.type, &k.value, &k.tb);
  auto it = g_kept.find(owner);
  if (it != g_kept.end()) {  // the first exception is the one raised
    Py_XDECREF(k.type);
    Py_XDECREF(k.value);
    Py_XDECREF(k.tb);
    return true;
  }
  g_kept[owner] = k;
  return true;
}

// Shares the registering problem's containers and copies its maps into a
// fresh problem object that wraps `handle` and owns nothing of the library.
PyObject *make_temporary(ProblemObject *owner, ONDRprob handle, OSLPprob slp) {
  PyRef t(problem_new(&problem_type));
  if (!t) return nullptr;
  ProblemObject *p = (ProblemObject *)t.get();
  p->owns_handles = 0;
  p->init_done = 1;
  p->prob = handle;
  p->slpprob = slp;
  PyObject **lists[] = {&p->variables, &p->constraints, &p->sets};
  PyObject *from[] = {owner->variables, owner->constraints, owner->sets};
  for (int i = 0; i < 3; ++i) {
    Py_XINCREF(from[i]);
    Py_XSETREF(*lists[i], from[i]);
  }
  PyObject **maps[] = {&p->varmap, &p->conmap, &p->sosmap};
  PyObject *mfrom[] = {owner->varmap, owner->conmap, owner->sosmap};
  for (int i = 0; i < 3; ++i) {
    PyObject *m = indexmap_copy(mfrom[i]);
    if (!m) return nullptr;
    Py_XSETREF(*maps[i], m);
  }
  p->slp_unit_col = owner->slp_unit_col;
  p->nonlinear_count = owner->nonlinear_count;
  p->nonlinear_objective = owner->nonlinear_objective;
  return t.release();
}
}  // namespace

Invocation::Invocation(ONDRprob handle, OSLPprob slp, void *record)
    : foreign_(PyGILState_GetThisThreadState() == nullptr), handle_(handle) {
  gil_ = PyGILState_Ensure();
  ++g_depth;
  PyObject *rec = (PyObject *)record;
  if (rec && PyList_Check(rec) && PyList_GET_SIZE(rec) >= 3) {
    PyObject *o = PyList_GET_ITEM(rec, 0);
    if (PyObject_TypeCheck(o, &problem_type)) owner_ = (ProblemObject *)o;
    callable_ = PyList_GET_ITEM(rec, 1);
    data_ = PyList_GET_ITEM(rec, 2);
  }
  if (PyErr_Occurred() || (owner_ && g_kept.count(owner_))) {
    // An earlier callable failed: the solve is stopping, call nothing more.
    if (handle_) ONDRinterrupt(handle_, kStopUser);
    return;
  }
  if (!owner_ || !callable_ || !data_) return;
  tmp_.reset(make_temporary(owner_, handle, slp));
  if (!tmp_) {
    failed("Problem in callback, stopping optimization\n");
    return;
  }
  g_owner_of[(ProblemObject *)tmp_.get()] = owner_;
  ok_ = true;
}

Invocation::~Invocation() {
  if (tmp_) {
    ProblemObject *p = (ProblemObject *)tmp_.get();
    g_owner_of.erase(p);
    p->prob = nullptr;
    p->slpprob = nullptr;
    tmp_.reset();
  }
  if (foreign_ && PyErr_Occurred() && !keep_error(owner_)) PyErr_Clear();
  --g_depth;
  PyGILState_Release(gil_);
}

PyObject *Invocation::call(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  PyRef args(Py_VaBuildValue(fmt, ap));
  va_end(ap);
  if (!args) return nullptr;
  return PyObject_Call(callable_, args.get(), nullptr);
}

void Invocation::failed(const char *msg) {
  PyObject *t, *v, *tb;
  PyErr_Fetch(&t, &v, &tb);
  PySys_WriteStderr("%s", msg);
  PyErr_Restore(t, v, tb);
  if (handle_) ONDRinterrupt(handle_, kStopUser);
}

int int_rule(PyObject *result, int dflt) {
  if (result == Py_None) return dflt;
  if (!isObjInt(result)) return -1;
  long v = PyLong_AsLong(result);
  return (int)v;
}

ONDRprob optimizer_of(OSLPprob slp) {
  void *h = nullptr;
  if (!slp || OSLPgetptrattrib(slp, kOptimizerHandleAttr, &h) != 0) return nullptr;
  return (ONDRprob)h;
}

ProblemObject *callbacks_owner(ProblemObject *p) {
  auto it = g_owner_of.find(p);
  return it == g_owner_of.end() ? p : it->second;
}

void callbacks_restore_error(ProblemObject *p) {
  auto it = g_kept.find(p);
  if (it == g_kept.end()) return;
  Kept k = it->second;
  g_kept.erase(it);
  if (PyErr_Occurred()) {
    Py_XDECREF(k.type);
    Py_XDECREF(k.value);
    Py_XDECREF(k.tb);
  } else {
    PyErr_Restore(k.type, k.value, k.tb);
  }
}

void callbacks_forget_error(ProblemObject *p) {
  auto it = g_kept.find(p);
  if (it == g_kept.end()) return;
  Py_XDECREF(it->second.type);
  Py_XDECREF(it->second.value);
  Py_XDECREF(it->second.tb);
  g_kept.erase(it);
}

bool callbacks_running() { return g_depth > 0; }
