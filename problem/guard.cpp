// Methods refused from other threads while the problem is being solved:
// those that change the problem and those that read what the solve writes.
// The check is in the methods themselves (not in attribute lookup), so a
// bound method fetched before the solve is refused as well.
#include <cstring>
#include <utility>
#include "problem/problem.h"

namespace {

const char *const kRefusedWhileSolving[] = {
    "addVariable", "addConstraint", "addSOS", "addIndicator", "delVariable", "delConstraint", "delSOS", "delrows", "delcols", "delsets",
    "setObjective", "read", "write", "copy", "reset", "solve", "lpoptimize", "mipoptimize", "nlpoptimize",
    "chgvar", "setControl", "getObjVal", "getSolution", "getSlack", "getDual", "getRCost", "getProbStatus",
    "getProbStatusString"};
constexpr int kSlots = sizeof kRefusedWhileSolving / sizeof kRefusedWhileSolving[0];

// The wrapped method of each slot and its calling convention.
PyMethodDef g_wrapped[kSlots];

// METH_VARARGS | METH_KEYWORDS methods.
template <int I>
PyObject *guarded_kw(PyObject *self, PyObject *args, PyObject *kw) {
  if (problem_check_idle((ProblemObject *)self) != 0) return nullptr;
  return ((PyCFunctionWithKeywords)(void (*)())g_wrapped[I].ml_meth)(self, args, kw);
}

// METH_VARARGS and METH_NOARGS methods (the same C signature).
template <int I>
PyObject *guarded(PyObject *self, PyObject *args) {
  if (problem_check_idle((ProblemObject *)self) != 0) return nullptr;
  return g_wrapped[I].ml_meth(self, args);
}

template <int... I>
void wrap(PyMethodDef *m, std::integer_sequence<int, I...>) {
  static PyCFunctionWithKeywords const kw_wrappers[] = {guarded_kw<I>...};
  static PyCFunction const wrappers[] = {guarded<I>...};
  for (int i = 0; i < kSlots; ++i) {
    if (strcmp(m->ml_name, kRefusedWhileSolving[i]) != 0) continue;
    g_wrapped[i] = *m;
    m->ml_meth = (m->ml_flags & METH_KEYWORDS) ? (PyCFunction)(void (*)())kw_wrappers[i] : wrappers[i];
    return;
  }
}

}  // namespace

void problem_guard_methods(PyMethodDef *methods) {
  for (PyMethodDef *m = methods; m->ml_name; ++m) wrap(m, std::make_integer_sequence<int, kSlots>{});
}
