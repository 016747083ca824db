#include "bb/model.h"
#include "bb/noderelax.h"
#include <algorithm>
#include "env/error.h"
#include <numeric>

namespace ondr {
namespace bb {

namespace {

ColRule rule_of(char t) {
  switch (t) {
    case 'B': case 'I': return RULE_INT;
    case 'S': return RULE_SEMICONT;
    case 'R': return RULE_SEMIINT;
    case 'P': return RULE_PARTINT;
    default: return RULE_CONT;
  }
}

}  // namespace

BbModel build_model(const Model &m) {
  BbModel bm;
  // The unscaled relaxation: the store's scaling exponents only help
  // HiGHS's numerics, and the search compares values in the store's units.
  bm.lp = relaxation_shape(m);
  bm.lp.rows = m.rows;
  bm.lp.hessian.clear();
  bm.sense = m.objsense;
  if (bm.sense < 0) {
    for (double &c : bm.lp.cost) c = -c;
    bm.lp.offset = -bm.lp.offset;
  }
  bm.lp.sense = 1;
  int n = m.ncols(), r = m.nrows();
  bm.rule.resize((size_t)n);
  bm.on.assign((size_t)n, 0.0);
  bm.top = m.ub;
  for (int j = 0; j < n; ++j) {
    bm.rule[(size_t)j] = rule_of(m.coltype[(size_t)j]);
    if (bm.rule[(size_t)j] == RULE_SEMICONT || bm.rule[(size_t)j] == RULE_SEMIINT)
      bm.on[(size_t)j] = std::max(m.lb[(size_t)j], m.limit[(size_t)j]);
    else if (bm.rule[(size_t)j] == RULE_PARTINT)
      bm.on[(size_t)j] = m.limit[(size_t)j];
  }
  bm.cols.assign((size_t)n, {});
  for (int i = 0; i < r; ++i)
    for (const Entry &e : m.rows[(size_t)i])
      if (e.value != 0.0) bm.cols[(size_t)e.index].push_back({i, e.value});
  bm.indicator_of_row.assign((size_t)r, -1);
  for (int i = 0; i < r && i < (int)m.indcol.size(); ++i) {
    int c = m.indcol[(size_t)i];
    if (c < 0 || m.indcomp[(size_t)i] == 0) continue;
    double clo, cup;
    col_hull(m, c, clo, cup);
    char ct = m.coltype[(size_t)c];
    if (!(ct == 'B' || ct == 'I') || clo < 0 || cup > 1)
      fail(ERR_STATE, "Indicator column %s of row %s must be binary",
           m.name_or_default(2, c).c_str(), m.name_or_default(1, i).c_str());
    Indicator ind;
    ind.row = i;
    ind.col = c;
    ind.active = m.indcomp[(size_t)i] > 0 ? 1.0 : 0.0;
    row_bounds(m, i, ind.lo, ind.up);
    bm.indicator_of_row[(size_t)i] = (int)bm.indicators.size();
    bm.indicators.push_back(ind);
  }
  for (const SetDef &s : m.sets) {
    std::vector<size_t> order(s.cols.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return s.refs[a] < s.refs[b]; });
    SetOrder so;
    so.type = s.type;
    for (size_t p : order) so.cols.push_back(s.cols[p]);
    bm.sets.push_back(std::move(so));
  }
  return bm;
}

bool in_gap(const BbModel &bm, int j, double v, double tol) {
  char r = bm.rule[(size_t)j];
  if (r != RULE_SEMICONT && r != RULE_SEMIINT) return false;
  double a = bm.on[(size_t)j], b = bm.top[(size_t)j];
  if (a > 0) return v > tol && v < a - tol;
  if (b < 0) return v < -tol && v > b + tol;
  return false;
}

double objective_of(const BbModel &bm, const std::vector<double> &x) {
  if (bm.nonlinear) return nonlinear_objective(*bm.nonlinear, x);
  double v = bm.lp.offset;
  for (int j = 0; j < bm.ncols(); ++j) v += bm.lp.cost[(size_t)j] * x[(size_t)j];
  return v;
}

}  // namespace bb
}  // namespace ondr
