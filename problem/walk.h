// The walk over Python arguments of any nesting: tuples, lists, sequences
// (NumPy arrays among them), dictionaries (their values) and iterators are
// walked into; strings, bytes and anything else are leaves.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <functional>

constexpr int kWalkDepth = 32;

// Calls `visit` on every leaf in order; stops at the first visit that
// returns nonzero. 0, or -1 with an exception set.
int walkNestedObjects(PyObject *problem, PyObject *obj, const std::function<int(PyObject *)> &visit,
                      int depth = kWalkDepth);
