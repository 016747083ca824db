// The tree search over nonlinear relaxations, for the optimizer's MIP
// solve (quadratic objective or rows with integer columns) and for the
// nonlinear layer's solve (formulas with integer columns).
//
// What the search proves: when every node relaxation is convex (no
// formulas, a quadratic objective convex in its sense, quadratic rows
// convex in their direction) each node's local optimum is its global one,
// so node values are bounds and pruning by them is exact: the result is
// the global optimum with the statuses of a proven search. Otherwise a
// node's value is only the value of a local optimum of its relaxation: the
// search still prunes by it, as a heuristic, but claims nothing from it:
// the best point is a "solution found", none found is "no solution found"
// (never "infeasible"), and there is no best bound. A local solve that
// failed at some node makes a convex search unproven in the same way.
#include <algorithm>
#include <cmath>
#include "bb/events.h"
#include "bb/model.h"
#include "bb/noderelax.h"
#include "bb/search.h"
#include "bb/workers.h"
#include "controls/ids.h"
#include "env/environment.h"
#include "env/error.h"
#include "lp/solve.h"
#include "nlp/nlpmodel.h"
#include "nlp/slpprob.h"

namespace ondr {
namespace bb {

namespace {

void refuse_highs_mip(const ControlValues &c) {
  if (c.geti(id::MIPSOLVER) == 1)
    fail(ERR_STATE, "HiGHS's MIP (control mipsolver 1) cannot solve a problem with integer "
         "columns and a quadratic objective, quadratic rows or nonlinear formulas: set "
         "mipsolver to 0 (automatic) or 2 (the library's own tree search)");
}

// Runs the search on `bm` and fills the optimizer's results.
void run_and_fill(ONDRprob prob, const BbModel &bm, const SearchLimits &lim, Results &res) {
  const Model &m = prob->model;
  const NonlinearPart &part = *bm.nonlinear;
  if (!part.convex && prob->controls.geti(id::OUTPUTLOG) != 0)
    emit_message(prob, 1, "The problem is not convex (" + part.why + "): the search finds "
                 "local solutions and proves no bound");
  // Nonlinear relaxations are solved on one thread: the calling one, or one
  // worker when a mipthread or destroymt callback asks for workers.
  SearchLimits one = lim;
  one.threads = search_workers(prob, 1);
  NodeEvents events = node_events(prob, bm);
  events.for_worker = [&bm](ONDRprob worker) { return node_events(worker, bm); };
  SearchOutcome o;
  try {
    o = run_search(prob, bm, one, events);
  } catch (...) {
    prob->results.clear();  // the callbacks' view of the search is no result
    throw;
  }
  bool proven = part.convex && !part.unproven.load();
  res.nodes = o.nodes;
  if (part.kind == RelaxKind::Nlp) res.bariter = o.lp_iterations;
  else res.simplexiter = o.lp_iterations;
  res.mipsols = o.solutions;
  res.stopstatus = o.end == SearchEnd::Stopped ? o.stop_reason : 0;
  int sense = bm.sense;
  switch (o.end) {
    case SearchEnd::Optimal: res.mipstatus = proven ? 6 : 4; break;
    case SearchEnd::Infeasible: res.mipstatus = proven ? 5 : 3; break;
    case SearchEnd::Unbounded: res.mipstatus = 7; break;
    default: res.mipstatus = o.has_incumbent ? 4 : 3; break;
  }
  if (o.end == SearchEnd::Optimal && o.stop_reason == 5 && proven) {
    // The gap controls ended the search with a gap still open.
    if (std::fabs(o.value - o.bound) > 1e-9 * std::max(1.0, std::fabs(o.value))) res.stopstatus = 5;
  }
  if (!proven || o.end == SearchEnd::Unbounded) res.bestbound = sense > 0 ? -kInf : kInf;
  else if (is_inf_bound(o.bound)) res.bestbound = o.bound > 0 ? sense * kInf : -sense * kInf;
  else res.bestbound = sense * o.bound;
  if (!o.has_incumbent || o.end == SearchEnd::Unbounded) {
    res.lpstatus = res.mipstatus == 5 ? 2 : res.mipstatus == 7 ? 5 : 4;
    return;
  }
  res.mipx = o.x;
  std::vector<double> act = nonlinear_activities(part, o.x);
  res.mipslack.resize((size_t)m.nrows());
  for (int i = 0; i < m.nrows(); ++i)
    res.mipslack[(size_t)i] = (m.rowtype[(size_t)i] == 'N' ? 0.0 : m.rhs[(size_t)i]) - act[(size_t)i];
  res.mipobjval = sense * o.value;
  res.has_mipsol = true;
  // The continuous solution is the best point itself (the relaxation with
  // its integer decisions fixed is the node NLP that gave it); no duals.
  res.x = res.mipx;
  res.slack = res.mipslack;
  res.lpobjval = res.mipobjval;
  res.has_lpsol = true;
  res.has_dual = false;
  res.lpstatus = res.mipstatus == 6 ? 1 : (res.mipstatus == 4 && !proven && o.end == SearchEnd::Optimal) ? 8 : 4;
}

LocalOptions node_options(const ControlValues &c) {
  LocalOptions o;
  o.iterlimit = 3000;
  o.feastol = c.getd(id::FEASTOL);
  o.opttol = std::min(c.getd(id::OPTIMALITYTOL), 1e-7);
  return o;
}

// The NLP with the best point's integer decisions fixed, solved from that
// point: its duals and reduced costs are the solution's (the search keeps
// none). False when it does not reach an optimum at least as good.
bool fixed_nlp(const BbModel &bm, const std::vector<double> &best, double value,
               const LocalOptions &o, LocalSolution &out) {
  const NonlinearPart &part = *bm.nonlinear;
  const Model &m = part.relaxed;
  NlpModel nm(m, part.slp);
  LocalProblem p = build_local_problem(m, nm, part.sense, &best);
  for (int j = 0; j < m.ncols(); ++j) {
    double v = best[(size_t)j], &lo = p.xl[(size_t)j], &up = p.xu[(size_t)j];
    switch (bm.rule[(size_t)j]) {
      case RULE_INT: case RULE_SEMIINT: lo = up = std::round(v); break;
      case RULE_SEMICONT:
        if (std::fabs(v) <= 1e-9) lo = up = 0.0;
        else if (bm.on[(size_t)j] > 0) lo = std::max(lo, bm.on[(size_t)j]);
        break;
      case RULE_PARTINT:
        if (v < bm.on[(size_t)j]) lo = up = std::round(v);
        break;
      default: break;
    }
  }
  for (const SetOrder &set : bm.sets)
    for (int j : set.cols)
      if (best[(size_t)j] == 0.0) p.xl[(size_t)j] = p.xu[(size_t)j] = 0.0;
  for (const Indicator &ind : bm.indicators)
    if (std::round(best[(size_t)ind.col]) == ind.active) {
      p.gl[(size_t)ind.row] = ind.lo;
      p.gu[(size_t)ind.row] = ind.up;
    }
  for (const Indicator &ind : bm.indicators) p.rhs[(size_t)ind.row] = m.rhs[(size_t)ind.row];
  for (int j = 0; j < p.n; ++j) p.x0[(size_t)j] = clamp_to_bounds(best[(size_t)j], p.xl[(size_t)j], p.xu[(size_t)j]);
  LocalResult r = solve_ipopt(p, o);
  if (r.status != LocalStatus::Optimal) return false;
  LocalSolution sol = finish_solution(p, r);
  double internal = part.sense * sol.obj;
  if (sol.maxinfeas > 10 * o.feastol || internal > value + 1e-9 * std::max(1.0, std::fabs(value)))
    return false;
  out = std::move(sol);
  return true;
}

}  // namespace

void solve_nonlinear_tree(ONDRprob prob, Results &res) {
  const ControlValues &c = prob->controls;
  refuse_highs_mip(c);
  BbModel bm = build_nonlinear_model(prob->model, prob->slp, prob->model.objsense, node_options(c));
  run_and_fill(prob, bm, limits_of(c, bm.sense), res);
}

void solve_nonlinear_tree(OSLPprob s) {
  ONDRprob prob = s->prob;
  const ControlValues &c = prob->controls, &nc = s->controls;
  refuse_highs_mip(c);
  Stopwatch clock;
  int sense = nc.getd(id::NLPOBJSENSE) < 0 ? -1 : 1;
  LocalOptions o = node_options(c);
  o.feastol = nc.getd(id::NLPFEASTOL);
  o.opttol = std::min(nc.getd(id::NLPOPTTOL), 1e-7);
  o.iterlimit = std::min<int64_t>(nc.geti(id::NLPITERLIMIT), 3000);
  BbModel bm = build_nonlinear_model(prob->model, s, sense, o);
  SearchLimits lim = limits_of(c, sense);
  lim.timelimit = std::min(lim.timelimit, nc.getd(id::NLPTIMELIMIT));
  lim.feastol = std::max(lim.feastol, o.feastol);
  prob->results.clear();
  Results res;
  run_and_fill(prob, bm, lim, res);
  res.time = clock.seconds();
  prob->results = res;

  NlpResults &nr = s->results;
  nr.solverused = 1;
  nr.iter = res.bariter + res.simplexiter;
  bool proven = bm.nonlinear->convex && !bm.nonlinear->unproven.load();
  switch (res.mipstatus) {
    case 6: nr.status = 2; break;
    case 5: nr.status = 4; break;
    case 7: nr.status = 5; break;
    case 4: nr.status = res.stopstatus ? 6 : 1; break;
    default: nr.status = res.stopstatus ? 6 : (proven ? 4 : 3); break;
  }
  LocalSolution fixed;
  if (res.has_mipsol && fixed_nlp(bm, res.mipx, res.mipobjval * sense, o, fixed)) {
    // Duals and reduced costs from the NLP with the integer decisions fixed.
    nr.has_sol = true;
    nr.x = fixed.x;
    nr.slack = fixed.slack;
    nr.dual = fixed.dual;
    nr.dj = fixed.dj;
    nr.objval = fixed.obj;
    nr.maxinfeas = fixed.maxinfeas;
  } else if (res.has_mipsol) {
    const Model &m = prob->model;
    nr.has_sol = true;
    nr.x = res.mipx;
    nr.slack = res.mipslack;
    nr.dual.assign((size_t)m.nrows(), 0.0);
    nr.dj.assign((size_t)m.ncols(), 0.0);
    nr.objval = res.mipobjval;
    double worst = 0.0;
    std::vector<double> act = nonlinear_activities(*bm.nonlinear, res.mipx);
    for (int i = 0; i < m.nrows(); ++i)
      if (i >= (int)m.indcol.size() || m.indcol[(size_t)i] < 0)
        worst = std::max(worst, bound_violation(act[(size_t)i], bm.nonlinear->glo[(size_t)i],
                                                bm.nonlinear->gup[(size_t)i]));
    for (int j = 0; j < m.ncols(); ++j)
      worst = std::max(worst, bound_violation(res.mipx[(size_t)j], m.lb[(size_t)j], m.ub[(size_t)j]));
    nr.maxinfeas = worst;
  }
  nr.time = clock.seconds();
}

}  // namespace bb
}  // namespace ondr
