// Compiling the stored model into a LocalProblem, and turning a local
// solver's result into a solution in the optimizer's sign conventions.
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include "env/error.h"
#include "ondr_ids.h"
#include "oslp_slp.h"
#include "lp/lpdata.h"
#include "model/store.h"
#include "nlp/local_solver.h"
#include "nlp/nlpmodel.h"
#include "cb/events.h"

namespace ondr {

const char *local_status_name(LocalStatus s) {
  switch (s) {
    case LocalStatus::Optimal: return "locally optimal";
    case LocalStatus::LocallyInfeasible: return "locally infeasible";
    case LocalStatus::Infeasible: return "infeasible";
    case LocalStatus::Unbounded: return "unbounded";
    case LocalStatus::IterLimit: return "iteration limit reached";
    case LocalStatus::TimeLimit: return "time limit reached";
    case LocalStatus::Interrupted: return "interrupted";
    case LocalStatus::EvalError: return "evaluation error";
    case LocalStatus::Stalled: return "stalled";
    case LocalStatus::Failed: return "failed";
  }
  return "unknown";
}

bool fatal_eval_error(const std::string &message) {
  return message.find("user function") != std::string::npos;
}

namespace {

// Columns that appear in a formula: the coefficient's column and every
// column token of its formula.
void formula_columns(const NlCoef &c, std::set<int> &cols) {
  if (c.col >= 0 && c.col != kUnitColumn) cols.insert(c.col);
  for (size_t t = 0; t < c.types.size(); ++t)
    if (c.types[t] == OSLP_TOK_COL) cols.insert((int)c.values[t]);
}

}  // namespace

void order_determined(const Model &m, const std::vector<std::set<int>> &row_nlcols,
                      std::vector<LocalProblem::Determined> &det) {
  // Columns with a sequence number first, by number; then each column after
  // the determined columns its row holds (depth first, cycles broken in
  // the order of the columns).
  auto seq = [&m](int col) {
    auto v = m.slpvars.find(col);
    return v == m.slpvars.end() ? 0 : v->second.seqnum;
  };
  std::stable_sort(det.begin(), det.end(), [&](const LocalProblem::Determined &a,
                                               const LocalProblem::Determined &b) {
    int sa = seq(a.col), sb = seq(b.col);
    if ((sa > 0) != (sb > 0)) return sa > 0;
    return sa > 0 && sa < sb;
  });
  std::map<int, size_t> at;  // column -> position in det
  for (size_t k = 0; k < det.size(); ++k) at[det[k].col] = k;
  std::vector<char> mark(det.size(), 0);  // 1 visiting, 2 done
  std::vector<LocalProblem::Determined> out;
  std::function<void(size_t)> visit = [&](size_t k) {
    if (mark[k]) return;
    mark[k] = 1;
    if (seq(det[k].col) == 0) {
      std::set<int> uses = (size_t)det[k].row < row_nlcols.size() ? row_nlcols[det[k].row] : std::set<int>();
      for (const auto &e : m.rows[det[k].row]) uses.insert(e.index);
      for (int c : uses) {
        auto it = at.find(c);
        if (it != at.end() && c != det[k].col && seq(c) == 0) visit(it->second);
      }
    }
    mark[k] = 2;
    out.push_back(det[k]);
  };
  for (size_t k = 0; k < det.size(); ++k) visit(k);
  det = std::move(out);
}

LocalProblem build_local_problem(const Model &m, const NlpModel &nm, double sense,
                                 const std::vector<double> *initial) {
  LocalProblem p;
  p.model = &nm;
  p.n = m.ncols();
  p.m = m.nrows();
  ONDR_REQUIRE(nm.ncols() == p.n && nm.nrows() == p.m,
               "The compiled nonlinear model does not match the problem");
  p.sense = sense >= 0 ? 1.0 : -1.0;
  p.xl.resize(p.n);
  p.xu.resize(p.n);
  for (int j = 0; j < p.n; ++j) {
    p.xl[j] = m.lb[j] <= -kInf ? -kInf : m.lb[j];
    p.xu[j] = m.ub[j] >= kInf ? kInf : m.ub[j];
  }
  p.gl.resize(p.m);
  p.gu.resize(p.m);
  p.rhs.resize(p.m);
  p.rownames.resize(p.m);
  for (int i = 0; i < p.m; ++i) {
    row_bounds(m, i, p.gl[i], p.gu[i]);
    p.rhs[i] = m.rowtype[i] == 'N' ? 0.0 : m.rhs[i];
    p.rownames[i] = m.name_or_default(1, i);
  }

  // Nonlinear rows and columns.
  p.nonlinear_row.assign(p.m, 0);
  p.nonlinear_col.assign(p.n, 0);
  std::vector<std::set<int>> row_nlcols(p.m);
  for (const auto &q : m.qobj)
    if (q.second != 0.0) p.nonlinear_col[q.first.first] = p.nonlinear_col[q.first.second] = 1;
  for (const auto &qr : m.qrows) {
    if (qr.first < 0 || qr.first >= p.m) continue;
    for (const auto &q : qr.second) {
      if (q.second == 0.0) continue;
      p.nonlinear_row[qr.first] = 1;
      row_nlcols[qr.first].insert(q.first.first);
      row_nlcols[qr.first].insert(q.first.second);
    }
  }
  for (const auto &c : m.nlcoefs) {
    if (c.row < 0 || c.row >= p.m) continue;
    p.nonlinear_row[c.row] = 1;
    formula_columns(c, row_nlcols[c.row]);
  }
  for (int i = 0; i < p.m; ++i)
    for (int j : row_nlcols[i])
      if (j >= 0 && j < p.n) p.nonlinear_col[j] = 1;
  // A column outside the Hessian's pattern enters everything linearly.
  const Pattern &hp = nm.hessian_pattern();
  for (size_t k = 0; k < hp.size(); ++k) p.nonlinear_col[hp.rows[k]] = p.nonlinear_col[hp.cols[k]] = 1;

  // Determined columns: an equality row that holds the column linearly and
  // not inside its nonlinear terms; in cascade order.
  for (const auto &d : m.detrow) {
    int col = d.first, row = d.second;
    if (col < 0 || col >= p.n || row < 0 || row >= p.m || m.rowtype[row] != 'E') continue;
    if (row_nlcols[row].count(col)) continue;
    auto v = m.slpvars.find(col);
    if (v != m.slpvars.end() && (v->second.vartype & OSLP_VAR_NOCASCADE)) continue;
    double coef = 0.0;
    for (const auto &e : m.rows[row])
      if (e.index == col) coef = e.value;
    if (coef == 0.0) continue;
    int limit = v != m.slpvars.end() && v->second.cascadenlimit > 0 ? v->second.cascadenlimit : 3;
    p.determined.push_back({col, row, coef, limit});
  }
  order_determined(m, row_nlcols, p.determined);

  p.stepbound0.assign(p.n, 0.0);
  p.stepcap.assign(p.n, 0.0);
  p.steprel.assign(p.n, 0.0);
  p.nostep.assign(p.n, 0);
  p.softstep.assign(p.n, 0);
  p.steppenalty.assign(p.n, 0.0);
  p.damp.assign(p.n, 1.0);
  p.coltol.assign(p.n, 0);
  for (const auto &v : m.slpvars) {
    int j = v.first;
    const SlpVar &d = v.second;
    if (j < 0 || j >= p.n) continue;
    if (d.initstepbound > 0) p.stepbound0[j] = d.initstepbound;
    p.stepcap[j] = d.stepbound;
    if (d.deltatype == OSLP_DELTA_ABSOLUTE)
      p.stepcap[j] = p.stepcap[j] > 0 ? std::min(p.stepcap[j], d.deltasize) : d.deltasize;
    if (d.deltatype == OSLP_DELTA_RELATIVE) p.steprel[j] = d.deltasize;
    if (d.deltatype == OSLP_DELTA_FREE) p.nostep[j] = 1;
    if (d.vartype & OSLP_VAR_PENALTYDELTA) p.softstep[j] = 1;
    p.steppenalty[j] = d.penalty;
    p.damp[j] = d.damp;
    p.coltol[j] = d.tolset;
  }
  p.rowwt.assign(p.m, 1.0);
  for (const auto &w : m.rowwt)
    if (w.first >= 0 && w.first < p.m) p.rowwt[w.first] = w.second;
  p.hard_row.assign(p.m, 0);
  for (const auto &d : m.dfs)
    if (d.first.first >= 0 && d.first.first < p.n && d.first.second >= 0 && d.first.second < p.m)
      p.dfs.push_back({d.first.first, d.first.second, d.second});

  // Starting point: given values, else 0, moved into the bounds.
  p.x0.assign(p.n, 0.0);
  for (int j = 0; j < p.n; ++j) {
    double v = initial && j < (int)initial->size() ? (*initial)[j] : 0.0;
    if (!std::isfinite(v)) v = 0.0;
    p.x0[j] = clamp_to_bounds(v, p.xl[j], p.xu[j]);
  }
  return p;
}

bool cascade_point(const LocalProblem &p, std::vector<double> &x, std::string *error) {
  if (p.determined.empty()) return true;
  std::vector<double> act(p.m);
  int passes = 0;
  for (const auto &d : p.determined) passes = std::max(passes, d.limit);
  for (int pass = 0; pass < passes; ++pass) {
    try {
      p.model->rows(x.data(), act.data());
    } catch (const std::exception &e) {
      if (error) *error = e.what();
      return false;
    }
    bool moved = false;
    for (const auto &d : p.determined) {
      if (pass >= d.limit) continue;
      double target = std::min(std::max(act[d.row], p.gl[d.row]), p.gu[d.row]);
      double v = x[d.col] + (target - act[d.row]) / d.coef;
      // drcol: a determined value outside the column's bounds.
      if (v < p.xl[d.col] || v > p.xu[d.col])
        v = cb::fire_drcol(p.model->problem(), d.col, v, p.xl[d.col], p.xu[d.col]);
      v = clamp_to_bounds(v, p.xl[d.col], p.xu[d.col]);
      if (std::isfinite(v) && v != x[d.col]) {
        x[d.col] = v;
        moved = true;
      }
    }
    if (!moved) break;
  }
  return true;
}

double max_violation(const LocalProblem &p, const double *x, const double *activity) {
  double v = 0.0;
  for (int j = 0; j < p.n; ++j) v = std::max(v, bound_violation(x[j], p.xl[j], p.xu[j]));
  for (int i = 0; i < p.m; ++i) v = std::max(v, bound_violation(activity[i], p.gl[i], p.gu[i]));
  return v;
}

LocalSolution finish_solution(const LocalProblem &p, const LocalResult &r) {
  LocalSolution s;
  s.x = r.has_x && (int)r.x.size() == p.n ? r.x : p.x0;
  std::vector<double> act(p.m, 0.0), grad(p.n, 0.0);
  s.obj = p.model->objective(s.x.data());
  p.model->objective_gradient(s.x.data(), grad.data());
  p.model->rows(s.x.data(), act.data());
  s.maxinfeas = max_violation(p, s.x.data(), act.data());
  s.slack.resize(p.m);
  s.dual.assign(p.m, 0.0);
  for (int i = 0; i < p.m; ++i) {
    s.slack[i] = p.rhs[i] - act[i];
    if ((int)r.y.size() == p.m) s.dual[i] = p.sense * r.y[i];
  }
  // Reduced costs: objective gradient minus the duals' rows.
  s.dj = grad;
  const Pattern &jp = p.model->jacobian_pattern();
  std::vector<double> jv(jp.size());
  p.model->jacobian_values(s.x.data(), jv.data());
  for (size_t k = 0; k < jp.size(); ++k) s.dj[jp.cols[k]] -= s.dual[jp.rows[k]] * jv[k];
  return s;
}

}  // namespace ondr
