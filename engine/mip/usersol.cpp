// ONDRaddmipsol, ONDRloadmipsol, and the check that turns user solutions
// into the start of the MIP search.
#include "mip/usersol.h"
#include <cmath>
#include <set>
#include "cb/events.h"
#include "controls/ids.h"
#include "env/shell.h"
#include "lp/highs_run.h"
#include "mip/reformulate.h"
#include "ondr.h"

namespace ondr {

namespace {

struct Checked {
  int status = ONDR_USERSOL_INFEASIBLE;
  std::vector<double> x;  // values of the MIP model's columns, when feasible
  double objective = 0.0;
};

// Fixes column j of `f` at the store value v; false when v does not fit
// the column's bounds and kind.
bool fix_column(LpData &f, int j, double v, double feastol, double inttol) {
  size_t k = (size_t)j;
  double mult = k < f.colmult.size() ? f.colmult[k] : 1.0;
  double h = v / mult;  // HiGHS's value of the column
  double lo = f.collo[k], up = f.colup[k];
  int kind = f.kind[k];
  bool integral = kind == KIND_INT || kind == KIND_SEMIINT;
  if (integral) {
    if (std::fabs(h - std::round(h)) > inttol) return false;
    h = std::round(h);
  }
  bool may_be_zero = kind == KIND_SEMICONT || kind == KIND_SEMIINT;
  bool in_range = h >= lo - feastol && h <= up + feastol;
  if (!in_range && !(may_be_zero && std::fabs(h) <= feastol)) return false;
  if (in_range) h = std::min(std::max(h, lo), up);
  else h = 0.0;
  f.collo[k] = f.colup[k] = h;
  f.kind[k] = KIND_CONT;
  return true;
}

// Solves `d` with the solution's columns fixed, without callbacks.
Checked check(ONDRprob prob, const LpData &d, const UserSolution &s) {
  Checked c;
  const Model &m = prob->model;
  for (int j : s.cols)
    if (j < 0 || j >= m.ncols()) {
      c.status = ONDR_USERSOL_DROPPED;
      return c;
    }
  double feastol = prob->controls.getd(id::FEASTOL), inttol = prob->controls.getd(id::MIPTOL);
  LpData f = d;
  for (size_t k = 0; k < s.cols.size(); ++k)
    if (!fix_column(f, s.cols[k], s.vals[k], feastol, inttol)) return c;
  RunRequest req;
  req.data = &f;
  req.mip = true;
  req.allow_failure = true;
  req.events = false;
  RunOutcome o = run_highs(prob, req);
  if (o.failed || !o.primal_feasible || (int)o.colval.size() != d.ncols()) return c;
  c.status = (int)s.cols.size() == m.ncols() ? ONDR_USERSOL_ACCEPTED : ONDR_USERSOL_COMPLETED;
  c.x = std::move(o.colval);
  c.objective = o.objective;
  return c;
}

UserSolution dense(const Model &m, const double *x) {
  UserSolution s;
  for (int j = 0; j < m.ncols(); ++j) {
    ONDR_REQUIRE(std::isfinite(x[j]), "Value %d of the solution is not a finite number", j);
    s.cols.push_back(j);
    s.vals.push_back(x[j]);
  }
  return s;
}

}  // namespace

bool take_user_start(ONDRprob prob, const LpData &d, std::vector<double> &start) {
  std::vector<UserSolution> sols;
  sols.swap(prob->usersols);
  if (sols.empty()) return false;
  std::vector<Checked> checked;
  int best = -1;
  for (const UserSolution &s : sols) {
    checked.push_back(check(prob, d, s));
    const Checked &c = checked.back();
    if (c.x.empty()) continue;
    if (best < 0 || d.sense * (c.objective - checked[(size_t)best].objective) < 0)
      best = (int)checked.size() - 1;
  }
  for (size_t k = 0; k < sols.size(); ++k) {
    if (!sols[k].notify) continue;
    int status = checked[k].status;
    if (!checked[k].x.empty() && (int)k != best) status = ONDR_USERSOL_NOTUSED;
    cb::fire_usersolnotify(prob, sols[k].name.c_str(), status);
  }
  if (best < 0) return false;
  start = std::move(checked[(size_t)best].x);
  return true;
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRaddmipsol(ONDRprob prob, int n, const double mipsolval[], const int mipsolcol[],
                           const char *solname) {
  return guard_prob(prob, [&] {
    check_not_busy(prob);
    const Model &m = prob->model;
    ONDR_REQUIRE(n >= 0, "Negative number of solution values (%d)", n);
    ONDR_REQUIRE(n == 0 || mipsolval, "NULL solution values");
    UserSolution s;
    if (!mipsolcol) {
      ONDR_REQUIRE(n == m.ncols(),
                   "A solution without column indices needs one value per column (%d), not %d",
                   m.ncols(), n);
      s = dense(m, mipsolval);
    } else {
      ONDR_REQUIRE(n > 0, "A partial solution needs at least one value");
      std::set<int> seen;
      for (int k = 0; k < n; ++k) {
        int j = mipsolcol[k];
        ONDR_REQUIRE(j >= 0 && j < m.ncols(), "Column index %d out of range [0, %d)", j, m.ncols());
        ONDR_REQUIRE(seen.insert(j).second, "Column %d appears twice in the solution", j);
        ONDR_REQUIRE(std::isfinite(mipsolval[k]), "Value %d of the solution is not a finite number", k);
        s.cols.push_back(j);
        s.vals.push_back(mipsolval[k]);
      }
    }
    int number = prob->usersol_count + 1;
    s.name = solname ? solname : format("usersol%d", number);
    prob->usersols.push_back(std::move(s));
    prob->usersol_count = number;
  });
}

ONDR_API int ONDRloadmipsol(ONDRprob prob, const double dsol[], int *status) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(dsol, "NULL solution");
    ONDR_REQUIRE(status, "NULL status");
    // Solves a copy without the solver callbacks (only log lines reach the
    // message callbacks): no kind is refused.
    BusyScope busy(prob, ~0u);
    const Model &m = prob->model;
    UserSolution s = dense(m, dsol);
    s.notify = false;
    LpData d = mip_model(m);
    Checked c = check(prob, d, s);
    *status = c.x.empty() ? 1 : 0;
    if (!c.x.empty()) prob->usersols.push_back(std::move(s));
  });
}
