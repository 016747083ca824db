// ONDRmipoptimize and ONDRgetmipsol.
#include <cmath>
#include "bb/noderelax.h"
#include "bb/tree.h"
#include "controls/ids.h"
#include "env/shell.h"
#include "lp/qpmethod.h"
#include "lp/session.h"
#include "lp/solve.h"
#include "cb/events.h"
#include "mip/reformulate.h"
#include "mip/usersol.h"
#include "mip/verify.h"
#include "nlp/local.h"
#include "ondr.h"

namespace ondr {

namespace {

// MIP results of a problem solved as a continuous one.
void mip_from_lp(Results &res, int sense) {
  switch (res.lpstatus) {
    case 1: res.mipstatus = 6; break;
    case 2: case 3: res.mipstatus = 5; break;
    case 5: res.mipstatus = 7; break;
    case 8: res.mipstatus = res.has_lpsol ? 4 : 3; break;  // a local solution
    default: res.mipstatus = 3; break;
  }
  if ((res.mipstatus == 6 || res.mipstatus == 4) && res.has_lpsol) {
    res.mipx = res.x;
    res.mipslack = res.slack;
    res.mipobjval = res.lpobjval;
    res.has_mipsol = true;
    res.mipsols = 1;
    res.bestbound = res.mipstatus == 6 ? res.lpobjval : (sense > 0 ? -kInf : kInf);
  }
}

// The LP with every integer column (and every semi-continuous one that is
// off) fixed at the integer solution `x`.
LpData fixed_lp(const LpData &d, const std::vector<double> &x) {
  LpData f = d;
  for (int k = 0; k < f.ncols(); ++k) {
    int kind = f.kind[(size_t)k];
    double v = x[(size_t)k];
    if (kind == KIND_INT || kind == KIND_SEMIINT) {
      f.collo[(size_t)k] = f.colup[(size_t)k] = std::round(v);
    } else if (kind == KIND_SEMICONT && std::fabs(v) <= 1e-9) {
      f.collo[(size_t)k] = f.colup[(size_t)k] = 0.0;
    }
    f.kind[(size_t)k] = KIND_CONT;
  }
  return f;
}

// The LP with the integer solution `x` fixed, solved on the problem's
// session: integer columns get the solution's values as bounds for the
// solve, then their own back. Only when the MIP model is the store's
// columns and rows with integrality alone (integer and binary columns, no
// sets, indicators or scaling); false otherwise.
bool fix_on_session(ONDRprob prob, const LpData &d, const std::vector<double> &x, Alg alg,
                    Results &lp) {
  const Model &m = prob->model;
  if (d.ncols() != m.ncols() || d.nrows() != m.nrows() || !m.sets.empty()) return false;
  if (!m.rowscale.empty() || !m.colscale.empty() || !d.colmult.empty() || !d.rowmult.empty())
    return false;
  for (size_t i = 0; i < m.indcol.size(); ++i)
    if (m.indcol[i] >= 0) return false;
  std::vector<int> cols;
  std::vector<double> val;
  for (int j = 0; j < m.ncols(); ++j) {
    char t = m.coltype[(size_t)j];
    if (t == 'C') continue;
    if (t != 'I' && t != 'B') return false;
    cols.push_back(j);
    val.push_back(std::round(x[(size_t)j]));
  }
  session_of(prob).with_col_bounds(prob, cols, val, val, [&] { solve_relaxation(prob, alg, lp); });
  return true;
}

// The rows of the MIP model `d` are let go while HiGHS runs on its own
// copy (RunRequest::release_rows); this builds them again from the store,
// which the solve leaves as it is.
void ensure_rows(ONDRprob prob, LpData &d) {
  if (d.rows.size() == (size_t)d.nrows()) return;
  d.rows = std::move(mip_model(prob->model).rows);
}

int mip_stop_reason(const RunOutcome &o, const ControlValues &c) {
  switch (o.model_status) {
    case HMS_TIME_LIMIT: return 1;
    case HMS_ITERATION_LIMIT: return 4;
    case HMS_INTERRUPT: return o.stop_reason ? o.stop_reason : 9;
    // HiGHS reports node and solution limits alike.
    case HMS_SOLUTION_LIMIT: return o.nodes >= c.geti(id::MAXNODE) ? 3 : 6;
    default: return 0;
  }
}

// Runs HiGHS MIP and checks its solution against the store's meaning of
// the reformulated parts. A solver failure or a solution that exploits the
// slack of a big-M selector (HiGHS's semi-continuous handling is itself a
// big-M one) is retried with a smaller integrality tolerance; a violation
// that remains at the smallest tolerance fails the solve. A solution of a
// stopped search that violates the model is dropped.
RunOutcome run_exact(ONDRprob prob, RunRequest req, Results &res) {
  const Model &m = prob->model;
  const ControlValues &c = prob->controls;
  double feastol = c.getd(id::FEASTOL), inttol = c.getd(id::MIPTOL);
  double base = std::min(inttol, req.data->integrality_cap);
  req.allow_failure = true;
  for (int attempt = 0;; ++attempt) {
    if (req.release_rows) ensure_rows(prob, *req.release_rows);
    RunOutcome o = run_highs(prob, req);
    bool can_retry = attempt < 3 && base * req.tolerance_factor > kMinMipTolerance;
    if (o.failed) {
      if (can_retry) {
        res.nodes += o.nodes;
        res.simplexiter += o.simplexiter;
        req.tolerance_factor /= 100;
        continue;
      }
      fail(ERR_SOLVER, "HiGHS failed to solve the problem (%s)",
           highs_status_name(o.model_status));
    }
    if (!o.primal_feasible || o.model_status == HMS_UNBOUNDED) return o;
    std::vector<double> x(o.colval.begin(), o.colval.begin() + m.ncols());
    unscale_primal(*req.data, x);
    std::string bad = mip_violation(m, x, feastol, inttol);
    if (bad.empty()) return o;
    if (o.model_status != HMS_OPTIMAL) {
      o.primal_feasible = false;
      return o;
    }
    if (!can_retry)
      fail(ERR_SOLVER,
           "The MIP solver's solution breaks the model (%s) even at the smallest integrality "
           "tolerance: the big-M values taken from the bounds are too large; tighten them",
           bad.c_str());
    res.nodes += o.nodes;
    res.simplexiter += o.simplexiter;
    req.tolerance_factor /= 100;
  }
}

void solve_mip(ONDRprob prob, LpData &d, Alg alg, Results &res) {
  const Model &m = prob->model;
  int n = m.ncols();
  RunRequest req;
  req.data = &d;
  req.mip = true;
  // HiGHS holds the matrix during the search: ours is not kept beside it.
  req.release_rows = &d;
  std::vector<double> start;
  if (take_user_start(prob, d, start)) req.start_x = &start;
  RunOutcome o = run_exact(prob, req, res);
  bool unbounded_known = false, infeasible_known = false;
  if (o.model_status == HMS_UNBOUNDED_OR_INFEASIBLE) {
    RunRequest again = req;
    again.presolve_off = true;
    RunOutcome o2 = run_exact(prob, again, res);
    o2.nodes += o.nodes;
    o2.simplexiter += o.simplexiter;
    o = std::move(o2);
  }
  if (o.model_status == HMS_UNBOUNDED_OR_INFEASIBLE) {
    // The relaxation is unbounded. With rational data the MIP is then
    // unbounded exactly when it has a feasible point: look for one.
    ensure_rows(prob, d);
    LpData feas = d;
    std::fill(feas.cost.begin(), feas.cost.end(), 0.0);
    feas.hessian.clear();
    RunRequest fr = req;
    fr.data = &feas;
    fr.release_rows = nullptr;
    RunOutcome f = run_exact(prob, fr, res);
    res.simplexiter += f.simplexiter;
    res.nodes += f.nodes;
    if (f.primal_feasible) unbounded_known = true;
    else if (f.model_status == HMS_INFEASIBLE) infeasible_known = true;
    else o.model_status = f.model_status, o.stop_reason = f.stop_reason;
  }
  res.nodes += o.nodes;
  res.simplexiter += o.simplexiter;
  res.bariter += o.bariter;
  res.mipsols = o.improving;
  res.bestbound = o.bestbound;
  int stop = 0;
  if (unbounded_known) {
    res.mipstatus = 7;
  } else if (infeasible_known) {
    res.mipstatus = 5;
  } else {
    switch (o.model_status) {
      case HMS_OPTIMAL: case HMS_EMPTY: res.mipstatus = 6; break;
      case HMS_INFEASIBLE: case HMS_OBJECTIVE_BOUND: res.mipstatus = 5; break;
      case HMS_UNBOUNDED: res.mipstatus = 7; break;
      default:
        stop = mip_stop_reason(o, prob->controls);
        res.mipstatus = o.primal_feasible ? 4 : 3;
        break;
    }
  }
  res.stopstatus = stop;
  if (o.primal_feasible && (res.mipstatus == 6 || res.mipstatus == 4)) {
    res.mipx.assign(o.colval.begin(), o.colval.begin() + n);
    unscale_primal(d, res.mipx);
    res.mipslack = store_slacks(m, res.mipx);
    res.mipobjval = o.objective;
    res.has_mipsol = true;
    if (res.mipsols == 0) res.mipsols = 1;
    if (res.mipstatus == 6) {
      // The gap controls ended the search with a gap still open.
      double gap = std::fabs(res.mipobjval - res.bestbound);
      if (gap > 1e-9 * std::max(1.0, std::fabs(res.mipobjval))) res.stopstatus = 5;
    }
  }

  // LP results: the LP with the integer solution fixed.
  if (res.has_mipsol) {
    res.lpstatus = res.mipstatus == 6 ? 1 : 4;
    Results lp;
    if (!fix_on_session(prob, d, o.colval, alg, lp)) {
      ensure_rows(prob, d);
      LpData f = fixed_lp(d, o.colval);
      solve_continuous(prob, f, alg, lp);
    }
    adopt_fixed_lp(res, lp);
  } else {
    res.lpstatus = res.mipstatus == 5 ? 2 : res.mipstatus == 7 ? 5 : 4;
  }
}

}  // namespace

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRmipoptimize(ONDRprob prob, const char *flags) {
  return guard_prob(prob, [&] {
    BusyScope busy(prob, cb::P_MIP | cb::P_LOCAL | cb::P_TREE);
    // Everything that can refuse the solve comes first, so that a refused
    // solve leaves the previous results (which still describe the model).
    SolveFlags f = parse_flags(flags, true);
    const Model &m = prob->model;
    bool entities = has_entities(m);
    bool search = entities && !f.relax_only;
    bool tree = false;
    LpData d;
    if (search) {
      tree = bb::use_tree_search(prob, d);
    }
    bool local = !search && (needs_local_solver(m) || qp_by_interior_point(prob->controls, m));
    cb::refuse_unfired(prob, tree ? cb::P_TREE : local ? cb::P_LOCAL : cb::P_MIP);
    begin_solve(prob);
    Stopwatch clock;
    if (search) {
      Results res;
      if (tree && bb::has_nonlinear_content(m)) bb::solve_nonlinear_tree(prob, res);
      else if (tree) bb::solve_tree(prob, f.alg, res);
      else solve_mip(prob, d, f.alg, res);
      res.time = clock.seconds();
      prob->results = std::move(res);
      return;
    }
    if (local) {
      solve_quadratic_local(prob);
    } else {
      Results res;
      solve_relaxation(prob, f.alg, res);
      prob->results = std::move(res);
    }
    Results &res = prob->results;
    if (entities) res.mipstatus = res.lpstatus == 1 ? 2 : 1;
    else mip_from_lp(res, m.objsense);
    res.time = clock.seconds();
    // Without integer columns the LP optimum is the one integer solution.
    if (!entities && res.has_mipsol) cb::fire_intsol(prob);
  });
}

ONDR_API int ONDRgetmipsol(ONDRprob prob, double x[], double slack[]) {
  return guard_prob(prob, [&] {
    solution_vector(prob, ONDR_SOL_MIPX);
    const Results &r = prob->results;
    if (x) std::copy(r.mipx.begin(), r.mipx.end(), x);
    if (slack) std::copy(r.mipslack.begin(), r.mipslack.end(), slack);
  });
}
