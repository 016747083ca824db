#include "problem/convert_expr.h"
#include <cmath>
#include "engine/include/oslp.h"
#include "module/env.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "problem/access.h"
#include "problem/indexmap.h"

namespace {

// Token types and operator values of the nonlinear layer's formulas.
enum Tok {
  T_EOF = OSLP_TOK_EOF, T_CON = OSLP_TOK_CON, T_COL = OSLP_TOK_COL, T_FUN = OSLP_TOK_FUN,
  T_IFUN = OSLP_TOK_IFUN, T_RB = OSLP_TOK_RB, T_OP = OSLP_TOK_OP,
};
enum OpVal {
  OP_UMINUS = OSLP_OP_UMINUS, OP_EXP = OSLP_OP_EXPONENT, OP_MUL = OSLP_OP_MULTIPLY,
  OP_DIV = OSLP_OP_DIVIDE, OP_PLUS = OSLP_OP_PLUS, OP_MINUS = OSLP_OP_MINUS,
};

// Node operator codes of ondrel.nonlinear.
enum Node {
  N_SUM = 0, N_SUB = 1, N_NEG = 2, N_PROD = 3, N_DIV = 4, N_POW = 5, N_MAX = 15, N_MIN = 16, N_USER = 22,
  N_LAST = 22,
};

// Token (type, value) of each node code.
const int kNodeTokType[] = {T_OP, T_OP, T_OP, T_OP, T_OP, T_OP, T_IFUN, T_IFUN, T_IFUN, T_IFUN, T_IFUN, T_IFUN,
                            T_IFUN, T_IFUN, T_IFUN, T_IFUN, T_IFUN, T_IFUN, T_IFUN, T_IFUN, T_IFUN, T_IFUN, T_FUN};
const int kNodeTokVal[] = {OP_PLUS, OP_MINUS, OP_UMINUS, OP_MUL, OP_DIV, OP_EXP,
                           OSLP_IFUN_EXP, OSLP_IFUN_LN, OSLP_IFUN_LOG10, OSLP_IFUN_SIN, OSLP_IFUN_COS,
                           OSLP_IFUN_TAN, OSLP_IFUN_ASIN, OSLP_IFUN_ACOS, OSLP_IFUN_ATAN, OSLP_IFUN_MAX,
                           OSLP_IFUN_MIN, OSLP_IFUN_ABS, OSLP_IFUN_SIGN, OSLP_IFUN_ERF, OSLP_IFUN_ERFC,
                           OSLP_IFUN_SQRT, 0};

struct Writer {
  ProblemObject *p;
  Converted &out;

  void tok(int type, double value) {
    out.tok_types.push_back(type);
    out.tok_vals.push_back(value);
  }

  // Column of a variable, or -1 with `message` raised.
  int column(PyObject *v, const char *message) {
    int c = var_column(p, v);
    if (c == -1) PyErr_SetString(PyExc_RuntimeError, message);
    return c < 0 ? -1 : c;
  }

  // After operand j of m, the balanced pattern writes T this many times.
  static int trailing(int j, int m, int *written) {
    int n = 0;
    if (j + 1 < m) {
      if (j % 2 == 1)
        for (int k = j + 1; (k & 1) == 0; k >>= 1) ++n;
    } else {
      n = (m - 1) - *written;
    }
    *written += n;
    return n;
  }

  int write_term(PyObject *x, PyObject *y, double c) {
    const char *msg = "Variable in nonlinear expression has not been added to problem yet";
    bool unit = c == 1.0 || c == -1.0;
    if (!unit) tok(T_CON, c);
    int cx = column(x, msg);
    if (cx < 0) return -1;
    tok(T_COL, cx);
    if (y) {
      int cy = column(y, msg);
      if (cy < 0) return -1;
      tok(T_COL, cy);
      tok(T_OP, OP_MUL);
    }
    if (c == -1.0) tok(T_OP, OP_UMINUS);
    else if (!unit) tok(T_OP, OP_MUL);
    return 0;
  }

  // A polynomial expression: its items joined by plus, balanced.
  int write_expression(PyObject *e) {
    struct Item { PyObject *x, *y; double c; };
    std::vector<Item> items;
    double k = expr_constant(e);
    if (k != 0.0) items.push_back({nullptr, nullptr, k});
    if (PyObject *lin = expr_linear(e)) {
      PyObject *v, *c;
      Py_ssize_t pos = 0;
      while (PyDict_Next(lin, &pos, &v, &c)) items.push_back({v, nullptr, PyFloat_AsDouble(c)});
    }
    if (PyObject *quad = expr_quadratic(e)) {
      PyObject *v, *inner;
      Py_ssize_t pos = 0;
      while (PyDict_Next(quad, &pos, &v, &inner)) {
        PyObject *w, *c;
        Py_ssize_t pos2 = 0;
        while (PyDict_Next(inner, &pos2, &w, &c)) items.push_back({v, w, PyFloat_AsDouble(c)});
      }
    }
    if (PyErr_Occurred()) return -1;
    if (items.empty()) {
      tok(T_CON, 0.0);
      return 0;
    }
    int m = (int)items.size(), written = 0;
    for (int j = 0; j < m; ++j) {
      const Item &it = items[(size_t)j];
      if (!it.x) tok(T_CON, it.c);
      else if (write_term(it.x, it.y, it.c) != 0) return -1;
      for (int n = trailing(j, m, &written); n > 0; --n) tok(T_OP, OP_PLUS);
    }
    return 0;
  }

  // Items of a node's arguments: a list or tuple's items, or the one object.
  static std::vector<PyObject *> operands(PyObject *args) {
    std::vector<PyObject *> v;
    if (PyList_Check(args) || PyTuple_Check(args)) {
      for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(args); ++i) v.push_back(PySequence_Fast_GET_ITEM(args, i));
    } else {
      v.push_back(args);
    }
    return v;
  }

  int write_balanced(const std::vector<PyObject *> &ops, int type, int value, bool brackets) {
    int m = (int)ops.size(), written = 0;
    if (m == 0) {
      tok(T_CON, value == OP_MUL ? 1.0 : 0.0);
      return 0;
    }
    for (int j = 0; j < m; ++j) {
      if (brackets && j % 2 == 0) {
        for (int g = 1; g < m - j; g *= 2) {
          tok(T_RB, 0);
          if (j != 0 && (j / (2 * g)) % 2 == 1) break;
        }
      }
      if (write_any(ops[(size_t)j]) != 0) return -1;
      for (int n = trailing(j, m, &written); n > 0; --n) tok(type, value);
    }
    return 0;
  }

  // The walk recurses once per level: a tree deeper than the interpreter's
  // recursion limit gives RecursionError instead of overflowing the C stack.
  int write_node(PyObject *node) {
    if (Py_EnterRecursiveCall(" while converting a nonlinear expression")) return -1;
    int rc = write_node_inner(node);
    Py_LeaveRecursiveCall();
    return rc;
  }

  int write_node_inner(PyObject *node) {
    int op = nonlin_op(node);
    PyObject *args = nonlin_args(node);
    if (op < 0 || op > N_LAST || !args) {
      PyErr_SetString(PyExc_RuntimeError, "Unrecognized member of a nonlinear expression");
      return -1;
    }
    int type = kNodeTokType[op], value = kNodeTokVal[op];
    switch (op) {
      case N_SUM: case N_PROD:
        if (!PyList_Check(args) && !PyTuple_Check(args)) {
          PyErr_SetString(PyExc_RuntimeError, "N-ary operator should have list or tuple of arguments");
          return -1;
        }
        return write_balanced(operands(args), type, value, false);
      case N_MAX: case N_MIN:
        if (!PyList_Check(args) && !PyTuple_Check(args)) {
          PyErr_SetString(PyExc_RuntimeError, "N-ary operator should have list or tuple of arguments");
          return -1;
        }
        return write_balanced(operands(args), type, value, true);
      case N_SUB: case N_DIV: case N_POW: {
        if (!PyTuple_Check(args) || PyTuple_GET_SIZE(args) != 2) {
          PyErr_SetString(PyExc_RuntimeError, "Binary operator should have tuple for arguments");
          return -1;
        }
        if (write_any(PyTuple_GET_ITEM(args, 0)) != 0 || write_any(PyTuple_GET_ITEM(args, 1)) != 0) return -1;
        tok(type, value);
        return 0;
      }
      case N_NEG:
        if (write_any(args) != 0) return -1;
        tok(type, value);
        return 0;
      case N_USER: {
        std::vector<PyObject *> ops = operands(args);
        if (ops.empty() || !PyCallable_Check(ops[0])) {
          PyErr_SetString(PyExc_RuntimeError, "First argument of a user() operator must be the function itself");
          return -1;
        }
        PyRef tuple(PyTuple_Check(args) ? Py_NewRef(args) : PySequence_Tuple(args));
        if (!tuple) return -1;
        int number = 0;
        if (createUserFunction(p, tuple.get(), &number) != 0) return -1;
        tok(T_RB, 0);
        for (size_t i = 1; i < ops.size(); ++i)
          if (write_any(ops[i]) != 0) return -1;
        tok(T_FUN, number);
        return 0;
      }
      default:  // unary functions
        tok(T_RB, 0);
        if (write_any(args) != 0) return -1;
        tok(type, value);
        return 0;
    }
  }

  int write_any(PyObject *obj) {
    int kind = obj_kind(obj);
    switch (kind) {
      case 0: {
        double v = PyFloat_AsDouble(obj);
        if (v == -1.0 && PyErr_Occurred()) return -1;
        tok(T_CON, v);
        return 0;
      }
      case 1: {
        int c = column(obj, "Variable in nonlinear part of constraint has not been added to problem yet");
        if (c < 0) return -1;
        tok(T_COL, c);
        return 0;
      }
      case 2: return write_term(linterm_var(obj), nullptr, linterm_coef(obj));
      case 3: return write_term(quadterm_var1(obj), quadterm_var2(obj), quadterm_coef(obj));
      case 4: return write_expression(obj);
      case 5: return write_node(obj);
    }
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "Incorrect argument of nonlinear function");
    return -1;
  }

  int unit_column() {
    if (p->slp_unit_col < 0) {
      int c = -1;
      if (!p->slpprob || OSLPgetintattrib(p->slpprob, OSLP_NLPUNITCOLUMN, &c) != 0) {
        if (!p->slpprob) PyErr_SetString(PyExc_RuntimeError, "The nonlinear layer is not available");
        setOndrErrIfNull((PyObject *)p, nullptr);
        return -1;
      }
      p->slp_unit_col = c;
    }
    return p->slp_unit_col;
  }

  // One nonlinear coefficient from a node, with `sign` on its factor.
  int formula(PyObject *node, double sign) {
    double factor = sign;
    int col = -1;
    std::vector<PyObject *> rest;
    bool product = nonlin_op(node) == N_PROD;
    if (product) {
      PyObject *args = nonlin_args(node);
      if (!args || (!PyList_Check(args) && !PyTuple_Check(args))) {
        PyErr_SetString(PyExc_RuntimeError, "N-ary operator should have list or tuple of arguments");
        return -1;
      }
      for (PyObject *a : operands(args)) {
        int k = obj_kind(a);
        if (k == 1 && col < 0) {
          col = column(a, "Variable in nonlinear part of constraint has not been added to problem yet");
          if (col < 0) return -1;
        } else if (k == 0) {
          double f = PyFloat_AsDouble(a);
          if (f == -1.0 && PyErr_Occurred()) return -1;
          factor *= f;
        } else {
          PyErr_Clear();
          rest.push_back(a);
        }
      }
      if (PyErr_Occurred()) return -1;
      if (rest.size() == 1) {
        if (write_any(rest[0]) != 0) return -1;
      } else if (write_balanced(rest, T_OP, OP_MUL, false) != 0) {
        return -1;
      }
    } else if (write_node(node) != 0) {
      return -1;
    }
    if (col < 0 && (col = unit_column()) < 0) return -1;
    tok(T_EOF, 0);
    out.f_cols.push_back(col);
    out.f_factors.push_back(factor);
    out.f_starts.push_back((int)out.tok_types.size());
    return 0;
  }

  bool doubling;

  // Linear and quadratic parts of a non-nonlinear operand, times `sign`.
  int linquad(PyObject *obj, double sign) {
    int kind = obj_kind(obj);
    switch (kind) {
      case 0: {
        double v = PyFloat_AsDouble(obj);
        if (v == -1.0 && PyErr_Occurred()) return -1;
        out.constant += sign * v;
        return 0;
      }
      case 1: case 2: {
        PyObject *v = kind == 1 ? obj : linterm_var(obj);
        double c = kind == 1 ? 1.0 : linterm_coef(obj);
        int col = column(v, "Variable in linear term defining constraint has not been added to problem yet");
        if (col < 0) return -1;
        if (c != 0.0) {
          out.lin_cols.push_back(col);
          out.lin_vals.push_back(sign * c);
        }
        return 0;
      }
      case 3: {
        const char *msg = "Variable in quadratic term defining constraint has not been added to problem yet";
        int c1 = column(quadterm_var1(obj), msg);
        if (c1 < 0) return -1;
        int c2 = column(quadterm_var2(obj), msg);
        if (c2 < 0) return -1;
        add_quad(c1, c2, quadterm_coef(obj), var_id(quadterm_var1(obj)) != var_id(quadterm_var2(obj)), sign);
        return 0;
      }
      case 4: return linquad_expression(obj, sign);
    }
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "Invalid expression");
    return -1;
  }

  void add_quad(int c1, int c2, double c, bool distinct, double sign) {
    if (distinct) c *= 0.5;
    if (doubling) c *= 2.0;
    if (c == 0.0) return;
    out.q_col1.push_back(c1);
    out.q_col2.push_back(c2);
    out.q_vals.push_back(sign * c);
  }

  int linquad_expression(PyObject *e, double sign) {
    out.constant += sign * expr_constant(e);
    if (PyObject *lin = expr_linear(e)) {
      PyObject *v, *c;
      Py_ssize_t pos = 0;
      while (PyDict_Next(lin, &pos, &v, &c)) {
        double coef = PyFloat_AsDouble(c);
        if (coef == -1.0 && PyErr_Occurred()) return -1;
        int col = column(v, "Variable in linear part of constraint has not been added to problem yet");
        if (col < 0) return -1;
        if (coef == 0.0) continue;
        out.lin_cols.push_back(col);
        out.lin_vals.push_back(sign * coef);
      }
    }
    if (PyObject *quad = expr_quadratic(e)) {
      const char *msg = "Variable in quadratic part of constraint has not been added to problem yet";
      PyObject *v, *inner;
      Py_ssize_t pos = 0;
      while (PyDict_Next(quad, &pos, &v, &inner)) {
        PyObject *w, *c;
        Py_ssize_t pos2 = 0;
        while (PyDict_Next(inner, &pos2, &w, &c)) {
          double coef = PyFloat_AsDouble(c);
          if (coef == -1.0 && PyErr_Occurred()) return -1;
          if (coef == 0.0) continue;
          int c1 = column(v, msg);
          if (c1 < 0) return -1;
          int c2 = column(w, msg);
          if (c2 < 0) return -1;
          add_quad(c1, c2, coef, var_id(v) != var_id(w), sign);
        }
      }
    }
    return 0;
  }

  // A summand of a sum or difference: polynomial parts go to the linear and
  // quadratic entries, nonlinear ones become coefficients.
  int summand(PyObject *obj, double sign, const char *invalid) {
    int kind = obj_kind(obj);
    if (kind < 0) {
      PyErr_Clear();
      PyErr_SetString(PyExc_RuntimeError, invalid);
      return -1;
    }
    return kind == 5 ? formula(obj, sign) : linquad(obj, sign);
  }
};

}  // namespace

int var_column(ProblemObject *p, PyObject *var) { return indexmap_get(p->varmap, var_id(var)); }

int convertExpr(ProblemObject *p, PyObject *expr, Converted &out, bool doubling) {
  if (!expr) {
    PyErr_SetString(PyExc_RuntimeError, "Cannot convert expression");
    return -1;
  }
  Writer w{p, out, doubling};
  int kind = obj_kind(expr);
  if (kind < 0) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "Invalid expression");
    return -1;
  }
  if (kind != 5) return w.linquad(expr, 1.0);
  int op = nonlin_op(expr);
  PyObject *args = nonlin_args(expr);
  if (op == N_SUM) {
    if (!args || !PyList_Check(args)) {
      PyErr_SetString(PyExc_RuntimeError, "Erroneous type for argument of sum");
      return -1;
    }
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(args); ++i)
      if (w.summand(PyList_GET_ITEM(args, i), 1.0, "Invalid expression in nonlinear sum") != 0) return -1;
    return 0;
  }
  if (op == N_SUB) {
    if (!args || !PyTuple_Check(args) || PyTuple_GET_SIZE(args) != 2) {
      PyErr_SetString(PyExc_RuntimeError, "Erroneous type for argument of difference expression");
      return -1;
    }
    if (w.summand(PyTuple_GET_ITEM(args, 0), 1.0, "Invalid expression") != 0) return -1;
    return w.summand(PyTuple_GET_ITEM(args, 1), -1.0, "Invalid expression");
  }
  return w.formula(expr, 1.0);
}

char rhs_sense(double lb, double ub, double constant, double *rhs, double *range) {
  const double inf = 1e20;
  *rhs = -constant;
  *range = 0.0;
  if (lb > -inf) {
    if (ub >= inf) {
      *rhs += lb;
      return 'G';
    }
    if (lb != ub) {
      *rhs += ub;
      *range = ub - lb;
      return 'R';
    }
    *rhs += lb;
    return 'E';
  }
  if (ub < inf) {
    *rhs += ub;
    return 'L';
  }
  *rhs = inf;
  return 'N';
}

int check_nl_unconstruct(ProblemObject *p) {
  if (!problem_is_nonlinear(p) || !p->slpprob) return 0;
  int state = 0;
  int rc = OSLPgetintattrib(p->slpprob, OSLP_NLPSTATE, &state);
  if (rc == 0 && (state & OSLP_STATE_CONSTRUCTED)) rc = OSLPunconstruct(p->slpprob);
  if (rc == 0 && (state & OSLP_STATE_PRESOLVED)) rc = OSLPpostsolve(p->slpprob);
  if (rc != 0) setOndrErrIfNull((PyObject *)p, nullptr);
  return rc;
}
