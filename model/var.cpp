// ondrel.var: creation, names, hashing, and the arithmetic between
// variables and constants.
#include <cstring>
#include "model/dispatch.h"
#include <structmember.h>
#include <algorithm>
#include "module/env.h"

// Every variable takes its identifier when the object is created, so that
// no variable object ever exists without one and re-running __init__ does
// not change the hash of a variable that dictionaries already hold.
static PyObject *var_alloc(PyTypeObject *type) {
  PyObject *self = type->tp_alloc(type, 0);
  if (!self) {
    PyErr_Clear();
    return modelError("Could not allocate an object of type Variable");
  }
  VarObject *v = asVar(self);
  v->id = ond_py_env.next_var_id++;
  v->lb = 0;
  v->ub = kInfinity;
  return self;
}

static PyObject *var_tp_new(PyTypeObject *type, PyObject *, PyObject *) { return var_alloc(type); }

PyObject *var_new() {
  PyObject *self = var_alloc(&var_type);
  if (self) asVar(self)->threshold = -kInfinity;
  return self;
}

// prefix followed by the decimal id, written directly: formatting through
// PyUnicode_FromFormat costs more than making the object that gets the name.
static PyObject *default_name(const char *prefix, int64_t id) {
  char buf[48];
  size_t n = strlen(prefix);
  if (n > sizeof buf - 24) return PyUnicode_FromFormat("%s%lld", prefix, (long long)id);
  memcpy(buf, prefix, n);
  uint64_t v = id < 0 ? 0 - (uint64_t)id : (uint64_t)id;
  if (id < 0) buf[n++] = '-';
  char digits[24];
  int k = 0;
  do {
    digits[k++] = (char)('0' + v % 10);
    v /= 10;
  } while (v);
  while (k) buf[n++] = digits[--k];
  return PyUnicode_DecodeASCII(buf, (Py_ssize_t)n, nullptr);
}

PyObject *var_base() {
  PyRef v(var_new());
  if (!v) return nullptr;
  asVar(v.get())->name = default_name("C", asVar(v.get())->id);
  if (!asVar(v.get())->name) return nullptr;
  return v.release();
}

static int var_init(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"name", "lb", "ub", "threshold", "vartype", nullptr};
  VarObject *v = asVar(self);
  PyObject *name = nullptr;
  double lb = 0, ub = kInfinity, threshold = v->threshold;
  int vartype = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "|Odddi", (char **)kwlist, &name, &lb, &ub, &threshold,
                                   &vartype))
    return -1;
  if (vartype == 1) {  // binary: bounds within [0, 1]
    lb = std::max(lb, 0.0);
    ub = std::min(ub, 1.0);
  }
  PyObject *newname;
  if (!name || name == Py_None) {
    newname = nullptr;  // reads as "C<id>"; made only when asked for
  } else if (PyUnicode_Check(name) || PyBytes_Check(name)) {
    newname = newRef(name);
  } else {
    modelError("Invalid variable name (must be a string)");
    return -1;
  }
  Py_XSETREF(v->name, newname);
  v->lb = lb;
  v->ub = ub;
  v->threshold = threshold;
  v->vartype = vartype;
  return 0;
}

static void var_dealloc(PyObject *self) {
  Py_CLEAR(asVar(self)->name);
  Py_TYPE(self)->tp_free(self);
}

PyObject *printable_name(PyObject *name, const char *prefix, int64_t id) {
  if (!name) return default_name(prefix, id);
  if (PyUnicode_Check(name)) return newRef(name);
  if (PyBytes_Check(name))
    return PyUnicode_DecodeUTF8(PyBytes_AS_STRING(name), PyBytes_GET_SIZE(name), "replace");
  return PyObject_Str(name);
}

PyObject *var_name(PyObject *var) { return printable_name(asVar(var)->name, "C", varId(var)); }

bool var_append_name(std::string &out, PyObject *var) {
  PyObject *name = asVar(var)->name;
  if (name && PyBytes_Check(name)) {
    out.append(PyBytes_AS_STRING(name), (size_t)PyBytes_GET_SIZE(name));
    return true;
  }
  PyRef text(var_name(var));
  if (!text) return false;
  Py_ssize_t n;
  const char *s = PyUnicode_AsUTF8AndSize(text.get(), &n);
  if (!s) return false;
  out.append(s, (size_t)n);
  return true;
}

static PyObject *var_str(PyObject *self) { return var_name(self); }

static Py_hash_t var_hash(PyObject *self) {
  int64_t id = varId(self);
  return id == -1 ? -2 : (Py_hash_t)id;
}

PyObject *var_copy(PyObject *v, double f) {
  if (f == 1) return newRef(v);
  if (f == 0) return newFloat(0.0);
  return linterm_fill(v, f);
}

// Both operands are variables or constants, at least one a variable.
PyObject *var_binary(int op, PyObject *a, int ka, PyObject *b, int kb) {
  double c = 0;
  if (ka == kConstant && !constValue(a, &c)) return nullptr;
  if (kb == kConstant && !constValue(b, &c)) return nullptr;
  const bool both = ka == kVariable && kb == kVariable;
  const char *alloc_err = "Could not allocate an object of type Variable";
  switch (op) {
    case kAdd:
      if (both) {
        if (sameVar(a, b)) return linterm_fill(a, 2.0);
        return expression_make(0, a, 1, b, 1, nullptr, nullptr, 0, alloc_err);
      }
      if (ka == kVariable) {
        if (c == 0) return newRef(a);
        return expression_make(c, a, 1, nullptr, 0, nullptr, nullptr, 0, alloc_err);
      }
      return expression_make(c, b, 1, nullptr, 0, nullptr, nullptr, 0, alloc_err);
    case kSub:
      if (both) {
        if (sameVar(a, b)) return newFloat(0.0);
        return expression_make(0, a, 1, b, -1, nullptr, nullptr, 0, alloc_err);
      }
      if (ka == kVariable) {
        if (c == 0) return newRef(a);
        return expression_make(-c, a, 1, nullptr, 0, nullptr, nullptr, 0, alloc_err);
      }
      return expression_make(c, b, -1, nullptr, 0, nullptr, nullptr, 0, alloc_err);
    case kMul: {
      if (both) return quadterm_fill(a, b, 1.0);
      PyObject *v = ka == kVariable ? a : b;
      if (c == 0) return newFloat(0.0);
      if (c == 1) return newRef(v);
      return linterm_fill(v, c);
    }
    case kDiv:
      if (both) {
        if (sameVar(a, b)) return newFloat(1.0);
        return nonlin_instantiate_binary(kOpDiv, a, b);
      }
      if (ka == kVariable) {
        if (c == 0) return modelError("Division of variable by zero");
        if (c == 1) return newRef(a);
        return linterm_fill(a, 1.0 / c);
      }
      if (c == 0) return newFloat(0.0);
      return nonlin_instantiate_binary(kOpDiv, a, b);
    case kPow:
      if (ka == kVariable && kb == kConstant) {
        if (c == 1) return newRef(a);
        if (c == 0) return newFloat(1.0);
        if (c == 2) return quadterm_fill(a, a, 1.0);
      }
      return nonlin_instantiate_binary(kOpPow, a, b);
  }
  return modelError("Invalid object in operation");
}

// The name as assigned, or "C<id>" for a variable that has none.
static PyObject *var_get_name(PyObject *self, void *) {
  PyObject *name = asVar(self)->name;
  return name ? newRef(name) : default_name("C", varId(self));
}

static int var_set_name(PyObject *self, PyObject *value, void *) {
  Py_XINCREF(value);
  Py_XSETREF(asVar(self)->name, value);
  return 0;
}

static PyGetSetDef var_getset[] = {
    {"name", var_get_name, var_set_name, "Variable name", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr}};

static PyMemberDef var_members[] = {
    {"lb", T_DOUBLE, offsetof(VarObject, lb), 0, "Lower bound"},
    {"ub", T_DOUBLE, offsetof(VarObject, ub), 0, "Upper bound"},
    {"threshold", T_DOUBLE, offsetof(VarObject, threshold), 0, "Threshold (for partially integers)"},
    {"vartype", T_INT, offsetof(VarObject, vartype), 0,
     "Type of the variable: continuous (0), binary (1), integer (2), semicontinuous (3),\n"
     "semiinteger (4) or partiallyinteger (5), as the module constants ondrel.continuous etc."},
    {nullptr, 0, 0, 0, nullptr}};

PyTypeObject var_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.var"};

void var_type_setup() {
  var_type.tp_basicsize = sizeof(VarObject);
  var_type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  var_type.tp_doc =
      "Decision variable: var(name, lb, ub, threshold, vartype), all optional.\n"
      "Variables combine with numbers and with each other through +, -, *, / and **\n"
      "into terms, expressions and nonlinear expressions; comparing them with <=, >=\n"
      "or == gives constraints.";
  var_type.tp_new = var_tp_new;
  var_type.tp_init = var_init;
  var_type.tp_dealloc = var_dealloc;
  var_type.tp_str = var_str;
  var_type.tp_repr = var_str;
  var_type.tp_hash = var_hash;
  var_type.tp_richcompare = model_richcompare;
  var_type.tp_as_number = &term_number_methods;
  var_type.tp_members = var_members;
  var_type.tp_getset = var_getset;
}
