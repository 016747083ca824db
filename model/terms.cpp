// ondrel.linterm (coef * var) and ondrel.quadterm (coef * var1 * var2):
// the single-term results of the algebra, their printing and their
// arithmetic. Both are immutable and made only by the algebra.
#include <cstdio>
#include <utility>
#include "model/dispatch.h"

// ---- construction ----------------------------------------------------------

PyObject *linterm_fill(PyObject *v, double c) {
  if (c == 0) return newFloat(0.0);
  PyObject *t = linterm_type.tp_alloc(&linterm_type, 0);
  if (!t) return nullptr;
  asLin(t)->coef = c;
  asLin(t)->var = newRef(v);
  return t;
}

PyObject *linterm_copy(PyObject *t, double f) {
  if (!PyObject_TypeCheck(t, &linterm_type)) return modelError("Linterm copy using an invalid object");
  return linterm_fill(asLin(t)->var, f * asLin(t)->coef);
}

PyObject *quadterm_fill(PyObject *v, PyObject *w, double c) {
  PyObject *q = quadterm_type.tp_alloc(&quadterm_type, 0);
  if (!q) return nullptr;
  if (varId(w) < varId(v)) std::swap(v, w);
  asQuad(q)->coef = c;
  asQuad(q)->var1 = newRef(v);
  asQuad(q)->var2 = newRef(w);
  return q;
}

PyObject *quadterm_copy(PyObject *q, double f) {
  return quadterm_fill(asQuad(q)->var1, asQuad(q)->var2, f * asQuad(q)->coef);
}

static void linterm_dealloc(PyObject *self) {
  Py_CLEAR(asLin(self)->var);
  Py_TYPE(self)->tp_free(self);
}

static void quadterm_dealloc(PyObject *self) {
  Py_CLEAR(asQuad(self)->var1);
  Py_CLEAR(asQuad(self)->var2);
  Py_TYPE(self)->tp_free(self);
}

// ---- printing ----------------------------------------------------------------

static void append_coef_prefix(std::string &out, double coef) {
  if (coef == 1) return;
  char buf[64];
  snprintf(buf, sizeof buf, "%g*", coef);
  out += buf;
}

bool term_print(PyObject *t, std::string &out) {
  if (PyObject_TypeCheck(t, &linterm_type)) {
    append_coef_prefix(out, asLin(t)->coef);
    return var_append_name(out, asLin(t)->var);
  }
  QuadTermObject *q = asQuad(t);
  append_coef_prefix(out, q->coef);
  if (!var_append_name(out, q->var1)) return false;
  if (sameVar(q->var1, q->var2)) {
    out += "**2";
    return true;
  }
  out += "*";
  return var_append_name(out, q->var2);
}

static PyObject *term_str(PyObject *self) {
  std::string out;
  if (!term_print(self, out)) return nullptr;
  return PyUnicode_DecodeUTF8(out.data(), (Py_ssize_t)out.size(), "replace");
}

// ---- linear terms --------------------------------------------------------------

// a + f*b, kinds <= 2, at least one a linear term.
PyObject *linterm_alg_sum(PyObject *a, PyObject *b, double f) {
  const int ka = operandKind(a), kb = operandKind(b);
  if (ka == kLinTerm && kb == kLinTerm) {
    LinTermObject *t = asLin(a), *u = asLin(b);
    if (sameVar(t->var, u->var)) return linterm_fill(t->var, t->coef + f * u->coef);
    return expression_make(0, t->var, t->coef, u->var, f * u->coef, nullptr, nullptr, 0,
                           "Error creating expression as sum of two linear terms");
  }
  if (ka == kLinTerm && kb == kVariable) {
    LinTermObject *t = asLin(a);
    if (sameVar(t->var, b)) return linterm_fill(b, t->coef + f);
    return expression_make(0, t->var, t->coef, b, f, nullptr, nullptr, 0,
                           "Error creating expression as sum of linear term and variable");
  }
  if (ka == kVariable && kb == kLinTerm) {
    LinTermObject *t = asLin(b);
    if (sameVar(t->var, a)) return linterm_fill(a, 1 + f * t->coef);
    return expression_make(0, a, 1, t->var, f * t->coef, nullptr, nullptr, 0,
                           "Error creating expression as sum of linear term and variable");
  }
  double c;
  if (ka == kLinTerm && kb == kConstant) {
    if (!constValue(b, &c)) return nullptr;
    const double k = f * c;
    if (k == 0) return linterm_copy(a, 1);
    return expression_make(k, asLin(a)->var, asLin(a)->coef, nullptr, 0, nullptr, nullptr, 0,
                           "Error creating expression");
  }
  if (ka == kConstant && kb == kLinTerm) {
    if (!constValue(a, &c)) return nullptr;
    if (c == 0) return linterm_copy(b, f);
    return expression_make(c, asLin(b)->var, f * asLin(b)->coef, nullptr, 0, nullptr, nullptr, 0,
                           "Error creating expression");
  }
  return modelError("Invalid object in operation");
}

PyObject *linterm_binary(int op, PyObject *a, int ka, PyObject *b, int kb) {
  if (kb > kLinTerm) return kind_binary(kb)(op, a, ka, b, kb);
  if (op == kAdd || op == kSub) return linterm_alg_sum(a, b, op == kAdd ? 1.0 : -1.0);
  double c = 0;
  if (ka == kConstant && !constValue(a, &c)) return nullptr;
  if (kb == kConstant && !constValue(b, &c)) return nullptr;
  switch (op) {
    case kMul:
      if (ka == kConstant) return linterm_copy(b, c);
      if (kb == kConstant) return linterm_copy(a, c);
      if (ka == kVariable) return quadterm_fill(asLin(b)->var, a, asLin(b)->coef);
      if (kb == kVariable) return quadterm_fill(asLin(a)->var, b, asLin(a)->coef);
      return quadterm_fill(asLin(a)->var, asLin(b)->var, asLin(a)->coef * asLin(b)->coef);
    case kDiv:
      if (kb == kConstant) {
        if (c == 0) return modelError("Division by zero");
        return linterm_fill(asLin(a)->var, asLin(a)->coef / c);
      }
      if (ka == kLinTerm && kb == kVariable && sameVar(asLin(a)->var, b)) return newFloat(asLin(a)->coef);
      if (kb == kLinTerm && ka != kConstant) {
        PyObject *av = ka == kVariable ? a : asLin(a)->var;
        if (sameVar(av, asLin(b)->var)) {
          if (asLin(b)->coef == 0) return modelError("Division by zero");
          return newFloat((ka == kVariable ? 1.0 : asLin(a)->coef) / asLin(b)->coef);
        }
      }
      return nonlin_instantiate_binary(kOpDiv, a, b);
    case kPow:
      if (ka == kLinTerm && kb == kConstant) {
        if (c == 0) return newFloat(1.0);
        if (c == 1) return newRef(a);
        if (c == 2) return quadterm_fill(asLin(a)->var, asLin(a)->var, asLin(a)->coef * asLin(a)->coef);
      }
      return nonlin_instantiate_binary(kOpPow, a, b);
  }
  return modelError("Invalid object in operation");
}

// ---- quadratic terms -----------------------------------------------------------

// a + f*b, kinds <= 3, at least one a quadratic term.
PyObject *quadterm_alg_sum(PyObject *a, PyObject *b, double f) {
  const int ka = operandKind(a), kb = operandKind(b);
  if (ka == kQuadTerm && kb == kQuadTerm) {
    QuadTermObject *q = asQuad(a), *r = asQuad(b);
    if (sameVar(q->var1, r->var1) && sameVar(q->var2, r->var2))
      return quadterm_fill(q->var1, q->var2, q->coef + f * r->coef);
    PyRef e(expression_make(0, nullptr, 0, nullptr, 0, q->var1, q->var2, q->coef,
                            "Error creating expression as sum of two quadratic terms"));
    if (!e || expression_setQuadTerm(e.get(), r->var1, r->var2, f * r->coef) != 0)
      return modelError("Error creating expression as sum of two quadratic terms");
    return e.release();
  }
  // One quadratic term q and one operand of a lower kind; sq and so are
  // the factors of the quadratic term and of the other operand.
  const bool q_left = ka == kQuadTerm;
  QuadTermObject *q = asQuad(q_left ? a : b);
  PyObject *other = q_left ? b : a;
  const int ko = q_left ? kb : ka;
  const double sq = q_left ? 1.0 : f, so = q_left ? f : 1.0;
  switch (ko) {
    case kVariable:
      return expression_make(0, other, so, nullptr, 0, q->var1, q->var2, sq * q->coef,
                             "Error creating expression as sum of quadratic term and variable");
    case kLinTerm:
      return expression_make(0, asLin(other)->var, so * asLin(other)->coef, nullptr, 0, q->var1, q->var2,
                             sq * q->coef, "Error creating expression as sum of linear term and quadratic term");
    case kConstant: {
      double c;
      if (!constValue(other, &c)) return nullptr;
      const double k = so * c;
      if (k == 0) return quadterm_copy((PyObject *)q, sq);
      return expression_make(k, nullptr, 0, nullptr, 0, q->var1, q->var2, sq * q->coef,
                             "Error creating expression");
    }
  }
  return modelError("Invalid object in operation");
}

// The variable of q other than v (q's variables are v and the result).
static PyObject *other_var(QuadTermObject *q, PyObject *v) {
  return sameVar(q->var1, v) ? q->var2 : q->var1;
}
static bool has_var(QuadTermObject *q, PyObject *v) { return sameVar(q->var1, v) || sameVar(q->var2, v); }

static PyObject *quad_div(PyObject *a, int ka, PyObject *b, int kb) {
  double c;
  if (ka == kQuadTerm) {
    QuadTermObject *q = asQuad(a);
    switch (kb) {
      case kConstant:
        if (!constValue(b, &c)) return nullptr;
        if (c == 0) return modelError("Division by zero of a bilinear term");
        return quadterm_copy(a, 1.0 / c);
      case kVariable:
        if (has_var(q, b)) return linterm_fill(other_var(q, b), q->coef);
        break;
      case kLinTerm: {
        LinTermObject *t = asLin(b);
        if (t->coef == 0) return modelError("Division by zero of a bilinear term");
        if (has_var(q, t->var)) return linterm_fill(other_var(q, t->var), q->coef / t->coef);
        break;
      }
      case kQuadTerm: {
        QuadTermObject *r = asQuad(b);
        if (r->coef == 0) return modelError("Division by zero of a bilinear term");
        if (sameVar(q->var1, r->var1) && sameVar(q->var2, r->var2)) return newFloat(q->coef / r->coef);
        // One variable shared: (a/b) * (q's other) / (r's other).
        PyObject *shared = has_var(r, q->var1) ? q->var1 : has_var(r, q->var2) ? q->var2 : nullptr;
        if (shared) {
          PyRef num(linterm_fill(other_var(q, shared), q->coef / r->coef));
          if (!num) return nullptr;
          return nonlin_instantiate_binary(kOpDiv, num.get(), other_var(r, shared));
        }
        break;
      }
    }
    return nonlin_instantiate_binary(kOpDiv, a, b);
  }
  // A lower kind divided by a quadratic term.
  QuadTermObject *q = asQuad(b);
  if (ka == kLinTerm) {
    if (q->coef == 0) return modelError("Division by zero of a linear term");
    LinTermObject *t = asLin(a);
    if (has_var(q, t->var)) {
      PyRef k(newFloat(t->coef / q->coef));
      if (!k) return nullptr;
      return nonlin_instantiate_binary(kOpDiv, k.get(), other_var(q, t->var));
    }
  } else if (ka == kVariable) {
    if (q->coef == 0) return modelError("Division by zero of a variable");
    if (has_var(q, a)) {
      PyRef k(newFloat(1.0 / q->coef));
      if (!k) return nullptr;
      return nonlin_instantiate_binary(kOpDiv, k.get(), other_var(q, a));
    }
  }
  return nonlin_instantiate_binary(kOpDiv, a, b);
}

PyObject *quadterm_binary(int op, PyObject *a, int ka, PyObject *b, int kb) {
  if (kb > kQuadTerm) return kind_binary(kb)(op, a, ka, b, kb);
  double c;
  switch (op) {
    case kAdd:
    case kSub:
      return quadterm_alg_sum(a, b, op == kAdd ? 1.0 : -1.0);
    case kMul:
      if (ka == kConstant || kb == kConstant) {
        if (!constValue(ka == kConstant ? a : b, &c)) return nullptr;
        return quadterm_copy(ka == kConstant ? b : a, c);
      }
      return nonlin_instantiate_binary(kOpProd, a, b);
    case kDiv:
      return quad_div(a, ka, b, kb);
    case kPow:
      if (ka == kQuadTerm && kb == kConstant) {
        if (!constValue(b, &c)) return nullptr;
        if (c == 0) return newFloat(1.0);
        if (c == 1) return quadterm_copy(a, 1.0);
      } else if (ka == kConstant && constEquals(a, 1.0)) {
        return newFloat(1.0);
      }
      return nonlin_instantiate_binary(kOpPow, a, b);
  }
  return modelError("Invalid object in operation");
}

// ---- type objects ----------------------------------------------------------------

PyTypeObject linterm_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.linterm"};
PyTypeObject quadterm_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.quadterm"};

void terms_types_setup() {
  linterm_type.tp_basicsize = sizeof(LinTermObject);
  linterm_type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  linterm_type.tp_doc = "Class for linear terms";
  linterm_type.tp_new = model_refuse_new;
  linterm_type.tp_dealloc = linterm_dealloc;
  linterm_type.tp_str = term_str;
  linterm_type.tp_repr = term_str;
  linterm_type.tp_richcompare = model_richcompare;
  linterm_type.tp_as_number = &term_number_methods;

  quadterm_type.tp_basicsize = sizeof(QuadTermObject);
  quadterm_type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  quadterm_type.tp_doc = "Class for quadratic and bilinear terms alpha * x1 * x2";
  quadterm_type.tp_new = model_refuse_new;
  quadterm_type.tp_dealloc = quadterm_dealloc;
  quadterm_type.tp_str = term_str;
  quadterm_type.tp_repr = term_str;
  quadterm_type.tp_richcompare = model_richcompare;
  quadterm_type.tp_as_number = &term_number_methods;
}
