// ondrel.nonlinear: expression tree nodes. Construction, argument access,
// copies, the arithmetic that keeps sums and products n-ary and flat, and
// printing.
#include "model/dispatch.h"
#include <structmember.h>
#include "module/numpy.h"

const NonlinOpInfo printToolArray[kNonlinOpCount] = {
    {"+", -1, 0},      {"-", 2, 0},       {"-", 1, -1},     {"*", -1, 0},    {"/", 2, 0},
    {"**", 2, 0},      {"exp", 1, -1},    {"log", 1, -1},   {"log10", 1, -1}, {"sin", 1, -1},
    {"cos", 1, -1},    {"tan", 1, -1},    {"asin", 1, -1},  {"acos", 1, -1},  {"atan", 1, -1},
    {"max", -1, -1},   {"min", -1, -1},   {"abs", 1, -1},   {"sign", 1, -1},  {"erf", 1, -1},
    {"erfc", 1, -1},   {"sqrt", 1, -1},   {"user", -1, -1},
};

// ---- record ------------------------------------------------------------------------

// A new node holding `args` (a new reference, taken over).
static PyObject *make_node(int op, PyObject *args) {
  PyRef owned(args);
  if (!args) return nullptr;
  PyObject *n = nonlinear_type.tp_alloc(&nonlinear_type, 0);
  if (!n) return nullptr;
  asNonlin(n)->op = op;
  asNonlin(n)->args = owned.release();
  return n;
}

static void nonlin_dealloc(PyObject *self) {
  PyObject_GC_UnTrack(self);
  // Deep trees are released iteratively rather than by C recursion.
  Py_TRASHCAN_BEGIN(self, nonlin_dealloc)
  Py_CLEAR(asNonlin(self)->args);
  Py_TYPE(self)->tp_free(self);
  Py_TRASHCAN_END
}

static int nonlin_traverse(PyObject *self, visitproc visit, void *arg) {
  Py_VISIT(asNonlin(self)->args);
  return 0;
}

static int nonlin_clear(PyObject *self) {
  Py_CLEAR(asNonlin(self)->args);
  return 0;
}

static bool is_node(PyObject *o, int op) {
  return operandKind(o) == kNonlinear && asNonlin(o)->op == op;
}
// Sums and products hold their arguments in a list.
static bool is_sum(PyObject *o) { return is_node(o, kOpSum) && PyList_Check(asNonlin(o)->args); }
static bool is_prod(PyObject *o) { return is_node(o, kOpProd) && PyList_Check(asNonlin(o)->args); }
static bool is_zero(PyObject *o) { return constEquals(o, 0.0); }

// ---- construction ------------------------------------------------------------------

static bool is_operand(PyObject *o) { return operandKind(o) != kInvalid; }

PyObject *nonlin_instantiate_unary(int code, PyObject *x) {
  if (!is_operand(x)) {
    PyErr_Format(PyExc_RuntimeError, "Invalid object <%S> in unary operation", x ? x : Py_None);
    return nullptr;
  }
  return make_node(code, newRef(x));
}

PyObject *nonlin_instantiate_binary(int code, PyObject *a, PyObject *b) {
  for (PyObject *o : {a, b})
    if (!is_operand(o)) {
      PyErr_Format(PyExc_RuntimeError, "Invalid object <%S> in operation", o ? o : Py_None);
      return nullptr;
    }
  if (code == kOpSum || code == kOpProd) {
    const bool a_first = operandKind(a) == kNonlinear;
    return make_node(code, Py_BuildValue("[OO]", a_first ? a : b, a_first ? b : a));
  }
  return make_node(code, PyTuple_Pack(2, a, b));
}

// The constructor behind the module functions: an n-ary node takes a tuple
// or list of operands (the first element of `user` may be any callable), a
// unary node a single operand.
PyObject *nonlin_create(bool nary, int code, PyObject *args) {
  if (nary) {
    if (!PyTuple_Check(args) && !PyList_Check(args))
      return modelError(
          "Could not create an n-ary nonlinear expression: the arguments must be in a list or tuple");
    const Py_ssize_t n = PySequence_Fast_GET_SIZE(args);
    for (Py_ssize_t i = 0; i < n; ++i) {
      PyObject *x = PySequence_Fast_GET_ITEM(args, i);
      if (code == kOpUser && i == 0 && PyCallable_Check(x)) continue;
      if (!is_operand(x)) return modelError("Invalid object in n-ary operation");
    }
    return make_node(code, newRef(args));
  }
  if (PyTuple_Check(args) || PyList_Check(args))
    return modelError(
        "Could not create a unary nonlinear expression: the argument must be a single expression");
  if (!is_operand(args)) return modelError("Invalid object in unary operation");
  return make_node(code, newRef(args));
}

// ---- argument access -----------------------------------------------------------------

Py_ssize_t nonlin_arg_size(PyObject *n) {
  if (operandKind(n) != kNonlinear) return -1;
  PyObject *args = asNonlin(n)->args;
  if (!args) return 0;
  if (PyTuple_Check(args) || PyList_Check(args)) return PySequence_Fast_GET_SIZE(args);
  return 1;
}

static PyObject *arg_at(PyObject *n, Py_ssize_t i) {
  PyObject *args = asNonlin(n)->args;
  if (!args) return nullptr;
  if (PyTuple_Check(args) || PyList_Check(args))
    return i < PySequence_Fast_GET_SIZE(args) ? PySequence_Fast_GET_ITEM(args, i) : nullptr;
  return i == 0 ? args : nullptr;
}

PyObject *nonlin_arg_first(PyObject *n, Py_ssize_t *i) {
  if (operandKind(n) != kNonlinear)
    return modelError("Accessing first argument list of an object that is not a nonlinear expression");
  *i = 0;
  return arg_at(n, 0);
}

PyObject *nonlin_arg_next(PyObject *n, Py_ssize_t *i) {
  if (operandKind(n) != kNonlinear)
    return modelError("Accessing next argument list of an object that is not a nonlinear expression");
  return arg_at(n, ++*i);
}

// ---- copies --------------------------------------------------------------------------

// A copy of one argument; an argument that is no operand is refused (the
// errors of copying a valid one, such as running out of stack on a very
// deep tree, are passed on as they are).
static PyObject *copy_arg(PyObject *x, const char *err) {
  if (operandKind(x) == kInvalid) return modelError(err);
  return general_copy(x, 1.0);
}

// A copy of an argument container, element by element; the function of a
// `user` node is shared, not copied.
static PyObject *copy_args(int op, PyObject *args) {
  if (!PyTuple_Check(args) && !PyList_Check(args))
    return copy_arg(args, "Invalid object being copied from single argument in a nonlinear expression");
  const Py_ssize_t n = PySequence_Fast_GET_SIZE(args);
  PyRef out(PyList_Check(args) ? PyList_New(n) : PyTuple_New(n));
  if (!out) return nullptr;
  for (Py_ssize_t i = 0; i < n; ++i) {
    PyObject *x = PySequence_Fast_GET_ITEM(args, i);
    PyObject *c = (op == kOpUser && i == 0)
                      ? newRef(x)
                      : copy_arg(x, "Invalid object being copied from argument list/tuple in a nonlinear expression");
    if (!c) return nullptr;
    if (PyList_Check(args))
      PyList_SET_ITEM(out.get(), i, c);
    else
      PyTuple_SET_ITEM(out.get(), i, c);
  }
  return out.release();
}

static PyObject *nonlin_copy_checked(PyObject *n, double f) {
  NonlinObject *node = asNonlin(n);
  if (f != 1 && node->op == kOpNeg && node->args) return general_copy(node->args, -f);
  PyRef copy(make_node(node->op, node->args ? copy_args(node->op, node->args) : PyTuple_New(0)));
  if (!copy || f == 1) return copy.release();
  PyRef factor(newFloat(f));
  if (!factor) return nullptr;
  if (node->op == kOpProd && PyList_Check(asNonlin(copy.get())->args)) {
    PyObject *list = asNonlin(copy.get())->args;
    const Py_ssize_t size = PyList_GET_SIZE(list);
    if (size == 0) return factor.release();
    PyObject *first = PyList_GET_ITEM(list, 0);
    if (size == 1) {
      if (operandKind(first) == kConstant) return general_copy(first, f);
      return nonlin_instantiate_binary(kOpProd, first, factor.get());
    }
    for (Py_ssize_t i = 0; i < 2; ++i) {
      PyObject *x = PyList_GET_ITEM(list, i);
      if (operandKind(x) == kConstant) {
        PyObject *scaled = general_copy(x, f);
        if (!scaled || PyList_SetItem(list, i, scaled) != 0) return nullptr;
        return copy.release();
      }
    }
  }
  return nonlin_instantiate_binary(kOpProd, copy.get(), factor.get());
}

PyObject *nonlin_copy(PyObject *n, double f) {
  if (operandKind(n) != kNonlinear) return general_copy(n, f);
  if (Py_EnterRecursiveCall(" while copying a nonlinear expression")) return nullptr;
  PyObject *r = nonlin_copy_checked(n, f);
  Py_LeaveRecursiveCall();
  return r;
}

// ---- binary operations ----------------------------------------------------------------

PyObject *nonlin_mul(PyObject *a, PyObject *b) {
  if (is_zero(a) || is_zero(b)) return newFloat(0.0);
  if (constEquals(a, 1.0)) return newRef(b);
  if (constEquals(b, 1.0)) return newRef(a);
  if (constEquals(a, -1.0)) return nonlin_instantiate_unary(kOpNeg, b);
  if (constEquals(b, -1.0)) return nonlin_instantiate_unary(kOpNeg, a);
  return nonlin_instantiate_binary(kOpProd, a, b);
}

PyObject *nonlin_div(PyObject *a, PyObject *b) {
  if (is_zero(a)) return newFloat(0.0);
  if (is_zero(b)) return modelError("Division by zero");
  if (constEquals(b, 1.0)) return newRef(a);
  return nonlin_instantiate_binary(kOpDiv, a, b);
}

PyObject *nonlin_pow(PyObject *a, PyObject *b) {
  if (is_zero(a)) return newFloat(0.0);
  if (constEquals(a, 1.0)) return newFloat(1.0);
  if (is_zero(b)) return newFloat(1.0);
  if (constEquals(b, 1.0)) return newRef(a);
  return nonlin_instantiate_binary(kOpPow, a, b);
}

PyObject *nonlin_sub(PyObject *a, PyObject *b) {
  if (is_zero(a)) return general_neg(b);
  if (is_zero(b)) return is_operand(a) ? newRef(a) : modelError("Invalid object in operation");
  if (is_sum(a)) return nonlin_alg_sum(a, b, -1.0);
  return nonlin_instantiate_binary(kOpMinus, a, b);
}

// ---- sums -----------------------------------------------------------------------------

// f*x: x itself for f = 1, its negation for f = -1, otherwise the product
// of x's kind with the constant f.
static PyObject *scaled(PyObject *x, double f) {
  if (f == 1) return newRef(x);
  if (f == -1) return general_neg(x);
  PyRef factor(newFloat(f));
  return factor ? general_mul(factor.get(), x) : nullptr;
}

// a + f*b for polynomial operands (kinds 0..4): the sum of the higher kind.
static PyObject *poly_sum(PyObject *a, PyObject *b, double f) {
  const int ka = operandKind(a), kb = operandKind(b);
  const int k = ka > kb ? ka : kb;
  if (k == kExpression) return expression_incremental_alg_sum(a, b, f);
  if (k == kQuadTerm) return quadterm_alg_sum(a, b, f);
  if (k == kLinTerm) return linterm_alg_sum(a, b, f);
  if (ka == kVariable) {
    PyRef t(linterm_fill(a, 1.0));
    return t ? linterm_alg_sum(t.get(), b, f) : nullptr;
  }
  if (kb == kVariable) {
    PyRef t(linterm_fill(b, f));
    return t ? linterm_alg_sum(t.get(), a, 1.0) : nullptr;
  }
  double x, y;
  if (!constValue(a, &x) || !constValue(b, &y)) return nullptr;
  return newFloat(x + f * y);
}

// Index of the polynomial part of a sum's list: the last of the final three
// arguments that is not nonlinear; -1 when there is none.
static Py_ssize_t linear_item_index(PyObject *list) {
  const Py_ssize_t n = PyList_GET_SIZE(list);
  for (Py_ssize_t i = n - 1; i >= 0 && i >= n - 3; --i) {
    const int k = operandKind(PyList_GET_ITEM(list, i));
    if (k != kNonlinear && k != kInvalid) return i;
  }
  return -1;
}

// Removes the polynomial part from a sum's list and returns it (null
// without error when there is none). An expression that something else
// still refers to is replaced by a copy, so that amending it in place never
// changes an object of the user's.
static PyObject *take_linear_item(PyObject *list, bool *failed) {
  *failed = false;
  const Py_ssize_t i = linear_item_index(list);
  if (i < 0) return nullptr;
  PyRef item(newRef(PyList_GET_ITEM(list, i)));
  if (PySequence_DelItem(list, i) != 0) {
    *failed = true;
    return nullptr;
  }
  if (operandKind(item.get()) == kExpression && Py_REFCNT(item.get()) > 1) {
    item.reset(expression_copy(item.get(), 1.0));
    if (!item) *failed = true;
  }
  return item.release();
}

static bool append_new(PyObject *list, PyObject *x) {
  PyRef owned(x);
  return x && PyList_Append(list, x) == 0;
}

// Appends the polynomial part unless it is the constant 0.
static bool append_item(PyObject *list, PyObject *item) {
  if (!item || is_zero(item)) return true;
  return PyList_Append(list, item) == 0;
}

PyObject *nonlin_incremental_alg_sum(PyObject *a, PyObject *b, double f) {
  if (f == 0) return newRef(a);
  if (a == Py_None) return general_copy(b, f);
  const int ka = getExprType(a), kb = ka < 0 ? kInvalid : getExprType(b);
  if (ka < 0 || kb < 0) return nullptr;
  if (is_zero(a)) {
    // The result may be amended in place later: a mutable b is copied.
    if (f == 1 && kb <= kQuadTerm) return newRef(b);
    return general_copy(b, f);
  }
  if (is_zero(b)) return newRef(a);
  if (ka != kNonlinear && kb != kNonlinear) return poly_sum(a, b, f);
  const bool a_sum = is_sum(a), b_sum = is_sum(b);

  if (!a_sum && !b_sum) {
    PyRef bp(scaled(b, f));
    if (!bp) return nullptr;
    const bool a_first = ka == kNonlinear;
    return make_node(kOpSum, Py_BuildValue("[OO]", a_first ? a : bp.get(), a_first ? bp.get() : a));
  }

  // b's arguments, read from a snapshot when b is a itself.
  PyRef b_args;
  Py_ssize_t b_item = -1;
  if (b_sum) {
    b_args.reset(PyList_GetSlice(asNonlin(b)->args, 0, PY_SSIZE_T_MAX));
    if (!b_args) return nullptr;
    b_item = linear_item_index(b_args.get());
  }

  if (a_sum) {
    PyObject *list = asNonlin(a)->args;
    bool failed;
    PyRef item(take_linear_item(list, &failed));
    if (failed) return nullptr;
    if (!b_sum) {
      if (kb == kNonlinear || !item) {
        if (!append_new(list, scaled(b, f))) return nullptr;
      } else {
        item.reset(poly_sum(item.get(), b, f));
        if (!item) return nullptr;
      }
    } else {
      for (Py_ssize_t i = 0; i < PyList_GET_SIZE(b_args.get()); ++i)
        if (i != b_item && !append_new(list, scaled(PyList_GET_ITEM(b_args.get(), i), f))) return nullptr;
      if (b_item >= 0) {
        PyObject *bi = PyList_GET_ITEM(b_args.get(), b_item);
        item.reset(item ? poly_sum(item.get(), bi, f) : general_copy(bi, f));
        if (!item) return nullptr;
      }
    }
    if (!append_item(list, item.get())) return nullptr;
    return newRef(a);
  }

  // a is not a sum, b is.
  PyRef list(PyList_New(0));
  if (!list) return nullptr;
  if (ka == kNonlinear && PyList_Append(list.get(), a) != 0) return nullptr;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(b_args.get()); ++i)
    if (i != b_item && !append_new(list.get(), scaled(PyList_GET_ITEM(b_args.get(), i), f))) return nullptr;
  PyRef poly;
  if (b_item >= 0) {
    PyObject *bi = PyList_GET_ITEM(b_args.get(), b_item);
    poly.reset(ka != kNonlinear ? poly_sum(a, bi, f) : general_copy(bi, f));
    if (!poly) return nullptr;
  } else if (ka != kNonlinear) {
    poly.reset(newRef(a));
  }
  if (!append_item(list.get(), poly.get())) return nullptr;
  return make_node(kOpSum, list.release());
}

// a + f*b as a new object. A sum a is copied one level deep: the result gets
// an argument list of its own (the only part later in-place operations
// amend; a shared linear item is copied before it is amended) and shares the
// arguments, so each step of a chain a + b1 + b2 + ... costs the length of
// the list, not a copy of the whole tree.
PyObject *nonlin_alg_sum(PyObject *a, PyObject *b, double f) {
  PyRef copy(is_sum(a) ? make_node(kOpSum, PyList_GetSlice(asNonlin(a)->args, 0, PY_SSIZE_T_MAX))
                       : general_copy(a, 1.0));
  if (!copy) return nullptr;
  return nonlin_incremental_alg_sum(copy.get(), b, f);
}

// ---- in-place products, quotients, powers -------------------------------------------------

static bool last_is_constant(PyObject *list, double *value) {
  const Py_ssize_t n = PyList_GET_SIZE(list);
  if (n == 0 || operandKind(PyList_GET_ITEM(list, n - 1)) != kConstant) return false;
  return constValue(PyList_GET_ITEM(list, n - 1), value);
}

static bool set_last(PyObject *list, PyObject *x /* new reference */) {
  if (!x) return false;
  return PyList_SetItem(list, PyList_GET_SIZE(list) - 1, x) == 0;
}

static bool drop_last(PyObject *list) {
  return PySequence_DelItem(list, PyList_GET_SIZE(list) - 1) == 0;
}

PyObject *nonlin_imul(PyObject *a, PyObject *b) {
  if (isNdarray(b)) return PyNumber_Multiply(b, a);
  if (a == Py_None || constEquals(a, 1.0)) return general_copy(b, 1.0);
  if (!is_prod(a)) return nonlin_mul(a, b);
  PyObject *list = asNonlin(a)->args;
  double ka = 1, kb_value = 1;
  const bool a_const = last_is_constant(list, &ka);
  if (PyErr_Occurred()) return nullptr;
  if (is_prod(b)) {
    PyRef b_args(PyList_GetSlice(asNonlin(b)->args, 0, PY_SSIZE_T_MAX));
    if (!b_args) return nullptr;
    const bool b_const = last_is_constant(b_args.get(), &kb_value);
    if (PyErr_Occurred()) return nullptr;
    const double k = ka * kb_value;
    if (k == 0) return newFloat(0.0);
    if (a_const && !drop_last(list)) return nullptr;
    if (PyList_SetSlice(list, PY_SSIZE_T_MAX, PY_SSIZE_T_MAX, b_args.get()) != 0) return nullptr;
    if (b_const) {
      if (!(k == 1 ? drop_last(list) : set_last(list, newFloat(k)))) return nullptr;
    } else if (!append_new(list, newFloat(k))) {
      return nullptr;
    }
    return newRef(a);
  }
  const int kb = getExprType(b);
  if (kb < 0) return nullptr;
  if (!a_const) {
    if (PyList_Append(list, b) != 0) return nullptr;
    return newRef(a);
  }
  if (kb == kConstant) {
    if (!constValue(b, &kb_value)) return nullptr;
    const double k = ka * kb_value;
    if (k == 0) return newFloat(0.0);
    if (!(k == 1 ? drop_last(list) : set_last(list, newFloat(k)))) return nullptr;
    return newRef(a);
  }
  PyRef constant(newRef(PyList_GET_ITEM(list, PyList_GET_SIZE(list) - 1)));
  if (!set_last(list, newRef(b)) || PyList_Append(list, constant.get()) != 0) return nullptr;
  return newRef(a);
}

// Multiplies the second argument of a binary node (the denominator of a
// quotient, the exponent of a power) by b: a product gets b before its last
// argument, anything else becomes a product with b. The node's own tuple is
// replaced; a product that something else refers to is copied first.
static PyObject *multiply_second(PyObject *a, PyObject *b) {
  if (getExprType(b) < 0) return nullptr;
  PyObject *args = asNonlin(a)->args;
  PyObject *second = PyTuple_GET_ITEM(args, 1);
  PyRef factor;
  if (is_prod(second)) {
    PyRef list(PyList_GetSlice(asNonlin(second)->args, 0, PY_SSIZE_T_MAX));
    if (!list) return nullptr;
    const Py_ssize_t n = PyList_GET_SIZE(list.get());
    if (PyList_Insert(list.get(), n > 0 ? n - 1 : 0, b) != 0) return nullptr;
    factor.reset(make_node(kOpProd, list.release()));
  } else {
    factor.reset(general_mul(second, b));
  }
  if (!factor) return nullptr;
  PyObject *pair = PyTuple_Pack(2, PyTuple_GET_ITEM(args, 0), factor.get());
  if (!pair) return nullptr;
  Py_SETREF(asNonlin(a)->args, pair);
  return newRef(a);
}

static bool is_binary_node(PyObject *o, int op) {
  return is_node(o, op) && PyTuple_Check(asNonlin(o)->args) && PyTuple_GET_SIZE(asNonlin(o)->args) == 2;
}

PyObject *nonlin_idiv(PyObject *a, PyObject *b) {
  if (isNdarray(b)) return array_rule(kDiv, a, b);
  if (operandKind(b) == kConstant) {
    double c;
    if (!constValue(b, &c)) return nullptr;
    if (c == 0) return modelError("Division by zero");
    if (c == 1) return newRef(a);
    PyRef inv(newFloat(1.0 / c));
    return inv ? nonlin_imul(a, inv.get()) : nullptr;
  }
  if (is_binary_node(a, kOpDiv)) return multiply_second(a, b);
  return nonlin_div(a, b);
}

PyObject *nonlin_ipow(PyObject *a, PyObject *b) {
  if (isNdarray(b)) return modelError("Cannot obtain a power with a vector as an exponent");
  if (is_zero(b)) return newFloat(1.0);
  if (constEquals(b, 1.0)) return newRef(a);
  if (is_binary_node(a, kOpPow)) return multiply_second(a, b);
  return nonlin_pow(a, b);
}

PyObject *nonlin_binary(int op, PyObject *a, int, PyObject *b, int) {
  switch (op) {
    case kAdd: return nonlin_alg_sum(a, b, 1.0);
    case kSub: return nonlin_sub(a, b);
    case kMul: return nonlin_mul(a, b);
    case kDiv: return nonlin_div(a, b);
    case kPow: return nonlin_pow(a, b);
  }
  return modelError("Invalid object in operation");
}

PyObject *nonlin_inplace(int op, PyObject *a, PyObject *b) {
  switch (op) {
    case kAdd:
    case kSub:
      if (isNdarray(b)) return array_rule(op, a, b);
      return nonlin_incremental_alg_sum(a, b, op == kAdd ? 1.0 : -1.0);
    case kMul: return nonlin_imul(a, b);
    case kDiv: return nonlin_idiv(a, b);
    case kPow: return nonlin_ipow(a, b);
  }
  return modelError("Invalid object in operation");
}

// ---- printing ------------------------------------------------------------------------------

static constexpr int kMaxPrintDepth = 64;

static bool append_str(std::string &out, PyObject *o) {
  PyRef text(PyObject_Str(o));
  if (!text) return false;
  Py_ssize_t n;
  const char *s = PyUnicode_AsUTF8AndSize(text.get(), &n);
  if (!s) return false;
  out.append(s, (size_t)n);
  return true;
}

static bool print_node(PyObject *n, std::string &out, int level) {
  if (level > kMaxPrintDepth) {
    out += "[MAX RECURS LEV]";
    return true;
  }
  NonlinObject *node = asNonlin(n);
  if (node->op < 0 || node->op >= kNonlinOpCount) {
    modelError("Invalid nonlinear expression");
    return false;
  }
  const NonlinOpInfo &info = printToolArray[node->op];
  PyObject *args = node->args;
  if (info.arity == 1) {
    if (!args) {
      modelError("Invalid unary nonlinear expression");
      return false;
    }
    out += info.symbol;
    out += " (";
    if (!model_print(args, out, level)) return false;
    out += ")";
    return true;
  }
  if (info.arity == 2) {
    if (!args || !PyTuple_Check(args) || PyTuple_GET_SIZE(args) != 2) {
      modelError("Invalid binary nonlinear expression");
      return false;
    }
    out += "(";
    if (!model_print(PyTuple_GET_ITEM(args, 0), out, level)) return false;
    out += " ";
    out += info.symbol;
    out += " ";
    if (!model_print(PyTuple_GET_ITEM(args, 1), out, level)) return false;
    out += ")";
    return true;
  }
  if (!args || (!PyTuple_Check(args) && !PyList_Check(args))) {
    modelError("Invalid n-ary nonlinear expression");
    return false;
  }
  if (info.notation == 0) {
    out += "(";
  } else {
    out += info.symbol;
    out += " (";
  }
  // Lists may change while user code runs during printing: index checked.
  for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(args); ++i) {
    if (i > 0) {
      if (info.notation == 0) {
        out += " ";
        out += info.symbol;
        out += " ";
      } else {
        out += ", ";
      }
    }
    PyRef x(newRef(PySequence_Fast_GET_ITEM(args, i)));
    if (!model_print(x.get(), out, level)) return false;
  }
  out += ")";
  return true;
}

bool model_print(PyObject *obj, std::string &out, int depth) {
  switch (operandKind(obj)) {
    case kConstant:
      return append_str(out, obj);
    case kVariable:
      return var_append_name(out, obj);
    case kLinTerm:
    case kQuadTerm:
      return term_print(obj, out);
    case kExpression:
      return expression_print(obj, out);
    case kNonlinear:
      return print_node(obj, out, depth + 1);
  }
  if (obj && PyCallable_Check(obj)) {
    out += "user";
    return true;
  }
  return append_str(out, obj ? obj : Py_None);
}

static PyObject *nonlin_str(PyObject *self) {
  std::string out;
  if (!model_print(self, out)) return nullptr;
  return PyUnicode_DecodeUTF8(out.data(), (Py_ssize_t)out.size(), "replace");
}

PyTypeObject nonlinear_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.nonlinear"};

void nonlinear_type_setup() {
  nonlinear_type.tp_basicsize = sizeof(NonlinObject);
  nonlinear_type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  nonlinear_type.tp_doc =
      "Class for nonlinear expressions: a tree of operators and functions over\n"
      "constants, variables, terms and expressions.";
  nonlinear_type.tp_new = model_refuse_new;
  nonlinear_type.tp_dealloc = nonlin_dealloc;
  nonlinear_type.tp_traverse = nonlin_traverse;
  nonlinear_type.tp_clear = nonlin_clear;
  nonlinear_type.tp_str = nonlin_str;
  nonlinear_type.tp_repr = nonlin_str;
  nonlinear_type.tp_richcompare = model_richcompare;
  nonlinear_type.tp_as_number = &nonlin_number_methods;
}
