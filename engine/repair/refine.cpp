// ONDRrefinemipsol: fix the integer decisions of the solution given and
// re-solve the continuous columns as an LP; then a local search: the MIP
// restricted to integer values within 1 of that solution (each integer
// column in [v-1, v+1] within its bounds), started from the LP step's
// solution and limited in nodes and time. The best feasible solution of
// the given one and these two is returned.
#include <cmath>
#include "analysis/analysis.h"
#include "controls/ids.h"
#include "env/shell.h"
#include "lp/solve.h"
#include "mip/verify.h"
#include "model/ops.h"
#include "repair/scratch.h"
#include "ondr.h"
#include "ondr_repair.h"

namespace ondr {

namespace {

constexpr int kSearchNodes = 2000;    // node limit of the local search
constexpr double kSearchTime = 10.0;  // its time limit (seconds), within the problem's

bool is_integer_type(char t) { return t == 'I' || t == 'B' || t == 'R'; }

// Whether x satisfies the problem: bounds, rows, column types, sets and
// indicator rows, within the feasibility and integrality tolerances.
bool feasible(ONDRprob prob, const std::vector<double> &x) {
  const Model &m = prob->model;
  double tol = prob->controls.getd(id::FEASTOL), itol = prob->controls.getd(id::MIPTOL);
  for (int j = 0; j < m.ncols(); ++j) {
    double lo = m.lb[(size_t)j], up = m.ub[(size_t)j], v = x[(size_t)j];
    char t = m.coltype[(size_t)j];
    if (t == 'S' || t == 'R') lo = std::min(lo, 0.0);  // off at 0
    if (v < lo - tol * std::max(1.0, std::fabs(lo)) || v > up + tol * std::max(1.0, std::fabs(up)))
      return false;
  }
  std::vector<double> slack((size_t)m.nrows());
  calc_slacks(prob, x.data(), slack.data());
  for (int i = 0; i < m.nrows(); ++i) {
    if (i < (int)m.indcol.size() && m.indcol[(size_t)i] >= 0) continue;  // checked below
    double s = slack[(size_t)i], t = tol * std::max(1.0, std::fabs(m.rhs[(size_t)i]));
    switch (m.rowtype[(size_t)i]) {
      case 'L': if (s < -t) return false; break;
      case 'G': if (s > t) return false; break;
      case 'E': if (std::fabs(s) > t) return false; break;
      case 'R': if (s < -t || s > m.range[(size_t)i] + t) return false; break;
      default: break;
    }
  }
  return mip_violation(m, x, tol, itol).empty();
}

// The solution given with its integer decisions fixed: the continuous
// columns re-solved as an LP. Empty when that LP has no solution.
std::vector<double> fixed_lp(ONDRprob prob, const std::vector<double> &x, const std::string &flags) {
  Scratch s(prob);
  const Model &m = s.model();
  double itol = prob->controls.getd(id::MIPTOL);
  std::vector<int> idx;
  std::vector<char> bt;
  std::vector<double> bv;
  auto fix = [&](int j, double v) {
    idx.push_back(j), bt.push_back('B'), bv.push_back(v);
  };
  for (int j = 0; j < m.ncols(); ++j) {
    char t = m.coltype[(size_t)j];
    double v = x[(size_t)j];
    bool off = std::fabs(v) <= itol;
    if (is_integer_type(t)) fix(j, std::round(v));
    else if (t == 'S' && off) fix(j, 0.0);
    else if (t == 'S') idx.push_back(j), bt.push_back('L'), bv.push_back(std::max(m.lb[(size_t)j], m.limit[(size_t)j]));
    else if (t == 'P' && v < m.limit[(size_t)j] - itol) fix(j, std::round(v));
    else if (t == 'P') idx.push_back(j), bt.push_back('L'), bv.push_back(m.limit[(size_t)j]);
  }
  // Members of sets that are 0 stay 0, so that the sets can be dropped.
  for (const SetDef &set : m.sets)
    for (int j : set.cols)
      if (std::fabs(x[(size_t)j]) <= itol) fix(j, 0.0);
  // An indicator row holds when its fixed column switches it on, else it is free.
  std::vector<int> on, off;
  for (size_t i = 0; i < m.indcol.size(); ++i) {
    int c = m.indcol[i];
    if (c < 0) continue;
    bool active = std::round(x[(size_t)c]) == (m.indcomp[i] > 0 ? 1.0 : 0.0);
    (active ? on : off).push_back((int)i);
  }
  if (!idx.empty()) chg_bounds(s.get(), (int)idx.size(), idx.data(), bt.data(), bv.data());
  if (!on.empty()) {
    std::vector<int> none(on.size(), -1), zero(on.size(), 0);
    set_indicators(s.get(), (int)on.size(), on.data(), none.data(), zero.data());
  }
  if (!off.empty()) {
    std::vector<int> none(off.size(), -1), zero(off.size(), 0);
    set_indicators(s.get(), (int)off.size(), off.data(), none.data(), zero.data());
    std::vector<char> nt(off.size(), 'N');
    chg_rowtype(s.get(), (int)off.size(), off.data(), nt.data());
  }
  s.relax_integrality();
  s.optimize(false, flags);
  const Results &r = s.results();
  if (r.lpstatus != 1 || !r.has_lpsol) return {};
  return solution_prefix(r, false, prob->model.ncols());
}

// The MIP with integer columns within 1 of `x`; `start` (may be empty) is
// a feasible start. Empty when it finds no solution.
std::vector<double> local_search(ONDRprob prob, const std::vector<double> &x,
                                 const std::vector<double> &start, const std::string &flags) {
  Scratch s(prob);
  const Model &m = s.model();
  std::vector<int> idx;
  std::vector<char> bt;
  std::vector<double> bv;
  for (int j = 0; j < m.ncols(); ++j) {
    char t = m.coltype[(size_t)j];
    if (t != 'I' && t != 'B') continue;
    double v = std::round(x[(size_t)j]), lo = m.lb[(size_t)j], up = m.ub[(size_t)j];
    if (t == 'B') lo = std::max(lo, 0.0), up = std::min(up, 1.0);
    idx.push_back(j), bt.push_back('L'), bv.push_back(std::min(up, std::max(lo, v - 1)));
    idx.push_back(j), bt.push_back('U'), bv.push_back(std::max(lo, std::min(up, v + 1)));
  }
  if (!idx.empty()) chg_bounds(s.get(), (int)idx.size(), idx.data(), bt.data(), bv.data());
  ControlValues &c = s.get()->controls;
  c.seti(id::MAXNODE, std::min<int64_t>(c.geti(id::MAXNODE), kSearchNodes));
  c.setd(id::TIMELIMIT, std::min(c.getd(id::TIMELIMIT), kSearchTime));
  if (!start.empty()) ONDRaddmipsol(s.get(), (int)start.size(), start.data(), nullptr, "refine");
  s.optimize(true, flags);
  const Results &r = s.results();
  if (!r.has_mipsol) return {};
  return solution_prefix(r, true, prob->model.ncols());
}

void refine(ONDRprob prob, int options, const char *flags, const double solution[],
            double refined[], int *status) {
  const Model &m = prob->model;
  ONDR_REQUIRE(solution && refined && status, "NULL solution, refined solution or status");
  ONDR_REQUIRE(options >= 0 && options <= 2,
               "Invalid refinement options %d (0 or 2: LP step and local search, 1: LP step only)",
               options);
  int n = m.ncols();
  for (int j = 0; j < n; ++j)
    ONDR_REQUIRE(std::isfinite(solution[j]), "Entry %d of the solution is not a finite number", j);
  if (!m.nlcoefs.empty()) fail(ERR_STATE, "Refinement needs a problem without nonlinear coefficients");
  std::string f = flags ? flags : "";
  parse_flags(f.c_str(), false);

  std::vector<double> given(solution, solution + n);
  bool given_ok = feasible(prob, given);
  auto objective = [&](const std::vector<double> &x) {
    double v = 0.0;
    calc_objective(prob, x.data(), &v);
    return m.objsense * v;  // smaller is better
  };
  std::vector<double> best = given_ok ? given : std::vector<double>();
  auto consider = [&](const std::vector<double> &x) {
    if (x.empty() || !feasible(prob, x)) return;
    if (best.empty() || objective(x) < objective(best)) best = x;
  };
  std::vector<double> lp = fixed_lp(prob, given, f);
  consider(lp);
  if (options != 1 && has_entities(m)) consider(local_search(prob, given, lp, f));

  int st;
  if (best.empty()) {
    best = given;
    st = ONDR_REFINE_FAILED;
  } else if (!given_ok) {
    st = ONDR_REFINE_REPAIRED;
  } else {
    double g = objective(given), b = objective(best);
    st = b < g - 1e-9 * std::max(1.0, std::fabs(g)) ? ONDR_REFINE_IMPROVED : ONDR_REFINE_SAME;
    if (st == ONDR_REFINE_SAME && !lp.empty() && feasible(prob, lp) && objective(lp) <= g) best = lp;
  }
  std::copy(best.begin(), best.end(), refined);
  *status = st;
}

}  // namespace

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRrefinemipsol(ONDRprob prob, int options, const char *flags, const double solution[],
                              double refined[], int *status) {
  return guard_prob(prob, [&] { refine(prob, options, flags, solution, refined, status); });
}
