// The nonlinear optimizer entry points (OSLPnlpoptimize, OSLPgetslpsol,
// OSLPinterrupt) and the local solve behind the optimizer for problems with
// quadratic rows or a nonconvex quadratic objective.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include "controls/ids.h"
#include "env/environment.h"
#include "env/shell.h"
#include "lp/lpdata.h"
#include "lp/solve.h"
#include "bb/noderelax.h"
#include "nlp/local.h"
#include "nlp/local_solver.h"
#include "nlp/nlpmodel.h"
#include "nlp/slp_ops.h"
#include "nlp/slpprob.h"
#include "oslp.h"

namespace ondr {

namespace {

using Clock = std::chrono::steady_clock;

// Marks a problem as solving for the lifetime of the guard.
struct SolvingFlag {
  std::atomic<bool> &flag;
  explicit SolvingFlag(std::atomic<bool> &f) : flag(f) {
    bool expected = false;
    if (!flag.compare_exchange_strong(expected, true))
      fail(ERR_STATE, "A nonlinear solve is already running on this problem");
  }
  ~SolvingFlag() { flag.store(false); }
};

void check_flags(const char *flags) {
  if (!flags) return;
  for (const char *c = flags; *c; ++c)
    if (*c != ' ') fail(ERR_ARGUMENT, "Unknown flags \"%s\" for the nonlinear optimizer", flags);
}

// Whether the problem's only nonlinearity is quadratic and all of it convex.
bool proven_convex(const Model &m, const NlpModel &nm, double sense) {
  return m.nlcoefs.empty() && !nm.has_formulas() &&
         quadratic_content_convex(m, sense < 0 ? -1 : 1, nullptr);
}

// No column free to move: the starting point is the only candidate.
bool all_fixed(const LocalProblem &p) {
  for (int j = 0; j < p.n; ++j)
    if (p.xl[j] < p.xu[j]) return false;
  return true;
}

LocalResult solve_fixed(const LocalProblem &p, double feastol) {
  LocalResult r;
  r.x = p.x0;
  r.has_x = true;
  r.y.assign(p.m, 0.0);
  std::vector<double> act(p.m);
  try {
    p.model->objective(r.x.data());
    p.model->rows(r.x.data(), act.data());
  } catch (const std::exception &e) {
    r.status = LocalStatus::EvalError;
    r.message = e.what();
    return r;
  }
  for (int j = 0; j < p.n; ++j)
    if (p.xl[j] > p.xu[j]) {
      r.status = LocalStatus::Infeasible;
      return r;
    }
  r.status = max_violation(p, r.x.data(), act.data()) <= feastol ? LocalStatus::Optimal
                                                                  : LocalStatus::Infeasible;
  return r;
}

// Starting values: the initial values given to the nonlinear layer
// (OSLPchgvar), 0 for the other columns.
std::vector<double> initial_values(const Model &m) {
  std::vector<double> init(m.ncols(), 0.0);
  for (const auto &v : m.slpvars)
    if (v.first >= 0 && v.first < m.ncols() && v.second.has_initvalue) init[v.first] = v.second.initvalue;
  return init;
}

bool bounds_crossed(const LocalProblem &p, std::string *why) {
  for (int j = 0; j < p.n; ++j)
    if (p.xl[j] > p.xu[j]) {
      *why = format("Column %d has lower bound %g above its upper bound %g", j, p.xl[j], p.xu[j]);
      return true;
    }
  return false;
}

}  // namespace

// ---- the optimizer's local solve of quadratic problems ----

void solve_quadratic_local(ONDRprob prob) {
  const Model &stored = prob->model;
  if (!stored.nlcoefs.empty())
    fail(ERR_STATE, "The problem has nonlinear coefficients: solve it with the nonlinear "
         "optimizer (OSLPnlpoptimize)");
  auto start = Clock::now();
  prob->results.clear();
  prob->interrupt_reason.store(0);

  // Integer columns, sets and indicator rows: the continuous relaxation, as
  // the LP optimizer takes it (integrality dropped, binaries within [0,1],
  // semi-continuous columns within the hull of 0 and their range, sets
  // ignored, indicator rows left out).
  Model relaxed;
  const Model *mp = &stored;
  if (has_entities(stored)) {
    relaxed = stored;
    for (int j = 0; j < relaxed.ncols(); ++j) {
      col_hull(stored, j, relaxed.lb[j], relaxed.ub[j]);
      relaxed.coltype[j] = 'C';
    }
    for (size_t i = 0; i < relaxed.indcol.size(); ++i)
      if (relaxed.indcol[i] >= 0) relaxed.rowtype[i] = 'N';
    relaxed.indcol.assign(relaxed.indcol.size(), -1);
    relaxed.sets.clear();
    mp = &relaxed;
  }
  const Model &m = *mp;

  std::string why;
  bool convex = quadratic_content_convex(m, m.objsense, &why);
  NlpModel nm(m, prob->slp);
  std::vector<double> init = initial_values(m);
  LocalProblem p = build_local_problem(m, nm, m.objsense, &init);
  for (int i = 0; i < p.m; ++i)  // slacks against the stored rhs
    p.rhs[i] = stored.rowtype[i] == 'N' ? 0.0 : stored.rhs[i];

  const ControlValues &c = prob->controls;
  LocalOptions o;
  o.iterlimit = std::min<int64_t>(c.geti(id::LPITERLIMIT), 3000);
  o.feastol = c.getd(id::FEASTOL);
  o.opttol = std::min(c.getd(id::OPTIMALITYTOL), 1e-7);
  // Ipopt's tolerance is absolute: an objective of small coefficients (a
  // control problem's weights of dx and dt) would stop with a duality gap
  // large beside the objective itself. The tolerance follows the size of
  // the objective's coefficients.
  double objscale = 0.0;
  for (double v : m.obj) objscale = std::max(objscale, std::fabs(v));
  for (const auto &q : m.qobj) objscale = std::max(objscale, std::fabs(q.second));
  if (objscale > 0.0 && objscale < 1.0) o.opttol = std::max(o.opttol * objscale, 1e-12);
  // The optimizer's answer is held to its feasibility tolerance, bounds
  // and complementarity included (Ipopt's own complementarity tolerance,
  // 1e-4, leaves columns that far from the bound they belong at).
  o.compltol = o.feastol;
  o.qp = std::none_of(p.nonlinear_row.begin(), p.nonlinear_row.end(), [](char q) { return q; });
  o.convex_qp = o.qp && convex;
  o.timelimit = c.getd(id::TIMELIMIT);
  o.log = c.geti(id::OUTPUTLOG) != 0;
  o.msgprob = prob;
  o.interrupted = [prob] { return prob->interrupt_reason.load(); };
  if (!convex)
    emit_message(prob, 3, "The problem is not convex (" + why + "): the local solver finds a "
                 "locally optimal solution");

  LocalResult r;
  std::string crossed;
  if (bounds_crossed(p, &crossed)) {
    r.status = LocalStatus::Infeasible;
    r.message = crossed;
    r.x = p.x0;
  } else if (all_fixed(p)) {
    r = solve_fixed(p, o.feastol);
  } else if (std::chrono::duration<double>(Clock::now() - start).count() >= o.timelimit) {
    // No time is left for an iteration (a time limit of 0 hands the problem
    // over only): Ipopt would factorise the whole system before it first
    // looks at the clock. The starting point is the unfinished result.
    r.status = LocalStatus::TimeLimit;
    r.x = p.x0;
    r.has_x = true;
    r.y.assign(p.m, 0.0);
  } else {
    r = solve_ipopt(p, o);
  }
  LocalSolution s = finish_solution(p, r);
  Results &res = prob->results;
  res.bariter = r.iter;
  res.time = std::chrono::duration<double>(Clock::now() - start).count();
  res.x = s.x;
  res.slack = s.slack;
  res.dual = s.dual;
  res.dj = s.dj;
  res.lpobjval = s.obj;
  res.has_lpsol = res.has_dual = true;
  bool feasible = s.maxinfeas <= 10 * o.feastol;
  switch (r.status) {
    case LocalStatus::Optimal: res.lpstatus = convex ? 1 : 8; break;
    // A local solver's infeasibility proves it only for a convex problem;
    // otherwise the solve could not decide.
    case LocalStatus::LocallyInfeasible: res.lpstatus = convex ? 2 : 7; break;
    case LocalStatus::Infeasible: res.lpstatus = 2; break;
    case LocalStatus::Unbounded: res.lpstatus = 5; break;
    case LocalStatus::IterLimit: res.lpstatus = 4; res.stopstatus = 4; break;
    case LocalStatus::TimeLimit: res.lpstatus = 4; res.stopstatus = 1; break;
    case LocalStatus::Interrupted:
      res.lpstatus = 4;
      res.stopstatus = prob->interrupt_reason.load();
      break;
    case LocalStatus::EvalError: res.lpstatus = 4; break;
    case LocalStatus::Stalled: res.lpstatus = feasible ? (convex ? 1 : 8) : 4; break;
    case LocalStatus::Failed: res.lpstatus = 7; break;
  }
  if (r.status == LocalStatus::LocallyInfeasible && !convex)
    emit_message(prob, 3, "The local solver found no feasible point; the problem is not convex, "
                 "so a feasible point may exist elsewhere (status unsolved)");
  if (r.status == LocalStatus::Failed || r.status == LocalStatus::Stalled)
    emit_message(prob, 3, r.message + (feasible ? ": the point reached is feasible" : ""));
  if (r.status == LocalStatus::EvalError) fail(ERR_SOLVER, "%s", r.message.c_str());
  if (r.status == LocalStatus::Failed && !r.has_x) fail(ERR_SOLVER, "%s", r.message.c_str());
}

}  // namespace ondr

using namespace ondr;

namespace ondr {

void nlp_single_solve(OSLPprob s, const char *flags) {
  check_flags(flags);
  SolvingFlag solving(s->solving);
  ONDRprob prob = s->prob;
  check_problem(prob);
  // With integer columns the tree search runs: its callbacks are called too.
  BusyScope busy(prob, has_entities(prob->model) ? cb::P_NLP | cb::P_TREE : cb::P_NLP);
  Model &m = prob->model;
  auto start = Clock::now();
  int state = s->results.state;  // what the solve does not change
  s->results = NlpResults();
  s->results.state = state;
  s->interrupt_reason.store(0);
  prob->interrupt_reason.store(0);
  if (has_entities(m)) {
    // Integer columns, sets or indicators: the tree search over nonlinear
    // relaxations.
    if (cb::fire_nlp_stop(prob, cb::k_construct) || cb::fire_nlp_stop(prob, cb::k_slpstart)) {
      s->results.status = 6;
      return;
    }
    bb::solve_nonlinear_tree(s);
    cb::fire_nlp(prob, cb::k_slpend);
    return;
  }

  const ControlValues &c = s->controls;
  double sense = c.getd(id::NLPOBJSENSE) < 0 ? -1.0 : 1.0;
  NlpModel nm(m, s);
  std::vector<double> init = initial_values(m);
  LocalProblem p = build_local_problem(m, nm, sense, &init);
  for (const TolSet &t : s->tolsets) {
    LocalProblem::Tol lt{t.status, {}};
    std::copy(t.tol, t.tol + 9, lt.tol);
    p.tolsets.push_back(lt);
  }
  for (int j = 0; j < p.n; ++j)
    if (p.coltol[j] > (int)p.tolsets.size())
      fail(ERR_ARGUMENT, "Column %d refers to tolerance set %d, which does not exist", j, p.coltol[j]);
  for (int i : s->hard_rows)
    if (i >= 0 && i < p.m) p.hard_row[i] = 1;
  LocalOptions o;
  o.iterlimit = c.geti(id::NLPITERLIMIT);
  o.feastol = c.getd(id::NLPFEASTOL);
  o.opttol = c.getd(id::NLPOPTTOL);
  o.timelimit = c.getd(id::NLPTIMELIMIT);
  o.stepbound = c.getd(id::NLPSTEPBOUND);
  o.penalty = c.getd(id::NLPPENALTY);
  o.log = c.geti(id::NLPLOG) != 0;
  o.echo = o.log && c.geti(id::NLPECHOMESSAGES) != 0;
  o.exact_hessian = c.geti(id::NLPDERIVATIVES) != 0;
  o.msgprob = prob;
  o.interrupted = [s, prob] {
    int r = s->interrupt_reason.load();
    return r ? r : prob->interrupt_reason.load();
  };
  // Automatic: Ipopt, which solves more of our benchmark's problems and
  // needs fewer iterations; SLP from the same start when Ipopt gives up.
  int choice = (int)c.geti(id::NLPSOLVER);
  int solver = choice == 2 ? 2 : 1;
  if (const char *kind = cb::slp_only_registered(prob)) {
    if (choice == 1)
      fail(ERR_STATE, "The %s callback is called by the SLP local solver only, and Ipopt was "
                      "chosen: remove it or let the solver be chosen automatically", kind);
    solver = 2;  // automatic choice: the solver that calls the registered callbacks
  }
  if (o.log)
    emit_message(prob, 1, format("Nonlinear solve: %d rows, %d columns, %zu nonlinear "
                                 "coefficients, local solver %s", p.m, p.n, m.nlcoefs.size(),
                                 solver == 1 ? "Ipopt" : "SLP"));

  LocalResult r;
  std::string crossed;
  // construct: the problem the local solver works on is built.
  if (cb::fire_nlp_stop(prob, cb::k_construct) || cb::fire_nlp_stop(prob, cb::k_slpstart)) {
    r.status = LocalStatus::Interrupted;
    r.x = p.x0;
  } else if (bounds_crossed(p, &crossed)) {
    r.status = LocalStatus::Infeasible;
    r.message = crossed;
    r.x = p.x0;
  } else if (all_fixed(p)) {
    r = solve_fixed(p, o.feastol);
  } else {
    r = solver == 1 ? solve_ipopt(p, o) : solve_slp(p, o);
    bool gave_up = r.status == LocalStatus::Failed || r.status == LocalStatus::LocallyInfeasible ||
                   (r.status == LocalStatus::EvalError && !r.fatal);
    double used = std::chrono::duration<double>(Clock::now() - start).count();
    if (choice == 0 && gave_up && r.iter < o.iterlimit && used < o.timelimit) {
      LocalOptions o2 = o;
      o2.iterlimit = o.iterlimit - r.iter;
      o2.timelimit = o.timelimit - used;
      if (o.log)
        emit_message(prob, 1, format("Ipopt ended %s: trying SLP from the start",
                                     local_status_name(r.status)));
      LocalResult r2 = solve_slp(p, o2);
      if (r2.status == LocalStatus::Optimal || r2.fatal) {
        r2.iter += r.iter;
        r = std::move(r2);
        solver = 2;
      }
    }
  }

  NlpResults &res = s->results;
  res.solverused = solver;
  res.iter = r.iter;
  LocalSolution sol;
  std::string final_error;
  auto point_only = [&] {
    // The point without derived values: it cannot (or must not) be
    // evaluated again.
    sol.x = r.has_x ? r.x : p.x0;
    sol.obj = r.obj;
    sol.slack.assign(p.m, 0.0);
    sol.dual.assign(p.m, 0.0);
    sol.dj.assign(p.n, 0.0);
    sol.maxinfeas = INFINITY;
  };
  if (r.fatal) {
    point_only();
  } else {
    try {
      sol = finish_solution(p, r);
    } catch (const std::exception &e) {
      final_error = e.what();
      point_only();
    }
  }
  res.x = sol.x;
  res.slack = sol.slack;
  res.dual = sol.dual;
  res.dj = sol.dj;
  if (solver == 2 && r.info.cols.size() == (size_t)p.n && r.info.rows.size() == (size_t)p.m)
    res.slp = std::move(r.info);
  res.objval = sol.obj;
  res.maxinfeas = sol.maxinfeas;
  res.has_sol = true;
  bool feasible = sol.maxinfeas <= 10 * o.feastol;
  // A solver that gave up on a feasible point with an objective beyond
  // any finite value met an unbounded problem.
  bool stopped = r.status == LocalStatus::Failed || r.status == LocalStatus::Stalled ||
                 r.status == LocalStatus::IterLimit;
  if (stopped && feasible && sense * sol.obj < -1e20) {
    r.status = LocalStatus::Unbounded;
    r.message = "The objective decreases without bound";
  }
  switch (r.status) {
    case LocalStatus::Optimal: res.status = proven_convex(m, nm, sense) ? 2 : 1; break;
    case LocalStatus::LocallyInfeasible: res.status = proven_convex(m, nm, sense) ? 4 : 3; break;
    case LocalStatus::Infeasible: res.status = 4; break;
    case LocalStatus::Unbounded: res.status = 5; break;
    case LocalStatus::IterLimit:
    case LocalStatus::TimeLimit:
    case LocalStatus::Interrupted:
    case LocalStatus::EvalError: res.status = 6; break;
    case LocalStatus::Stalled: res.status = feasible ? 1 : 6; break;
    case LocalStatus::Failed: res.status = 6; break;
  }
  res.time = std::chrono::duration<double>(Clock::now() - start).count();
  bool warn = r.status == LocalStatus::Failed || r.status == LocalStatus::Stalled;
  if (o.log || warn) {
    std::string line = format("Nonlinear solve ended: %s after %lld iterations, objective %.10g, "
                              "largest violation %.2e", local_status_name(r.status),
                              (long long)r.iter, sol.obj, sol.maxinfeas);
    if (!r.message.empty()) line += " (" + r.message + ")";
    emit_message(prob, warn ? 3 : 1, line);
  }
  cb::fire_nlp(prob, cb::k_slpend);
  if (r.status == LocalStatus::EvalError) {
    res.status = 6;
    fail(ERR_SOLVER, "Nonlinear solve stopped: %s", r.message.c_str());
  }
  if (!final_error.empty()) {
    res.status = 6;
    fail(ERR_SOLVER, "Nonlinear solve stopped: %s", final_error.c_str());
  }
  if (r.status == LocalStatus::Failed && !r.has_x) {
    res.status = 6;
    fail(ERR_SOLVER, "%s", r.message.c_str());
  }
}

void slp_getslpsol(OSLPprob s, double x[], double slack[], double dual[], double dj[]) {
  const NlpResults &r = s->results;
  const Model &m = s->prob->model;
  if (!r.has_sol) fail(ERR_STATE, "No nonlinear solution: the problem has not been solved");
  if ((int)r.x.size() != m.ncols() || (int)r.slack.size() != m.nrows())
    fail(ERR_STATE, "The problem has changed since the last nonlinear solve (%zu columns, "
         "%zu rows then; %d, %d now): solve it again", r.x.size(), r.slack.size(), m.ncols(),
         m.nrows());
  if (x) std::copy(r.x.begin(), r.x.end(), x);
  if (slack) std::copy(r.slack.begin(), r.slack.end(), slack);
  if (dual) std::copy(r.dual.begin(), r.dual.end(), dual);
  if (dj) std::copy(r.dj.begin(), r.dj.end(), dj);
}

void slp_interrupt(OSLPprob s, int reason) {
  ONDR_REQUIRE(reason > 0, "Invalid interrupt reason %d", reason);
  s->interrupt_reason.store(reason);
  // The tree search of a problem with integer columns watches the
  // optimizer problem's flag (the local solves watch both).
  s->prob->interrupt_reason.store(reason);
}

}  // namespace ondr
