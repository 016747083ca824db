// Validation of points and solutions: violations of rows and bounds, and
// the KKT residuals of the last solution with its own or recomputed
// multipliers. Results go to messages and the validation attributes.
#include <algorithm>
#include <cmath>
#include "controls/ids.h"
#include "env/environment.h"
#include "env/shell.h"
#include "interfaces/highs_c_api.h"
#include "lp/highs.h"
#include "nlp/local_solver.h"
#include "nlp/nlpmodel.h"
#include "nlp/slp_ops.h"
#include "nlp/slpprob.h"
#include "oslp.h"

namespace ondr {

namespace {

double sense_of(OSLPprob s) { return s->controls.getd(id::NLPOBJSENSE) < 0 ? -1.0 : 1.0; }

const NlpResults &solution(OSLPprob s) {
  const NlpResults &r = s->results;
  const Model &m = s->prob->model;
  if (!r.has_sol) fail(ERR_STATE, "No nonlinear solution to validate: the problem has not been solved");
  if ((int)r.x.size() != m.ncols() || (int)r.slack.size() != m.nrows())
    fail(ERR_STATE, "The problem has changed since the last nonlinear solve: solve it again");
  return r;
}

// Violations at x: largest absolute and relative, sums, per row.
struct Violations {
  double maxabs = 0.0, maxrel = 0.0, sum = 0.0, sumscaled = 0.0;
  int worst_row = -1;
};

double rhs_scale(const LocalProblem &p, int i) {
  double b = 0.0;
  if (p.gl[i] > -kInf) b = std::max(b, std::fabs(p.gl[i]));
  if (p.gu[i] < kInf) b = std::max(b, std::fabs(p.gu[i]));
  return std::max(1.0, b);
}

Violations violations(const LocalProblem &p, const double *x, const std::vector<double> &act) {
  Violations v;
  for (int j = 0; j < p.n; ++j) {
    double d = bound_violation(x[j], p.xl[j], p.xu[j]);
    v.sum += d;
    v.sumscaled += d / std::max(1.0, std::max(std::fabs(p.xl[j]) < kInf ? std::fabs(p.xl[j]) : 0.0,
                                              std::fabs(p.xu[j]) < kInf ? std::fabs(p.xu[j]) : 0.0));
    v.maxabs = std::max(v.maxabs, d);
    v.maxrel = std::max(v.maxrel, d / std::max(1.0, std::fabs(x[j])));
  }
  for (int i = 0; i < p.m; ++i) {
    double d = bound_violation(act[i], p.gl[i], p.gu[i]);
    v.sum += d;
    v.sumscaled += d / rhs_scale(p, i);
    if (d > v.maxabs) v.worst_row = i;
    v.maxabs = std::max(v.maxabs, d);
    v.maxrel = std::max(v.maxrel, d / rhs_scale(p, i));
  }
  return v;
}

struct Compiled {
  NlpModel nm;
  LocalProblem p;
  Compiled(OSLPprob s, const std::vector<double> *x)
      : nm(s->prob->model, s), p(build_local_problem(s->prob->model, nm, sense_of(s), x)) {}
};

// Multipliers (minimization form) that minimize the l1 stationarity
// residual at x, with signs by the rows' active sides (feasibility
// tolerance `tol`); bound multipliers for columns at a bound when
// `respect` is set.
std::vector<double> best_multipliers(const LocalProblem &p, const double *x, const std::vector<double> &act,
                                     const std::vector<double> &grad, const std::vector<double> &jac,
                                     bool respect, double tol) {
  const Pattern &jp = p.model->jacobian_pattern();
  // columns: y (m), z (n, bound multipliers), s+ s- (n each): rows j:
  // sum_i y_i J_ij + z_j + s+_j - s-_j = grad_j
  int m = p.m, n = p.n, ncols = m + 3 * n;
  std::vector<double> cost(ncols, 0.0), lo(ncols), hi(ncols), rlo(n), rhi(n);
  for (int i = 0; i < m; ++i) {
    double t = tol * rhs_scale(p, i);
    bool atlo = p.gl[i] > -kInf && act[i] <= p.gl[i] + t, athi = p.gu[i] < kInf && act[i] >= p.gu[i] - t;
    // y >= 0 on an active lower side, <= 0 on an active upper side.
    lo[i] = athi ? -INFINITY : 0.0;
    hi[i] = atlo ? INFINITY : 0.0;
  }
  for (int j = 0; j < n; ++j) {
    double t = 1e-9 * std::max(1.0, std::fabs(x[j]));
    bool atlo = respect && p.xl[j] > -kInf && x[j] <= p.xl[j] + t;
    bool athi = respect && p.xu[j] < kInf && x[j] >= p.xu[j] - t;
    lo[m + j] = athi ? -INFINITY : 0.0;
    hi[m + j] = atlo ? INFINITY : 0.0;
    for (int k = 1; k <= 2; ++k) {
      lo[m + k * n + j] = 0.0;
      hi[m + k * n + j] = INFINITY;
      cost[m + k * n + j] = 1.0;
    }
    rlo[j] = rhi[j] = grad[j];
  }
  std::vector<std::vector<std::pair<int, double>>> cols(ncols);
  for (size_t k = 0; k < jp.size(); ++k)
    if (jac[k] != 0.0) cols[jp.rows[k]].push_back({jp.cols[k], jac[k]});
  for (int j = 0; j < n; ++j) {
    cols[m + j].push_back({j, 1.0});
    cols[m + n + j].push_back({j, 1.0});
    cols[m + 2 * n + j].push_back({j, -1.0});
  }
  std::vector<HighsInt> start(ncols + 1, 0), index;
  std::vector<double> value;
  for (int c = 0; c < ncols; ++c) {
    for (auto &e : cols[c]) index.push_back(e.first), value.push_back(e.second);
    start[c + 1] = (HighsInt)index.size();
  }
  HighsHandle h;
  h.set_flag("output_flag", false);
  if (Highs_passLp(h.get(), ncols, n, (HighsInt)index.size(), kHighsMatrixFormatColwise, kHighsObjSenseMinimize,
                   0.0, cost.data(), lo.data(), hi.data(), rlo.data(), rhi.data(), start.data(), index.data(),
                   value.data()) == kHighsStatusError)
    fail(ERR_SOLVER, "The multiplier problem has values HiGHS cannot take");
  h.run(RunHooks());
  if (h.model_status() != kHighsModelStatusOptimal)
    fail(ERR_SOLVER, "HiGHS could not solve the multiplier problem (model status %d)", h.model_status());
  std::vector<double> sol(ncols);
  Highs_getSolution(h.get(), sol.data(), nullptr, nullptr, nullptr);
  return std::vector<double>(sol.begin(), sol.begin() + m);
}

}  // namespace

void slp_validatevector(OSLPprob s, const double vector[], double *suminf, double *sumscaledinf,
                        double *objective) {
  ONDR_REQUIRE(vector, "NULL vector");
  const Model &m = s->prob->model;
  std::vector<double> x(vector, vector + m.ncols());
  for (int j = 0; j < m.ncols(); ++j)
    ONDR_REQUIRE(std::isfinite(x[j]), "Entry %d of the vector is not a finite number", j);
  NlpModel nm(m, s);
  std::vector<double> act(m.nrows());
  LocalProblem p = build_local_problem(m, nm, sense_of(s), nullptr);
  nm.rows(x.data(), act.data());
  Violations v = violations(p, x.data(), act);
  if (suminf) *suminf = v.sum;
  if (sumscaledinf) *sumscaledinf = v.sumscaled;
  if (objective) *objective = nm.objective(x.data());
}

void slp_validate(OSLPprob s) {
  NlpResults &r = s->results;
  solution(s);
  Compiled c(s, nullptr);
  std::vector<double> act(c.p.m);
  c.nm.rows(r.x.data(), act.data());
  Violations v = violations(c.p, r.x.data(), act);
  double tol = s->controls.getd(id::NLPFEASTOL);
  r.valid_abs = v.maxabs;
  r.valid_rel = v.maxrel;
  r.valid_status = v.maxrel <= tol ? 1 : 0;
  std::string where = v.worst_row >= 0 ? " (row " + c.p.rownames[(size_t)v.worst_row] + ")" : "";
  emit_message(s->prob, r.valid_status ? 1 : 3,
               format("Validation: largest violation %.3e absolute%s, %.3e relative; tolerance %.1e: %s",
                      v.maxabs, where.c_str(), v.maxrel, tol, r.valid_status ? "valid" : "NOT valid"));
}

void slp_validaterow(OSLPprob s, int row) {
  NlpResults &r = s->results;
  solution(s);
  const Model &m = s->prob->model;
  ONDR_REQUIRE(row >= 0 && row < m.nrows(), "Invalid row index %d (the problem has %d rows)", row, m.nrows());
  Compiled c(s, nullptr);
  std::vector<double> act(c.p.m);
  c.nm.rows(r.x.data(), act.data());
  double d = bound_violation(act[row], c.p.gl[row], c.p.gu[row]);
  double tol = s->controls.getd(id::NLPFEASTOL);
  r.valid_abs = d;
  r.valid_rel = d / rhs_scale(c.p, row);
  r.valid_status = r.valid_rel <= tol ? 1 : 0;
  emit_message(s->prob, r.valid_status ? 1 : 3,
               format("Row %s: activity %.10g within [%g, %g], violation %.3e (relative %.3e); tolerance "
                      "%.1e: %s", c.p.rownames[(size_t)row].c_str(), act[row], c.p.gl[row], c.p.gu[row], d,
                      r.valid_rel, tol, r.valid_status ? "valid" : "NOT valid"));
}

void slp_validatekkt(OSLPprob s, int mode, int respectbasis, int update, double target) {
  ONDR_REQUIRE(mode == 0 || mode == 1, "Invalid calculation mode %d (0 or 1)", mode);
  ONDR_REQUIRE(respectbasis == 0 || respectbasis == 1, "Invalid respectbasisstatus %d (0 or 1)", respectbasis);
  ONDR_REQUIRE(update == 0 || update == 1, "Invalid updatemultipliers %d (0 or 1)", update);
  ONDR_REQUIRE(std::isfinite(target) && target >= 0, "The KKT violation target must be a finite number >= 0");
  NlpResults &r = s->results;
  solution(s);
  Compiled c(s, nullptr);
  const LocalProblem &p = c.p;
  const Pattern &jp = c.nm.jacobian_pattern();
  std::vector<double> act(p.m), grad(p.n), jac(jp.size());
  c.nm.rows(r.x.data(), act.data());
  c.nm.objective_gradient(r.x.data(), grad.data());
  c.nm.jacobian_values(r.x.data(), jac.data());
  // Minimization form: f' = sense f, multipliers y' = sense * dual.
  for (double &g : grad) g *= p.sense;
  std::vector<double> y(p.m);
  double tol = s->controls.getd(id::NLPFEASTOL);
  if (mode == 0) {
    for (int i = 0; i < p.m; ++i) y[i] = p.sense * r.dual[i];
  } else {
    y = best_multipliers(p, r.x.data(), act, grad, jac, respectbasis != 0, tol);
  }
  std::vector<double> red = grad;
  for (size_t k = 0; k < jp.size(); ++k) red[jp.cols[k]] -= y[jp.rows[k]] * jac[k];
  double stat = 0.0;
  for (int j = 0; j < p.n; ++j) {
    double rj = red[j], t = 1e-9 * std::max(1.0, std::fabs(r.x[j]));
    if (respectbasis) {
      bool atlo = p.xl[j] > -kInf && r.x[j] <= p.xl[j] + t, athi = p.xu[j] < kInf && r.x[j] >= p.xu[j] - t;
      if (atlo && athi) rj = 0.0;
      else if (atlo) rj = std::min(rj, 0.0);
      else if (athi) rj = std::max(rj, 0.0);
    }
    stat = std::max(stat, std::fabs(rj));
  }
  double compl_ = 0.0;
  for (int i = 0; i < p.m; ++i) {
    if (y[i] == 0.0) continue;
    double dist = y[i] > 0 ? (p.gl[i] > -kInf ? act[i] - p.gl[i] : 1.0)
                           : (p.gu[i] < kInf ? p.gu[i] - act[i] : 1.0);
    compl_ = std::max(compl_, std::fabs(y[i]) * std::max(0.0, dist));
  }
  if (mode == 1 && update) {
    for (int i = 0; i < p.m; ++i) r.dual[i] = p.sense * y[i];
    for (int j = 0; j < p.n; ++j) r.dj[j] = p.sense * red[j];
  }
  r.kkt_stat = stat;
  r.kkt_compl = compl_;
  r.valid_status = stat <= target && compl_ <= target ? 1 : 0;
  emit_message(s->prob, r.valid_status ? 1 : 3,
               format("KKT check (%s multipliers): stationarity %.3e, complementarity %.3e; target %.1e: %s",
                      mode == 0 ? "the solution's" : "recomputed", stat, compl_, target,
                      r.valid_status ? "met" : "NOT met"));
}

}  // namespace ondr
