// problem.addSOS and problem.addIndicator: each set and each indicator goes
// to the library as soon as it is accepted.
#include <string>
#include <vector>
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/doc.h"
#include "problem/access.h"
#include "problem/binding.h"
#include "problem/convert_expr.h"
#include "problem/transfer.h"
#include "problem/walk.h"

namespace {

constexpr int kSets = ONDR_ORIGINALSETS, kRows = ONDR_ORIGINALROWS;

int addSOS_single(ProblemObject *p, PyObject *s) {
  if (!is_sos(s)) {
    PyErr_SetString(PyExc_RuntimeError, "Object added is not a SOS");
    return -1;
  }
  PyObject *indices = sos_indices(s), *weights = sos_weights(s);
  if (!indices || !PyList_Check(indices)) {
    PyErr_SetString(PyExc_RuntimeError, "SOS indices must be passed as a list");
    return -1;
  }
  if (!weights || !PyList_Check(weights)) {
    PyErr_SetString(PyExc_RuntimeError, "SOS weights must be passed as a list");
    return -1;
  }
  Py_ssize_t n = PyList_GET_SIZE(indices);
  if (PyList_GET_SIZE(weights) != n) {
    PyErr_SetString(PyExc_RuntimeError, "SOS indices and weights must have the same length");
    return -1;
  }
  int has = map_has(p->sosmap, sos_id(s));
  if (has != 0) {
    if (has > 0) PyErr_SetString(PyExc_RuntimeError, "SOS already added to problem");
    return -1;
  }
  std::vector<int> cols((size_t)n);
  std::vector<double> refs((size_t)n);
  for (Py_ssize_t i = 0; i < n; ++i) {
    PyObject *idx = PyList_GET_ITEM(indices, i);
    if (is_var(idx)) {
      int c = var_column(p, idx);
      if (c == -2) return -1;
      if (c < 0) {
        PyErr_SetString(PyExc_RuntimeError, "SOS contains variable that was not added to the problem");
        return -1;
      }
      cols[(size_t)i] = c;
    } else if (isObjInt(idx)) {
      long v = PyLong_AsLong(idx);
      if (v == -1 && PyErr_Occurred()) return -1;
      cols[(size_t)i] = (int)v;
    } else {
      PyErr_SetString(PyExc_RuntimeError, "SOS indices must be passed as a list");
      return -1;
    }
    refs[(size_t)i] = PyFloat_AsDouble(PyList_GET_ITEM(weights, i));
    if (refs[(size_t)i] == -1.0 && PyErr_Occurred()) return -1;
  }
  std::string name;
  PyObject *nm = sos_name(s);
  if (nm && !PyUnicode_Check(nm)) nm = nullptr;  // sets without a str name keep the library's default
  if (nm && checked_name(p, nm, "Invalid SOS name (must be a string)", name) != 0) return -1;
  char type = sos_settype(s) == 2 ? '2' : '1';
  int64_t start[2] = {0, (int64_t)n};
  int count = 0;
  if (ONDRaddsets64(p->prob, 1, (int64_t)n, &type, start, cols.data(), refs.data()) != 0 ||
      prob_int_attrib(p, kSets, &count) != 0) {
    setOndrErrIfNull((PyObject *)p, nullptr);
    return -1;
  }
  BindingUndo undo(p->sets, p->sosmap);
  if ((nm && ONDRaddnames(p->prob, 3, name.c_str(), count - 1, count - 1) != 0 &&
       (setOndrErrIfNull((PyObject *)p, nullptr), true)) ||
      PyList_Append(p->sets, s) != 0 || (undo.added(sos_id(s)), map_store(p->sosmap, sos_id(s), count - 1) != 0)) {
    // The set goes again: the library and the containers stay in step.
    undo.rollback();
    PyObject *t, *v, *tb;
    PyErr_Fetch(&t, &v, &tb);
    int last = count - 1;
    ONDRdelsets(p->prob, 1, &last);
    PyErr_Restore(t, v, tb);
    return -1;
  }
  return 0;
}

PyObject *problem_addSOS(PyObject *self, PyObject *args) {
  ProblemObject *p = (ProblemObject *)self;
  if (walkNestedObjects(self, args, [&](PyObject *s) { return addSOS_single(p, s); }) != 0) return nullptr;
  Py_RETURN_NONE;
}

// The indicator's row, its entries and the Python objects, all or nothing.
int add_indicator_row(ProblemObject *p, const Converted &c, char type, double rhs, double range,
                      const char *name, int col, int comp, PyObject *con) {
  int64_t start[2] = {0, (int64_t)c.lin_cols.size()};
  int rows = 0;
  if (ONDRaddrows64(p->prob, 1, (int64_t)c.lin_cols.size(), &type, &rhs, &range, start, c.lin_cols.data(),
                    c.lin_vals.data()) != 0 ||
      prob_int_attrib(p, kRows, &rows) != 0)
    return setOndrErrIfNull((PyObject *)p, nullptr), -1;
  int row = rows - 1;
  bool ok = ONDRaddnames(p->prob, 1, name, row, row) == 0 &&
            (c.q_vals.empty() || ONDRaddqmatrix64(p->prob, row, (int64_t)c.q_vals.size(), c.q_col1.data(),
                                                  c.q_col2.data(), c.q_vals.data()) == 0);
  bool nonlinear = false;
  if (ok && c.nformulas() > 0) {
    std::vector<int> frows(c.nformulas(), row);
    ok = OSLPaddcoefs(p->slpprob, (int)c.nformulas(), frows.data(), c.f_cols.data(), c.f_factors.data(),
                      c.f_starts.data(), 1, c.tok_types.data(), c.tok_vals.data()) == 0;
    nonlinear = ok;
  }
  if (ok) ok = ONDRsetindicators(p->prob, 1, &row, &col, &comp) == 0;
  if (!ok) setOndrErrIfNull((PyObject *)p, nullptr);
  BindingUndo undo(p->constraints, p->conmap);
  if (ok && (PyList_Append(p->constraints, con) != 0 || map_store(p->conmap, con_id(con), row) != 0)) {
    undo.added(con_id(con));
    ok = false;
  }
  if (!ok) {
    // The row goes again: a refused indicator leaves the problem as it was.
    undo.rollback();
    PyObject *t, *v, *tb;
    PyErr_Fetch(&t, &v, &tb);
    ONDRdelrows(p->prob, 1, &row);
    PyErr_Restore(t, v, tb);
    return -1;
  }
  if (nonlinear) ++p->nonlinear_count;
  return 0;
}

int addIndicator_single(ProblemObject *p, PyObject *cond, PyObject *con) {
  PyObject *body = con_body(cond);
  PyObject *var = nullptr;
  double coef = 1.0;
  int kind = body ? obj_kind(body) : -1;
  if (kind == 1) {
    var = body;
  } else if (kind == 4) {
    if (expr_constant(body) != 0.0) {
      PyErr_SetString(PyExc_RuntimeError, "Invalid condition for indicator constraints: must be a variable");
      return -1;
    }
    PyObject *lin = expr_linear(body);
    if (!lin || PyDict_Size(lin) != 1) {
      PyErr_SetString(PyExc_RuntimeError,
                      "Invalid condition for indicator constraints: there must be exactly one variable");
      return -1;
    }
    PyObject *quad = expr_quadratic(body);
    if (quad && PyDict_Size(quad) > 0) {
      PyErr_SetString(PyExc_RuntimeError,
                      "Invalid condition for indicator constraints: it cannot contain a quadratic expression");
      return -1;
    }
    PyObject *c;
    Py_ssize_t pos = 0;
    PyDict_Next(lin, &pos, &var, &c);
    coef = PyFloat_AsDouble(c);
  } else {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError,
                    "Invalid indicator expression. Must be var==0 or var==1, where var is a binary variable");
    return -1;
  }
  int col = var_column(p, var);
  if (col == -2) return -1;
  if (col < 0) {
    PyErr_SetString(PyExc_RuntimeError, "Indicator variable has not been added to problem yet");
    return -1;
  }
  if (coef != 1.0) {
    PyErr_SetString(PyExc_RuntimeError, "Indicator variable must have coefficient 1");
    return -1;
  }
  double lb = con_lb(cond), ub = con_ub(cond);
  int comp;
  if (lb == 0.0 && ub == 0.0) comp = -1;
  else if (lb == 1.0 && ub == 1.0) comp = 1;
  else {
    PyErr_SetString(PyExc_RuntimeError,
                    "Invalid condition for indicator constraints: must be <variable_name> == 0 or "
                    "<variable_name> == 1");
    return -1;
  }
  if (!is_constraint(con)) {
    PyErr_SetString(PyExc_RuntimeError, "Invalid constraint");
    return -1;
  }
  PyObject *cbody = con_body(con);
  if (!cbody) {
    PyErr_SetString(PyExc_RuntimeError, "Stale expression link, cannot add constraint");
    return -1;
  }
  int has = map_has(p->conmap, con_id(con));
  if (has != 0) {
    if (has > 0) PyErr_SetString(PyExc_RuntimeError, "Constraint already added to problem");
    return -1;
  }
  Converted c;
  if (convertExpr(p, cbody, c, false) != 0) return -1;
  if (c.nformulas() > 0 && !p->slpprob) {
    PyErr_SetString(PyExc_RuntimeError, "Nonlinear constraints need the nonlinear layer, which is not available");
    return -1;
  }
  double rhs, range;
  char type = rhs_sense(con_lb(con), con_ub(con), c.constant, &rhs, &range);
  PyObject *nm = con_name(con);
  PyRef dflt;
  if (!nm || !PyUnicode_Check(nm)) {
    dflt.reset(PyUnicode_FromFormat("R%lld", (long long)con_id(con)));
    if (!dflt) return -1;
    nm = dflt.get();
  }
  std::string name;
  if (checked_name(p, nm, "Invalid constraint name (must be a string)", name) != 0) return -1;
  Converted saved;
  bool had = false;
  if (transfer_set_aside(p, saved, had) != 0) return -1;
  int rc = add_indicator_row(p, c, type, rhs, range, name.c_str(), col, comp, con);
  if (transfer_put_back(p, saved, had) != 0 && rc == 0) return -1;
  return rc;
}

PyObject *problem_addIndicator(PyObject *self, PyObject *args) {
  ProblemObject *p = (ProblemObject *)self;
  Py_ssize_t n = PyTuple_GET_SIZE(args);
  if (n == 0) Py_RETURN_NONE;
  if (n == 2 && is_constraint(PyTuple_GET_ITEM(args, 0)) && is_constraint(PyTuple_GET_ITEM(args, 1))) {
    if (addIndicator_single(p, PyTuple_GET_ITEM(args, 0), PyTuple_GET_ITEM(args, 1)) != 0) return nullptr;
    Py_RETURN_NONE;
  }
  for (Py_ssize_t i = 0; i < n; ++i) {
    PyObject *d = PyTuple_GET_ITEM(args, i);
    if (!PyTuple_Check(d) || PyTuple_GET_SIZE(d) != 2 || !is_constraint(PyTuple_GET_ITEM(d, 0)) ||
        !is_constraint(PyTuple_GET_ITEM(d, 1))) {
      PyErr_SetString(PyExc_RuntimeError, "Invalid declaration of indicator constraints.");
      return nullptr;
    }
    if (addIndicator_single(p, PyTuple_GET_ITEM(d, 0), PyTuple_GET_ITEM(d, 1)) != 0) return nullptr;
  }
  Py_RETURN_NONE;
}

}  // namespace

const PyMethodDef problem_set_methods[] = {
    {"addSOS", (PyCFunction)problem_addSOS, METH_VARARGS,
     METHOD_DOC("Adds special ordered sets to the problem.", "p.addSOS(s1, s2, ...)",
         "SOS objects, or (nested) lists, tuples, dictionaries of them.",
         "p.addSOS(ondrel.sos([x, y, z], [1, 2, 3], type=2))",
         "Members are variables already added to the problem, or column indices.", "delSOS, getSOS")},
    {"addIndicator", (PyCFunction)problem_addIndicator, METH_VARARGS,
     METHOD_DOC("Adds indicator constraints: constraints enforced only when a binary\n  variable has a given value.",
         "p.addIndicator(condition, constraint)\n  p.addIndicator((cond1, con1), (cond2, con2), ...)",
         "condition: b == 0 or b == 1 for a binary variable b added to the problem;\n"
         "  constraint: the constraint it switches on.",
         "p.addIndicator(b == 1, x + y <= 3)",
         "The constraint becomes a row of the problem like those of addConstraint.", "addConstraint")},
    {nullptr, nullptr, 0, nullptr}};
