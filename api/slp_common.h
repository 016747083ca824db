// Helpers shared by the nonlinear layer's low-level methods (api/slp_*.cpp):
// the nonlinear handle check, the call's own error text, single references
// and optional scalars, and the last-error step.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include "module/convert.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/doc.h"
#include "problem/problem.h"

// The nonlinear handle of `self`, or null with RuntimeError.
OSLPprob slp_handle(PyObject *self);
// RuntimeError `msg`, replacing a pending parse or conversion error of the
// interpreter's (TypeError, OverflowError); returns null.
PyObject *slp_fail(const char *msg);
// None after status 0, else null through the last-error rule.
PyObject *slp_done(PyObject *self, int rc);
// A row or column reference (index, name or object) to an index.
int slp_ref(PyObject *self, PyObject *obj, int kind, int *out);
// An optional float (None or absent: has = false); -1 with an error set.
int slp_opt_double(PyObject *obj, double *v, bool *has);
// An optional int (None or absent: has = false); -1 with an error set.
int slp_opt_int(PyObject *obj, int *v, bool *has);
// A Python list of n ints or doubles from C arrays, or null.
PyObject *slp_int_list(const int *v, int n);
PyObject *slp_dbl_list(const double *v, int n);
