// Per-problem callback slots: the records handed to the library, adding,
// removing, copying and clearing them, and the Python methods doing so.
#pragma once
#include "problem/problem.h"

// Registers [problem, callable, data, priority] for `kind`: 0, or -3 / the
// library's status with an exception set.
int callbackInList(ProblemObject *p, int kind, PyObject *callable, PyObject *data, int priority);
// Removes the records of `slot` matching the filters (null or None: any),
// unregistering them from the library. With `p` null the slot is the
// module's message-handler list. 0, or nonzero with an exception set.
int removeCallback(ProblemObject *p, PyObject **slot, PyObject *callable, PyObject *data, int kind);
// Registers the source's records again on `dst`: 0, or -1 with an error.
int problem_copy_callbacks(ProblemObject *dst, ProblemObject *src);
// Release every slot of a problem being destroyed (never fails).
void problem_clear_callbacks(ProblemObject *p);
// Gives up the library's reference to a record that is no longer
// registered: at once when no callback can be running, else later.
void release_record(PyObject *record);

// The global message handler's trampoline (callbacks/services.cpp).
ondr_ge_msghandler msghandler_trampoline();

// Methods addcb*/removecb*/setcb* and copycallbacks of ondrel.problem.
const PyMethodDef *callback_methods();
// Module functions of the global environment (callbacks/services.cpp).
extern const PyMethodDef callback_module_methods[];
