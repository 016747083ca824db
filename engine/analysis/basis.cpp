// Getting and loading bases, starts derived from a solution, and fixing
// the integer-type columns at the best integer solution.
#include <algorithm>
#include <cmath>
#include <numeric>
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "controls/ids.h"
#include "env/shell.h"
#include "model/basis.h"
#include "model/ops.h"
#include "ondr_analysis.h"

namespace ondr {

void get_basis(ONDRprob prob, int rstatus[], int cstatus[]) {
  const WarmBasis &w = prob->warm;
  if (!w.fits(prob->model))
    fail(ERR_STATE,
         "No basis available: the problem has not been solved by the simplex method and no basis "
         "has been loaded (or the last change left the basis incomplete)");
  if (rstatus) std::copy(w.rstat.begin(), w.rstat.end(), rstatus);
  if (cstatus) std::copy(w.cstat.begin(), w.cstat.end(), cstatus);
}

void load_basis(ONDRprob prob, const int rstatus[], const int cstatus[]) {
  const Model &m = prob->model;
  check_statuses(rstatus, cstatus, m.nrows(), m.ncols());
  WarmBasis w;
  w.cstat.assign(cstatus, cstatus + m.ncols());
  w.rstat.assign(rstatus, rstatus + m.nrows());
  prob->warm = std::move(w);
}

namespace {

bool near(double v, double b, double tol) { return std::fabs(v - b) <= tol * (1.0 + std::fabs(b)); }

// One variable (column or row activity) as the derivation sees it.
struct Var {
  double lo, up, value;
  bool known;     // value given
  bool priced;    // a nonzero reduced cost or dual makes it nonbasic
  double price;   // that reduced cost or dual (sense applied: > 0 pushes to lower)
  int status = BS_BASIC;
  double distance() const {
    double d = kInf;
    if (lo > -kInf) d = std::min(d, std::fabs(value - lo));
    if (up < kInf) d = std::min(d, std::fabs(value - up));
    return d;
  }
  // Nonbasic at the bound nearest its value.
  int nonbasic() const {
    if (lo <= -kInf && up >= kInf) return BS_ZERO;
    if (up >= kInf) return BS_LOWER;
    if (lo <= -kInf) return BS_UPPER;
    return std::fabs(value - lo) <= std::fabs(value - up) ? BS_LOWER : BS_UPPER;
  }
};

int classify(const Var &v, double tol) {
  bool at_lo = v.lo > -kInf && near(v.value, v.lo, tol);
  bool at_up = v.up < kInf && near(v.value, v.up, tol);
  if (v.priced) {
    if (at_lo) return BS_LOWER;
    if (at_up) return BS_UPPER;
    return fit_status(v.price > 0 ? BS_LOWER : BS_UPPER, v.lo, v.up);
  }
  if (at_lo) return BS_LOWER;
  if (at_up) return BS_UPPER;
  if (v.known) return BS_BASIC;
  return v.nonbasic();
}

}  // namespace

int derive_start_basis(ONDRprob prob, const LpView &v, const double x[], const double slack[],
                       const double dual[], const double dj[]) {
  double tol = prob->controls.getd(id::FEASTOL), dtol = prob->controls.getd(id::OPTIMALITYTOL);
  int n = v.ncols(), m = v.nrows();
  std::vector<Var> vars((size_t)(n + m));
  std::vector<double> act((size_t)m, 0.0);
  for (int j = 0; j < n; ++j) {
    Var &c = vars[(size_t)j];
    c.lo = v.lo[(size_t)j];
    c.up = v.up[(size_t)j];
    c.known = x != nullptr;
    c.value = x ? x[j] : c.lo > -kInf ? c.lo : c.up < kInf ? c.up : 0.0;
    c.priced = dj && std::fabs(dj[j]) > dtol;
    c.price = dj ? dj[j] * v.sense : 0.0;
    for (int k = v.a.start[(size_t)j]; k < v.a.start[(size_t)j + 1]; ++k)
      act[(size_t)v.a.index[(size_t)k]] += v.a.value[(size_t)k] * c.value;
  }
  for (int i = 0; i < m; ++i) {
    Var &r = vars[(size_t)(n + i)];
    r.lo = v.rlo[(size_t)i];
    r.up = v.rup[(size_t)i];
    r.known = slack || x;
    // slack_of(i, a) = R - a for the row's reference end R.
    r.value = slack ? v.slack_of(i, 0.0) - slack[i] : act[(size_t)i];
    r.priced = dual && std::fabs(dual[i]) > dtol;
    r.price = dual ? dual[i] * v.sense : 0.0;
  }
  int basic = 0;
  for (Var &e : vars) {
    e.status = e.known || e.priced ? classify(e, tol) : (&e - vars.data() >= n ? BS_BASIC : e.nonbasic());
    basic += e.status == BS_BASIC;
  }
  int status = basic == m ? 0 : 1;
  // Square the basis: demote the basic variables nearest a bound, or
  // promote the nonbasic ones farthest from one (rows first).
  std::vector<size_t> order(vars.size());
  std::iota(order.begin(), order.end(), 0);
  if (basic > m) {
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return vars[a].distance() < vars[b].distance(); });
    for (size_t k : order) {
      if (basic == m) break;
      if (vars[k].status != BS_BASIC) continue;
      vars[k].status = vars[k].nonbasic();
      --basic;
    }
  } else if (basic < m) {
    // First the variables that sit at a bound without a price to keep them
    // there (a degenerate vertex leaves such basic variables), columns
    // first; then the rows farthest from their bounds.
    auto rank = [&](size_t k) {
      const Var &e = vars[k];
      bool loose = e.known && !e.priced;
      return loose ? (k < (size_t)n ? 0 : 1) : (k < (size_t)n ? 3 : 2);
    };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      int ra = rank(a), rb = rank(b);
      if (ra != rb) return ra < rb;
      return vars[a].distance() > vars[b].distance();
    });
    for (size_t k : order) {
      if (basic == m) break;
      if (vars[k].status == BS_BASIC) continue;
      vars[k].status = BS_BASIC;
      ++basic;
    }
  }
  WarmBasis w;
  for (int j = 0; j < n; ++j) w.cstat.push_back(vars[(size_t)j].status);
  for (int i = 0; i < m; ++i) w.rstat.push_back(vars[(size_t)(n + i)].status);
  prob->warm = std::move(w);
  return status;
}

void load_lpsol(ONDRprob prob, const double x[], const double slack[], const double dual[],
                const double dj[], int *status) {
  const Model &m = prob->model;
  struct Given {
    const double *values;
    int n;
    const char *what;
  };
  for (const Given &g : {Given{x, m.ncols(), "x"}, Given{slack, m.nrows(), "slack"},
                         Given{dual, m.nrows(), "dual"}, Given{dj, m.ncols(), "dj"}})
    for (int k = 0; g.values && k < g.n; ++k)
      ONDR_REQUIRE(std::isfinite(g.values[k]), "Entry %d of %s is not a finite number", k, g.what);
  int s = derive_start_basis(prob, store_view(m), x, slack, dual, dj);
  if (status) *status = s;
}

void fix_globals(ONDRprob prob, int ifround) {
  const Model &m = prob->model;
  const Results &r = prob->results;
  if (!r.has_mipsol || r.mipx.size() != (size_t)m.ncols())
    fail(ERR_STATE,
         "Cannot fix the global entities: there is no integer solution (solve with "
         "ONDRmipoptimize first; a change of the model discards it)");
  std::vector<int> cols;
  std::vector<char> types;
  std::vector<double> values;
  for (int j = 0; j < m.ncols(); ++j) {
    char t = m.coltype[(size_t)j];
    if (t == 'C') continue;
    double v = r.mipx[(size_t)j];
    bool integral = t == 'B' || t == 'I' || t == 'R' || (t == 'P' && v < m.limit[(size_t)j]);
    if (ifround == 1 && integral) v = std::round(v);
    cols.push_back(j);
    types.push_back('B');
    values.push_back(v);
  }
  if (!cols.empty()) chg_bounds(prob, (int)cols.size(), cols.data(), types.data(), values.data());
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRgetbasis(ONDRprob prob, int rstatus[], int cstatus[]) {
  return guard_prob(prob, [&] { get_basis(prob, rstatus, cstatus); });
}
ONDR_API int ONDRloadbasis(ONDRprob prob, const int rstatus[], const int cstatus[]) {
  return guard_mut(prob, [&] { load_basis(prob, rstatus, cstatus); });
}
ONDR_API int ONDRloadlpsol(ONDRprob prob, const double x[], const double slack[],
                           const double dual[], const double dj[], int *status) {
  return guard_mut(prob, [&] { load_lpsol(prob, x, slack, dual, dj, status); });
}
ONDR_API int ONDRfixglobals(ONDRprob prob, int ifround) {
  return guard_mut(prob, [&] { fix_globals(prob, ifround); });
}
