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

static PyObject *constraint_alloc(PyTypeObject *type) {
  PyObject *self = type->tp_alloc(type, 0);
  if (!self) return nullptr;
  ConstraintObject *c = (ConstraintObject *)self;
  c->id = ond_py_env.next_con_id++;
  c->lb = -kInfinity;
  c->ub = kInfinity;
  return self;
}

static PyObject *constraint_tp_new(PyTypeObject *type, PyObject *, PyObject *) { return constraint_alloc(type); }

PyObject *constraint_base() {
  PyRef c(constraint_alloc(&constraint_type));
  if (!c) return nullptr;
  ConstraintObject *con = (ConstraintObject *)c.get();
  con->name = printable_name(nullptr, "R", con->id);
  return con->name ? c.release() : nullptr;
}

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
          return con.release();
        }
      }
    }
  }
  // NaN compares false with everything, so the row would lose its bound.
  if (std::isnan(k)) return modelError(kNanBound);
  if (op == Py_LE || op == Py_EQ) c->ub = k;
  if (op == Py_GE || op == Py_EQ) c->lb = k;
  c->body = body.release();
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
  PyRef newname(name && name != Py_None ? newRef(name) : printable_name(nullptr, "R", c->id));
  if (!newname) return -1;

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
    body.reset(s->body ? newRef(s->body) : nullptr);
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
  c->lb = lb;
  c->ub = ub;
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
  }
  PyRef oldname(constraint_name(src));
  if (!oldname) return nullptr;
  c->name = PyUnicode_FromFormat("R%lld_copy_%S", (long long)c->id, oldname.get());
  return c->name ? copy.release() : nullptr;
}

static void constraint_dealloc(PyObject *self) {
  PyObject_GC_UnTrack(self);
  ConstraintObject *c = (ConstraintObject *)self;
  Py_CLEAR(c->name);
  Py_CLEAR(c->body);
  Py_TYPE(self)->tp_free(self);
}

static int constraint_traverse(PyObject *self, visitproc visit, void *arg) {
  Py_VISIT(((ConstraintObject *)self)->name);
  Py_VISIT(((ConstraintObject *)self)->body);
  return 0;
}

static int constraint_clear(PyObject *self) {
  Py_CLEAR(((ConstraintObject *)self)->name);
  Py_CLEAR(((ConstraintObject *)self)->body);
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

static PyMemberDef constraint_members[] = {
    {"name", T_OBJECT, offsetof(ConstraintObject, name), 0, "Constraint name"},
    {"body", T_OBJECT, offsetof(ConstraintObject, body), 0, "Constraint body"},
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
  constraint_type.tp_methods = constraint_methods;
  constraint_type.tp_as_number = &constraint_as_number;
}
