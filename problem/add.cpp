// problem.addVariable and problem.addConstraint: modelling objects become
// columns and rows of the library problem, one library call per batch.
// A call either adds everything it was given or, on any failure, leaves the
// problem as it was.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/access.h"
#include "problem/binding.h"
#include "problem/convert_expr.h"
#include "problem/indexmap.h"
#include "problem/transfer.h"
#include "problem/walk.h"
#include "model/model.h"

namespace {

constexpr int kCols = ONDR_ORIGINALCOLS, kRows = ONDR_ORIGINALROWS;

struct ColumnBatch {
  std::vector<char> types;
  std::vector<double> lb, ub, thresholds;
  std::vector<int> threshold_cols;
  std::string names;  // NUL-terminated names end to end
  int name_limit = -1;  // the library's, read once per call
  int first = 0;
  int count() const { return (int)types.size(); }
};

// Appends a name and its NUL (see checked_name); `limit` caches the
// library's name length limit for the call.
int append_name(ProblemObject *p, std::string &names, PyObject *name, const char *invalid, int *limit) {
  std::string one;
  if (checked_name(p, name, invalid, one, limit) != 0) return -1;
  names.append(one);
  names.push_back('\0');
  return 0;
}

// Appends the default name prefix<id> and its NUL, written directly rather
// than through a Python string. A limit too short for it gets the error of
// the general path.
int append_default_name(ProblemObject *p, std::string &names, char prefix, int64_t id, const char *invalid,
                        int *limit) {
  char buf[32];
  int len;
  if (id >= 0) {
    // Digits written back to front: this runs once per row of large models.
    char digits[24];
    int n = 0;
    uint64_t u = (uint64_t)id;
    do digits[n++] = (char)('0' + u % 10); while ((u /= 10) != 0);
    buf[0] = prefix;
    for (int k = 0; k < n; ++k) buf[1 + k] = digits[n - 1 - k];
    len = n + 1;
    buf[len] = '\0';
  } else {
    len = snprintf(buf, sizeof buf, "%c%lld", prefix, (long long)id);
  }
  if (name_limit(p, limit) != 0) return -1;
  if (len > *limit) {
    PyRef text(PyUnicode_FromStringAndSize(buf, len));
    return text ? append_name(p, names, text.get(), invalid, limit) : -1;
  }
  names.append(buf, (size_t)len + 1);
  return 0;
}

int collect_var(ProblemObject *p, PyObject *v, ColumnBatch &b, BindingUndo &undo) {
  if (!is_var(v)) {
    PyErr_SetString(PyExc_RuntimeError, "Incorrect objects added as variables to problem");
    return -1;
  }
  int64_t id = var_id(v);
  if (indexmap_has(p->varmap, id)) {
    PyErr_SetString(PyExc_RuntimeError, "Variable already added to problem");
    return -1;
  }
  double lb = var_lb(v), ub = var_ub(v), th = var_threshold(v);
  char t;
  switch (var_vartype(v)) {
    case 0: t = 'C'; break;
    case 1: t = 'B'; break;
    case 2: t = (lb >= 0 && ub <= 1.1) ? 'B' : 'I'; break;
    case 3: t = 'S'; break;
    case 4: t = 'R'; break;
    case 5: t = 'P'; break;
    default:
      PyErr_SetString(PyExc_RuntimeError, "Incorrect variable type passed to addVariable()");
      return -1;
  }
  if ((t == 'S' || t == 'R' || t == 'P') && !(th >= lb && th <= ub)) {
    PyErr_SetString(PyExc_RuntimeError,
                    "Incorrect semi-continuous, semi-integer, or partially integer variable; check that its "
                    "threshold is between its lower and upper bounds");
    return -1;
  }
  PyObject *raw = ((VarObject *)v)->name;
  if (raw && !PyUnicode_Check(raw)) {
    PyErr_SetString(PyExc_RuntimeError, "Invalid variable name (must be a string)");
    return -1;
  }
  const char *invalid_name = "Invalid variable name (must be a string)";
  if (raw ? append_name(p, b.names, raw, invalid_name, &b.name_limit) != 0
          : append_default_name(p, b.names, 'C', id, invalid_name, &b.name_limit) != 0)
    return -1;
  if (PyList_Append(p->variables, v) != 0) return -1;
  if (map_store(p->varmap, id, b.first + b.count()) != 0) {
    PyErr_SetString(PyExc_RuntimeError, "Could not amend variable map");
    return -1;
  }
  undo.added(id);
  if (t == 'S' || t == 'R' || t == 'P') {
    b.threshold_cols.push_back(b.first + b.count());
    b.thresholds.push_back(th);
  }
  b.types.push_back(t);
  b.lb.push_back(lb);
  b.ub.push_back(ub);
  return 0;
}

PyObject *problem_addVariable(PyObject *self, PyObject *args) {
  ProblemObject *p = (ProblemObject *)self;
  ColumnBatch b;
  if (prob_int_attrib(p, kCols, &b.first) != 0) return nullptr;
  b.first = user_count(p, 0, b.first);
  BindingUndo undo(p->variables, p->varmap);
  PyObject *coll = PyTuple_GET_SIZE(args) == 1 ? PyTuple_GET_ITEM(args, 0) : args;
  if ((PyList_Check(coll) || PyTuple_Check(coll)) &&
      indexmap_reserve(p->varmap, indexmap_size(p->varmap) + PySequence_Fast_GET_SIZE(coll)) != 0)
    PyErr_Clear();  // only a missed shortcut: the map grows as it is filled
  int rc = walkNestedObjects(self, args, [&](PyObject *v) { return collect_var(p, v, b, undo); });
  if (rc != 0) {
    undo.rollback();
    return nullptr;
  }
  int n = b.count();
  if (n == 0) Py_RETURN_NONE;
  std::vector<double> zeros((size_t)n + 1, 0.0);
  std::vector<int64_t> starts((size_t)n + 1, 0);
  std::vector<int> idx((size_t)n);
  for (int i = 0; i < n; ++i) idx[(size_t)i] = b.first + i;
  Converted saved;
  bool had = false;
  if (transfer_set_aside(p, saved, had) != 0) {
    undo.rollback();
    return nullptr;
  }
  bool ok = ONDRaddcols64(p->prob, n, 0, zeros.data(), starts.data(), nullptr, nullptr, b.lb.data(),
                          b.ub.data()) == 0;
  if (ok) {
    ok = ONDRchgcoltype(p->prob, n, idx.data(), b.types.data()) == 0 &&
         ONDRaddnames(p->prob, 2, b.names.data(), b.first, b.first + n - 1) == 0 &&
         (b.thresholds.empty() || ONDRchgglblimit(p->prob, (int)b.thresholds.size(), b.threshold_cols.data(),
                                                  b.thresholds.data()) == 0);
    if (!ok) {
      // Take the new columns out again so that the library matches the containers.
      setOndrErrIfNull(self, nullptr);
      ONDRdelcols(p->prob, n, idx.data());
    }
  }
  if (!ok) setOndrErrIfNull(self, nullptr);
  if (transfer_put_back(p, saved, had) != 0 && ok) {
    // The columns are in; only the objective's transfer could not follow.
    return nullptr;
  }
  if (!ok) {
    undo.rollback();
    return nullptr;
  }
  Py_RETURN_NONE;
}

// ---- constraints ----

struct RowBatch {
  std::vector<char> types;
  std::vector<double> rhs, range;
  std::vector<int64_t> starts{0};
  std::vector<int64_t> qcounts;
  std::string names;
  int name_limit = -1;  // the library's, read once per call
  Converted all;  // every row's entries, end to end
  std::vector<int> f_rows;
  int count() const { return (int)types.size(); }
};

int collect_constraint(ProblemObject *p, PyObject *c, RowBatch &b, int first, BindingUndo &undo) {
  if (!is_constraint(c)) {
    PyErr_SetString(PyExc_RuntimeError, "Invalid constraint");
    return -1;
  }
  const LinEntry *lin = nullptr;
  Py_ssize_t nlin = 0;
  const bool compact = constraint_compact(c, &lin, &nlin);
  PyObject *body = compact ? nullptr : con_body(c);
  if (!compact && !body) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Stale expression link, cannot add constraint");
    return -1;
  }
  int64_t id = con_id(c);
  if (indexmap_has(p->conmap, id)) {
    PyErr_SetString(PyExc_RuntimeError, "Constraint already added to problem");
    return -1;
  }
  int row = first + b.count();
  size_t lin0 = b.all.lin_cols.size(), q0 = b.all.q_vals.size(), f0 = b.all.f_cols.size();
  double const0 = b.all.constant;
  if (compact) {
    // A compact linear body: its entries are read directly.
    for (Py_ssize_t k = 0; k < nlin; ++k) {
      int col = var_column(p, lin[k].var);
      if (col < 0) {
        if (col == -1)
          PyErr_SetString(PyExc_RuntimeError, "Variable in linear part of constraint has not been added to problem yet");
        return -1;
      }
      if (lin[k].coef == 0.0) continue;
      b.all.lin_cols.push_back(col);
      b.all.lin_vals.push_back(lin[k].coef);
    }
  } else if (convertExpr(p, body, b.all, false) != 0) {
    return -1;
  }
  double constant = b.all.constant - const0;
  b.all.constant = 0.0;
  PyObject *nm = con_name(c);
  const char *invalid_name = "Invalid constraint name (must be a string)";
  if (nm && PyUnicode_Check(nm)) {
    if (append_name(p, b.names, nm, invalid_name, &b.name_limit) != 0) return -1;
  } else if (append_default_name(p, b.names, 'R', id, invalid_name, &b.name_limit) != 0) {
    return -1;
  }
  if (PyList_Append(p->constraints, c) != 0) return -1;
  if (map_store(p->conmap, id, row) != 0) {
    PyErr_SetString(PyExc_RuntimeError, "Cannot add constraint to problem");
    return -1;
  }
  undo.added(id);
  double rhs, range;
  char t = rhs_sense(con_lb(c), con_ub(c), constant, &rhs, &range);
  b.types.push_back(t);
  b.rhs.push_back(rhs);
  b.range.push_back(range);
  b.starts.push_back((int64_t)b.all.lin_cols.size());
  b.qcounts.push_back((int64_t)(b.all.q_vals.size() - q0));
  for (size_t k = f0; k < b.all.f_cols.size(); ++k) b.f_rows.push_back(row);
  (void)lin0;
  return 0;
}

int flush_rows(ProblemObject *p, RowBatch &b, int first) {
  int n = b.count();
  if (n == 0) return 0;
  const Converted &a = b.all;
  if (ONDRaddrows64(p->prob, n, (int64_t)a.lin_cols.size(), b.types.data(), b.rhs.data(), b.range.data(),
                    b.starts.data(), a.lin_cols.data(), a.lin_vals.data()) != 0)
    return -1;
  bool ok = ONDRaddnames(p->prob, 1, b.names.data(), first, first + n - 1) == 0;
  int64_t qoff = 0;
  for (int i = 0; ok && i < n; ++i) {
    int64_t qn = b.qcounts[(size_t)i];
    if (qn > 0)
      ok = ONDRaddqmatrix64(p->prob, first + i, qn, a.q_col1.data() + qoff, a.q_col2.data() + qoff,
                            a.q_vals.data() + qoff) == 0;
    qoff += qn;
  }
  if (ok && a.nformulas() > 0) {
    if (!p->slpprob) {
      PyErr_SetString(PyExc_RuntimeError, "Nonlinear constraints need the nonlinear layer, which is not available");
      ok = false;
    } else {
      ok = OSLPaddcoefs(p->slpprob, (int)a.nformulas(), b.f_rows.data(), a.f_cols.data(), a.f_factors.data(),
                        a.f_starts.data(), 1, a.tok_types.data(), a.tok_vals.data()) == 0;
      if (ok) ++p->nonlinear_count;
    }
  }
  if (!ok) {
    // Take the rows out again: the library keeps no part of a refused call.
    setOndrErrIfNull((PyObject *)p, nullptr);
    std::vector<int> rows((size_t)n);
    for (int i = 0; i < n; ++i) rows[(size_t)i] = first + i;
    ONDRdelrows(p->prob, n, rows.data());
    return -1;
  }
  return 0;
}

// Sizes the batch for the usual call, one list or tuple of constraints, so
// that its arrays are allocated once at their final size instead of growing
// (and being copied) step by step. Anything else is left to grow.
void reserve_rows(PyObject *args, RowBatch &b, PyObject *conmap) {
  PyObject *coll = PyTuple_GET_SIZE(args) == 1 ? PyTuple_GET_ITEM(args, 0) : args;
  if (!PyList_Check(coll) && !PyTuple_Check(coll)) return;
  const Py_ssize_t n = PySequence_Fast_GET_SIZE(coll);
  size_t nnz = 0;
  const LinEntry *lin;
  Py_ssize_t nlin;
  for (Py_ssize_t i = 0; i < n; ++i) {
    PyObject *c = PySequence_Fast_GET_ITEM(coll, i);
    if (!is_constraint(c)) return;
    if (constraint_compact(c, &lin, &nlin)) nnz += (size_t)nlin;
  }
  try {
    b.types.reserve((size_t)n);
    b.rhs.reserve((size_t)n);
    b.range.reserve((size_t)n);
    b.starts.reserve((size_t)n + 1);
    b.qcounts.reserve((size_t)n);
    b.all.lin_cols.reserve(nnz);
    b.all.lin_vals.reserve(nnz);
  } catch (const std::bad_alloc &) {
    // The arrays then grow as they are filled.
  }
  // Growing the map only once too; a failure here is only a missed shortcut.
  if (indexmap_reserve(conmap, indexmap_size(conmap) + n) != 0) PyErr_Clear();
}

PyObject *problem_addConstraint(PyObject *self, PyObject *args) {
  ProblemObject *p = (ProblemObject *)self;
  int first = 0;
  if (prob_int_attrib(p, kRows, &first) != 0) return nullptr;
  first = user_count(p, 1, first);
  RowBatch b;
  reserve_rows(args, b, p->conmap);
  BindingUndo undo(p->constraints, p->conmap);
  int rc = walkNestedObjects(self, args, [&](PyObject *c) { return collect_constraint(p, c, b, first, undo); });
  if (rc == 0 && b.count() > 0) {
    Converted saved;
    bool had = false;
    rc = transfer_set_aside(p, saved, had);
    if (rc == 0) {
      rc = flush_rows(p, b, first);
      if (rc != 0) setOndrErrIfNull(self, nullptr);
      if (transfer_put_back(p, saved, had) != 0 && rc == 0) return nullptr;
    }
  }
  if (rc != 0) {
    setOndrErrIfNull(self, nullptr);
    undo.rollback();
    return nullptr;
  }
  Py_RETURN_NONE;
}

}  // namespace

const PyMethodDef problem_add_methods[] = {
    {"addVariable", (PyCFunction)problem_addVariable, METH_VARARGS,
     "Purpose:\n  Adds variables to the problem.\n\n"
     "Synopsis:\n  p.addVariable(v1, v2, ...)\n\n"
     "Arguments:\n  Variables, or lists, tuples, dictionaries (their values), NumPy arrays\n"
     "  and iterators of them, nested to any depth up to 32.\n\n"
     "Example:\n  x = ondrel.var(); y = [ondrel.var() for i in range(3)]\n  p.addVariable(x, y)\n\n"
     "Further information:\n  All variables of one call become consecutive columns, in the order given.\n"
     "  A variable can be added to several problems but only once to each.\n\n"
     "Related topics:\n  addConstraint, delVariable, getVariable"},
    {"addConstraint", (PyCFunction)problem_addConstraint, METH_VARARGS,
     "Purpose:\n  Adds constraints to the problem.\n\n"
     "Synopsis:\n  p.addConstraint(c1, c2, ...)\n\n"
     "Arguments:\n  Constraints, or lists, tuples, dictionaries (their values), NumPy arrays\n"
     "  and iterators of them, nested to any depth up to 32.\n\n"
     "Example:\n  p.addConstraint(x + 2*y <= 4, [x >= i for i in range(3)])\n\n"
     "Further information:\n  Every variable of a constraint must have been added to the problem.\n"
     "  The constraints of one call become consecutive rows.\n\n"
     "Related topics:\n  addVariable, delConstraint, getConstraint"},
    {nullptr, nullptr, 0, nullptr}};
