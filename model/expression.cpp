// ondrel.expression: the polynomial of degree at most two. Its record, the
// primitives that amend single coefficients, scaled copies and printing.
// The operators are in arithmetic.cpp.
#include <cmath>
#include <cstdio>
#include <utility>
#include "model/dispatch.h"

PyObject *expression_new() { return expression_type.tp_alloc(&expression_type, 0); }

static void expression_dealloc(PyObject *self) {
  ExpressionObject *e = asExpr(self);
  Py_CLEAR(e->linear);
  Py_CLEAR(e->quadratic);
  Py_CLEAR(e->quadvars);
  Py_TYPE(self)->tp_free(self);
}

void expression_untrack(PyObject *e) {
  for (PyObject *o : {asExpr(e)->quadratic, asExpr(e)->quadvars})
    if (o && PyObject_GC_IsTracked(o)) PyObject_GC_UnTrack(o);
}

bool expression_hasLinear(PyObject *e) {
  return asExpr(e)->linear && PyDict_GET_SIZE(asExpr(e)->linear) > 0;
}

bool expression_hasQuadratic(PyObject *e) {
  PyObject *quad = asExpr(e)->quadratic;
  if (!quad) return false;
  Py_ssize_t pos = 0;
  PyObject *v, *inner;
  while (PyDict_Next(quad, &pos, &v, &inner))
    if (PyDict_Check(inner) && PyDict_GET_SIZE(inner) > 0) return true;
  return false;
}

// ---- primitives --------------------------------------------------------------

// Sets d[key] to the float c; false with an exception on failure.
static bool set_coef(PyObject *d, PyObject *key, double c) {
  PyRef value(newFloat(c));
  return value && PyDict_SetItem(d, key, value.get()) == 0;
}

static bool ensure_dict(PyObject **slot) {
  if (!*slot) *slot = PyDict_New();
  return *slot != nullptr;
}

int expression_setLinTerm(PyObject *e, PyObject *v, double c) {
  ExpressionObject *x = asExpr(e);
  if (c == 0) {
    if (!x->linear) return 0;
    int has = PyDict_Contains(x->linear, v);
    if (has == 0) return 0;
    if (has < 0 || PyDict_DelItem(x->linear, v) != 0) goto fail;
    return 0;
  }
  if (ensure_dict(&x->linear) && set_coef(x->linear, v, c)) return 0;
fail:
  modelError("Error amending expression");
  return -1;
}

int expression_addToLinTerm(PyObject *e, PyObject *v, double c) {
  if (c == 0) return 0;
  ExpressionObject *x = asExpr(e);
  if (!ensure_dict(&x->linear)) goto fail;
  {
    PyObject *old = PyDict_GetItemWithError(x->linear, v);  // borrowed
    if (!old && PyErr_Occurred()) goto fail;
    if (old) {
      const double sum = PyFloat_AsDouble(old) + c;
      if (sum == 0) {
        if (PyDict_DelItem(x->linear, v) != 0) goto fail;
        return 0;
      }
      if (!set_coef(x->linear, v, sum)) goto fail;
      return 0;
    }
    if (set_coef(x->linear, v, c)) return 0;
  }
fail:
  modelError("Error amending linear expression");
  return -1;
}

// The quadratic containers of e, created on first use.
static bool ensure_quadratic(ExpressionObject *x) {
  if (!x->quadratic) {
    x->quadratic = PyDict_New();
    if (!x->quadratic) return false;
  }
  if (!x->quadvars) x->quadvars = PySet_New(nullptr);
  if (!x->quadvars) return false;
  expression_untrack((PyObject *)x);
  return true;
}

// The inner dictionary of v (borrowed), created and v added to quadvars
// when missing and `create` is set; null without error when missing.
static PyObject *inner_dict(ExpressionObject *x, PyObject *v, bool create) {
  PyObject *inner = x->quadratic ? PyDict_GetItemWithError(x->quadratic, v) : nullptr;
  if (inner || PyErr_Occurred() || !create) return inner;
  PyRef fresh(PyDict_New());
  if (!fresh || PyDict_SetItem(x->quadratic, v, fresh.get()) != 0 || PySet_Add(x->quadvars, v) != 0)
    return nullptr;
  expression_untrack((PyObject *)x);
  return fresh.get();  // the outer dictionary holds it
}

static void order_pair(PyObject *&v, PyObject *&w) {
  if (varId(w) < varId(v)) std::swap(v, w);
}

int expression_setQuadTerm(PyObject *e, PyObject *v, PyObject *w, double c) {
  ExpressionObject *x = asExpr(e);
  order_pair(v, w);
  if (c == 0) {
    PyObject *inner = inner_dict(x, v, false);
    if (!inner) {
      if (!PyErr_Occurred()) return 0;
      goto fail;
    }
    int has = PyDict_Contains(inner, w);
    if (has == 0) return 0;
    if (has < 0 || PyDict_DelItem(inner, w) != 0) goto fail;
    return 0;
  }
  if (!x->quadratic && !ensure_quadratic(x)) {
    modelError("Error setting quadratic term");
    return -1;
  }
  if (ensure_quadratic(x)) {
    PyObject *inner = inner_dict(x, v, true);
    if (inner && set_coef(inner, w, c) && (sameVar(v, w) || PySet_Add(x->quadvars, w) == 0)) return 0;
  }
fail:
  modelError("Error setting quadratic expression");
  return -1;
}

int expression_addToQuadTerm(PyObject *e, PyObject *v, PyObject *w, double c) {
  if (c == 0) return 0;
  ExpressionObject *x = asExpr(e);
  order_pair(v, w);
  if (ensure_quadratic(x)) {
    PyObject *inner = inner_dict(x, v, true);
    if (inner) {
      PyObject *old = PyDict_GetItemWithError(inner, w);  // borrowed
      if (old) {
        const double sum = PyFloat_AsDouble(old) + c;
        if (sum == 0 ? PyDict_DelItem(inner, w) == 0 : set_coef(inner, w, sum)) return 0;
      } else if (!PyErr_Occurred() && set_coef(inner, w, c) &&
                 (sameVar(v, w) || PySet_Add(x->quadvars, w) == 0)) {
        return 0;
      }
    }
  }
  modelError("Cannot amend quadratic expression");
  return -1;
}

// ---- copies --------------------------------------------------------------------

// A copy of a coefficient dictionary, every value multiplied by f (the
// dictionary copied whole when f is 1).
static PyObject *scaled_dict(PyObject *d, double f) {
  if (std::fabs(f - 1) <= 1e-15) return PyDict_Copy(d);
  PyRef out(PyDict_New());
  if (!out) return nullptr;
  Py_ssize_t pos = 0;
  PyObject *k, *c;
  while (PyDict_Next(d, &pos, &k, &c))
    if (!set_coef(out.get(), k, f * PyFloat_AsDouble(c))) return nullptr;
  return out.release();
}

static bool copy_expression_parts(ExpressionObject *dst, ExpressionObject *src, double f) {
  dst->constant = f * src->constant;
  if (src->linear) {
    dst->linear = scaled_dict(src->linear, f);
    if (!dst->linear) return false;
  }
  if (src->quadratic) {
    PyRef quad(PyDict_New());
    if (!quad) return false;
    Py_ssize_t pos = 0;
    PyObject *v, *inner;
    while (PyDict_Next(src->quadratic, &pos, &v, &inner)) {
      PyRef copy(scaled_dict(inner, f));
      if (!copy || PyDict_SetItem(quad.get(), v, copy.get()) != 0) return false;
    }
    dst->quadratic = quad.release();
    dst->quadvars = src->quadvars ? PySet_New(src->quadvars) : PySet_New(nullptr);
    if (!dst->quadvars) return false;
    expression_untrack((PyObject *)dst);
  }
  return true;
}

PyObject *expression_copy(PyObject *x, double f) {
  PyRef e(expression_new());
  if (!e) return modelError("Cannot copy expression");
  if (f == 0) return e.release();
  ExpressionObject *r = asExpr(e.get());
  double c;
  switch (operandKind(x)) {
    case kConstant:
      if (!constValue(x, &c)) return nullptr;
      r->constant = c * f;
      return e.release();
    case kVariable:
      if (expression_setLinTerm(e.get(), x, f) != 0) return modelError("Cannot copy linear term into expression");
      return e.release();
    case kLinTerm:
      if (expression_setLinTerm(e.get(), asLin(x)->var, f * asLin(x)->coef) != 0)
        return modelError("Cannot copy linear term into expression");
      return e.release();
    case kQuadTerm: {
      // Stored even with a zero coefficient, as the term itself holds it.
      QuadTermObject *q = asQuad(x);
      if (!ensure_quadratic(r)) return modelError("Cannot copy quadratic term into expression");
      PyObject *inner = inner_dict(r, q->var1, true);
      if (!inner || !set_coef(inner, q->var2, f * q->coef) || PySet_Add(r->quadvars, q->var2) != 0)
        return modelError("Cannot copy quadratic term into expression");
      return e.release();
    }
    case kExpression:
      if (!copy_expression_parts(r, asExpr(x), f)) return modelError("Cannot copy expression");
      return e.release();
  }
  return modelError("Cannot copy expression");
}

int expression_scale(PyObject *e, double k) {
  ExpressionObject *x = asExpr(e);
  x->constant *= k;
  Py_ssize_t pos = 0;
  PyObject *key, *c;
  if (x->linear) {
    // Replacing the values of existing keys never resizes the dictionary,
    // so iterating while setting is safe.
    while (PyDict_Next(x->linear, &pos, &key, &c))
      if (!set_coef(x->linear, key, k * PyFloat_AsDouble(c))) {
        modelError("Could not modify linear part in multiplication");
        return -1;
      }
  }
  if (x->quadratic) {
    pos = 0;
    PyObject *inner;
    while (PyDict_Next(x->quadratic, &pos, &key, &inner)) {
      Py_ssize_t ipos = 0;
      PyObject *w;
      while (PyDict_Next(inner, &ipos, &w, &c))
        if (!set_coef(inner, w, k * PyFloat_AsDouble(c))) {
          modelError("Could not modify quadratic part in multiplication");
          return -1;
        }
    }
  }
  return 0;
}

PyObject *expression_make(double constant, PyObject *v1, double c1, PyObject *v2, double c2, PyObject *q1,
                          PyObject *q2, double qc, const char *err) {
  PyRef e(expression_new());
  if (!e) return modelError(err);
  asExpr(e.get())->constant = constant;
  if ((v1 && expression_setLinTerm(e.get(), v1, c1) != 0) || (v2 && expression_setLinTerm(e.get(), v2, c2) != 0) ||
      (q1 && expression_setQuadTerm(e.get(), q1, q2, qc) != 0))
    return modelError(err);
  return e.release();
}

// ---- printing ------------------------------------------------------------------

// One term of the printed form: " + name", " - name", " 2 name", " +2.5 name".
static void append_term(std::string &out, bool &first, double c, const std::string &name) {
  char buf[64];
  if (c == 1) {
    out += first ? "  " : " + ";
  } else if (c == -1) {
    out += " - ";
  } else {
    snprintf(buf, sizeof buf, first ? " %g " : " %+g ", c);
    out += buf;
  }
  out += name;
  first = false;
}

bool expression_print(PyObject *self, std::string &out) {
  ExpressionObject *e = asExpr(self);
  bool first = true;
  if (e->constant != 0 || (!expression_hasLinear(self) && !expression_hasQuadratic(self))) {
    char buf[64];
    snprintf(buf, sizeof buf, "%g", e->constant);
    out += buf;
    first = false;
  }
  Py_ssize_t pos = 0;
  PyObject *v, *c;
  std::string name;
  if (e->linear) {
    while (PyDict_Next(e->linear, &pos, &v, &c)) {
      const double coef = PyFloat_AsDouble(c);
      if (coef == 0) continue;
      name.clear();
      if (!var_append_name(name, v)) {
        modelError("Could not typeset linear part of expression");
        return false;
      }
      append_term(out, first, coef, name);
    }
  }
  if (e->quadratic) {
    pos = 0;
    PyObject *inner;
    while (PyDict_Next(e->quadratic, &pos, &v, &inner)) {
      Py_ssize_t ipos = 0;
      PyObject *w;
      while (PyDict_Next(inner, &ipos, &w, &c)) {
        name.clear();
        bool ok = var_append_name(name, v);
        if (ok && sameVar(v, w)) {
          name += "**2";
        } else if (ok) {
          name += "*";
          ok = var_append_name(name, w);
        }
        if (!ok) {
          modelError("Could not typeset quadratic part of expression");
          return false;
        }
        append_term(out, first, PyFloat_AsDouble(c), name);
      }
    }
  }
  return true;
}

static PyObject *expression_str(PyObject *self) {
  std::string out;
  if (!expression_print(self, out)) return nullptr;
  return PyUnicode_DecodeUTF8(out.data(), (Py_ssize_t)out.size(), "replace");
}

PyTypeObject expression_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.expression"};

void expression_type_setup() {
  expression_type.tp_basicsize = sizeof(ExpressionObject);
  expression_type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  expression_type.tp_doc = "Class for linear and quadratic expression";
  expression_type.tp_new = model_refuse_new;
  expression_type.tp_dealloc = expression_dealloc;
  expression_type.tp_str = expression_str;
  expression_type.tp_repr = expression_str;
  expression_type.tp_richcompare = model_richcompare;
  expression_type.tp_as_number = &expression_number_methods;
}
