// Objective and right-hand side ranging of the optimal basis, by HiGHS's
// ranging on the solver session that solved the LP.
#include <vector>
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "env/shell.h"
#include "lp/highs_run.h"
#include "lp/session.h"
#include "lp/solve.h"
#include "ondr_analysis.h"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "interfaces/highs_c_api.h"
#pragma GCC diagnostic pop

namespace ondr {

const char *lpstatus_name(int s);  // lp/lpoptimize.cpp

namespace {

struct Ranging {
  std::vector<double> cost_up, cost_dn, row_up, row_dn;
  std::vector<int> rstat;
  std::vector<double> activity;
};

// Makes the session hold the optimal basis of the last solve and ranges it.
Ranging range(ONDRprob prob, const char *what) {
  const Model &m = prob->model;
  const Results &r = prob->results;
  if (r.lpstatus != 1 || r.mipstatus >= 3)
    fail(ERR_STATE, "%s: the last solve was not an optimal LP solve (LP status %s)", what,
         lpstatus_name(r.lpstatus));
  solution_of(prob, what, true);
  if (!m.qobj.empty() || has_quadratic_rows(m))
    fail(ERR_STATE, "%s: ranging needs a linear problem", what);
  if (!prob->warm.fits(m)) fail(ERR_STATE, "%s: there is no optimal basis", what);
  require_idle(prob, what);
  Session &s = session_of(prob);
  s.ensure_loaded(prob);
  if (!s.colmult().empty() || !s.rowmult().empty())
    fail(ERR_STATE, "%s: not available for a problem scaled by ONDRscale", what);
  HighsHandle &h = s.highs();
  LpView v = store_view(m);
  std::vector<int> cs = prob->warm.cstat, rs = prob->warm.rstat, hc, hr;
  fit_basis(v, cs, rs);
  if (!(h.model_status() == HMS_OPTIMAL && h.get_basis(hc, hr) && hc == cs && hr == rs)) {
    // Another basis is held (a basis loaded since, or the instance was
    // rebuilt): solve again from the warm basis, which takes no iterations
    // when it is the optimal one.
    RunSettings set;
    set.presolve_off = true;
    set.ncols = m.ncols();
    set.nrows = m.nrows();
    set.sense = m.objsense;
    RunOutcome o = s.run(prob, set, &cs, &rs);
    if (o.model_status != HMS_OPTIMAL)
      fail(ERR_SOLVER, "%s: the LP could not be solved again (%s)", what,
           highs_status_name(o.model_status));
  }
  size_t n = (size_t)m.ncols(), rows = (size_t)m.nrows();
  Ranging g;
  g.cost_up.resize(n + 1);
  g.cost_dn.resize(n + 1);
  g.row_up.resize(rows + 1);
  g.row_dn.resize(rows + 1);
  std::vector<double> d[8];
  std::vector<HighsInt> iv[12];
  for (auto &e : d) e.resize(n + 1);
  for (int k = 0; k < 8; ++k) iv[k].resize(n + 1);
  for (int k = 8; k < 12; ++k) iv[k].resize(rows + 1);
  std::vector<double> robj_up(rows + 1), robj_dn(rows + 1);
  if (Highs_getRanging(h.get(), g.cost_up.data(), d[0].data(), iv[0].data(), iv[1].data(),
                       g.cost_dn.data(), d[1].data(), iv[2].data(), iv[3].data(), d[2].data(),
                       d[3].data(), iv[4].data(), iv[5].data(), d[4].data(), d[5].data(),
                       iv[6].data(), iv[7].data(), g.row_up.data(), robj_up.data(), iv[8].data(),
                       iv[9].data(), g.row_dn.data(), robj_dn.data(), iv[10].data(),
                       iv[11].data()) != kHighsStatusOk)
    fail(ERR_SOLVER, "%s: HiGHS could not range the optimal basis", what);
  for (auto *e : {&g.cost_up, &g.cost_dn, &g.row_up, &g.row_dn})
    for (double &x : *e) x = from_highs(x);
  h.get_basis(hc, g.rstat);
  g.activity.resize(rows);
  for (size_t i = 0; i < rows; ++i) {
    double b = m.rowtype[i] == 'N' ? 0.0 : m.rhs[i];
    g.activity[i] = b - r.slack[i];
  }
  return g;
}

void check_indices(int n, const int mindex[], const double lower[], const double upper[],
                   int limit, const char *kind) {
  ONDR_REQUIRE(n >= 0, "Negative number of %ss", kind);
  ONDR_REQUIRE(n == 0 || (mindex && lower && upper), "NULL index or output array");
  for (int k = 0; k < n; ++k)
    ONDR_REQUIRE(mindex[k] >= 0 && mindex[k] < limit, "%s index %d out of range (0..%d)", kind,
                 mindex[k], limit - 1);
}

}  // namespace

void obj_sa(ONDRprob prob, int n, const int mindex[], double lower[], double upper[]) {
  check_indices(n, mindex, lower, upper, prob->model.ncols(), "Column");
  if (n == 0) return;
  Ranging g = range(prob, "No objective ranging");
  for (int k = 0; k < n; ++k) {
    lower[k] = g.cost_dn[(size_t)mindex[k]];
    upper[k] = g.cost_up[(size_t)mindex[k]];
  }
}

void rhs_sa(ONDRprob prob, int n, const int mindex[], double lower[], double upper[]) {
  const Model &m = prob->model;
  check_indices(n, mindex, lower, upper, m.nrows(), "Row");
  if (n == 0) return;
  Ranging g = range(prob, "No right-hand side ranging");
  for (int k = 0; k < n; ++k) {
    size_t i = (size_t)mindex[k];
    char t = m.rowtype[i];
    double a = g.activity[i], rng = t == 'R' ? m.range[i] : 0.0;
    double lo = g.row_dn[i], up = g.row_up[i];
    if (g.rstat[i] == 1) {
      // A row that does not bind: its rhs may move until it meets the activity.
      switch (t) {
        case 'L': lo = a, up = kInf; break;
        case 'G': lo = -kInf, up = a; break;
        case 'R': lo = a, up = a + rng; break;
        case 'E': lo = up = a; break;
        default: lo = -kInf, up = kInf; break;
      }
    } else if (t == 'R' && g.rstat[i] == 0) {
      // Bound at the lower end rhs - range: the rhs moves with it.
      lo = lo <= -kInf ? lo : lo + rng;
      up = up >= kInf ? up : up + rng;
    } else if (t == 'N') {
      lo = -kInf, up = kInf;
    }
    lower[k] = lo;
    upper[k] = up;
  }
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRobjsa(ONDRprob prob, int n, const int mindex[], double lower[], double upper[]) {
  return guard_prob(prob, [&] { obj_sa(prob, n, mindex, lower, upper); });
}
ONDR_API int ONDRrhssa(ONDRprob prob, int n, const int mindex[], double lower[], double upper[]) {
  return guard_prob(prob, [&] { rhs_sa(prob, n, mindex, lower, upper); });
}
