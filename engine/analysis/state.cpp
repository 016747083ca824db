#include "analysis/state.h"
#include "analysis/presolve.h"
#include "env/error.h"
#include "lp/session.h"
#include "model/basis.h"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "interfaces/highs_c_api.h"
#pragma GCC diagnostic pop

namespace ondr {

double LpView::slack_of(int i, double activity) const {
  double u = rup[(size_t)i], l = rlo[(size_t)i];
  if (u < kInf) return u - activity;
  if (l > -kInf) return l - activity;
  return -activity;
}

LpView store_view(const Model &m) {
  LpView v;
  v.sense = m.objsense;
  v.offset = -m.objconst_neg;
  v.cost = m.obj;
  int n = m.ncols(), r = m.nrows();
  v.lo.resize((size_t)n);
  v.up.resize((size_t)n);
  for (int j = 0; j < n; ++j) col_hull(m, j, v.lo[(size_t)j], v.up[(size_t)j]);
  v.rlo.resize((size_t)r);
  v.rup.resize((size_t)r);
  for (int i = 0; i < r; ++i) relaxed_row_bounds(m, i, v.rlo[(size_t)i], v.rup[(size_t)i]);
  v.a = store_columns(m);
  return v;
}

const Results &solution_of(ONDRprob prob, const char *what, bool duals) {
  const Results &r = prob->results;
  const Model &m = prob->model;
  if (r.lpstatus == 0 && r.mipstatus == 0)
    fail(ERR_STATE, "%s: the problem has not been solved (or has changed since)", what);
  if (!r.has_lpsol || r.x.size() != (size_t)m.ncols() || r.slack.size() != (size_t)m.nrows())
    fail(ERR_STATE, "%s: the last solve left no LP solution", what);
  if (duals && (!r.has_dual || r.dual.size() != (size_t)m.nrows()))
    fail(ERR_STATE, "%s: the last solve left no dual solution", what);
  return r;
}

void require_idle(ONDRprob prob, const char *what) {
  if (prob->busy.load())
    fail(ERR_STATE, "%s: not available while the problem is being solved", what);
}

void fit_basis(const LpView &v, std::vector<int> &cs, std::vector<int> &rs) {
  for (size_t j = 0; j < cs.size(); ++j) cs[j] = fit_status(cs[j], v.lo[j], v.up[j]);
  for (size_t i = 0; i < rs.size(); ++i) rs[i] = fit_status(rs[i], v.rlo[i], v.rup[i]);
}

void check_statuses(const int rstatus[], const int cstatus[], int nrows, int ncols) {
  ONDR_REQUIRE(rstatus && cstatus, "Both the row and the column statuses are needed");
  for (int i = 0; i < nrows; ++i)
    ONDR_REQUIRE(rstatus[i] >= 0 && rstatus[i] <= 3,
                 "Basis status %d of row %d is not one of 0 (at lower), 1 (basic), 2 (at upper), "
                 "3 (superbasic)", rstatus[i], i);
  for (int j = 0; j < ncols; ++j)
    ONDR_REQUIRE(cstatus[j] >= 0 && cstatus[j] <= 3,
                 "Basis status %d of column %d is not one of 0 (at lower), 1 (basic), 2 (at "
                 "upper), 3 (superbasic)", cstatus[j], j);
}

std::vector<int> BasisSolver::pivot_order() const {
  if (!highs) {  // no columns: the slacks form the basis
    std::vector<int> order((size_t)nrows());
    for (int k = 0; k < nrows(); ++k) order[(size_t)k] = k;
    return order;
  }
  std::vector<HighsInt> bv((size_t)nrows() + 1);
  if (Highs_getBasicVariables(highs, bv.data()) != kHighsStatusOk)
    fail(ERR_SOLVER, "HiGHS could not factorize the basis");
  std::vector<int> out((size_t)nrows());
  for (int k = 0; k < nrows(); ++k) {
    HighsInt b = bv[(size_t)k];
    out[(size_t)k] = b >= 0 ? nrows() + (int)b : (int)(-b - 1);
  }
  return out;
}

static std::vector<double> basis_solve(void *h, int m, const std::vector<double> &rhs,
                                       bool transposed) {
  if (!h) return std::vector<double>(rhs.begin(), rhs.begin() + m);  // B = I
  std::vector<double> out((size_t)m + 1, 0.0);
  std::vector<HighsInt> index((size_t)m + 1);
  HighsInt nz = 0;
  HighsInt rc = transposed ? Highs_getBasisTransposeSolve(h, rhs.data(), out.data(), &nz, index.data())
                           : Highs_getBasisSolve(h, rhs.data(), out.data(), &nz, index.data());
  if (rc != kHighsStatusOk) fail(ERR_SOLVER, "HiGHS could not solve with the basis matrix");
  out.resize((size_t)m);
  return out;
}

std::vector<double> BasisSolver::solve(const std::vector<double> &rhs) const {
  return basis_solve(highs, nrows(), rhs, false);
}
std::vector<double> BasisSolver::solve_transposed(const std::vector<double> &rhs) const {
  return basis_solve(highs, nrows(), rhs, true);
}

// Hands `cs`/`rs` to the instance (so that it factorizes exactly them).
static void hold_basis(HighsHandle &h, const std::vector<int> &cs, const std::vector<int> &rs,
                       const char *what) {
  if (!h.set_basis(cs, rs)) fail(ERR_SOLVER, "%s: HiGHS refused the basis", what);
  // Reading the basic variables makes HiGHS factorize the basis, which
  // its basis solves need.
  std::vector<HighsInt> bv((size_t)h.nrows() + 1);
  if (Highs_getBasicVariables(h.get(), bv.data()) != kHighsStatusOk)
    fail(ERR_SOLVER, "%s: HiGHS could not factorize the basis", what);
}

BasisSolver basis_solver(ONDRprob prob, const char *what) {
  require_idle(prob, what);
  BasisSolver b;
  if (PresolveView *v = presolved_form(prob)) {
    PresolveView &pv = solved_presolved_form(prob, what);
    (void)v;
    b.lp = pv.data;
    if (pv.data->ncols() == 0) {
      // Rows without columns: every slack is basic, B is the identity.
      b.rstat.assign((size_t)b.nrows(), 1);
      return b;
    }
    if (!pv.lp.get_basis(b.cstat, b.rstat))
      fail(ERR_STATE, "%s: the presolved problem has no basis", what);
    b.highs = pv.lp.get();
    if (b.nrows() == 0) return b;
    hold_basis(pv.lp, b.cstat, b.rstat, what);
    return b;
  }
  const Model &m = prob->model;
  const WarmBasis &w = prob->warm;
  if (!w.fits(m))
    fail(ERR_STATE, "%s: there is no basis (solve with the simplex method or load a basis first)",
         what);
  if (!m.qobj.empty()) fail(ERR_STATE, "%s: the problem has a quadratic objective", what);
  Session &s = session_of(prob);
  s.ensure_loaded(prob);
  if (!s.colmult().empty() || !s.rowmult().empty())
    fail(ERR_STATE, "%s: not available for a problem scaled by ONDRscale", what);
  auto lp = std::make_shared<LpView>(store_view(m));
  b.cstat = w.cstat;
  b.rstat = w.rstat;
  fit_basis(*lp, b.cstat, b.rstat);
  b.highs = s.highs().get();
  b.lp = lp;
  if (m.nrows() > 0) hold_basis(s.highs(), b.cstat, b.rstat, what);
  return b;
}

}  // namespace ondr
