#include "bb/heuristics.h"
#include <cmath>
#include "bb/branch.h"
#include "bb/nodelp.h"
#include "bb/noderelax.h"
#include "bb/propagate.h"
#include "mip/verify.h"

namespace ondr {
namespace bb {

namespace {

bool within(double v, double lo, double up, double tol) {
  return (lo <= -kInf || v >= lo - tol * std::max(1.0, std::fabs(lo))) &&
         (up >= kInf || v <= up + tol * std::max(1.0, std::fabs(up)));
}

}  // namespace

bool is_feasible(const BbModel &bm, const Model &m, const std::vector<double> &x,
                 double feastol, double inttol) {
  for (int j = 0; j < bm.ncols(); ++j)
    if (!within(x[(size_t)j], bm.lp.collo[(size_t)j], bm.lp.colup[(size_t)j], feastol)) return false;
  for (int i = 0; i < bm.nrows(); ++i) {
    if (bm.indicator_of_row[(size_t)i] >= 0) continue;  // checked with the types below
    double act = 0;
    for (const Entry &e : bm.lp.rows[(size_t)i]) act += e.value * x[(size_t)e.index];
    if (!within(act, bm.lp.rowlo[(size_t)i], bm.lp.rowup[(size_t)i], feastol)) return false;
  }
  if (bm.nonlinear && !nonlinear_rows_hold(*bm.nonlinear, x, feastol)) return false;
  return mip_violation(m, x, feastol, inttol).empty();
}

Heuristics::Heuristics(const BbModel &bm, const Model &m, double feastol, double inttol)
    : bm_(bm), m_(m), feastol_(feastol), inttol_(inttol) {
  down_locks_.assign((size_t)bm.ncols(), 0);
  up_locks_.assign((size_t)bm.ncols(), 0);
  for (int i = 0; i < bm.nrows(); ++i) {
    bool has_lo = !is_inf_bound(bm.lp.rowlo[(size_t)i]) || bm.indicator_of_row[(size_t)i] >= 0;
    bool has_up = !is_inf_bound(bm.lp.rowup[(size_t)i]) || bm.indicator_of_row[(size_t)i] >= 0;
    for (const Entry &e : bm.lp.rows[(size_t)i]) {
      if (e.value == 0) continue;
      bool pos = e.value > 0;
      if ((pos && has_lo) || (!pos && has_up)) ++down_locks_[(size_t)e.index];
      if ((pos && has_up) || (!pos && has_lo)) ++up_locks_[(size_t)e.index];
    }
  }
}

bool Heuristics::round(const std::vector<double> &x, const std::vector<double> &lo,
                       const std::vector<double> &up, std::vector<double> &out) const {
  out = x;
  for (int j = 0; j < bm_.ncols(); ++j) {
    double v = x[(size_t)j];
    char r = bm_.rule[(size_t)j];
    if (in_gap(bm_, j, v, feastol_)) {
      double end = bm_.on[(size_t)j] > 0 ? bm_.on[(size_t)j] : bm_.top[(size_t)j];
      out[(size_t)j] = v = std::fabs(v) < 0.5 * std::fabs(end) ? 0.0 : end;
    }
    if (r == RULE_SEMICONT) continue;
    if (!integral_here(bm_, j, lo[(size_t)j], up[(size_t)j]) && r != RULE_SEMIINT &&
        !(r == RULE_PARTINT && v < bm_.on[(size_t)j]))
      continue;
    if (std::fabs(v - std::round(v)) <= inttol_) continue;
    double d = std::floor(v), u = std::ceil(v);
    if (down_locks_[(size_t)j] == 0 && d >= lo[(size_t)j]) out[(size_t)j] = d;
    else if (up_locks_[(size_t)j] == 0 && u <= up[(size_t)j]) out[(size_t)j] = u;
    else out[(size_t)j] = std::round(v);
  }
  return is_feasible(bm_, m_, out, feastol_, inttol_);
}

bool Heuristics::dive(NodeLp &lp, std::vector<double> lo, std::vector<double> up,
                      std::vector<double> x, double cutoff, int max_lps,
                      std::vector<double> &out) const {
  std::vector<double> rlo, rup;
  for (int k = 0; k < max_lps; ++k) {
    std::vector<int> frac = fractional_columns(bm_, x, lo, up, inttol_);
    if (frac.empty()) {
      if (round(x, lo, up, out)) return true;
      return false;
    }
    // The column nearest to an integer goes there.
    int best = frac[0];
    double bestd = 1;
    for (int j : frac) {
      double v = x[(size_t)j], d = std::fabs(v - std::round(v));
      if (d < bestd) bestd = d, best = j;
    }
    double v = std::round(x[(size_t)best]);
    lo[(size_t)best] = up[(size_t)best] = v;
    Propagation p = propagate(bm_, lo, up, {best}, feastol_);
    if (p.infeasible) return false;
    lp.set_col_bounds(lo, up);
    node_row_bounds(bm_, lo, up, rlo, rup);
    lp.set_row_bounds(rlo, rup);
    if (lp.solve(cutoff) != LpStatus::Optimal) return false;
    x = lp.x();
  }
  return false;
}

}  // namespace bb
}  // namespace ondr
