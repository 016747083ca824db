// The shared machinery of the trampolines: one invocation of a Python
// callable on behalf of the library, on whatever thread the library chose.
#pragma once
#include "module/pyref.h"
#include "problem/problem.h"

constexpr int kStopUser = 9;  // interrupt reason of a failed callback

// One invocation: takes the interpreter lock, reads the record [problem,
// callable, data, ...], builds the temporary problem object wrapping the
// library's handles, and undoes all of it when destroyed. An exception
// raised on a thread that had no Python state before is kept for the
// registering problem (see callbacks_restore_error) instead of being lost
// with that thread's state.
class Invocation {
 public:
  Invocation(ONDRprob handle, OSLPprob slp, void *record);
  ~Invocation();
  Invocation(const Invocation &) = delete;
  Invocation &operator=(const Invocation &) = delete;

  bool ok() const { return ok_; }   // false: the callable must not be called
  PyObject *problem() const { return tmp_.get(); }
  PyObject *data() const { return data_; }
  ProblemObject *owner() const { return owner_; }
  // Calls the callable with (problem, data, further...) built from `fmt`
  // (a Py_BuildValue format of the whole tuple). Null when it raised.
  PyObject *call(const char *fmt, ...);
  // A raised exception: writes `msg` to standard error and asks the
  // optimizer problem to stop.
  void failed(const char *msg);

 private:
  PyGILState_STATE gil_;
  bool foreign_;
  bool ok_ = false;
  ONDRprob handle_;
  ProblemObject *owner_ = nullptr;
  PyObject *callable_ = nullptr, *data_ = nullptr;
  PyRef tmp_;
};

// Integer rule: an integer gives its value, None `dflt`, anything else -1.
int int_rule(PyObject *result, int dflt);
// The optimizer handle behind a nonlinear handle (null on failure).
ONDRprob optimizer_of(OSLPprob slp);

// The registering problem of a temporary problem object, or `p` itself.
ProblemObject *callbacks_owner(ProblemObject *p);
// Raises (restores) the exception a callable raised on a library thread
// during the problem's last library call, unless another one is pending.
void callbacks_restore_error(ProblemObject *p);
// Drops a kept exception of a problem being released.
void callbacks_forget_error(ProblemObject *p);
// True while a trampoline runs (records must then outlive removal).
bool callbacks_running();
