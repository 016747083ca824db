// Operand classification, the dispatch of the number protocol shared by all
// modelling types, the arithmetic of expressions, and the generic
// operations over operands of any kind.
#include <cmath>
#include "model/dispatch.h"
#include "module/numpy.h"

// ---- classification ------------------------------------------------------------

static bool is_constant(PyObject *o) {
  return PyFloat_Check(o) || PyLong_Check(o) || PyObject_TypeCheck(o, &PyIntArrType_Type) ||
         PyObject_TypeCheck(o, &PyLongArrType_Type) || PyObject_TypeCheck(o, &PyFloatArrType_Type) ||
         PyObject_TypeCheck(o, &PyDoubleArrType_Type);
}

int operandKind(PyObject *o) {
  if (!o) return kInvalid;
  PyTypeObject *t = Py_TYPE(o);
  // Exact types first: they are by far the most frequent.
  if (t == &PyFloat_Type || t == &PyLong_Type) return kConstant;
  if (t == &var_type) return kVariable;
  if (t == &linterm_type) return kLinTerm;
  if (t == &quadterm_type) return kQuadTerm;
  if (t == &expression_type) return kExpression;
  if (t == &nonlinear_type) return kNonlinear;
  if (is_constant(o)) return kConstant;
  if (PyObject_TypeCheck(o, &var_type)) return kVariable;
  if (PyObject_TypeCheck(o, &linterm_type)) return kLinTerm;
  if (PyObject_TypeCheck(o, &quadterm_type)) return kQuadTerm;
  if (PyObject_TypeCheck(o, &expression_type)) return kExpression;
  if (PyObject_TypeCheck(o, &nonlinear_type)) return kNonlinear;
  return kInvalid;
}

int getExprType(PyObject *o) {
  int k = operandKind(o);
  if (k == kInvalid) modelError("Invalid object in operation");
  return k;
}

bool constValue(PyObject *o, double *value) {
  if (PyFloat_CheckExact(o)) {
    *value = PyFloat_AS_DOUBLE(o);
    return true;
  }
  double v = PyFloat_AsDouble(o);
  if (v == -1.0 && PyErr_Occurred()) return false;
  *value = v;
  return true;
}

bool constEquals(PyObject *o, double value) {
  if (operandKind(o) != kConstant) return false;
  double v;
  if (!constValue(o, &v)) {
    PyErr_Clear();
    return false;
  }
  return v == value;
}

bool isNdarray(PyObject *o) { return o && PyArray_Check(o); }

PyObject *modelError(const char *text) {
  PyErr_SetString(PyExc_RuntimeError, text);
  return nullptr;
}

PyObject *model_refuse_new(PyTypeObject *type, PyObject *, PyObject *) {
  PyErr_Format(PyExc_TypeError, "cannot create '%s' instances: they are made by the modelling algebra",
               type->tp_name);
  return nullptr;
}

// ---- dispatch ------------------------------------------------------------------

KindBinaryFn kind_binary(int k) {
  static const KindBinaryFn table[] = {var_binary, var_binary, linterm_binary, quadterm_binary,
                                       expression_binary, nonlin_binary};
  return table[k < 0 ? 0 : k > kNonlinear ? kNonlinear : k];
}

PyObject *array_rule(int op, PyObject *a, PyObject *array) {
  switch (op) {
    case kAdd:
      return PyNumber_Add(array, a);
    case kSub: {
      PyRef neg(PyNumber_Negative(array));
      return neg ? PyNumber_Add(neg.get(), a) : nullptr;
    }
    case kMul:
      return PyNumber_Multiply(array, a);
    case kDiv: {
      PyRef one(newFloat(1.0));
      PyRef inv(one ? PyNumber_TrueDivide(one.get(), array) : nullptr);
      return inv ? PyNumber_Multiply(inv.get(), a) : nullptr;
    }
  }
  return modelError("Cannot obtain a power with a vector as an exponent");
}

// Two constants (reached only through the generic operations).
static PyObject *constant_binary(int op, PyObject *a, PyObject *b) {
  double x, y;
  if (!constValue(a, &x) || !constValue(b, &y)) return nullptr;
  switch (op) {
    case kAdd: return newFloat(x + y);
    case kSub: return newFloat(x - y);
    case kMul: return newFloat(x * y);
    case kDiv:
      if (y == 0) return modelError("Division by zero");
      return newFloat(x / y);
  }
  return newFloat(std::pow(x, y));
}

// Python calls the slot of the left operand's type when it is a modelling
// object, else the right operand's slot with the operands in source order.
// The operation of the higher kind applies, with the operands in source
// order; every kind's operation accepts a lower kind on either side.
PyObject *model_binary(int op, PyObject *a, PyObject *b) {
  if (isNdarray(b)) return array_rule(op, a, b);
  const int kb = getExprType(b);
  if (kb < 0) return nullptr;
  const int ka = getExprType(a);
  if (ka < 0) return nullptr;
  if (ka >= kLinTerm) return kind_binary(ka)(op, a, ka, b, kb);
  if (kb >= kLinTerm) return kind_binary(kb)(op, a, ka, b, kb);
  if (ka == kConstant && kb == kConstant) return constant_binary(op, a, b);
  return var_binary(op, a, ka, b, kb);
}

// In-place rules of variables and terms: they are never modified; a
// constant right operand short-cuts, anything else is the binary operator.
static PyObject *term_inplace(int op, PyObject *a, PyObject *b) {
  if (isNdarray(b)) return array_rule(op, a, b);
  if (operandKind(b) == kConstant) {
    double c;
    if (!constValue(b, &c)) return nullptr;
    switch (op) {
      case kAdd:
      case kSub:
        if (c == 0) return newRef(a);
        break;
      case kMul:
        if (c == 1) return newRef(a);
        break;
      case kDiv:
        if (c == 0) return modelError("Division by zero");
        if (c == 1) return newRef(a);
        break;
      case kPow:
        if (c == 1) return newRef(a);
        if (c == 0) return newFloat(1.0);
        break;
    }
  }
  return model_binary(op, a, b);
}

// In-place rules of expressions: `+=` and `-=` amend the expression, so do
// `*=` and `/=` by a constant; everything else builds a new object.
static PyObject *expression_inplace(int op, PyObject *a, PyObject *b) {
  if (isNdarray(b)) return array_rule(op, a, b);
  if (op == kAdd || op == kSub) return expression_incremental_alg_sum(a, b, op == kAdd ? 1.0 : -1.0);
  if (operandKind(b) == kConstant && operandKind(a) == kExpression) {
    double k;
    if (!constValue(b, &k)) return nullptr;
    switch (op) {
      case kMul:
        if (k == 0) return newFloat(0.0);
        if (k == 1) return newRef(a);
        return expression_scale(a, k) == 0 ? newRef(a) : nullptr;
      case kDiv:
        if (k == 0) return modelError("Division by zero");
        if (k == 1) return newRef(a);
        return expression_scale(a, 1.0 / k) == 0 ? newRef(a) : nullptr;
      case kPow:
        if (k == 1) return newRef(a);
        if (k == 0) return newFloat(1.0);
        break;
    }
  }
  return model_binary(op, a, b);
}

PyObject *model_inplace(int op, PyObject *a, PyObject *b) {
  if (isNdarray(b)) return array_rule(op, a, b);
  const int kb = getExprType(b);
  if (kb < 0) return nullptr;
  const int ka = getExprType(a);
  if (ka < 0) return nullptr;
  const int k = ka > kb ? ka : kb;
  if (k == kConstant) return constant_binary(op, a, b);
  if (k == kNonlinear) return nonlin_inplace(op, a, b);
  if (k == kExpression) return expression_inplace(op, a, b);
  return term_inplace(op, a, b);
}

// ---- expression sums -------------------------------------------------------------

// r += f*x for x of kind 0..4. Quadratic entries of an expression x are
// merged: an existing entry takes the sum (removed when exactly 0), a
// missing one is inserted. The incremental form leaves out zero products
// (and reports its own error texts).
static int add_into(PyObject *r, PyObject *x, int kx, double f, bool incremental) {
  ExpressionObject *e = asExpr(r);
  double c;
  switch (kx) {
    case kConstant:
      if (!constValue(x, &c)) return -1;
      e->constant += f * c;
      return 0;
    case kVariable:
      return expression_addToLinTerm(r, x, f);
    case kLinTerm:
      return expression_addToLinTerm(r, asLin(x)->var, f * asLin(x)->coef);
    case kQuadTerm:
      return expression_addToQuadTerm(r, asQuad(x)->var1, asQuad(x)->var2, f * asQuad(x)->coef);
  }
  ExpressionObject *src = asExpr(x);
  e->constant += f * src->constant;
  Py_ssize_t pos = 0;
  PyObject *v, *coef;
  if (src->linear) {
    while (PyDict_Next(src->linear, &pos, &v, &coef))
      if (expression_addToLinTerm(r, v, f * PyFloat_AsDouble(coef)) != 0) {
        modelError(incremental ? "Could not add linear part" : "Error adding expressions");
        return -1;
      }
  }
  if (!src->quadratic) return 0;
  const char *qerr = incremental ? "Could not add quadratic part" : "Error adding expressions";
  if (!e->quadratic) {
    e->quadratic = PyDict_New();
    if (!e->quadratic) goto fail;
  }
  if (!e->quadvars) {
    e->quadvars = PySet_New(nullptr);
    if (!e->quadvars) goto fail;
  }
  pos = 0;
  PyObject *inner;
  while (PyDict_Next(src->quadratic, &pos, &v, &inner)) {
    PyObject *dst = nullptr;  // borrowed from e->quadratic
    Py_ssize_t ipos = 0;
    PyObject *w;
    while (PyDict_Next(inner, &ipos, &w, &coef)) {
      const double p = f * PyFloat_AsDouble(coef);
      if (incremental && p == 0) continue;
      if (!dst) {
        dst = PyDict_GetItemWithError(e->quadratic, v);
        if (!dst) {
          if (PyErr_Occurred()) goto fail;
          PyRef fresh(PyDict_New());
          if (!fresh || PyDict_SetItem(e->quadratic, v, fresh.get()) != 0 || PySet_Add(e->quadvars, v) != 0)
            goto fail;
          dst = fresh.get();
        }
      }
      PyObject *old = PyDict_GetItemWithError(dst, w);
      if (!old && PyErr_Occurred()) goto fail;
      if (old) {
        const double sum = PyFloat_AsDouble(old) + p;
        if (sum == 0) {
          if (PyDict_DelItem(dst, w) != 0) goto fail;
          continue;
        }
        PyRef val(newFloat(sum));
        if (!val || PyDict_SetItem(dst, w, val.get()) != 0) goto fail;
      } else {
        PyRef val(newFloat(p));
        if (!val || PyDict_SetItem(dst, w, val.get()) != 0) goto fail;
        if (!sameVar(v, w) && PySet_Add(e->quadvars, w) != 0) goto fail;
      }
    }
  }
  expression_untrack(r);
  return 0;
fail:
  expression_untrack(r);
  modelError(qerr);
  return -1;
}

PyObject *expression_alg_sum(PyObject *a, PyObject *b, double f) {
  const int ka = getExprType(a), kb = ka < 0 ? kInvalid : getExprType(b);
  if (ka < 0 || kb < 0) return nullptr;
  if (ka == kNonlinear || kb == kNonlinear) return nonlin_alg_sum(a, b, f);
  if (ka == kExpression) {
    PyRef r(expression_copy(a, 1.0));
    if (!r) return nullptr;
    if (kb == kExpression && f == 0) return r.release();
    if (add_into(r.get(), b, kb, f, false) != 0) return nullptr;
    return r.release();
  }
  PyRef r(expression_copy(b, f));
  if (!r || add_into(r.get(), a, ka, 1.0, false) != 0) return nullptr;
  return r.release();
}

// a += f*b. An expression a is amended in place (at the cost of b's size
// only) and returned; otherwise the result is a new object.
PyObject *expression_incremental_alg_sum(PyObject *a, PyObject *b, double f) {
  if (a == Py_None) return general_copy(b, f);
  const int kb = getExprType(b), ka = kb < 0 ? kInvalid : getExprType(a);
  if (ka < 0 || kb < 0) return nullptr;
  if (kb == kNonlinear) return nonlin_alg_sum(a, b, f);
  if (ka == kNonlinear) return nonlin_incremental_alg_sum(a, b, f);
  if (ka == kExpression) {
    PyRef snapshot;
    if (a == b) {  // e += e: read from a copy while amending
      snapshot.reset(expression_copy(b, 1.0));
      if (!snapshot) return nullptr;
      b = snapshot.get();
    }
    if (add_into(a, b, kb, f, true) != 0) return nullptr;
    return newRef(a);
  }
  if (ka == kConstant && kb == kConstant) {
    double x, y;
    if (!constValue(a, &x) || !constValue(b, &y)) return nullptr;
    return newFloat(x + f * y);
  }
  PyRef r(expression_copy(b, f));
  if (!r || add_into(r.get(), a, ka, 1.0, true) != 0) return nullptr;
  return r.release();
}

// ---- expression products, quotients, powers ----------------------------------------

// (c*v) * E for an expression E without quadratic entries.
static PyObject *term_times_linear(PyObject *v, double c, PyObject *E) {
  const char *err = "Error multiplying expressions";
  PyRef r(expression_new());
  if (!r) return modelError(err);
  ExpressionObject *e = asExpr(E);
  const double lin = c * e->constant;
  if (lin != 0 && expression_setLinTerm(r.get(), v, lin) != 0) return modelError(err);
  if (e->linear) {
    Py_ssize_t pos = 0;
    PyObject *w, *d;
    while (PyDict_Next(e->linear, &pos, &w, &d)) {
      const double p = c * PyFloat_AsDouble(d);
      if (p != 0 && expression_addToQuadTerm(r.get(), v, w, p) != 0) return modelError(err);
    }
  }
  return r.release();
}

// (ca + La) * (cb + Lb) for two expressions without quadratic entries.
static PyObject *linear_times_linear(ExpressionObject *a, ExpressionObject *b) {
  PyRef r(expression_new());
  if (!r) return modelError("Cannot create linear term for expression");
  ExpressionObject *e = asExpr(r.get());
  const double ca = a->constant, cb = b->constant;
  e->constant = ca * cb;
  const bool La = a->linear && PyDict_GET_SIZE(a->linear) > 0;
  const bool Lb = b->linear && PyDict_GET_SIZE(b->linear) > 0;
  Py_ssize_t pos;
  PyObject *v, *w, *c, *d;
  if ((cb != 0 && La) || (ca != 0 && Lb)) {
    // cb*La + ca*Lb: the larger dictionary scaled in, the smaller merged.
    PyObject *big = a->linear, *small = b->linear;
    double fbig = cb, fsmall = ca;
    if (!La || (Lb && PyDict_GET_SIZE(b->linear) > PyDict_GET_SIZE(a->linear))) {
      std::swap(big, small);
      std::swap(fbig, fsmall);
    }
    e->linear = PyDict_New();
    if (!e->linear) return modelError("Cannot create linear term for expression");
    pos = 0;
    while (big && PyDict_Next(big, &pos, &v, &c)) {
      const double p = fbig * PyFloat_AsDouble(c);
      if (p == 0) continue;
      PyRef val(newFloat(p));
      if (!val || PyDict_SetItem(e->linear, v, val.get()) != 0)
        return modelError("Cannot create linear term in expression");
    }
    pos = 0;
    while (small && PyDict_Next(small, &pos, &v, &c))
      if (expression_addToLinTerm(r.get(), v, fsmall * PyFloat_AsDouble(c)) != 0)
        return modelError("Cannot create linear term in expression");
  }
  if (!La || !Lb) return r.release();
  // Products: every unordered pair once, under the smaller id. First the
  // pairs whose b-variable has the larger (or equal) id, stored under the
  // a-variable; then those whose a-variable has the larger id, stored
  // under the b-variable (where the cross product of a pair occurring in
  // both operands adds up).
  const char *qerr = "Cannot create quadratic term in expression";
  e->quadratic = PyDict_New();
  e->quadvars = PySet_New(nullptr);
  if (!e->quadratic || !e->quadvars) return modelError(qerr);
  pos = 0;
  while (PyDict_Next(a->linear, &pos, &v, &c)) {
    const double cv = PyFloat_AsDouble(c);
    if (cv == 0) continue;
    PyRef inner(PyDict_New());
    if (!inner || PyDict_SetItem(e->quadratic, v, inner.get()) != 0 || PySet_Add(e->quadvars, v) != 0)
      return modelError(qerr);
    Py_ssize_t ipos = 0;
    while (PyDict_Next(b->linear, &ipos, &w, &d)) {
      if (varId(w) < varId(v)) continue;
      const double p = cv * PyFloat_AsDouble(d);
      if (p == 0) continue;
      PyRef val(newFloat(p));
      if (!val || PyDict_SetItem(inner.get(), w, val.get()) != 0) return modelError(qerr);
      if (varId(w) > varId(v) && PySet_Add(e->quadvars, w) != 0) return modelError(qerr);
    }
  }
  pos = 0;
  while (PyDict_Next(b->linear, &pos, &w, &d)) {
    const double dw = PyFloat_AsDouble(d);
    if (dw == 0) continue;
    PyObject *inner = nullptr;
    Py_ssize_t ipos = 0;
    while (PyDict_Next(a->linear, &ipos, &v, &c)) {
      if (varId(v) <= varId(w)) continue;
      const double p = dw * PyFloat_AsDouble(c);
      if (p == 0) continue;
      if (!inner) {
        inner = PyDict_GetItemWithError(e->quadratic, w);
        if (!inner) {
          PyRef fresh(PyErr_Occurred() ? nullptr : PyDict_New());
          if (!fresh || PyDict_SetItem(e->quadratic, w, fresh.get()) != 0 || PySet_Add(e->quadvars, w) != 0)
            return modelError(qerr);
          inner = fresh.get();
        }
      }
      PyObject *old = PyDict_GetItemWithError(inner, v);
      if (!old && PyErr_Occurred()) return modelError(qerr);
      PyRef val(newFloat(old ? PyFloat_AsDouble(old) + p : p));
      if (!val || PyDict_SetItem(inner, v, val.get()) != 0) return modelError(qerr);
      if (!old && PySet_Add(e->quadvars, v) != 0) return modelError(qerr);
    }
  }
  expression_untrack(r.get());
  return r.release();
}

PyObject *expression_mul(PyObject *a, PyObject *b) {
  const int ka = getExprType(a), kb = ka < 0 ? kInvalid : getExprType(b);
  if (ka < 0 || kb < 0) return nullptr;
  if (ka == kNonlinear || kb == kNonlinear || ka == kQuadTerm || kb == kQuadTerm) return nonlin_mul(a, b);
  double k;
  if (ka == kConstant || kb == kConstant) {
    if (!constValue(ka == kConstant ? a : b, &k)) return nullptr;
    return expression_copy(ka == kConstant ? b : a, k);
  }
  if (ka != kExpression || kb != kExpression) {
    PyObject *term = ka == kExpression ? b : a;
    PyObject *E = ka == kExpression ? a : b;
    if (expression_hasQuadratic(E)) return nonlin_mul(a, b);
    if (operandKind(term) == kVariable) return term_times_linear(term, 1.0, E);
    return term_times_linear(asLin(term)->var, asLin(term)->coef, E);
  }
  const bool Qa = expression_hasQuadratic(a), Qb = expression_hasQuadratic(b);
  if (Qa || Qb) {
    const bool La = expression_hasLinear(a), Lb = expression_hasLinear(b);
    if ((Qa && (Qb || Lb)) || (La && Qb)) return nonlin_mul(a, b);
    // The other side is a plain constant.
    return Qa ? expression_copy(a, asExpr(b)->constant) : expression_copy(b, asExpr(a)->constant);
  }
  return linear_times_linear(asExpr(a), asExpr(b));
}

PyObject *expression_binary(int op, PyObject *a, int ka, PyObject *b, int kb) {
  double c = 0;
  switch (op) {
    case kAdd:
      return expression_alg_sum(a, b, 1.0);
    case kSub:
      return expression_alg_sum(a, b, -1.0);
    case kMul:
      return expression_mul(a, b);
    case kDiv:
      if (kb != kConstant || ka == kNonlinear) return nonlin_div(a, b);
      if (!constValue(b, &c)) return nullptr;
      if (c == 0) return modelError("Division by zero");
      return expression_copy(a, 1.0 / c);
    case kPow:
      if (kb != kConstant || ka == kNonlinear) return nonlin_pow(a, b);
      if (!constValue(b, &c)) return nullptr;
      if (c == 0) return newFloat(1.0);
      if (c == 1) return expression_copy(a, 1.0);
      if (c == 2) return expression_mul(a, a);
      return nonlin_pow(a, b);
  }
  return modelError("Invalid object in operation");
}

// ---- generic operations ------------------------------------------------------------

PyObject *general_copy(PyObject *x, double f) {
  if (isNdarray(x)) {
    PyRef copy(PyArray_NewCopy((PyArrayObject *)x, NPY_CORDER));
    if (!copy || f == 1) return copy.release();
    PyRef factor(newFloat(f));
    return factor ? PyNumber_Multiply(copy.get(), factor.get()) : nullptr;
  }
  double c;
  switch (operandKind(x)) {
    case kConstant:
      if (f == 1) return newRef(x);
      if (!constValue(x, &c)) return nullptr;
      return newFloat(c * f);
    case kVariable:
      return var_copy(x, f);
    case kLinTerm:
      return linterm_copy(x, f);
    case kQuadTerm:
      return quadterm_copy(x, f);
    case kExpression:
      return expression_copy(x, f);
    case kNonlinear:
      return nonlin_copy(x, f);
  }
  return modelError("Invalid object being copied");
}

PyObject *general_neg(PyObject *x) {
  switch (operandKind(x)) {
    case kVariable:
      return linterm_fill(x, -1.0);
    case kLinTerm:
      return linterm_copy(x, -1.0);
    case kQuadTerm:
      return quadterm_copy(x, -1.0);
    case kExpression:
      return expression_copy(x, -1.0);
    case kNonlinear:
      return nonlin_instantiate_unary(kOpNeg, x);
    case kConstant: {
      double c;
      if (!constValue(x, &c)) return nullptr;
      return newFloat(-c);
    }
  }
  if (isNdarray(x)) return PyNumber_Negative(x);
  return modelError("Invalid object in operation");
}

PyObject *general_mul(PyObject *a, PyObject *b) {
  if (a == Py_None) return general_copy(b, 1.0);
  if (b == Py_None) return newRef(a);
  if (isNdarray(a) || isNdarray(b)) return PyNumber_Multiply(a, b);
  const int ka = getExprType(a), kb = ka < 0 ? kInvalid : getExprType(b);
  if (ka < 0 || kb < 0) return nullptr;
  const int k = ka > kb ? ka : kb;
  if (k == kConstant) return constant_binary(kMul, a, b);
  return kind_binary(k)(kMul, a, ka, b, kb);
}

static PyObject *general_inplace(int op, PyObject *a, PyObject *b) {
  if (a == Py_None) {
    // Terms are never amended, so an accumulation may start from b itself.
    if (Py_TYPE(b) == &linterm_type || Py_TYPE(b) == &quadterm_type) return newRef(b);
    return general_copy(b, 1.0);
  }
  if (b == Py_None) return newRef(a);
  if (isNdarray(a) || isNdarray(b))
    return op == kAdd ? PyNumber_InPlaceAdd(a, b) : PyNumber_InPlaceMultiply(a, b);
  return model_inplace(op, a, b);
}

PyObject *general_iadd(PyObject *a, PyObject *b) { return general_inplace(kAdd, a, b); }
PyObject *general_imul(PyObject *a, PyObject *b) { return general_inplace(kMul, a, b); }
PyObject *general_iadd_step(PyObject *a, PyObject *b, PyObject *) { return general_iadd(a, b); }
PyObject *general_imul_step(PyObject *a, PyObject *b, PyObject *) { return general_imul(a, b); }

// ---- number protocols ----------------------------------------------------------------

static PyObject *nb_add(PyObject *a, PyObject *b) { return model_binary(kAdd, a, b); }
static PyObject *nb_sub(PyObject *a, PyObject *b) { return model_binary(kSub, a, b); }
static PyObject *nb_mul(PyObject *a, PyObject *b) { return model_binary(kMul, a, b); }
static PyObject *nb_div(PyObject *a, PyObject *b) { return model_binary(kDiv, a, b); }
static PyObject *nb_pow(PyObject *a, PyObject *b, PyObject *mod) {
  if (mod != Py_None) return modelError("Invalid object in operation");
  return model_binary(kPow, a, b);
}
static PyObject *nb_neg(PyObject *a) { return general_neg(a); }
static PyObject *nb_abs(PyObject *a) { return nonlin_instantiate_unary(kOpAbs, a); }

static PyObject *term_iadd(PyObject *a, PyObject *b) { return term_inplace(kAdd, a, b); }
static PyObject *term_isub(PyObject *a, PyObject *b) { return term_inplace(kSub, a, b); }
static PyObject *term_imul(PyObject *a, PyObject *b) { return term_inplace(kMul, a, b); }
static PyObject *term_idiv(PyObject *a, PyObject *b) { return term_inplace(kDiv, a, b); }
static PyObject *term_ipow(PyObject *a, PyObject *b, PyObject *) { return term_inplace(kPow, a, b); }

static PyObject *expression_iadd(PyObject *a, PyObject *b) { return expression_inplace(kAdd, a, b); }
static PyObject *expression_isub(PyObject *a, PyObject *b) { return expression_inplace(kSub, a, b); }
static PyObject *expression_imul(PyObject *a, PyObject *b) { return expression_inplace(kMul, a, b); }
static PyObject *expression_idiv(PyObject *a, PyObject *b) { return expression_inplace(kDiv, a, b); }
static PyObject *expression_ipow(PyObject *a, PyObject *b, PyObject *) { return expression_inplace(kPow, a, b); }

static PyObject *nonlin_iadd(PyObject *a, PyObject *b) { return nonlin_inplace(kAdd, a, b); }
static PyObject *nonlin_isub(PyObject *a, PyObject *b) { return nonlin_inplace(kSub, a, b); }
static PyObject *nonlin_imul_slot(PyObject *a, PyObject *b) { return nonlin_inplace(kMul, a, b); }
static PyObject *nonlin_idiv_slot(PyObject *a, PyObject *b) { return nonlin_inplace(kDiv, a, b); }
static PyObject *nonlin_ipow_slot(PyObject *a, PyObject *b, PyObject *) { return nonlin_inplace(kPow, a, b); }

static PyNumberMethods number_methods(binaryfunc iadd, binaryfunc isub, binaryfunc imul, binaryfunc idiv,
                                      ternaryfunc ipow) {
  PyNumberMethods m = {};
  m.nb_add = nb_add;
  m.nb_subtract = nb_sub;
  m.nb_multiply = nb_mul;
  m.nb_true_divide = nb_div;
  m.nb_power = nb_pow;
  m.nb_negative = nb_neg;
  m.nb_absolute = nb_abs;
  m.nb_inplace_add = iadd;
  m.nb_inplace_subtract = isub;
  m.nb_inplace_multiply = imul;
  m.nb_inplace_true_divide = idiv;
  m.nb_inplace_power = ipow;
  return m;
}

PyNumberMethods term_number_methods = number_methods(term_iadd, term_isub, term_imul, term_idiv, term_ipow);
PyNumberMethods expression_number_methods =
    number_methods(expression_iadd, expression_isub, expression_imul, expression_idiv, expression_ipow);
PyNumberMethods nonlin_number_methods =
    number_methods(nonlin_iadd, nonlin_isub, nonlin_imul_slot, nonlin_idiv_slot, nonlin_ipow_slot);
