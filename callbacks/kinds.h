// The 36 callback kinds as the module registers them with the library.
#pragma once
#include "problem/problem.h"

struct CallbackKind {
  const char *name;
  bool nonlinear;  // kinds 18-35: set on the nonlinear handle, no removal
  // Registers the kind's trampoline with `record` as its user object.
  int (*add)(ONDRprob h, OSLPprob s, void *record, int priority);
  int (*remove)(ONDRprob h, void *record);  // null for nonlinear kinds
};
extern const CallbackKind kCallbackKindTable[kCallbackKinds];

// Branching objects handed to and taken back from the chgbranchobject
// callable (callbacks/objects.cpp).
PyObject *branchobj_wrap(ONDRbranchobject bo, PyObject *problem);
void branchobj_detach(PyObject *obj);
// The library object of an ondrel.branchobj (null when detached or not one).
ONDRbranchobject branchobj_get(PyObject *obj);
