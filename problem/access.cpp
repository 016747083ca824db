// The problem layer's view of the modelling objects, over their records.
#include "problem/access.h"
#include "model/model.h"
#include "module/env.h"

int obj_kind(PyObject *obj) { return getExprType(obj); }

bool is_var_exact(PyObject *o) { return o && Py_TYPE(o) == &var_type; }
bool is_constraint_exact(PyObject *o) { return o && Py_TYPE(o) == &constraint_type; }
bool is_sos_exact(PyObject *o) { return o && Py_TYPE(o) == &sos_type; }
bool is_var(PyObject *o) { return o && PyObject_TypeCheck(o, &var_type); }
bool is_constraint(PyObject *o) { return o && PyObject_TypeCheck(o, &constraint_type); }
bool is_sos(PyObject *o) { return o && PyObject_TypeCheck(o, &sos_type); }

int64_t var_id(PyObject *v) { return asVar(v)->id; }
double var_lb(PyObject *v) { return asVar(v)->lb; }
double var_ub(PyObject *v) { return asVar(v)->ub; }
double var_threshold(PyObject *v) { return asVar(v)->threshold; }
int var_vartype(PyObject *v) { return asVar(v)->vartype; }

PyObject *var_create(PyObject *name) {
  PyObject *v = name ? var_new() : var_base();
  if (v && name) {
    Py_INCREF(name);
    Py_XSETREF(asVar(v)->name, name);
  }
  return v;
}

void var_set(PyObject *v, double lb, double ub, int vartype) {
  asVar(v)->lb = lb;
  asVar(v)->ub = ub;
  asVar(v)->vartype = vartype;
}

double linterm_coef(PyObject *t) { return asLin(t)->coef; }
PyObject *linterm_var(PyObject *t) { return asLin(t)->var; }
double quadterm_coef(PyObject *t) { return asQuad(t)->coef; }
PyObject *quadterm_var1(PyObject *t) { return asQuad(t)->var1; }
PyObject *quadterm_var2(PyObject *t) { return asQuad(t)->var2; }

double expr_constant(PyObject *e) { return asExpr(e)->constant; }
PyObject *expr_linear(PyObject *e) { return asExpr(e)->linear; }
PyObject *expr_quadratic(PyObject *e) { return asExpr(e)->quadratic; }
PyObject *expr_quadvars(PyObject *e) { return asExpr(e)->quadvars; }

int nonlin_op(PyObject *n) { return asNonlin(n)->op; }
PyObject *nonlin_args(PyObject *n) { return asNonlin(n)->args; }

static ConstraintObject *asCon(PyObject *c) { return (ConstraintObject *)c; }
static SOSObject *asSos(PyObject *s) { return (SOSObject *)s; }

int64_t con_id(PyObject *c) { return asCon(c)->id; }
PyObject *con_name(PyObject *c) { return asCon(c)->name; }
PyObject *con_body(PyObject *c) { return constraint_body(c); }
double con_lb(PyObject *c) { return asCon(c)->lb; }
double con_ub(PyObject *c) { return asCon(c)->ub; }

PyObject *con_create(PyObject *name) {
  PyObject *c = constraint_base();
  if (c && name) {
    Py_INCREF(name);
    Py_XSETREF(asCon(c)->name, name);
  }
  return c;
}

void con_set_bounds(PyObject *c, double lb, double ub) {
  asCon(c)->lb = lb;
  asCon(c)->ub = ub;
}

int64_t sos_id(PyObject *s) { return asSos(s)->id; }
PyObject *sos_name(PyObject *s) { return asSos(s)->name; }
int sos_settype(PyObject *s) { return asSos(s)->type; }
PyObject *sos_indices(PyObject *s) { return asSos(s)->indices; }
PyObject *sos_weights(PyObject *s) { return asSos(s)->weights; }

PyObject *sos_create(PyObject *name) {
  PyObject *s = sos_base();
  if (!s) return nullptr;
  if (name) {
    Py_INCREF(name);
    Py_XSETREF(asSos(s)->name, name);
  }
  // A set read from a file gets empty member lists of its own.
  if (!asSos(s)->indices && !(asSos(s)->indices = PyList_New(0))) return Py_DECREF(s), nullptr;
  if (!asSos(s)->weights && !(asSos(s)->weights = PyList_New(0))) return Py_DECREF(s), nullptr;
  return s;
}
