// Internal to model/: the per-kind operations behind the number protocol,
// the shared number-method tables and small helpers.
#pragma once
#include "model/model.h"
#include "module/pyref.h"

// One binary operator (ArithOp) for operands whose higher kind is the
// function's own kind; a right operand of a higher kind is handed on to
// that kind's function in source order. ka and kb are the operands' kinds.
using KindBinaryFn = PyObject *(*)(int op, PyObject *a, int ka, PyObject *b, int kb);
PyObject *var_binary(int op, PyObject *a, int ka, PyObject *b, int kb);
PyObject *linterm_binary(int op, PyObject *a, int ka, PyObject *b, int kb);
PyObject *quadterm_binary(int op, PyObject *a, int ka, PyObject *b, int kb);
PyObject *expression_binary(int op, PyObject *a, int ka, PyObject *b, int kb);
PyObject *nonlin_binary(int op, PyObject *a, int ka, PyObject *b, int kb);
// The function of kind k (1..5).
KindBinaryFn kind_binary(int k);
// `op` with a NumPy array on the right: computed by NumPy elementwise.
PyObject *array_rule(int op, PyObject *a, PyObject *array);
// A node over a tuple or list of operands (nary; the first element of a
// `user` node may be any callable) or over a single operand; the
// container is used as given.
PyObject *nonlin_create(bool nary, int code, PyObject *args);
// The in-place rules of nonlinear nodes (nonlinear.cpp).
PyObject *nonlin_inplace(int op, PyObject *a, PyObject *b);

// Appends the printed form of a linear or quadratic term.
bool term_print(PyObject *t, std::string &out);

// Number protocols: one for variables and terms, one per other kind.
extern PyNumberMethods term_number_methods;
extern PyNumberMethods expression_number_methods;
extern PyNumberMethods nonlin_number_methods;

// tp_new of the types that only the algebra creates.
PyObject *model_refuse_new(PyTypeObject *type, PyObject *args, PyObject *kw);

// Raises RuntimeError(text) (replacing whatever is pending); returns null.
PyObject *modelError(const char *text);
// The text under which a named object prints: its name if that is a str,
// bytes decoded as UTF-8, "<prefix><id>" when it has none, otherwise str()
// of whatever the user assigned.
PyObject *printable_name(PyObject *name, const char *prefix, int64_t id);
inline PyObject *newFloat(double v) { return PyFloat_FromDouble(v); }
inline PyObject *newRef(PyObject *o) {
  Py_INCREF(o);
  return o;
}
// A new expression with a constant and up to two linear entries (zero
// coefficients left out) and up to one quadratic entry; on failure
// RuntimeError(err).
PyObject *expression_make(double constant, PyObject *v1, double c1, PyObject *v2, double c2,
                          PyObject *q1, PyObject *q2, double qc, const char *err);

// Type setup, called by model_types_setup() before the types are readied.
void var_type_setup();
void terms_types_setup();
void expression_type_setup();
void nonlinear_type_setup();
void constraint_type_setup();
void sos_type_setup();
