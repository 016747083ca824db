#include "bb/tree.h"
#include <cmath>
#include "bb/events.h"
#include "bb/model.h"
#include "bb/presolve.h"
#include "bb/search.h"
#include "bb/workers.h"
#include "controls/ids.h"
#include "cuts/lprows.h"
#include "env/error.h"
#include "lp/solve.h"

namespace ondr {
namespace bb {

SearchLimits limits_of(const ControlValues &c, int sense) {
  SearchLimits l;
  l.timelimit = c.getd(id::TIMELIMIT);
  l.maxnode = c.geti(id::MAXNODE);
  l.maxsol = c.geti(id::MAXMIPSOL);
  l.relgap = c.getd(id::MIPRELSTOP);
  l.absgap = c.getd(id::MIPABSSTOP);
  double cut = c.getd(id::MIPABSCUTOFF);
  l.cutoff = std::fabs(cut) < kInf ? sense * cut : kInf;
  l.feastol = c.getd(id::FEASTOL);
  l.inttol = c.getd(id::MIPTOL);
  return l;
}

namespace {

// The store's relaxation with the decisions of the integer solution x
// fixed: integer values, columns that are off, set members at 0, and the
// indicator rows x switches on.
LpData fixed_relaxation(const Model &m, const BbModel &bm, const std::vector<double> &x) {
  LpData f = relaxation_shape(m);
  f.rows = m.rows;
  for (int j = 0; j < m.ncols(); ++j) {
    double v = x[(size_t)j], on = bm.on[(size_t)j];
    double &lo = f.collo[(size_t)j], &up = f.colup[(size_t)j];
    switch (bm.rule[(size_t)j]) {
      case RULE_INT: lo = up = std::round(v); break;
      case RULE_SEMICONT:
        if (std::fabs(v) <= 1e-9) lo = up = 0.0;
        else if (on > 0) lo = std::max(lo, on);
        else if (bm.top[(size_t)j] < 0) up = std::min(up, bm.top[(size_t)j]);
        break;
      case RULE_SEMIINT: lo = up = std::round(v); break;
      case RULE_PARTINT:
        if (v < on) lo = up = std::round(v);
        else lo = std::max(lo, on);
        break;
      default: break;
    }
  }
  for (const SetOrder &s : bm.sets)
    for (int j : s.cols)
      if (x[(size_t)j] == 0.0) f.collo[(size_t)j] = f.colup[(size_t)j] = 0.0;
  for (const Indicator &ind : bm.indicators)
    if (std::round(x[(size_t)ind.col]) == ind.active) {
      f.rowlo[(size_t)ind.row] = ind.lo;
      f.rowup[(size_t)ind.row] = ind.up;
    }
  apply_user_scaling(m, f);
  return f;
}

// A root LP without bound: the MIP is unbounded exactly when it has a
// feasible point, which a search without objective finds or rules out.
void settle_unbounded(ONDRprob prob, const BbModel &bm, SearchLimits lim, Results &res) {
  BbModel feas = bm;
  std::fill(feas.lp.cost.begin(), feas.lp.cost.end(), 0.0);
  lim.maxsol = 1;
  lim.cutoff = kInf;
  lim.threads = 0;
  SearchOutcome o = run_search(prob, feas, lim, NodeEvents());
  res.nodes += o.nodes;
  res.simplexiter += o.lp_iterations;
  res.bestbound = bm.sense > 0 ? -kInf : kInf;
  if (o.has_incumbent) {
    res.mipstatus = 7;
  } else if (o.end == SearchEnd::Infeasible) {
    res.mipstatus = 5;
  } else {
    res.mipstatus = 3;
    res.stopstatus = o.stop_reason;
  }
}

}  // namespace

void solve_tree(ONDRprob prob, Alg alg, Results &res) {
  const Model &m = prob->model;
  // Rows marked as delayed rows or model cuts stay out of the search's model.
  Model reduced;
  const Model &searched = cuts::SearchRows(prob, m).search_model(m, reduced);
  BbModel bm = build_model(searched);
  SearchLimits lim = limits_of(prob->controls, bm.sense);
  // Strengthened rows tighten every node LP; a search whose callbacks or
  // cuts read the rows keeps them as loaded.
  if (prob->controls.geti(id::PRESOLVE) != 0 && !bm.nonlinear && !node_features_in_use(prob))
    strengthen_rows(bm, lim.feastol);
  lim.threads = search_workers(prob, prob->controls.geti(id::THREADS));
  NodeEvents events = node_events(prob, bm);
  events.for_worker = [&bm](ONDRprob worker) { return node_events(worker, bm); };
  SearchOutcome o;
  try {
    o = run_search(prob, bm, lim, events);
  } catch (...) {
    prob->results.clear();  // the callbacks' view of the search is no result
    throw;
  }
  res.nodes = o.nodes;
  res.simplexiter = o.lp_iterations;
  res.mipsols = o.solutions;
  res.activenodes = o.open_nodes;
  res.stopstatus = 0;
  if (o.end == SearchEnd::Unbounded) {
    settle_unbounded(prob, bm, lim, res);
    res.lpstatus = res.mipstatus == 5 ? 2 : res.mipstatus == 7 ? 5 : 4;
    return;
  }
  switch (o.end) {
    case SearchEnd::Optimal: res.mipstatus = 6; break;
    case SearchEnd::Infeasible: res.mipstatus = 5; break;
    default: res.mipstatus = o.has_incumbent ? 4 : 3; break;
  }
  res.stopstatus = o.stop_reason;
  if (o.end == SearchEnd::Optimal) {
    // The gap controls ended the search with a gap still open.
    double gap = std::fabs(o.value - o.bound);
    if (gap <= 1e-9 * std::max(1.0, std::fabs(o.value))) res.stopstatus = 0;
  }
  double bound = o.bound;
  if (is_inf_bound(bound)) res.bestbound = bound > 0 ? bm.sense * kInf : -bm.sense * kInf;
  else res.bestbound = bm.sense * bound;
  if (!o.has_incumbent) {
    res.lpstatus = res.mipstatus == 5 ? 2 : 4;
    return;
  }
  res.mipx = o.x;
  res.mipslack = store_slacks(m, res.mipx);
  res.mipobjval = bm.sense * o.value;
  res.has_mipsol = true;

  // LP results: the LP with the integer solution's decisions fixed.
  res.lpstatus = res.mipstatus == 6 ? 1 : 4;
  Results lp;
  solve_continuous(prob, fixed_relaxation(m, &searched == &m ? bm : build_model(m), o.x), alg, lp);
  adopt_fixed_lp(res, lp);
}

}  // namespace bb
}  // namespace ondr
