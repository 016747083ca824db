// problem.setObjective: replaces the whole objective. Linear and quadratic
// parts go to the optimizer's objective; a nonlinear part is carried by a
// transfer column (objective coefficient 1) defined by a transfer row.
#include <cmath>
#include <vector>
#include "module/errors.h"
#include "module/numpy.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/access.h"
#include "problem/binding.h"
#include "problem/convert_expr.h"
#include "problem/transfer.h"

namespace {

constexpr int kCols = ONDR_ORIGINALCOLS, kRows = ONDR_ORIGINALROWS, kNlpCols = OSLP_NLPCOLS,
              kObjSense = OSLP_NLPOBJSENSE;
constexpr int kTransferBit = 0x800;

int fail_lib(ProblemObject *p) {
  setOndrErrIfNull((PyObject *)p, nullptr);
  return -1;
}

int nlp_int_attrib(ProblemObject *p, int id, int *v) {
  return OSLPgetintattrib(p->slpprob, id, v) == 0 ? 0 : fail_lib(p);
}

// Deletes the nonlinear coefficients of `row` (every row when row < 0),
// from the last to the first.
int delete_coefs(ProblemObject *p, int row) {
  int n = 0;
  if (OSLPgetcoefs(p->slpprob, &n, nullptr, nullptr) != 0) return fail_lib(p);
  if (n <= 0) return 0;
  std::vector<int> rows((size_t)n), cols((size_t)n);
  if (OSLPgetcoefs(p->slpprob, &n, rows.data(), cols.data()) != 0) return fail_lib(p);
  for (int k = n - 1; k >= 0; --k) {
    if (row >= 0 && rows[(size_t)k] != row) continue;
    if (OSLPdelcoefs(p->slpprob, 1, &rows[(size_t)k], &cols[(size_t)k]) != 0) return fail_lib(p);
  }
  return 0;
}

bool objective_finite(const Converted &c) {
  if (!std::isfinite(c.constant)) return false;
  for (double v : c.lin_vals)
    if (!std::isfinite(v)) return false;
  for (double v : c.q_vals)
    if (!std::isfinite(v)) return false;
  return true;
}

int take_down_transfer(ProblemObject *p) {
  int col = p->obj_transfer_col, row = p->obj_transfer_row;
  double zero = 0.0;
  if (ONDRchgobj(p->prob, 1, &col, &zero) != 0) return fail_lib(p);
  if (delete_coefs(p, row) != 0) return -1;
  int status = 0;
  if (OSLPgetrowstatus(p->slpprob, row, &status) != 0) return fail_lib(p);
  status &= ~kTransferBit;
  if (OSLPchgrowstatus(p->slpprob, row, &status) != 0) return fail_lib(p);
  int none = -1;
  if (OSLPchgvar(p->slpprob, col, &none, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                 nullptr, nullptr) != 0 ||
      OSLPdelvars(p->slpprob, 1, &col) != 0 || ONDRdelcols(p->prob, 1, &col) != 0 ||
      ONDRdelrows(p->prob, 1, &row) != 0)
    return fail_lib(p);
  p->obj_transfer_col = p->obj_transfer_row = -1;
  p->nonlinear_objective = 0;
  return 0;
}

// Removes a half-built transfer column and row (col or row -1: not added),
// keeping the pending error.
void undo_transfer(ProblemObject *p, int col, int row) {
  PyObject *t, *v, *tb;
  PyErr_Fetch(&t, &v, &tb);
  if (col >= 0) {
    int none = -1;
    OSLPchgvar(p->slpprob, col, &none, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
               nullptr, nullptr);
    OSLPdelvars(p->slpprob, 1, &col);
    ONDRdelcols(p->prob, 1, &col);
  }
  if (row >= 0) {
    if (delete_coefs(p, row) != 0) PyErr_Clear();
    int status = 0;
    if (OSLPgetrowstatus(p->slpprob, row, &status) == 0) {
      status &= ~kTransferBit;
      OSLPchgrowstatus(p->slpprob, row, &status);
    }
    ONDRdelrows(p->prob, 1, &row);
  }
  PyErr_Restore(t, v, tb);
}

int build_transfer(ProblemObject *p, const Converted &c) {
  int row = 0, col = 0;
  if (prob_int_attrib(p, kRows, &row) || prob_int_attrib(p, kCols, &col)) return -1;
  char type = 'E';
  double rhs = 0.0, range = 0.0, zero = 0.0;
  int64_t start[2] = {0, 1};
  int col0 = 0;
  if (ONDRaddrows64(p->prob, 1, 1, &type, &rhs, &range, start, &col0, &zero) != 0) return fail_lib(p);
  if (ONDRaddnames(p->prob, 1, "objtransferrow", row, row) != 0) {
    fail_lib(p);
    undo_transfer(p, -1, row);
    return -1;
  }
  double one = 1.0, minus_one = -1.0, lb = -1e20, ub = 1e20;
  if (ONDRaddcols64(p->prob, 1, 1, &one, start, &row, &minus_one, &lb, &ub) != 0) {
    fail_lib(p);
    undo_transfer(p, -1, row);
    return -1;
  }
  int status = 0;
  std::vector<int> rows(c.nformulas(), row);
  if (ONDRaddnames(p->prob, 2, "objtransfercol", col, col) != 0 ||
      OSLPchgvar(p->slpprob, col, &row, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                 nullptr, nullptr) != 0 ||
      OSLPgetrowstatus(p->slpprob, row, &status) != 0 ||
      (status |= kTransferBit, OSLPchgrowstatus(p->slpprob, row, &status) != 0) ||
      OSLPaddcoefs(p->slpprob, (int)c.nformulas(), rows.data(), c.f_cols.data(), c.f_factors.data(),
                   c.f_starts.data(), 1, c.tok_types.data(), c.tok_vals.data()) != 0) {
    fail_lib(p);
    undo_transfer(p, col, row);
    return -1;
  }
  p->obj_transfer_row = row;
  p->obj_transfer_col = col;
  p->nonlinear_objective = 1;
  return 0;
}

// The nonlinear coefficients of `row`, with their formulas, in the form
// build_transfer takes.
int read_row_coefs(ProblemObject *p, int row, Converted &out) {
  int n = 0;
  if (OSLPgetcoefs(p->slpprob, &n, nullptr, nullptr) != 0) return fail_lib(p);
  std::vector<int> rows((size_t)n + 1), cols((size_t)n + 1);
  if (n > 0 && OSLPgetcoefs(p->slpprob, &n, rows.data(), cols.data()) != 0) return fail_lib(p);
  for (int k = 0; k < n; ++k) {
    if (rows[(size_t)k] != row) continue;
    double factor = 1.0;
    int ntok = 0;
    if (OSLPgetcoefformula(p->slpprob, row, cols[(size_t)k], &factor, 1, 0, &ntok, nullptr, nullptr) != 0)
      return fail_lib(p);
    std::vector<int> types((size_t)ntok + 1);
    std::vector<double> vals((size_t)ntok + 1);
    if (OSLPgetcoefformula(p->slpprob, row, cols[(size_t)k], &factor, 1, ntok + 1, &ntok, types.data(),
                           vals.data()) != 0)
      return fail_lib(p);
    out.f_cols.push_back(cols[(size_t)k]);
    out.f_factors.push_back(factor);
    out.tok_types.insert(out.tok_types.end(), types.begin(), types.begin() + ntok);
    out.tok_vals.insert(out.tok_vals.end(), vals.begin(), vals.begin() + ntok);
    out.f_starts.push_back((int)out.tok_types.size());
  }
  return 0;
}

PyObject *problem_setObjective(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"objective", "sense", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  PyObject *obj;
  long sense = 1;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O|l", (char **)kwlist, &obj, &sense)) return nullptr;
  if (sense != 1 && sense != -1) {
    PyErr_SetString(PyExc_RuntimeError, "Invalid optimization sense");
    return nullptr;
  }
  PyRef holder;
  if (PyArray_Check(obj)) {
    PyArrayObject *a = (PyArrayObject *)obj;
    if (PyArray_SIZE(a) != 1) {
      PyErr_SetString(PyExc_RuntimeError, "Only one objective can be set, passed a sequence or NumPy array");
      return nullptr;
    }
    holder.reset(PyArray_GETITEM(a, (const char *)PyArray_DATA(a)));
    if (!holder) return nullptr;
    obj = holder.get();
  }
  if (obj_kind(obj) < 0) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "Invalid object set as objective");
    return nullptr;
  }
  // Convert first: an objective that cannot be converted leaves the old one.
  Converted c;
  if (convertExpr(p, obj, c, true) != 0) return nullptr;
  if (c.nformulas() > 0 && !p->slpprob) {
    PyErr_SetString(PyExc_RuntimeError, "A nonlinear objective needs the nonlinear layer, which is not available");
    return nullptr;
  }
  if (check_nl_unconstruct(p) != 0) return nullptr;
  // Validate before anything is cleared: a refused objective keeps the old
  // one (and its transfer column and row) in place.
  if (!objective_finite(c)) {
    PyErr_SetString(PyExc_RuntimeError, "The objective has a NaN or infinite constant or coefficient");
    return nullptr;
  }
  int n = 0;
  if (problem_is_nonlinear(p) ? nlp_int_attrib(p, kNlpCols, &n) : prob_int_attrib(p, kCols, &n)) return nullptr;

  // Clear the old objective: constant, linear coefficients, quadratic part.
  int minus_one = -1;
  double zero = 0.0;
  if (ONDRchgobj(p->prob, 1, &minus_one, &zero) != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  if (n > 0) {
    std::vector<int> idx((size_t)n);
    std::vector<double> zeros((size_t)n, 0.0);
    for (int i = 0; i < n; ++i) idx[(size_t)i] = i;
    if (ONDRchgobj(p->prob, n, idx.data(), zeros.data()) != 0) return setOndrErrIfNull(self, nullptr), nullptr;
    int nq = 0;
    if (ONDRgetmqobj(p->prob, nullptr, nullptr, nullptr, 0, &nq, 0, n - 1) != 0)
      return setOndrErrIfNull(self, nullptr), nullptr;
    if (nq > 0) {
      std::vector<int> start((size_t)n + 1), c2((size_t)nq), c1((size_t)nq);
      std::vector<double> val((size_t)nq);
      if (ONDRgetmqobj(p->prob, start.data(), c2.data(), val.data(), nq, &nq, 0, n - 1) != 0)
        return setOndrErrIfNull(self, nullptr), nullptr;
      for (int j = 0; j < n; ++j)
        for (int k = start[(size_t)j]; k < start[(size_t)j + 1] && k < nq; ++k) c1[(size_t)k] = j;
      std::fill(val.begin(), val.end(), 0.0);
      if (ONDRchgmqobj(p->prob, nq, c1.data(), c2.data(), val.data()) != 0)
        return setOndrErrIfNull(self, nullptr), nullptr;
    }
  }
  // The transfer column and row come after the user's own: taking them
  // down moves no user index, so `c` stays valid.
  if (p->nonlinear_objective == 1 && take_down_transfer(p) != 0) return nullptr;

  // Set the new one.
  if (c.constant != 0.0) {
    double k = -c.constant;
    if (ONDRchgobj(p->prob, 1, &minus_one, &k) != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  }
  if (!c.lin_cols.empty() &&
      ONDRchgobj(p->prob, (int)c.lin_cols.size(), c.lin_cols.data(), c.lin_vals.data()) != 0)
    return setOndrErrIfNull(self, nullptr), nullptr;
  if (!c.q_vals.empty() &&
      ONDRchgmqobj64(p->prob, (int64_t)c.q_vals.size(), c.q_col1.data(), c.q_col2.data(), c.q_vals.data()) != 0)
    return setOndrErrIfNull(self, nullptr), nullptr;
  if (c.nformulas() > 0 && build_transfer(p, c) != 0) return nullptr;
  if (ONDRchgobjsense(p->prob, (int)sense) != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  if (problem_is_nonlinear(p) && OSLPsetdblcontrol(p->slpprob, kObjSense, (double)sense) != 0)
    return setOndrErrIfNull(self, nullptr), nullptr;
  Py_RETURN_NONE;
}

}  // namespace

int transfer_set_aside(ProblemObject *p, Converted &saved, bool &had) {
  had = p->nonlinear_objective == 1 && p->obj_transfer_col >= 0;
  if (!had) return 0;
  if (check_nl_unconstruct(p) != 0 || read_row_coefs(p, p->obj_transfer_row, saved) != 0) return -1;
  return take_down_transfer(p);
}

int transfer_put_back(ProblemObject *p, const Converted &saved, bool had) {
  if (!had) return 0;
  PyObject *t, *v, *tb;
  PyErr_Fetch(&t, &v, &tb);
  int rc = build_transfer(p, saved);
  if (rc != 0) {
    // The objective's nonlinear part is lost: say so rather than the first error.
    Py_XDECREF(t), Py_XDECREF(v), Py_XDECREF(tb);
    return -1;
  }
  PyErr_Restore(t, v, tb);
  return 0;
}

int user_count(ProblemObject *p, int kind, int library_count) {
  int transfer = kind == 0 ? p->obj_transfer_col : p->obj_transfer_row;
  return transfer >= 0 && transfer < library_count ? library_count - 1 : library_count;
}

const PyMethodDef problem_objective_methods[] = {
    {"setObjective", (PyCFunction)problem_setObjective, METH_VARARGS | METH_KEYWORDS,
     "Purpose:\n  Sets the objective function of the problem, replacing the previous one.\n\n"
     "Synopsis:\n  p.setObjective(objective, sense=ondrel.minimize)\n\n"
     "Arguments:\n  objective: a number, variable, linear, quadratic or nonlinear expression;\n"
     "  sense: ondrel.minimize (1) or ondrel.maximize (-1).\n\n"
     "Example:\n  p.setObjective(3*x + y**2, sense=ondrel.maximize)\n\n"
     "Further information:\n  Every variable of the objective must have been added to the problem.\n\n"
     "Related topics:\n  solve, getObjVal"},
    {nullptr, nullptr, 0, nullptr}};
