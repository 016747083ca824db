#include "lp/solve.h"
#include <algorithm>
#include <cmath>
#include "controls/ids.h"
#include "env/error.h"
#include "lp/convex.h"
#include "lp/session.h"

namespace ondr {

SolveFlags parse_flags(const char *flags, bool mip) {
  SolveFlags f;
  if (!flags) return f;
  for (const char *p = flags; *p; ++p) {
    switch (*p) {
      case 'd': f.alg = Alg::Dual; break;
      case 'p': f.alg = Alg::Primal; break;
      case 'b': f.alg = Alg::Barrier; break;
      case 'n': f.alg = Alg::Auto; break;
      case ' ': break;
      case 'l':
        if (mip) {
          f.relax_only = true;
          break;
        }
        [[fallthrough]];
      default:
        fail(ERR_ARGUMENT,
             "Unknown optimize flag '%c' (flags: d dual simplex, p primal simplex, b barrier, "
             "n default algorithm%s)",
             *p, mip ? ", l LP relaxation only" : "");
    }
  }
  return f;
}

bool has_entities(const Model &m) {
  if (!m.sets.empty()) return true;
  if (std::any_of(m.coltype.begin(), m.coltype.end(), [](char t) { return t != 'C'; }))
    return true;
  for (size_t i = 0; i < m.indcol.size(); ++i)
    if (m.indcol[i] >= 0 && i < m.indcomp.size() && m.indcomp[i] != 0) return true;
  return false;
}

bool has_quadratic_rows(const Model &m) {
  for (const auto &q : m.qrows)
    for (const auto &e : q.second)
      if (e.second != 0.0) return true;
  return false;
}

bool needs_local_solver(const Model &m) {
  return has_quadratic_rows(m) || !quadratic_is_convex(m.qobj, m.objsense);
}

void begin_solve(ONDRprob prob) {
  prob->results.clear();
  prob->interrupt_reason.store(0);
}

namespace {

// lpstatus and stopstatus of a continuous run.
void lp_status(const RunOutcome &o, Results &res) {
  switch (o.model_status) {
    case HMS_OPTIMAL:
    case HMS_EMPTY: res.lpstatus = 1; break;
    case HMS_INFEASIBLE: res.lpstatus = 2; break;
    case HMS_UNBOUNDED: res.lpstatus = 5; break;
    // Still undecided after the primal simplex without presolve: a
    // feasible point means the objective is unbounded.
    case HMS_UNBOUNDED_OR_INFEASIBLE: res.lpstatus = o.primal_feasible ? 5 : 2; break;
    case HMS_OBJECTIVE_BOUND: res.lpstatus = 3; break;
    case HMS_TIME_LIMIT: res.lpstatus = 4; res.stopstatus = 1; break;
    case HMS_ITERATION_LIMIT: res.lpstatus = 4; res.stopstatus = 4; break;
    case HMS_INTERRUPT: res.lpstatus = 4; res.stopstatus = o.stop_reason ? o.stop_reason : 9; break;
    case HMS_OBJECTIVE_TARGET:
    case HMS_SOLUTION_LIMIT: res.lpstatus = 4; break;
    default: res.lpstatus = 7; break;
  }
}

// No columns: every row's activity is 0.
void solve_empty(ONDRprob prob, const LpData &d, Results &res) {
  const Model &m = prob->model;
  double tol = prob->controls.getd(id::FEASTOL);
  bool feasible = true;
  for (int i = 0; i < d.nrows(); ++i)
    if (d.rowlo[(size_t)i] > tol || d.rowup[(size_t)i] < -tol) feasible = false;
  res.lpstatus = feasible ? 1 : 2;
  res.lpobjval = d.offset;
  res.x.clear();
  res.dj.clear();
  res.slack = store_slacks(m, res.x);
  res.dual.assign((size_t)m.nrows(), 0.0);
  res.has_lpsol = res.has_dual = true;
}

// Status codes between the store's orientation and HiGHS's: a column (or
// row) scaled by a negative multiplier swaps its lower and upper bounds.
int orient(int s, const std::vector<double> &mult, size_t k) {
  if (k < mult.size() && mult[k] < 0 && s != BS_BASIC && s != BS_ZERO)
    return s == BS_UPPER ? BS_LOWER : BS_UPPER;
  return s;
}

// The problem's warm basis as a start basis for `d`: in HiGHS's
// orientation, each status fitted to the bounds of `d`. False when there
// is none or `d` is not exactly the store's columns and rows.
bool start_basis(ONDRprob prob, const LpData &d, std::vector<int> &cs, std::vector<int> &rs) {
  const WarmBasis &w = prob->warm;
  const Model &m = prob->model;
  if (!w.fits(m) || d.ncols() != m.ncols() || d.nrows() != m.nrows()) return false;
  cs.resize((size_t)d.ncols());
  rs.resize((size_t)d.nrows());
  for (size_t j = 0; j < cs.size(); ++j)
    cs[j] = fit_status(orient(w.cstat[j], d.colmult, j), d.collo[j], d.colup[j]);
  for (size_t i = 0; i < rs.size(); ++i)
    rs[i] = fit_status(orient(w.rstat[i], d.rowmult, i), d.rowlo[i], d.rowup[i]);
  return true;
}

}  // namespace

namespace {

// Fills the LP part of `res` from a run on a model whose first columns
// and rows are the store's, scaled by `colmult` and `rowmult`; the basis
// is kept (and becomes the warm basis) when the model is exactly the
// store's (`store_shaped`).
void fill_results(ONDRprob prob, const RunOutcome &o, const LpData &d, bool store_shaped,
                  Results &res) {
  const Model &m = prob->model;
  int n = m.ncols(), r = m.nrows();
  lp_status(o, res);
  res.simplexiter = o.simplexiter;
  res.bariter = o.bariter;
  if (o.primal) {
    res.x.assign(o.colval.begin(), o.colval.begin() + n);
    unscale_primal(d, res.x);
    res.slack = store_slacks(m, res.x);
    res.lpobjval = o.objective;
    res.has_lpsol = true;
  }
  if (o.dual) {
    res.dual.assign(o.rowdual.begin(), o.rowdual.begin() + r);
    for (const auto &s : d.side_rows) res.dual[(size_t)s.second] += o.rowdual[(size_t)s.first];
    res.dj.assign(o.coldual.begin(), o.coldual.begin() + n);
    unscale_duals(d, res.dual, res.dj);
    res.has_dual = true;
  }
  if (o.basis && store_shaped) {
    res.cstat.resize((size_t)n);
    res.rstat.resize((size_t)r);
    for (size_t j = 0; j < (size_t)n; ++j) res.cstat[j] = orient(o.colstat[j], d.colmult, j);
    for (size_t i = 0; i < (size_t)r; ++i) res.rstat[i] = orient(o.rowstat[i], d.rowmult, i);
    // The next solve starts from here, whatever changes in between.
    prob->warm.cstat = res.cstat;
    prob->warm.rstat = res.rstat;
  }
}

}  // namespace

void solve_continuous(ONDRprob prob, const LpData &d, Alg alg, Results &res) {
  const Model &m = prob->model;
  if (d.ncols() == 0) {
    solve_empty(prob, d, res);
    return;
  }
  RunRequest req;
  req.data = &d;
  req.alg = alg;
  std::vector<int> cs, rs;
  if (start_basis(prob, d, cs, rs)) {
    req.start_cstat = &cs;
    req.start_rstat = &rs;
  }
  RunOutcome o = run_highs(prob, req);
  if (o.model_status == HMS_UNBOUNDED_OR_INFEASIBLE) {
    // Presolve (or the dual simplex) proved only that one of the two
    // holds; the primal simplex on the whole problem tells which.
    RunRequest again = req;
    again.presolve_off = true;
    if (d.hessian.empty()) again.alg = Alg::Primal;
    RunOutcome o2 = run_highs(prob, again);
    o2.simplexiter += o.simplexiter;
    o2.bariter += o.bariter;
    o = std::move(o2);
  }
  fill_results(prob, o, d, d.ncols() == m.ncols() && d.nrows() == m.nrows(), res);
}

void solve_relaxation(ONDRprob prob, Alg alg, Results &res) {
  const Model &m = prob->model;
  if (m.ncols() == 0) {
    solve_empty(prob, relaxation(m), res);
    return;
  }
  Session &s = session_of(prob);
  s.ensure_loaded(prob);
  // What the result code needs of the model: its scaling.
  LpData shape;
  shape.colmult = s.colmult();
  shape.rowmult = s.rowmult();
  RunSettings set;
  set.alg = alg;
  set.quadratic = s.quadratic();
  set.ncols = m.ncols();
  set.nrows = m.nrows();
  set.sense = m.objsense;
  // The warm basis fitted to the relaxation's bounds (scale factors are
  // powers of 2: the same bounds are finite).
  std::vector<int> cs, rs;
  const WarmBasis &w = prob->warm;
  bool warm = w.fits(m);
  if (warm) {
    cs.resize((size_t)m.ncols());
    rs.resize((size_t)m.nrows());
    double lo, up;
    for (int j = 0; j < m.ncols(); ++j) {
      col_hull(m, j, lo, up);
      cs[(size_t)j] = fit_status(w.cstat[(size_t)j], lo, up);
    }
    for (int i = 0; i < m.nrows(); ++i) {
      relaxed_row_bounds(m, i, lo, up);
      rs[(size_t)i] = fit_status(w.rstat[(size_t)i], lo, up);
    }
  }
  RunOutcome o = s.run(prob, set, warm ? &cs : nullptr, warm ? &rs : nullptr);
  if (o.model_status == HMS_UNBOUNDED_OR_INFEASIBLE) {
    RunSettings again = set;
    again.presolve_off = true;
    if (!set.quadratic) again.alg = Alg::Primal;
    RunOutcome o2 = s.run(prob, again, warm ? &cs : nullptr, warm ? &rs : nullptr);
    o2.simplexiter += o.simplexiter;
    o2.bariter += o.bariter;
    o = std::move(o2);
  }
  fill_results(prob, o, shape, true, res);
}

void adopt_fixed_lp(Results &res, Results &lp) {
  res.simplexiter += lp.simplexiter;
  if (lp.lpstatus == 1 && lp.has_lpsol) {
    res.x = std::move(lp.x);
    res.slack = std::move(lp.slack);
    res.lpobjval = lp.lpobjval;
    res.has_lpsol = true;
    if (lp.has_dual) {
      res.dual = std::move(lp.dual);
      res.dj = std::move(lp.dj);
      res.has_dual = true;
    }
  } else {
    res.x = res.mipx;
    res.slack = res.mipslack;
    res.lpobjval = res.mipobjval;
    res.has_lpsol = true;
  }
}

}  // namespace ondr
