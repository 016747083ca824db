// ondrel.problem: construction, copy, reset, name and release.
#include "problem/problem.h"
#include <cstring>
#include <string>
#include <unordered_set>
#include <structmember.h>
#include "module/controls.h"
#include "module/env.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/binding.h"
#include "callbacks/registry.h"

static const int kKeepBasis = ONDR_KEEPBASIS;    // optimizer control, off around the empty load
static const int kEchoMessages = OSLP_NLPECHOMESSAGES;// nonlinear control, off for problems made here
static const int kProbNameLength = ONDR_PROBNAMELENGTH;

static bool make_containers(ProblemObject *p) {
  p->variables = PyList_New(0);
  p->constraints = PyList_New(0);
  p->sets = PyList_New(0);
  p->varmap = indexmap_new();
  p->conmap = indexmap_new();
  p->sosmap = indexmap_new();
  return p->variables && p->constraints && p->sets && p->varmap && p->conmap && p->sosmap;
}

static void reset_bookkeeping(ProblemObject *p) {
  p->slp_unit_col = -1;
  p->nonlinear_count = 0;
  p->nonlinear_objective = 0;
  Py_CLEAR(p->userfuncs);
  p->obj_transfer_col = -1;
  p->obj_transfer_row = -1;
}

PyObject *problem_new(PyTypeObject *type) {
  PyRef self(type->tp_alloc(type, 0));
  if (!self) return nullptr;
  ProblemObject *p = (ProblemObject *)self.get();
  p->owns_handles = 1;
  reset_bookkeeping(p);
  if (!make_containers(p)) return nullptr;
  p->controls = ctrl_base(self.get());
  p->attributes = attr_base(self.get());
  if (!p->controls || !p->attributes) return nullptr;
  return self.release();
}

int problem_applyModuleControls(PyObject *problem) {
  PyObject *name, *value;
  Py_ssize_t pos = 0;
  while (PyDict_Next(ond_py_env.control_overrides, &pos, &name, &value)) {
    PyObject *entry = PyDict_GetItemWithError(ond_py_env.control_table, name);
    int id, type, layer;
    if (!entry || !PyTuple_Check(entry) || !PyArg_ParseTuple(entry, "iii", &id, &type, &layer)) {
      PyErr_Clear();
      PyErr_SetString(PyExc_RuntimeError, "Incorrect control name in initialization");
      return -1;
    }
    int rc = problem_setControl_single(problem, id, type, layer, value);
    if (rc != 0) return rc;
  }
  return 0;
}

// Create the library handles of a record; on failure the global last error
// is raised and whatever was created is left in the record for release.
// Problems that hold library handles.
static std::unordered_set<ProblemObject *> g_with_handles;

void problems_forget_handles() {
  for (ProblemObject *p : g_with_handles) {
    p->prob = nullptr;
    p->slpprob = nullptr;
  }
  g_with_handles.clear();
}

static int create_handles(ProblemObject *p) {
  g_with_handles.insert(p);
  if (ONDRcreateprob(&p->prob) != 0) {
    p->prob = nullptr;
    setOndrErrIfNull(nullptr, nullptr);
    return -1;
  }
  if (ond_py_env.slp_state != 0) {
    if (OSLPcreateprob(&p->slpprob, &p->prob) != 0) {
      p->slpprob = nullptr;
      setOndrErrIfNull(nullptr, nullptr);
      return -1;
    }
    if (OSLPsetintcontrol(p->slpprob, kEchoMessages, 0) != 0) {
      setOndrErrIfNull((PyObject *)p, nullptr);
      return -1;
    }
  }
  return 0;
}

// Release the library handles (nonlinear first); 0 or -1 with an error.
static int destroy_handles(ProblemObject *p) {
  if (!ond_py_env.initialised) {  // already released with the library
    p->slpprob = nullptr;
    p->prob = nullptr;
    return 0;
  }
  if (p->slpprob) {
    if (OSLPdestroyprob(p->slpprob) != 0) {
      setOndrErrIfNull((PyObject *)p, nullptr);
      return -1;
    }
    p->slpprob = nullptr;
  }
  if (p->prob) {
    if (ONDRdestroyprob(p->prob) != 0) {
      setOndrErrIfNull((PyObject *)p, nullptr);
      return -1;
    }
    p->prob = nullptr;
  }
  g_with_handles.erase(p);
  return 0;
}

// Give a fresh record its library problem: handles, an empty problem named
// `name` and the module-level control values. 0 or -1 with an error.
static int load_empty(ProblemObject *p, const char *name) {
  if (turnONDRon(0) != 0) return -1;
  if (create_handles(p) != 0) return -1;
  int keep = 0;
  if (ONDRgetintcontrol(p->prob, kKeepBasis, &keep) != 0 || ONDRsetintcontrol(p->prob, kKeepBasis, 0) != 0 ||
      ONDRloadlp(p->prob, name, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                 nullptr, nullptr) != 0 ||
      ONDRsetintcontrol(p->prob, kKeepBasis, keep) != 0) {
    setOndrErrIfNull((PyObject *)p, nullptr);
    return -1;
  }
  return problem_applyModuleControls((PyObject *)p) ? -1 : 0;
}

// The creation function makes a complete problem, so that a subclass whose
// __init__ does not call the base one still has containers, controls,
// attributes and a library problem; __init__ only names it.
static PyObject *problem_tp_new(PyTypeObject *type, PyObject *, PyObject *) {
  PyRef self(problem_new(type));
  if (!self) return nullptr;
  if (load_empty((ProblemObject *)self.get(), "noname") != 0) return nullptr;
  return self.release();
}

static int problem_init(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"name", nullptr};
  const char *name = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "|s", (char **)kwlist, &name)) return -1;
  ProblemObject *p = (ProblemObject *)self;
  if (name && p->prob) {
    PyRef str(PyUnicode_FromString(name));
    std::string checked;
    if (!str || checked_name(p, str.get(), "Invalid problem name (must be a string)", checked) != 0) return -1;
  }
  if (p->init_done) {
    PyErr_SetString(PyExc_RuntimeError, "The problem is already initialized; use reset() to empty it");
    return -1;
  }
  if (!p->prob) {  // the library was stopped since the record was made
    if (load_empty(p, name ? name : "noname") != 0) return -1;
  } else if (name && ONDRsetprobname(p->prob, name) != 0) {
    setOndrErrIfNull(self, nullptr);
    return -1;
  }
  p->init_done = 1;
  return 0;
}

// Makes the methods that change the problem or read its results refuse
// other threads during a solve (problem/guard.cpp).
void problem_guard_methods(PyMethodDef *methods);

// ---- solving state ----

static int g_solving_count = 0;  // changed under the interpreter lock only

SolvingScope::SolvingScope(ProblemObject *p) : p_(p), prev_thread_(p->solver_thread) {
  Py_INCREF((PyObject *)p_);
  ++p_->solving;
  p_->solver_thread = PyThread_get_thread_ident();
  ++g_solving_count;
}

SolvingScope::~SolvingScope() {
  --g_solving_count;
  p_->solver_thread = prev_thread_;
  --p_->solving;
  Py_DECREF((PyObject *)p_);
}

bool problems_any_solving() { return g_solving_count > 0; }

int problem_check_idle(ProblemObject *p) {
  if (p->solving > 0 && p->solver_thread != PyThread_get_thread_ident()) {
    PyErr_SetString(PyExc_RuntimeError, "The problem is being solved: it cannot be changed until the solve returns");
    return -1;
  }
  return 0;
}

static PyObject *problem_copy(PyObject *self, PyObject *) {
  ProblemObject *src = (ProblemObject *)self;
  if (problem_check_idle(src) != 0) return nullptr;
  if (!src->prob) {
    PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem to copy");
    return nullptr;
  }
  PyRef out(problem_new(Py_TYPE(self)));
  if (!out) return nullptr;
  ProblemObject *dst = (ProblemObject *)out.get();
  if (create_handles(dst) != 0) return nullptr;
  if (problem_applyModuleControls(out.get()) != 0) return nullptr;
  if (ONDRcopyprob(dst->prob, src->prob, "") != 0 ||
      (ond_py_env.slp_state != 0 && src->slpprob && OSLPcopyprob(dst->slpprob, src->slpprob, "") != 0)) {
    setOndrErrIfNull(out.get(), nullptr);
    return nullptr;
  }
  if (problem_copy_callbacks(dst, src) != 0) return nullptr;
  if (ONDRcopycontrols(dst->prob, src->prob) != 0 ||
      (ond_py_env.slp_state != 0 && src->slpprob && OSLPcopycontrols(dst->slpprob, src->slpprob) != 0)) {
    setOndrErrIfNull(out.get(), nullptr);
    return nullptr;
  }
  PyObject **maps_dst[] = {&dst->varmap, &dst->conmap, &dst->sosmap};
  PyObject *maps_src[] = {src->varmap, src->conmap, src->sosmap};
  for (int i = 0; i < 3; ++i) {
    PyObject *m = indexmap_copy(maps_src[i]);
    if (!m) return nullptr;
    Py_SETREF(*maps_dst[i], m);
  }
  PyObject *lists_dst[] = {dst->variables, dst->constraints, dst->sets};
  PyObject *lists_src[] = {src->variables, src->constraints, src->sets};
  for (int i = 0; i < 3; ++i)
    if (PyList_SetSlice(lists_dst[i], 0, PyList_GET_SIZE(lists_dst[i]), lists_src[i]) != 0) return nullptr;
  // The copy holds the same nonlinear content, so it keeps the bookkeeping
  // that makes it solve as a nonlinear problem.
  dst->slp_unit_col = src->slp_unit_col;
  dst->nonlinear_count = src->nonlinear_count;
  dst->nonlinear_objective = src->nonlinear_objective;
  dst->obj_transfer_col = src->obj_transfer_col;
  dst->obj_transfer_row = src->obj_transfer_row;
  if (src->userfuncs) {
    dst->userfuncs = PyDict_Copy(src->userfuncs);
    if (!dst->userfuncs) return nullptr;
  }
  return out.release();
}

static PyObject *problem_reset(PyObject *self, PyObject *) {
  ProblemObject *p = (ProblemObject *)self;
  if (problem_check_idle(p) != 0) return nullptr;
  // Everything bound to the old library problem goes with it: a reset
  // problem behaves as a fresh one.
  PyObject *lists[] = {p->variables, p->constraints, p->sets};
  for (PyObject *l : lists)
    if (PyList_SetSlice(l, 0, PyList_GET_SIZE(l), nullptr) != 0) return nullptr;
  indexmap_clear(p->varmap);
  indexmap_clear(p->conmap);
  indexmap_clear(p->sosmap);
  reset_bookkeeping(p);
  // A problem whose handles went with ondrel.free() gets new ones too.
  if (!p->prob && !p->owns_handles) Py_RETURN_NONE;
  if (turnONDRon(0) != 0) return nullptr;
  // A fresh problem has no callbacks; the destroy callbacks run first.
  int rc = destroy_handles(p);
  problem_clear_callbacks(p);
  Py_CLEAR(p->msjobs);  // the multistart pool went with the old handles
  if (rc != 0) return nullptr;
  if (create_handles(p) != 0) return nullptr;
  if (ONDRsetprobname(p->prob, "") != 0 ||
      ONDRloadlp(p->prob, "", 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                 nullptr, nullptr) != 0) {
    setOndrErrIfNull(self, nullptr);
    return nullptr;
  }
  if (problem_applyModuleControls(self) != 0) return nullptr;
  Py_RETURN_NONE;
}

static PyObject *problem_name(PyObject *self, PyObject *) {
  ProblemObject *p = (ProblemObject *)self;
  if (!p->prob) {
    PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem");
    return nullptr;
  }
  int len = 0;
  if (ONDRgetintattrib(p->prob, kProbNameLength, &len) != 0 || len < 1) {
    setOndrErrIfNull(self, nullptr);
    return nullptr;
  }
  CArray<char> buf;
  if (!buf.alloc((size_t)len + 1)) return nullptr;
  memset(buf.get(), 0, (size_t)len + 1);
  if (ONDRgetprobname(p->prob, buf.get(), len) != 0) {
    setOndrErrIfNull(self, nullptr);
    return nullptr;
  }
  return strFromLib(buf.get(), "Problem name");
}

static PyObject *problem_str(PyObject *self) { return problem_name(self, nullptr); }

static void problem_dealloc(PyObject *self) {
  ProblemObject *p = (ProblemObject *)self;
  PyObject_GC_UnTrack(self);
  PyObject *et, *ev, *etb;
  PyErr_Fetch(&et, &ev, &etb);
  // The handles go first: the library calls the destroy callbacks while
  // their records are still alive.
  if (p->owns_handles && destroy_handles(p) != 0) PyErr_WriteUnraisable(nullptr);
  problem_clear_callbacks(p);
  g_with_handles.erase(p);
  PyErr_Restore(et, ev, etb);
  Py_CLEAR(p->controls);
  Py_CLEAR(p->attributes);
  Py_CLEAR(p->variables);
  Py_CLEAR(p->constraints);
  Py_CLEAR(p->sets);
  Py_CLEAR(p->varmap);
  Py_CLEAR(p->conmap);
  Py_CLEAR(p->sosmap);
  Py_CLEAR(p->userfuncs);
  Py_CLEAR(p->msjobs);
  Py_TYPE(self)->tp_free(self);
}

static int problem_traverse(PyObject *self, visitproc visit, void *arg) {
  ProblemObject *p = (ProblemObject *)self;
  Py_VISIT(p->variables);
  Py_VISIT(p->constraints);
  Py_VISIT(p->sets);
  Py_VISIT(p->varmap);
  Py_VISIT(p->conmap);
  Py_VISIT(p->sosmap);
  Py_VISIT(p->userfuncs);
  Py_VISIT(p->msjobs);
  Py_VISIT(p->controls);
  Py_VISIT(p->attributes);
  for (int i = 0; i < kCallbackKinds; ++i) Py_VISIT(p->callbacks[i]);
  return 0;
}

static int problem_gc_clear(PyObject *self) {
  ProblemObject *p = (ProblemObject *)self;
  Py_CLEAR(p->variables);
  Py_CLEAR(p->constraints);
  Py_CLEAR(p->sets);
  Py_CLEAR(p->varmap);
  Py_CLEAR(p->conmap);
  Py_CLEAR(p->sosmap);
  Py_CLEAR(p->userfuncs);
  Py_CLEAR(p->msjobs);
  Py_CLEAR(p->controls);
  Py_CLEAR(p->attributes);
  return 0;
}

static PyMemberDef problem_members[] = {
    {"controls", T_OBJECT_EX, offsetof(ProblemObject, controls), READONLY, "Problem's controls"},
    {"attributes", T_OBJECT_EX, offsetof(ProblemObject, attributes), READONLY, "Problem's attributes"},
    {nullptr, 0, 0, 0, nullptr}};

const PyMethodDef problem_lifecycle_methods[] = {
    {"copy", (PyCFunction)problem_copy, METH_NOARGS,
     "Purpose:\n  Returns a copy of the problem.\n\n"
     "Synopsis:\n  p2 = p.copy()\n\n"
     "Arguments:\n  None.\n\n"
     "Example:\n  p2 = p.copy()\n\n"
     "Further information:\n  The copy holds the same variable, constraint and set objects under the\n"
     "  same indices; objects added to either problem later belong to that problem only.\n\n"
     "Related topics:\n  reset"},
    {"reset", (PyCFunction)problem_reset, METH_NOARGS,
     "Purpose:\n  Empties the problem, keeping the Python object.\n\n"
     "Synopsis:\n  p.reset()\n\n"
     "Arguments:\n  None.\n\n"
     "Example:\n  p.reset()\n\n"
     "Further information:\n  The problem behaves as a newly created one, with an empty name;\n"
     "  module-level control values are applied again.\n\n"
     "Related topics:\n  copy"},
    {"name", (PyCFunction)problem_name, METH_NOARGS,
     "Purpose:\n  Returns the name of the problem.\n\n"
     "Synopsis:\n  p.name()\n\n"
     "Arguments:\n  None.\n\n"
     "Example:\n  print(p.name())\n\n"
     "Further information:\n  The name is \"noname\" unless given when the problem was created.\n\n"
     "Related topics:\n  problem"},
    {nullptr, nullptr, 0, nullptr}};

PyTypeObject problem_type = {
    PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.problem",
};

void problem_type_setup(PyMethodDef *methods) {
  problem_type.tp_basicsize = sizeof(ProblemObject);
  problem_type.tp_dealloc = problem_dealloc;
  problem_type.tp_str = problem_str;
  problem_type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  problem_type.tp_traverse = problem_traverse;
  problem_type.tp_clear = problem_gc_clear;
  problem_guard_methods(methods);
  problem_type.tp_methods = methods;
  problem_type.tp_members = problem_members;
  problem_type.tp_init = problem_init;
  problem_type.tp_new = problem_tp_new;
  problem_type.tp_doc =
      "Optimization problem: holds variables, constraints, special ordered sets and an\n"
      "objective, and solves them with the solver library.";
}
