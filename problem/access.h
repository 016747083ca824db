// What the problem layer needs to know about the modelling objects: kinds,
// fields and constructors. Implemented over the modelling algebra's records
// (model/model.h) in problem/access.cpp.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <cstdint>

// Operand kinds: 0 constant, 1 variable, 2 linear term, 3 quadratic term,
// 4 expression, 5 nonlinear; -1 (with "Invalid object in operation" set)
// for anything else.
int obj_kind(PyObject *obj);

// Exact-type tests (subclasses do not count) and instance tests.
bool is_var_exact(PyObject *obj);
bool is_constraint_exact(PyObject *obj);
bool is_sos_exact(PyObject *obj);
bool is_var(PyObject *obj);
bool is_constraint(PyObject *obj);
bool is_sos(PyObject *obj);

// Variables.
int64_t var_id(PyObject *v);
// The printable name as a str (new reference): see var_name in model/model.h.
PyObject *var_name(PyObject *v);
double var_lb(PyObject *v);
double var_ub(PyObject *v);
double var_threshold(PyObject *v);
int var_vartype(PyObject *v);
// A new variable with a fresh id and default fields, named `name` (a new
// reference is taken) or "C<id>" when name is null.
PyObject *var_create(PyObject *name);
void var_set(PyObject *v, double lb, double ub, int vartype);

// Linear and quadratic terms.
double linterm_coef(PyObject *t);
PyObject *linterm_var(PyObject *t);   // borrowed
double quadterm_coef(PyObject *t);
PyObject *quadterm_var1(PyObject *t); // borrowed, smaller id
PyObject *quadterm_var2(PyObject *t); // borrowed

// Expressions: constant, linear dict var -> float (or null), quadratic
// dict var -> (dict var -> float) (or null), quadvars set (or null).
double expr_constant(PyObject *e);
PyObject *expr_linear(PyObject *e);
PyObject *expr_quadratic(PyObject *e);
PyObject *expr_quadvars(PyObject *e);

// Nonlinear nodes: operator code and arguments (list, tuple or single
// object; borrowed).
int nonlin_op(PyObject *n);
PyObject *nonlin_args(PyObject *n);

// Constraints.
int64_t con_id(PyObject *c);
PyObject *con_name(PyObject *c);  // borrowed; may be null
// Borrowed; may be null (with an exception when a compact body could not
// be made into its expression).
PyObject *con_body(PyObject *c);
double con_lb(PyObject *c);
double con_ub(PyObject *c);
// A new constraint with a fresh id, no body, default bounds, named `name`
// (or "R<id>" when null).
PyObject *con_create(PyObject *name);
void con_set_bounds(PyObject *c, double lb, double ub);

// Special ordered sets.
int64_t sos_id(PyObject *s);
PyObject *sos_name(PyObject *s);      // borrowed; may be null
int sos_settype(PyObject *s);
PyObject *sos_indices(PyObject *s);   // borrowed list
PyObject *sos_weights(PyObject *s);   // borrowed list
// A new set with a fresh id, empty lists, type 1, named `name` (or default).
PyObject *sos_create(PyObject *name);
