// The ondrel.problem record: library handles, the modelling objects bound
// to the problem (containers in index order and maps id -> index), its
// controls and attributes objects, callback slots and nonlinear bookkeeping.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <cstdint>
#include "engine/include/oslp.h"

constexpr int kCallbackKinds = 36;

struct ProblemObject {
  PyObject_HEAD
  ONDRprob prob;              // optimizer handle
  OSLPprob slpprob;           // nonlinear handle driving prob, or null
  PyObject *variables;        // list of ondrel.var in column order
  PyObject *constraints;      // list of ondrel.constraint in row order
  PyObject *sets;             // list of ondrel.SOS in set order
  PyObject *controls;         // ondrel.control bound to this problem
  PyObject *attributes;       // ondrel.attribute bound to this problem
  PyObject *varmap;           // var id -> column index
  PyObject *conmap;           // constraint id -> row index
  PyObject *sosmap;           // SOS id -> set index
  PyObject *callbacks[kCallbackKinds];  // null or a list of callables per kind
  int32_t slp_unit_col;       // the nonlinear layer's unit column, -1 until read
  int32_t nonlinear_count;    // > 0: rows with nonlinear coefficients were added
  int32_t nonlinear_objective;// 1 while the objective is nonlinear
  PyObject *userfuncs;        // callable -> user-function number, or null
  int32_t obj_transfer_col;   // column carrying a nonlinear objective, or -1
  int32_t obj_transfer_row;   // row defining it, or -1
  int32_t owns_handles;       // 0 for the temporary problems of callbacks
  int32_t solving;            // > 0 while a solve of this problem runs
  unsigned long solver_thread;// thread ident of that solve
  int32_t init_done;          // 1 once __init__ has run (a second call is refused)
  PyObject *msjobs;           // list of multistart job objects the library holds, or null
  int32_t nonlinear_results;  // 1 while the last solve was the nonlinear layer's (nlpoptimize, globalsol)
};

// A record with empty containers and no library handles (null on failure).
PyObject *problem_new(PyTypeObject *type);
// Apply the module-level control values to the problem: 0 or nonzero.
int problem_applyModuleControls(PyObject *problem);
// Called when the library stops: every problem's handles are gone with it,
// so they are forgotten (later calls then fail cleanly).
void problems_forget_handles();
// True when the problem has nonlinear content.
inline bool problem_is_nonlinear(const ProblemObject *p) {
  return p->nonlinear_count > 0 || p->nonlinear_objective == 1;
}

// Makes new variables, constraints and sets for what the problem's library
// problem holds (after it was replaced as a whole): 0, or -1 with an error.
int problem_refresh_face(ProblemObject *p);
// 0 when the problem may be changed from this thread; -1 with a
// RuntimeError while another thread is solving it.
int problem_check_idle(ProblemObject *p);
// True while any problem is being solved.
bool problems_any_solving();

// Marks a problem as being solved for the scope's lifetime and holds a
// reference to it. Create and destroy with the interpreter lock held.
class SolvingScope {
 public:
  explicit SolvingScope(ProblemObject *p);
  ~SolvingScope();
  SolvingScope(const SolvingScope &) = delete;
  SolvingScope &operator=(const SolvingScope &) = delete;

 private:
  ProblemObject *p_;
  unsigned long prev_thread_;
};
