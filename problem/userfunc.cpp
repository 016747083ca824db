// Python callables as user functions of the nonlinear layer: registration
// (once per problem and callable) and the one evaluator the layer calls for
// all of them.
#include <cmath>
#include "module/errors.h"
#include "module/pyref.h"
#include "problem/convert_expr.h"

namespace {

constexpr int kFuncContextProblem = OSLP_NLPFUNCOBJECT;
constexpr int kUserFuncCount = OSLP_NLPUSERFUNCS;  // user functions registered
constexpr double kEvalError = -3.0;

// The evaluator the nonlinear layer calls, from any thread, during a solve.
double ondpy_generic_user_function(const double *inputs, void *context, const double *deltas, double *results) {
  GilEnsure gil;
  // After a failure the solve is ending: do not call Python again.
  if (PyErr_Occurred()) return NAN;
  void *slp = nullptr, *object = nullptr;
  int nargs = 0, want_value = 0, want_derivs = 0, number = 0;
  if (OSLPgetfuncobject(context, kFuncContextProblem, &slp) != 0 ||
      OSLPgetfuncinfo(context, &nargs, &want_value, &want_derivs, &number) != 0 ||
      OSLPgetuserfuncobject((OSLPprob)slp, number, &object) != 0 || !object)
    return kEvalError;
  PyObject *callable = PyTuple_GET_ITEM((PyObject *)object, 0);
  PyRef args(PyTuple_New(nargs));
  if (!args) return NAN;
  for (int i = 0; i < nargs; ++i) {
    PyObject *f = PyFloat_FromDouble(inputs[i]);
    if (!f) return NAN;
    PyTuple_SET_ITEM(args.get(), i, f);
  }
  PyRef result(PyObject_CallObject(callable, args.get()));
  // An exception raised by the function stays pending: it is what solve()
  // raises once the library returns.
  if (!result) return NAN;
  bool is_tuple = PyTuple_Check(result.get());
  if (is_tuple && PyTuple_GET_SIZE(result.get()) == 0) {
    PyErr_SetString(PyExc_RuntimeError, "Problem encountered in user function");
    return NAN;
  }
  double value = PyFloat_AsDouble(is_tuple ? PyTuple_GET_ITEM(result.get(), 0) : result.get());
  if (value == -1.0 && PyErr_Occurred()) return NAN;
  if (want_value) results[0] = value;
  if (want_derivs && is_tuple) {
    Py_ssize_t n = PyTuple_GET_SIZE(result.get());
    for (int i = 1; i <= nargs && i < n; ++i) {
      if (deltas[i - 1] == 0.0) continue;
      double d = PyFloat_AsDouble(PyTuple_GET_ITEM(result.get(), i));
      if (d == -1.0 && PyErr_Occurred()) return NAN;
      results[i] = d;
    }
  }
  return value;
}

}  // namespace

int createUserFunction(ProblemObject *p, PyObject *args, int *number) {
  if (!PyTuple_Check(args) || PyTuple_GET_SIZE(args) < 1 || !PyCallable_Check(PyTuple_GET_ITEM(args, 0))) {
    PyErr_SetString(PyExc_RuntimeError,
                    "Invalid user function, must specify at least one argument (the user function itself)");
    return -1;
  }
  PyObject *callable = PyTuple_GET_ITEM(args, 0);
  if (!p->userfuncs && !(p->userfuncs = PyDict_New())) return -1;
  // The map holds callable -> (callable, number): the tuple is the object the
  // library hands back to the evaluator, kept alive by the map.
  PyObject *known = PyDict_GetItemWithError(p->userfuncs, callable);
  if (known) {
    *number = (int)PyLong_AsLong(PyTuple_GET_ITEM(known, 1));
    return 0;
  }
  if (PyErr_Occurred()) return -1;
  if (!p->slpprob) {
    PyErr_SetString(PyExc_RuntimeError, "User functions need the nonlinear layer, which is not available");
    return -1;
  }
  // The library numbers its functions 1, 2, ...: the next is one past its count
  // (kept even when an earlier registration failed half-way).
  int n = 0;
  if (OSLPgetintattrib(p->slpprob, kUserFuncCount, &n) != 0) {
    setOndrErrIfNull((PyObject *)p, nullptr);
    return -1;
  }
  ++n;
  PyRef record(Py_BuildValue("(Oi)", callable, n));
  if (!record) return -1;
  int name_index = 0, linkage_index = 0;
  int rc = OSLPsetstring(p->slpprob, &name_index, "ondpy_generic_user_function");
  if (rc == 0) rc = OSLPsetstring(p->slpprob, &linkage_index, "DirectC");
  if (rc == 0) {
    int types[5] = {OSLP_UFDESC_STRING, OSLP_UFDESC_INPUTS, OSLP_UFDESC_CALL, OSLP_UFDESC_STRING, OSLP_UFDESC_END};
    double values[5] = {(double)name_index, 1, OSLP_UFCALL_CONTEXT | OSLP_UFCALL_RESULTS | OSLP_UFCALL_DERIVS,
                         (double)linkage_index, 0};
    rc = OSLPadduserfuncs(p->slpprob, 1, types, values);
  }
  if (rc == 0) rc = OSLPaddnames(p->slpprob, 5, "ondpy_generic_user_function", n, n);
  if (rc == 0) rc = OSLPchguserfuncaddress(p->slpprob, n, (void *)&ondpy_generic_user_function);
  if (rc != 0) {
    setOndrErrIfNull((PyObject *)p, nullptr);
    return rc;
  }
  // The map keeps the record alive: it holds it before the library gets a
  // pointer to it, and the library gets none when the map could not.
  if (PyDict_SetItem(p->userfuncs, callable, record.get()) != 0) return -1;
  if (OSLPsetuserfuncobject(p->slpprob, n, record.get()) != 0) {
    setOndrErrIfNull((PyObject *)p, nullptr);
    PyObject *t, *v, *tb;
    PyErr_Fetch(&t, &v, &tb);
    if (PyDict_DelItem(p->userfuncs, callable) != 0) PyErr_Clear();
    PyErr_Restore(t, v, tb);
    return -1;
  }
  *number = n;
  return 0;
}
