// ondrel.constraint: constraints built by comparing modelling objects or by
// the constructor, their copies, and the row type a problem derives from
// their bounds.
#include "model/dispatch.h"
#include <structmember.h>
#include <cmath>
#include "module/env.h"
#include "module/numpy.h"

// Markers of constructor arguments that were not given.
static constexpr double kUnsetLb = -2e20, kUnsetUb = 2e20, kUnsetRhs = -2e20;

// ---- compact bodies and collector tracking ---------------------------------------------

static void drop_compact(ConstraintObject *c) {
  LinEntry *lin = c->lin;
  const Py_ssize_t n = c->nlin;
  c->lin = nullptr;
  c->nlin = -1;
  for (Py_ssize_t i = 0; i < n; ++i) Py_DECREF(lin[i].var);
  PyMem_Free(lin);
}

// Objects a constraint may hold without being able to close a cycle: str
// names, numbers and the modelling objects that hold only variables and
// numbers. A variable of a subclass (it may have a __dict__) does not count.
static bool atomic_name(PyObject *o) { return !o || PyUnicode_CheckExact(o); }
static bool atomic_body(PyObject *o) {
  if (!o) return true;
  PyTypeObject *t = Py_TYPE(o);
  return t == &var_type || t == &linterm_type || t == &quadterm_type || t == &expression_type ||
         t == &PyFloat_Type || t == &PyLong_Type;
}

// Tracked by the collector exactly when the constraint could be part of a
// cycle; subclass instances (with a __dict__) always are.
static void update_tracking(ConstraintObject *c) {
  PyObject *self = (PyObject *)c;
  const bool track = Py_TYPE(self) != &constraint_type || !atomic_name(c->name) || !atomic_body(c->body);
  if (track == (bool)PyObject_GC_IsTracked(self)) return;
  if (track) PyObject_GC_Track(self);
  else PyObject_GC_UnTrack(self);
}

// Takes the linear entries of the expression `e` (no quadratic part, plain
// variables) as c's compact body. 1 when taken, 0 when `e` is not such an
// expression, -1 with an exception.
static int take_compact(ConstraintObject *c, PyObject *e) {
  ExpressionObject *x = asExpr(e);
  if (Py_TYPE(e) != &expression_type || x->quadratic) return 0;
  const Py_ssize_t n = x->linear ? PyDict_GET_SIZE(x->linear) : 0;
  LinEntry *lin = n ? (LinEntry *)PyMem_Malloc((size_t)n * sizeof(LinEntry)) : nullptr;
  if (n && !lin) {
    PyErr_NoMemory();
    return -1;
  }
  // One pass: the entries are copied as they are checked, and references
  // are taken only once every entry has passed.
  PyObject *v, *coef;
  Py_ssize_t i = 0, pos = 0;
  while (n && PyDict_Next(x->linear, &pos, &v, &coef)) {
    if (Py_TYPE(v) != &var_type || !PyFloat_CheckExact(coef)) {
      PyMem_Free(lin);
      return 0;
    }
    lin[i].var = v;
    lin[i++].coef = PyFloat_AS_DOUBLE(coef);
  }
  for (Py_ssize_t k = 0; k < i; ++k) Py_INCREF(lin[k].var);
  c->lin = lin;
  c->nlin = n;
  return 1;
}

PyObject *constraint_body(PyObject *con) {
  ConstraintObject *c = (ConstraintObject *)con;
  if (c->body || c->nlin < 0) return c->body;
  PyRef e(expression_new());
  if (!e) return nullptr;
  if (c->nlin > 0) {
    PyObject *lin = PyDict_New();
    if (!lin) return nullptr;
    asExpr(e.get())->linear = lin;
    for (Py_ssize_t i = 0; i < c->nlin; ++i) {
      PyRef f(newFloat(c->lin[i].coef));
      if (!f || PyDict_SetItem(lin, c->lin[i].var, f.get()) != 0) return nullptr;
    }
  }
  c->body = e.release();
  drop_compact(c);
  return c->body;
}

static PyObject *constraint_alloc(PyTypeObject *type) {
  PyObject *self = type->tp_alloc(type, 0);
  if (!self) return nullptr;
  ConstraintObject *c = (ConstraintObject *)self;
  c->id = ond_py_env.next_con_id++;
  c->lb = -kInfinity;
  c->ub = kInfinity;
  c->lin = nullptr;
  c->nlin = -1;
  update_tracking(c);
  return self;
}

static PyObject *constraint_tp_new(PyTypeObject *type, PyObject *, PyObject *) { return constraint_alloc(type); }

// The name is left absent: it reads as "R<id>" and costs nothing until then.
PyObject *constraint_base() { return constraint_alloc(&constraint_type); }

// ---- building from a comparison ------------------------------------------------------

static const char *kNanBound = "Invalid constraint: a bound or right-hand side is NaN (not a number)";

static const char *kStrictComparison = "Invalid constraint: cannot enforce f(x) != 0, f(x) > 0, or f(x) < 0";

// A node that nothing but the caller refers to may be amended; otherwise
// its list is copied into a new node first.
static PyObject *without_last_argument(PyObject *node) {
  PyObject *list = asNonlin(node)->args;
  const Py_ssize_t n = PyList_GET_SIZE(list);
  if (Py_REFCNT(node) == 1) {
    if (PySequence_DelItem(list, n - 1) != 0) return nullptr;
    return newRef(node);
  }
  PyRef copy(PyList_GetSlice(list, 0, n - 1));
  if (!copy) return nullptr;
  return nonlin_create(true, kOpSum, copy.get());
}

PyObject *make_constraint(PyObject *a, PyObject *b, int op) {
  const int ka = getExprType(a), kb = ka < 0 ? kInvalid : getExprType(b);
  if (ka < 0 || kb < 0) return nullptr;
  if (op > Py_GE) return modelError("Invalid constraint: unrecognized comparison operator");
  if (op != Py_LE && op != Py_EQ && op != Py_GE) return modelError(kStrictComparison);

  PyRef con(constraint_base());
  if (!con) return nullptr;
  ConstraintObject *c = (ConstraintObject *)con.get();
  if (ka == kExpression && kb == kConstant && Py_TYPE(a) == &expression_type && !asExpr(a)->quadratic) {
    // expression <= number: the entries go straight into a compact body,
    // without the copy of the expression that a - b would make. The bound
    // is the one a - b would give: b - constant, exactly.
    double bc;
    if (!constValue(b, &bc)) return nullptr;
    const double k = bc - asExpr(a)->constant;
    if (std::isnan(k)) return modelError(kNanBound);
    const int taken = take_compact(c, a);
    if (taken < 0) return nullptr;
    if (taken > 0) {
      if (op == Py_LE || op == Py_EQ) c->ub = k;
      if (op == Py_GE || op == Py_EQ) c->lb = k;
      return con.release();
    }
  }
  PyRef body(ka == kNonlinear || ka == kConstant ? nonlin_sub(a, b) : model_binary(kSub, a, b));
  if (!body) return nullptr;

  // Move the constant of the body to the bounds.
  double k = 0;
  const int kbody = operandKind(body.get());
  if (kbody == kExpression) {
    if (Py_REFCNT(body.get()) > 1) {
      body.reset(expression_copy(body.get(), 1.0));
      if (!body) return nullptr;
    }
    k = -asExpr(body.get())->constant;
    asExpr(body.get())->constant = 0;
  } else if (kbody == kNonlinear) {
    NonlinObject *n = asNonlin(body.get());
    PyObject *args = n->args;
    if (n->op == kOpSum && args && PyList_Check(args) && PyList_GET_SIZE(args) > 1 &&
        operandKind(PyList_GET_ITEM(args, PyList_GET_SIZE(args) - 1)) == kConstant) {
      if (!constValue(PyList_GET_ITEM(args, PyList_GET_SIZE(args) - 1), &k)) return nullptr;
      k = -k;
      body.reset(without_last_argument(body.get()));
      if (!body) return nullptr;
    } else if (n->op == kOpMinus && args && PyTuple_Check(args) && PyTuple_GET_SIZE(args) == 2) {
      PyObject *f = PyTuple_GET_ITEM(args, 0), *m = PyTuple_GET_ITEM(args, 1);
      const bool f_const = operandKind(f) == kConstant, m_const = operandKind(m) == kConstant;
      if (m_const && !f_const) {
        if (!constValue(m, &k)) return nullptr;
        body.reset(newRef(f));
      } else if (f_const && !m_const) {
        // m - g: for <= the constraint is m <= g, for >= it is g <= m.
        if (!constValue(f, &k)) return nullptr;
        body.reset(newRef(m));
        if (op == Py_LE || op == Py_GE) {
          if (std::isnan(k)) return modelError(kNanBound);
          (op == Py_LE ? c->lb : c->ub) = k;
          c->body = body.release();
          update_tracking(c);
          return con.release();
        }
      }
    }
  }
  // NaN compares false with everything, so the row would lose its bound.
  if (std::isnan(k)) return modelError(kNanBound);
  if (op == Py_LE || op == Py_EQ) c->ub = k;
  if (op == Py_GE || op == Py_EQ) c->lb = k;
  const int taken = kbody == kExpression ? take_compact(c, body.get()) : 0;
  if (taken < 0) return nullptr;
  if (taken == 0) c->body = body.release();
  update_tracking(c);
  return con.release();
}

PyObject *model_richcompare(PyObject *a, PyObject *b, int op) {
  if (isNdarray(b)) {
    if (op == Py_LE || op == Py_GE || op == Py_EQ) return array_compare(a, b, op);
    return modelError(kStrictComparison);
  }
  return make_constraint(a, b, op);
}

// ---- constructor -------------------------------------------------------------------------

// The element at index zero in every dimension of an array.
static PyObject *first_element(PyObject *array) {
  PyArrayObject *arr = (PyArrayObject *)array;
  if (PyArray_SIZE(arr) == 0) return modelError("Invalid expression passed as body of constraint");
  PyObject *item = PyArray_GETITEM(arr, (const char *)PyArray_DATA(arr));
  if (!item && !PyErr_Occurred()) modelError("Cannot allocate memory to retrieve element of NumPy array");
  return item;
}

static int constraint_init(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"constraint", "body", "lb", "ub", "sense", "rhs", "name", nullptr};
  PyObject *source = nullptr, *body_arg = nullptr, *name = nullptr;
  double lb = kUnsetLb, ub = kUnsetUb, rhs = kUnsetRhs;
  long sense = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "|OOddldO", (char **)kwlist, &source, &body_arg, &lb, &ub, &sense,
                                   &rhs, &name))
    return -1;
  if (source == Py_None) source = nullptr;
  if (body_arg == Py_None) body_arg = nullptr;
  ConstraintObject *c = (ConstraintObject *)self;
  PyRef newname(name && name != Py_None ? newRef(name) : nullptr);

  PyRef body;
  if (body_arg) {
    body.reset(isNdarray(body_arg) ? first_element(body_arg) : newRef(body_arg));
    if (!body) return -1;
    if (operandKind(body.get()) == kInvalid) {
      modelError("Invalid expression passed as body of constraint");
      return -1;
    }
  }
  if (source) {
    if (Py_TYPE(source) != &constraint_type) {
      modelError(
          "Attempt to generate an empty constraint failed. Consider using "
          "ondrel.constraint(body=..., sense=..., rhs=...) instead.");
      return -1;
    }
    ConstraintObject *s = (ConstraintObject *)source;
    PyObject *sbody = constraint_body(source);
    if (!sbody && PyErr_Occurred()) return -1;
    body.reset(sbody ? newRef(sbody) : nullptr);
    lb = s->lb;
    ub = s->ub;
  } else {
    if (!body || (sense == 0 && lb == kUnsetLb && ub == kUnsetUb)) {
      modelError(
          "Arguments required for ondrel.constraint(): constraint OR {body, lb and/or ub} OR "
          "{body,sense,rhs}.");
      return -1;
    }
    if (rhs != kUnsetRhs) {
      if (lb != kUnsetLb || ub != kUnsetUb) {
        modelError("Cannot create constraint by specifying both rhs AND either or both of lb/ub.");
        return -1;
      }
      if (sense == 1) {
        ub = rhs;
      } else if (sense == 2) {
        lb = rhs;
      } else {
        lb = ub = rhs;
      }
    }
  }
  if (lb == kUnsetLb) lb = -kInfinity;
  if (ub == kUnsetUb) ub = kInfinity;
  if (std::isnan(lb) || std::isnan(ub)) {
    modelError(kNanBound);
    return -1;
  }
  Py_XSETREF(c->name, newname.release());
  Py_XSETREF(c->body, body.release());
  drop_compact(c);
  c->lb = lb;
  c->ub = ub;
  update_tracking(c);
  return 0;
}

static PyObject *constraint_name(ConstraintObject *c) { return printable_name(c->name, "R", c->id); }

static PyObject *constraint_str(PyObject *self) { return constraint_name((ConstraintObject *)self); }

static PyObject *constraint_copy(PyObject *self, PyObject *) {
  ConstraintObject *src = (ConstraintObject *)self;
  PyRef copy(constraint_alloc(&constraint_type));
  if (!copy) return nullptr;
  ConstraintObject *c = (ConstraintObject *)copy.get();
  c->lb = src->lb;
  c->ub = src->ub;
  if (src->body) {
    c->body = general_copy(src->body, 1.0);
    if (!c->body) return nullptr;
  } else if (src->nlin >= 0) {
    // A compact body is copied as it is: the copy's own entries.
    if (src->nlin > 0) {
      c->lin = (LinEntry *)PyMem_Malloc((size_t)src->nlin * sizeof(LinEntry));
      if (!c->lin) return PyErr_NoMemory();
      for (Py_ssize_t i = 0; i < src->nlin; ++i) c->lin[i] = {newRef(src->lin[i].var), src->lin[i].coef};
    }
    c->nlin = src->nlin;
  }
  PyRef oldname(constraint_name(src));
  if (!oldname) return nullptr;
  c->name = PyUnicode_FromFormat("R%lld_copy_%S", (long long)c->id, oldname.get());
  if (!c->name) return nullptr;
  update_tracking(c);
  return copy.release();
}

static void constraint_dealloc(PyObject *self) {
  PyObject_GC_UnTrack(self);
  ConstraintObject *c = (ConstraintObject *)self;
  Py_CLEAR(c->name);
  Py_CLEAR(c->body);
  drop_compact(c);
  Py_TYPE(self)->tp_free(self);
}

// Compact entries hold plain variables only, which hold no references the
// collector follows: they are not visited.
static int constraint_traverse(PyObject *self, visitproc visit, void *arg) {
  Py_VISIT(((ConstraintObject *)self)->name);
  Py_VISIT(((ConstraintObject *)self)->body);
  return 0;
}

static int constraint_clear(PyObject *self) {
  Py_CLEAR(((ConstraintObject *)self)->name);
  Py_CLEAR(((ConstraintObject *)self)->body);
  drop_compact((ConstraintObject *)self);
  return 0;
}

static PyObject *constraint_name(ConstraintObject *c);

// name and body: any object may be assigned (deleting leaves the default
// name, or no body); what is assigned decides the collector's tracking.
static PyObject *constraint_get_name(PyObject *self, void *) {
  ConstraintObject *c = (ConstraintObject *)self;
  return c->name ? newRef(c->name) : constraint_name(c);
}

static int constraint_set_name(PyObject *self, PyObject *value, void *) {
  ConstraintObject *c = (ConstraintObject *)self;
  Py_XINCREF(value);
  Py_XSETREF(c->name, value);
  update_tracking(c);
  return 0;
}

static PyObject *constraint_get_body(PyObject *self, void *) {
  PyObject *body = constraint_body(self);
  if (!body && PyErr_Occurred()) return nullptr;
  return newRef(body ? body : Py_None);
}

static int constraint_set_body(PyObject *self, PyObject *value, void *) {
  ConstraintObject *c = (ConstraintObject *)self;
  Py_XINCREF(value);
  Py_XSETREF(c->body, value);
  drop_compact(c);
  update_tracking(c);
  return 0;
}

// A constraint has no truth value: Python would otherwise reduce a chained
// comparison such as 1 <= x <= 3 to its last part, and list comparison or
// membership tests would be answered by the constraint objects built for them.
static int constraint_bool(PyObject *) {
  PyErr_SetString(PyExc_TypeError,
                  "A constraint has no truth value; write a range as ondrel.constraint(body, lb=..., ub=...) "
                  "and compare modelling objects by identity (is)");
  return -1;
}

static PyNumberMethods constraint_as_number = [] {
  PyNumberMethods m{};
  m.nb_bool = constraint_bool;
  return m;
}();

// ---- row types ---------------------------------------------------------------------------

double getRhsSense(PyObject *con, char *rowtype, double *rhs, double *range) {
  const double lb = ((ConstraintObject *)con)->lb, ub = ((ConstraintObject *)con)->ub;
  if (lb > -kInfinity) {
    if (ub >= kInfinity) {
      *rowtype = 'G';
      *rhs += lb;
    } else if (lb != ub) {
      *rowtype = 'R';
      *rhs += ub;
      *range = ub - lb;
    } else {
      *rowtype = 'E';
      *rhs += lb;
    }
  } else if (ub < kInfinity) {
    *rowtype = 'L';
    *rhs += ub;
  } else {
    *rowtype = 'N';
    return kInfinity;
  }
  return *rhs;
}

int compareInt(const void *a, const void *b) {
  const int x = *(const int *)a, y = *(const int *)b;
  return (x > y) - (x < y);
}

static PyGetSetDef constraint_getset[] = {
    {"name", constraint_get_name, constraint_set_name, "Constraint name", nullptr},
    {"body", constraint_get_body, constraint_set_body, "Constraint body", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr}};

static PyMemberDef constraint_members[] = {
    {"lb", T_DOUBLE, offsetof(ConstraintObject, lb), 0, "Lower bound"},
    {"ub", T_DOUBLE, offsetof(ConstraintObject, ub), 0, "Upper bound"},
    {nullptr, 0, 0, 0, nullptr}};

static PyMethodDef constraint_methods[] = {
    {"copy", constraint_copy, METH_NOARGS, "Return a copy of the constraint as a new object"},
    {nullptr, nullptr, 0, nullptr}};

PyTypeObject constraint_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.constraint"};

void constraint_type_setup() {
  constraint_type.tp_basicsize = sizeof(ConstraintObject);
  constraint_type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  constraint_type.tp_doc = "Class for linear and quadratic constraints";
  constraint_type.tp_new = constraint_tp_new;
  constraint_type.tp_init = constraint_init;
  constraint_type.tp_dealloc = constraint_dealloc;
  constraint_type.tp_traverse = constraint_traverse;
  constraint_type.tp_clear = constraint_clear;
  constraint_type.tp_str = constraint_str;
  constraint_type.tp_repr = constraint_str;
  constraint_type.tp_members = constraint_members;
  constraint_type.tp_getset = constraint_getset;
  constraint_type.tp_methods = constraint_methods;
  constraint_type.tp_as_number = &constraint_as_number;
}
