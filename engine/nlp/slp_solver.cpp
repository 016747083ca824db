// Successive linear programming: at the current point x_k every row and the
// objective are linearized; an LP (HiGHS) with step bounds on the columns of
// nonlinear terms and elastic (penalty) columns on every nonlinear row gives
// the step. A step is accepted when the l1 merit function
//   sense * f(x) + sum_i w_i * violation_i(x)
// decreases by a fair share of what the LP predicted; step bounds shrink on
// rejection and on oscillation, grow on good steps; penalties grow when rows
// stay violated. Columns with a determining row are cascaded (recomputed
// from their row) after every step. The LP starts from a point that the
// linear rows and bounds allow (an L1 projection of the starting point).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include "env/environment.h"
#include "env/error.h"
#include "cb/registry.h"
#include "interfaces/highs_c_api.h"
#include "lp/highs.h"
#include "model/store.h"
#include "nlp/local_solver.h"
#include "nlp/nlpmodel.h"

namespace ondr {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kPenaltyMax = 1e12;
constexpr double kRadiusMin = 1e-11;
constexpr double kRadiusMax = 1e20;

double inf_or(double v) {
  if (v <= -kInf) return -INFINITY;
  if (v >= kInf) return INFINITY;
  return v;
}

// One HiGHS instance (the library's wrapper), destroyed on every path.
// `echo`: its log goes to the message path of `prob`; `stop` (may be
// empty) ends a running LP.
class Lp {
 public:
  Lp(ONDRprob prob = nullptr, bool echo = false, std::function<bool()> stop = {}) {
    h_.set_flag("output_flag", echo);
    h_.set_flag("log_to_console", false);
    h_.set("solver", "simplex");
    h_.set("presolve", "off");
    hooks_.prob = prob;
    hooks_.log = echo;
    if (stop) hooks_.stop = [stop] { return stop() ? 1 : 0; };
  }
  void *h() { return h_.get(); }

  // Solves; returns the HiGHS model status.
  int run() {
    h_.run(hooks_);
    return h_.model_status();
  }

 private:
  HighsHandle h_;
  RunHooks hooks_;
};

struct Point {
  std::vector<double> x, g;  // columns, row activities
  double f = 0.0;            // sense * objective
  double phi = 0.0;          // merit
  double viol = 0.0;         // largest scaled violation of the rows
};

class Slp {
 public:
  Slp(const LocalProblem &p, const LocalOptions &o)
      : p_(p), o_(o), n_(p.n), m_(p.m), lp_(o.msgprob, o.echo, [this] { return must_stop(); }) {}
  LocalResult run();

 private:
  const LocalProblem &p_;
  const LocalOptions &o_;
  int n_, m_;
  Lp lp_;
  Clock::time_point start_ = Clock::now();
  std::string eval_error_;
  bool fatal_ = false;             // an evaluation error that ends the solve

  // LP layout.
  std::vector<int> lprow_;         // model row -> LP row (-1: free row, left out)
  std::vector<int> rowof_;         // LP row -> model row
  std::vector<char> elastic_;      // model row has penalty columns
  std::vector<int> ecol_;          // model row -> first of its two penalty columns
  int nlpcols_ = 0;
  bool all_elastic_ = false, all_bounded_ = false, bound_determined_ = false;
  std::vector<double> w_;          // penalty weights by model row
  std::vector<int> persist_;       // iterations a row's LP error persisted
  std::vector<double> sigma_, omega_;
  double radius_ = 1.0;
  std::vector<int> jac_nl_;        // Jacobian entries of elastic (changing) rows
  bool built_ = false;
  std::vector<std::pair<size_t, double>> dfk_;  // Jacobian entry -> derivative factor
  std::vector<double> coldual_;    // reduced costs of the last LP
  SlpInfo info_;                   // what the solve reports by row and column
  std::vector<int> conv_;          // per column: 1 + tolerance passed, 0 none
  bool exact_ = false;             // derivative factors dropped (the end game)
  // Penalty deltas: per column the first of its two LP columns and its LP
  // row (x_j - e+ + e- within the step box), -1 none.
  std::vector<int> scol_, srow_;
  int nsoft_ = 0;
  double gscale_ = 1.0;            // the objective gradient's scale (penalty costs)
  std::vector<double> spen_;       // cost per unit of each penalty delta; grows on rejected steps
  int nlprows() const { return (int)rowof_.size() + nsoft_; }

  // The factors shape the path only: before the solve may end, they are
  // dropped and the LP is rebuilt with the exact derivatives. True when
  // that happened (the caller goes on iterating).
  bool drop_factors() {
    if (dfk_.empty() || exact_) return false;
    exact_ = true;
    built_ = false;
    return true;
  }

  void setup_report();
  void record_lp(const std::vector<double> &sol, const std::vector<double> &err, const Point &center);
  bool tolerances_met(const Point &cur, const Point &trial, const std::vector<double> &grad,
                      const std::vector<double> &jac);

  bool evaluate(Point &pt);
  void merit(Point &pt) const;
  double row_violation(int i, double act) const {
    return bound_violation(act, p_.gl[i], p_.gu[i]);
  }
  double row_scale(int i) const {
    double b = 0.0;
    if (p_.gl[i] > -kInf) b = std::max(b, std::fabs(p_.gl[i]));
    if (p_.gu[i] < kInf) b = std::max(b, std::fabs(p_.gu[i]));
    return std::max(1.0, b);
  }
  void cascade(std::vector<double> &x);
  bool project(std::vector<double> &x, std::string *why);
  void layout();
  bool build_lp(const Point &center, const Point &ref, const std::vector<double> &grad,
                const std::vector<double> &jac);
  bool solve_lp(std::vector<double> &sol, std::vector<double> &rdual, int *status);
  void log_line(int64_t it, const Point &pt, double pred, double rho, char mark);
  bool step_bounded(int j) const {
    return all_bounded_ || (p_.nonlinear_col[j] && !p_.nostep[j]) || p_.stepcap[j] > 0 || p_.steprel[j] > 0;
  }
  // 1 interrupted, 2 time limit, 0 go on.
  int stop_reason() const {
    if (o_.interrupted && o_.interrupted()) return 1;
    if (std::chrono::duration<double>(Clock::now() - start_).count() > o_.timelimit) return 2;
    return 0;
  }
  bool must_stop() const { return stop_reason() != 0; }
  // Step bound of column j at x: the solver's, within the column's caps.
  double delta(int j, double x) const {
    double d = radius_ * sigma_[j] * omega_[j];
    if (p_.stepcap[j] > 0) d = std::min(d, p_.stepcap[j]);
    if (p_.steprel[j] > 0) d = std::min(d, p_.steprel[j] * std::max(1.0, std::fabs(x)));
    return d;
  }
};

bool Slp::evaluate(Point &pt) {
  if (fatal_) return false;
  try {
    pt.f = p_.sense * p_.model->objective(pt.x.data());
    pt.g.resize(m_);
    p_.model->rows(pt.x.data(), pt.g.data());
    if (!std::isfinite(pt.f)) throw std::runtime_error("The objective is not finite");
    for (int i = 0; i < m_; ++i)
      if (!std::isfinite(pt.g[i])) throw std::runtime_error("Row " + p_.rownames[i] + " is not finite");
  } catch (const std::exception &e) {
    eval_error_ = e.what();
    if (fatal_eval_error(eval_error_)) fatal_ = true;
    return false;
  }
  merit(pt);
  return true;
}

void Slp::merit(Point &pt) const {
  pt.phi = pt.f;
  pt.viol = 0.0;
  for (int i = 0; i < m_; ++i) {
    double v = row_violation(i, pt.g[i]);
    if (v <= 0.0) continue;
    pt.phi += w_[i] * v;
    pt.viol = std::max(pt.viol, v / row_scale(i));
  }
}

void Slp::cascade(std::vector<double> &x) {
  if (p_.determined.empty()) return;
  std::string error;
  cb::fire_nlp(o_.msgprob, cb::k_cascadestart);
  bool ok = cascade_point(p_, x, &error);
  for (const auto &d : p_.determined)
    cb::fire_nlp_col(o_.msgprob, ok ? cb::k_cascadevar : cb::k_cascadevarfail, d.col);
  cb::fire_nlp(o_.msgprob, cb::k_cascadeend);
  // On failure the trial point's own evaluation reports the error, unless
  // it was fatal: then nothing is evaluated any more.
  if (!ok && fatal_eval_error(error)) {
    eval_error_ = error;
    fatal_ = true;
  }
}

// Moves x to the nearest point (in the L1 norm) that satisfies the bounds
// and the linear rows. False when no such point exists.
bool Slp::project(std::vector<double> &x, std::string *why) {
  std::vector<double> act(m_);
  try {
    p_.model->rows(x.data(), act.data());
  } catch (const std::exception &e) {
    if (fatal_eval_error(e.what())) {
      eval_error_ = e.what();
      fatal_ = true;
      *why = eval_error_;
      return false;
    }
    std::fill(act.begin(), act.end(), NAN);
  }
  bool ok = true;
  for (int i = 0; i < m_ && ok; ++i)
    if (!p_.nonlinear_row[i] && !(row_violation(i, act[i]) <= 1e-9 * row_scale(i))) ok = false;
  if (ok) return true;

  // columns: x (n), then p, q (n each) with x - p + q = x0
  const Pattern &jp = p_.model->jacobian_pattern();
  std::vector<double> jv(jp.size());
  p_.model->jacobian_values(x.data(), jv.data());
  std::vector<int> lrow(m_, -1);
  int nl = 0;
  for (int i = 0; i < m_; ++i)
    if (!p_.nonlinear_row[i] && (p_.gl[i] > -kInf || p_.gu[i] < kInf)) lrow[i] = nl++;
  int nrows = nl + n_, ncols = 3 * n_;
  std::vector<std::vector<std::pair<int, double>>> cols(ncols);
  for (size_t k = 0; k < jp.size(); ++k)
    if (lrow[jp.rows[k]] >= 0 && jv[k] != 0.0) cols[jp.cols[k]].push_back({lrow[jp.rows[k]], jv[k]});
  std::vector<double> cost(ncols, 0.0), clo(ncols), chi(ncols), rlo(nrows), rhi(nrows);
  for (int j = 0; j < n_; ++j) {
    cols[j].push_back({nl + j, 1.0});
    cols[n_ + j].push_back({nl + j, -1.0});
    cols[2 * n_ + j].push_back({nl + j, 1.0});
    clo[j] = inf_or(p_.xl[j]);
    chi[j] = inf_or(p_.xu[j]);
    clo[n_ + j] = clo[2 * n_ + j] = 0.0;
    chi[n_ + j] = chi[2 * n_ + j] = INFINITY;
    cost[n_ + j] = cost[2 * n_ + j] = 1.0 / std::max(1.0, std::fabs(x[j]));
    rlo[nl + j] = rhi[nl + j] = x[j];
  }
  for (int i = 0; i < m_; ++i)
    if (lrow[i] >= 0) {
      rlo[lrow[i]] = inf_or(p_.gl[i]);
      rhi[lrow[i]] = inf_or(p_.gu[i]);
    }
  std::vector<HighsInt> start(ncols + 1, 0), index;
  std::vector<double> value;
  for (int j = 0; j < ncols; ++j) {
    for (auto &e : cols[j]) {
      index.push_back(e.first);
      value.push_back(e.second);
    }
    start[j + 1] = (HighsInt)index.size();
  }
  Lp lp;
  Highs_passLp(lp.h(), ncols, nrows, (HighsInt)index.size(), kHighsMatrixFormatColwise,
               kHighsObjSenseMinimize, 0.0, cost.data(), clo.data(), chi.data(), rlo.data(),
               rhi.data(), start.data(), index.data(), value.data());
  int st = lp.run();
  if (st != kHighsModelStatusOptimal) {
    *why = st == kHighsModelStatusInfeasible
               ? "The linear rows and the bounds have no common point"
               : format("HiGHS could not find a point within the linear rows (model status %d)", st);
    return false;
  }
  std::vector<double> sol(ncols);
  Highs_getSolution(lp.h(), sol.data(), nullptr, nullptr, nullptr);
  for (int j = 0; j < n_; ++j) x[j] = clamp_to_bounds(sol[j], p_.xl[j], p_.xu[j]);
  return true;
}

void Slp::layout() {
  lprow_.assign(m_, -1);
  rowof_.clear();
  elastic_.assign(m_, 0);
  ecol_.assign(m_, -1);
  nlpcols_ = n_;
  for (int i = 0; i < m_; ++i) {
    if (p_.gl[i] <= -kInf && p_.gu[i] >= kInf) continue;
    lprow_[i] = (int)rowof_.size();
    rowof_.push_back(i);
    if ((p_.nonlinear_row[i] && !p_.hard_row[i]) || all_elastic_) {
      elastic_[i] = 1;
      ecol_[i] = nlpcols_;
      nlpcols_ += 2;
    }
  }
  scol_.assign(n_, -1);
  srow_.assign(n_, -1);
  nsoft_ = 0;
  for (int j = 0; j < n_; ++j)
    if (p_.softstep[j]) {
      scol_[j] = nlpcols_;
      nlpcols_ += 2;
      srow_[j] = (int)rowof_.size() + nsoft_++;
    }
  const Pattern &jp = p_.model->jacobian_pattern();
  jac_nl_.clear();
  for (size_t k = 0; k < jp.size(); ++k)
    if (lprow_[jp.rows[k]] >= 0 && p_.nonlinear_row[jp.rows[k]]) jac_nl_.push_back((int)k);
  built_ = false;
}

// The LP at `center` (step box) with rows linearized by the Jacobian `jac`
// through the point `ref`: g(ref) + J (x - ref). A second-order correction
// uses the same J with `ref` at the rejected trial point.
bool Slp::build_lp(const Point &center, const Point &ref, const std::vector<double> &grad,
                   const std::vector<double> &jac) {
  const Pattern &jp = p_.model->jacobian_pattern();
  int nrows = nlprows();
  // Column bounds: the step box on step-bounded columns, within the bounds
  // (a row of its own for a column with a penalty delta).
  std::vector<double> cost(nlpcols_, 0.0), clo(nlpcols_), chi(nlpcols_);
  std::vector<double> rlo(nrows, -INFINITY), rhi(nrows, INFINITY);
  std::vector<char> determined(n_, 0);
  for (const auto &d : p_.determined) determined[d.col] = 1;
  for (int j = 0; j < n_; ++j) {
    cost[j] = grad[j];
    double lo = p_.xl[j], hi = p_.xu[j];
    if (step_bounded(j) && (!determined[j] || bound_determined_)) {
      double d = delta(j, center.x[j]);
      if (scol_[j] >= 0) {
        rlo[srow_[j]] = center.x[j] - d;
        rhi[srow_[j]] = center.x[j] + d;
      } else {
        lo = std::max(lo, center.x[j] - d);
        hi = std::min(hi, center.x[j] + d);
      }
    }
    clo[j] = inf_or(lo);
    chi[j] = inf_or(hi);
    if (scol_[j] >= 0) {
      cost[scol_[j]] = cost[scol_[j] + 1] = spen_[j];
      clo[scol_[j]] = clo[scol_[j] + 1] = 0.0;
      chi[scol_[j]] = chi[scol_[j] + 1] = INFINITY;
    }
  }
  for (int i = 0; i < m_; ++i)
    if (elastic_[i]) {
      cost[ecol_[i]] = cost[ecol_[i] + 1] = w_[i];
      clo[ecol_[i]] = clo[ecol_[i] + 1] = 0.0;
      chi[ecol_[i]] = chi[ecol_[i] + 1] = INFINITY;
    }
  // Row bounds: g(x_k) + J (x - x_k) within [gl, gu].
  std::vector<double> shift(m_, 0.0);
  for (int i = 0; i < m_; ++i) shift[i] = ref.g[i];
  for (size_t k = 0; k < jp.size(); ++k) shift[jp.rows[k]] -= jac[k] * ref.x[jp.cols[k]];
  for (int r = 0; r < (int)rowof_.size(); ++r) {
    int i = rowof_[r];
    rlo[r] = p_.gl[i] <= -kInf ? -INFINITY : p_.gl[i] - shift[i];
    rhi[r] = p_.gu[i] >= kInf ? INFINITY : p_.gu[i] - shift[i];
  }
  void *h = lp_.h();
  if (!built_) {
    std::vector<std::vector<std::pair<int, double>>> cols(nlpcols_);
    for (size_t k = 0; k < jp.size(); ++k) {
      int r = lprow_[jp.rows[k]];
      if (r >= 0) cols[jp.cols[k]].push_back({r, jac[k]});
    }
    for (int i = 0; i < m_; ++i)
      if (elastic_[i]) {
        cols[ecol_[i]].push_back({lprow_[i], 1.0});
        cols[ecol_[i] + 1].push_back({lprow_[i], -1.0});
      }
    for (int j = 0; j < n_; ++j)
      if (scol_[j] >= 0) {
        cols[j].push_back({srow_[j], 1.0});
        cols[scol_[j]].push_back({srow_[j], -1.0});
        cols[scol_[j] + 1].push_back({srow_[j], 1.0});
      }
    std::vector<HighsInt> start(nlpcols_ + 1, 0), index;
    std::vector<double> value;
    for (int j = 0; j < nlpcols_; ++j) {
      for (auto &e : cols[j]) {
        index.push_back(e.first);
        value.push_back(e.second);
      }
      start[j + 1] = (HighsInt)index.size();
    }
    if (Highs_passLp(h, nlpcols_, nrows, (HighsInt)index.size(), kHighsMatrixFormatColwise,
                     kHighsObjSenseMinimize, 0.0, cost.data(), clo.data(), chi.data(),
                     rlo.data(), rhi.data(), start.data(), index.data(),
                     value.data()) == kHighsStatusError)
      return false;  // values HiGHS cannot take (beyond 1e15)
    built_ = true;
    return true;
  }
  bool ok = Highs_changeColsCostByRange(h, 0, nlpcols_ - 1, cost.data()) != kHighsStatusError;
  ok = ok && Highs_changeColsBoundsByRange(h, 0, nlpcols_ - 1, clo.data(), chi.data()) != kHighsStatusError;
  if (nrows > 0)
    ok = ok && Highs_changeRowsBoundsByRange(h, 0, nrows - 1, rlo.data(), rhi.data()) != kHighsStatusError;
  for (int k : jac_nl_)
    ok = ok && Highs_changeCoeff(h, lprow_[jp.rows[k]], jp.cols[k], jac[k]) != kHighsStatusError;
  if (!ok) built_ = false;  // rebuilt whole at the next call
  return ok;
}

void Slp::log_line(int64_t it, const Point &pt, double pred, double rho, char mark) {
  if (!o_.log) return;
  char line[160];
  snprintf(line, sizeof line, "%5lld%c %15.8e  %9.2e  %9.2e  %9.2e  %8.2e", (long long)it, mark,
           p_.sense * pt.f, pt.viol, pred, radius_, rho);
  emit_message(o_.msgprob, 1, line);
}

// Solves the LP as built; an unbounded LP gets step bounds on every column,
// an infeasible one penalty columns on every row (rebuilt by the caller).
bool Slp::solve_lp(std::vector<double> &sol, std::vector<double> &rdual, int *status) {
  int st = lp_.run();
  *status = st;
  if (st != kHighsModelStatusOptimal) return false;
  sol.resize(nlpcols_);
  rdual.resize(nlprows());
  coldual_.resize(nlpcols_);
  Highs_getSolution(lp_.h(), sol.data(), coldual_.data(), nullptr, rdual.data());
  return true;
}

void Slp::setup_report() {
  info_.rows.assign(m_, SlpRowInfo());
  info_.cols.assign(n_, SlpColInfo());
  conv_.assign(n_, 0);
  for (const auto &d : p_.determined) info_.cols[d.col].updaterow = d.row;
  const Pattern &jp = p_.model->jacobian_pattern();
  dfk_.clear();
  for (const auto &d : p_.dfs)
    for (size_t k = 0; k < jp.size(); ++k)
      if (jp.rows[k] == d.row && jp.cols[k] == d.col) dfk_.push_back({k, d.factor});
}

// Penalty errors and step data of the LP just solved around `center`.
void Slp::record_lp(const std::vector<double> &sol, const std::vector<double> &err, const Point &center) {
  for (int i = 0; i < m_; ++i) {
    SlpRowInfo &r = info_.rows[i];
    r.curerr = err[i];
    r.pluscol = r.minuscol = -1;
    r.plusval = r.minusval = r.plusdj = r.minusdj = 0.0;
    if (!elastic_[i]) continue;
    r.pluscol = ecol_[i];
    r.minuscol = ecol_[i] + 1;
    r.plusval = sol[ecol_[i]];
    r.minusval = sol[ecol_[i] + 1];
    r.plusdj = coldual_[ecol_[i]];
    r.minusdj = coldual_[ecol_[i] + 1];
    if (err[i] > 1e-9 * row_scale(i)) {
      ++r.nerr;
      r.maxerr = std::max(r.maxerr, err[i]);
      r.toterr += err[i];
    }
  }
  for (int j = 0; j < n_; ++j) {
    SlpColInfo &c = info_.cols[j];
    bool bounded = step_bounded(j);
    c.deltaindex = bounded ? j : -1;
    c.penaltydelta = scol_[j];
    c.sb = bounded ? delta(j, center.x[j]) : 0.0;
    c.deltadj = coldual_[j];
    c.sbdual = bounded && std::fabs(std::fabs(sol[j] - center.x[j]) - c.sb) <= 1e-9 * std::max(1.0, c.sb)
                   ? coldual_[j] : 0.0;
  }
}

// The tolerance-set tests of every column that refers to a set, for the
// step cur -> trial; true when each such column passed one (and there is
// at least one).
bool Slp::tolerances_met(const Point &cur, const Point &trial, const std::vector<double> &grad,
                         const std::vector<double> &jac) {
  const Pattern &jp = p_.model->jacobian_pattern();
  // Linearization error of each row: actual change less predicted change.
  std::vector<double> linerr(m_);
  for (int i = 0; i < m_; ++i) linerr[i] = trial.g[i] - cur.g[i];
  for (size_t k = 0; k < jp.size(); ++k) linerr[jp.rows[k]] -= jac[k] * (trial.x[jp.cols[k]] - cur.x[jp.cols[k]]);
  std::vector<double> colerr(n_, 0.0), colrel(n_, 0.0);
  for (size_t k = 0; k < jp.size(); ++k) {
    int i = jp.rows[k], j = jp.cols[k];
    colerr[j] = std::max(colerr[j], std::fabs(linerr[i]));
    colrel[j] = std::max(colrel[j], std::fabs(linerr[i]) / std::max(1.0, std::fabs(trial.g[i])));
  }
  bool any = false, all = true;
  double fscale = std::max(1.0, std::fabs(trial.f));
  for (int j = 0; j < n_; ++j) {
    SlpColInfo &c = info_.cols[j];
    c.oldvalue = cur.x[j];
    c.delta = trial.x[j] - cur.x[j];
    int t = p_.coltol.empty() ? 0 : p_.coltol[j];
    if (t <= 0 || t > (int)p_.tolsets.size()) continue;
    any = true;
    const LocalProblem::Tol &ts = p_.tolsets[(size_t)t - 1];
    double x = trial.x[j], dx = std::fabs(c.delta), sb = step_bounded(j) ? delta(j, x) : INFINITY;
    double ax = std::max(1.0, std::fabs(x)), impact = std::fabs(grad[j] * c.delta);
    double bounddist = std::min(p_.xl[j] > -kInf ? x - p_.xl[j] : INFINITY, p_.xu[j] < kInf ? p_.xu[j] - x : INFINITY);
    const double value[9] = {dx, dx / ax, sb, sb / ax, impact, impact / fscale, colerr[j], colrel[j], bounddist};
    int passed = 0;
    for (int k = 0; k < 9 && !passed; ++k)
      if ((ts.status >> k & 1) && ts.tol[k] > 0 && value[k] <= ts.tol[k]) passed = k + 1;
    conv_[j] = passed;
    c.history = passed ? c.history + 1 : 0;
    if (!passed) all = false;
  }
  return any && all;
}

LocalResult Slp::run() {
  LocalResult res;
  res.y.assign(m_, 0.0);
  int64_t ended = 0;  // last iteration whose end callbacks ran
  setup_report();
  auto finish = [&](LocalStatus st, const Point &pt, const std::string &msg) {
    if (res.iter > ended) cb::fire_iteration_end(o_.msgprob, n_);
    for (int j = 0; j < n_; ++j) {
      info_.cols[j].converged = conv_[j] ? conv_[j] : st == LocalStatus::Optimal ? 10 : 0;
      if (!info_.cols[j].converged) info_.cols[j].history = 0;
    }
    for (int i = 0; i < m_; ++i) info_.rows[i].weight = elastic_.empty() || !elastic_[i] ? 0.0 : w_[i];
    res.info = info_;
    res.status = st;
    res.message = msg;
    res.x = pt.x;
    res.has_x = true;
    res.fatal = fatal_;
    res.obj = p_.sense * pt.f;
    return res;
  };

  Point cur;
  cur.x = p_.x0;
  w_.assign(m_, 1.0);
  std::string why;
  if (!project(cur.x, &why)) {
    res.status = fatal_ ? LocalStatus::EvalError : LocalStatus::Infeasible;
    res.info = info_;
    res.message = why;
    res.x = cur.x;
    res.has_x = true;
    res.fatal = fatal_;
    return res;
  }
  // A start on a bound can sit where a function or its derivative is
  // undefined (log, sqrt, division): then a point slightly inside the
  // bounds is tried, once.
  bool pushed = false;
  auto push_inside = [&] {
    pushed = true;
    for (int j = 0; j < n_; ++j) {
      double lo = p_.xl[j], hi = p_.xu[j];
      if (lo <= -kInf && hi >= kInf) continue;
      double push = 1e-2 * std::max(1.0, std::fabs(cur.x[j]));
      if (lo > -kInf && hi < kInf) push = std::min(push, 0.25 * (hi - lo));
      if (lo > -kInf) cur.x[j] = std::max(cur.x[j], lo + push);
      if (hi < kInf) cur.x[j] = std::min(cur.x[j], hi - push);
    }
    cascade(cur.x);
    return !fatal_ && evaluate(cur);
  };
  cascade(cur.x);
  if (!evaluate(cur) && (fatal_ || !push_inside()))
    return finish(LocalStatus::EvalError, cur, eval_error_);

  const Pattern &jp = p_.model->jacobian_pattern();
  std::vector<double> grad(n_), jac(jp.size()), jlp, sol, rdual;
  sigma_.resize(n_);
  omega_.assign(n_, 1.0);
  // Step bound of column j: radius_ * sigma_[j] * omega_[j]; it starts at
  // the column's own initial step bound or at the radius relative to the
  // column's size.
  radius_ = std::max(o_.stepbound, 1e-8);
  for (int j = 0; j < n_; ++j)
    sigma_[j] = p_.stepbound0[j] > 0 ? p_.stepbound0[j] / radius_ : std::max(1.0, std::fabs(cur.x[j]));
  persist_.assign(m_, 0);
  std::vector<double> dprev(n_, 0.0);
  std::vector<double> history;  // merit after the last accepted steps
  Point prev;                   // the point before the last accepted step
  bool have_prev = false;
  const size_t kHistory = 6;
  bool first = true;
  layout();

  for (int64_t it = 1;; ++it) {
    if (int why_stop = stop_reason())
      return finish(why_stop == 1 ? LocalStatus::Interrupted : LocalStatus::TimeLimit, cur, "");
    if (it > o_.iterlimit) return finish(LocalStatus::IterLimit, cur, "");
    ended = it - 1;
    if (it > 1 && cb::fire_iteration_end(o_.msgprob, n_))
      return finish(LocalStatus::Interrupted, cur, "");
    res.iter = it;
    if (cb::fire_nlp_stop(o_.msgprob, cb::k_iterstart))
      return finish(LocalStatus::Interrupted, cur, "");

    try {
      p_.model->objective_gradient(cur.x.data(), grad.data());
      p_.model->jacobian_values(cur.x.data(), jac.data());
    } catch (const std::exception &e) {
      // Derivatives undefined where the values are not (sqrt at 0): step
      // back to the last point and shrink the step bounds, or move the
      // start inside the bounds.
      eval_error_ = e.what();
      if (fatal_eval_error(eval_error_)) {
        fatal_ = true;
        return finish(LocalStatus::EvalError, cur, eval_error_);
      }
      if (have_prev) {
        cur = prev;
        have_prev = false;
        radius_ *= 0.25;
        log_line(it, cur, 0.0, 0.0, 'D');
        continue;
      }
      if (!pushed && push_inside()) continue;
      return finish(LocalStatus::EvalError, cur, eval_error_);
    }
    for (double &v : grad) v *= p_.sense;
    jlp = jac;  // the linearization, with the derivative factors
    if (!exact_)
      for (const auto &d : dfk_) jlp[d.first] *= d.second;
    double gscale = 1.0;
    for (double v : grad) gscale = std::max(gscale, std::fabs(v));
    gscale_ = gscale;
    if (first) {
      // Initial penalties: the objective's gradient over each row's.
      std::vector<double> jmax(m_, 0.0);
      for (size_t k = 0; k < jp.size(); ++k)
        jmax[jp.rows[k]] = std::max(jmax[jp.rows[k]], std::fabs(jac[k]));
      for (int i = 0; i < m_; ++i)
        w_[i] = p_.rowwt[i] * o_.penalty * gscale / std::min(std::max(jmax[i], 1e-2), 1e2);
      merit(cur);
      spen_.assign(n_, 0.0);
      for (int j = 0; j < n_; ++j) spen_[j] = p_.steppenalty[j] > 0 ? p_.steppenalty[j] : o_.penalty * gscale;
      first = false;
    }

    int st = 0;
    bool solved = false;
    for (int attempt = 0; attempt < 8 && !solved; ++attempt) {
      if (!build_lp(cur, cur, grad, jlp))
        return finish(LocalStatus::Failed, cur,
                      "The linearization has values the LP solver cannot take (beyond 1e15)");
      solved = solve_lp(sol, rdual, &st);
      if (solved) break;
      bool unbounded = st == kHighsModelStatusUnbounded || st == kHighsModelStatusUnboundedOrInfeasible;
      if (unbounded && !all_bounded_) {
        all_bounded_ = true;
      } else if (unbounded && !bound_determined_) {
        // Penalties below the objective's pull: a determined column runs
        // off with its row's penalty columns. Raise them, then box it too.
        bool raised = false;
        for (int i = 0; i < m_; ++i)
          if (elastic_[i] && w_[i] < kPenaltyMax) {
            w_[i] = std::min(kPenaltyMax, w_[i] * 10);
            raised = true;
          }
        if (raised) merit(cur);
        if (!raised || attempt >= 5) bound_determined_ = true;
      } else if (st == kHighsModelStatusInfeasible && !all_elastic_) {
        all_elastic_ = true;
        layout();
      } else {
        break;
      }
    }
    if (!solved && st == kHighsModelStatusInterrupt)
      return finish(stop_reason() == 2 ? LocalStatus::TimeLimit : LocalStatus::Interrupted, cur, "");
    if (!solved)
      return finish(LocalStatus::Failed, cur,
                    format("HiGHS could not solve the linearized problem (model status %d)", st));
    std::fill(res.y.begin(), res.y.end(), 0.0);
    for (size_t r = 0; r < rowof_.size(); ++r) res.y[rowof_[r]] = rdual[r];

    // Predicted decrease of the merit function.
    double pred = 0.0, dnorm = 0.0;
    for (int j = 0; j < n_; ++j) {
      double dj = sol[j] - cur.x[j];
      pred -= grad[j] * dj;
      if (step_bounded(j)) dnorm = std::max(dnorm, std::fabs(dj) / (sigma_[j] * omega_[j]));
    }
    std::vector<double> err(m_, 0.0);
    for (int i = 0; i < m_; ++i) {
      if (elastic_[i]) err[i] = std::max(0.0, sol[ecol_[i]]) + std::max(0.0, sol[ecol_[i] + 1]);
      pred += w_[i] * (row_violation(i, cur.g[i]) - err[i]);
    }
    record_lp(sol, err, cur);

    // First-order optimality at x_k with the LP's row multipliers: the
    // objective gradient less the rows' part must vanish except at bounds
    // (stationarity), and a row with a multiplier must be active.
    // The LP's multipliers are those of the linearized problem only when no
    // penalty column is in use.
    bool feasible = cur.viol <= o_.feastol;
    bool lp_clean = true;
    for (int i = 0; i < m_; ++i)
      if (err[i] > 1e-9 * row_scale(i)) lp_clean = false;
    double fscale = std::max(1.0, std::fabs(cur.f));
    if (feasible && lp_clean) {
      std::vector<double> r = grad;
      for (size_t k = 0; k < jp.size(); ++k) r[jp.cols[k]] -= res.y[jp.rows[k]] * jac[k];
      double stat = 0.0;
      for (int j = 0; j < n_; ++j) {
        double tolx = 1e-9 * std::max(1.0, std::fabs(cur.x[j]));
        double rj = r[j];
        if (p_.xl[j] >= p_.xu[j]) rj = 0.0;
        else if (cur.x[j] <= p_.xl[j] + tolx) rj = std::min(rj, 0.0);
        else if (cur.x[j] >= p_.xu[j] - tolx) rj = std::max(rj, 0.0);
        stat = std::max(stat, std::fabs(rj));
      }
      double compl_ = 0.0;
      for (int i = 0; i < m_; ++i) {
        double y = res.y[i];
        if (y == 0.0) continue;
        double dist = y > 0 ? (p_.gl[i] > -kInf ? cur.g[i] - p_.gl[i] : INFINITY)
                            : (p_.gu[i] < kInf ? p_.gu[i] - cur.g[i] : INFINITY);
        compl_ = std::max(compl_, std::fabs(y) * std::fabs(dist));
      }
      if ((stat <= o_.opttol * gscale && compl_ <= o_.opttol * fscale) || pred <= 1e-12 * fscale) {
        if (drop_factors()) continue;
        log_line(it, cur, pred, 0.0, '*');
        return finish(LocalStatus::Optimal, cur, "");
      }
    } else if (pred <= 1e-9 * std::max(1.0, std::fabs(cur.phi)) && !(feasible && lp_clean)) {
      // No progress possible at these penalties: raise them on the violated
      // rows, or give up when they are at their ceiling.
      if (drop_factors()) continue;
      bool raised = false;
      for (int i = 0; i < m_; ++i)
        if (row_violation(i, cur.g[i]) > 0 && w_[i] < kPenaltyMax) {
          w_[i] = std::min(kPenaltyMax, w_[i] * 10);
          raised = true;
        }
      merit(cur);
      log_line(it, cur, pred, 0.0, 'P');
      if (!raised)
        return finish(LocalStatus::LocallyInfeasible, cur,
                      "The linearization cannot reduce the violation of the rows any further");
      continue;
    }

    auto make_trial = [&](const std::vector<double> &lpsol, Point &t) {
      t.x.assign(lpsol.begin(), lpsol.begin() + n_);
      for (int j = 0; j < n_; ++j) {
        if (p_.damp[j] != 1.0) t.x[j] = cur.x[j] + p_.damp[j] * (t.x[j] - cur.x[j]);
        t.x[j] = clamp_to_bounds(t.x[j], p_.xl[j], p_.xu[j]);
      }
      cascade(t.x);
      return evaluate(t);
    };
    Point trial;
    bool ok = make_trial(sol, trial);
    if (fatal_) return finish(LocalStatus::EvalError, cur, eval_error_);
    double rho = ok ? (cur.phi - trial.phi) / pred : -INFINITY;
    char mark = ' ';
    if (ok && rho <= 1e-4 && trial.viol > cur.viol) {
      // Second-order correction: the same linearization moved to the trial
      // point's row values pulls the step back onto curved rows.
      std::vector<double> sol2, rdual2;
      int st2;
      Point soc;
      bool soc_ok = build_lp(cur, trial, grad, jlp) && solve_lp(sol2, rdual2, &st2) &&
                    make_trial(sol2, soc);
      if (fatal_) return finish(LocalStatus::EvalError, cur, eval_error_);
      if (soc_ok) {
        double rho2 = (cur.phi - soc.phi) / pred;
        if (rho2 > 1e-4) {
          trial = std::move(soc);
          rho = rho2;
          mark = 'c';
        }
      }
    }
    if (ok && rho > 1e-4) {
      // Accepted. Columns whose steps change direction at the step bound
      // oscillate: their bound shrinks on its own.
      for (int j = 0; j < n_; ++j) {
        if (!step_bounded(j)) continue;
        double dj = trial.x[j] - cur.x[j];
        bool at_bound = std::fabs(dj) >= 0.9 * delta(j, cur.x[j]);
        if (dj * dprev[j] < 0 && at_bound) omega_[j] = std::max(1e-6, omega_[j] * 0.5);
        else if (dj * dprev[j] > 0 && at_bound) omega_[j] = std::min(1.0, omega_[j] * 2);
        dprev[j] = dj;
      }
      if (rho > 0.75 && dnorm >= 0.9 * radius_) radius_ = std::min(kRadiusMax, 2 * radius_);
      else if (rho < 0.25) radius_ *= 0.5;
      log_line(it, trial, pred, rho, mark);
      bool tol_done = tolerances_met(cur, trial, grad, jac);
      prev = std::move(cur);
      have_prev = true;
      cur = std::move(trial);
      if (tol_done && cur.viol <= o_.feastol && !drop_factors()) return finish(LocalStatus::Optimal, cur, "");
      // Objective test: feasible, and the merit function barely moved over
      // the last accepted steps (slow final convergence on flat optima).
      history.push_back(cur.phi);
      if (history.size() > kHistory) history.erase(history.begin());
      if (history.size() == kHistory && cur.viol <= o_.feastol &&
          std::fabs(history.front() - cur.phi) <= 1e-2 * o_.opttol * std::max(1.0, std::fabs(cur.phi))) {
        if (!drop_factors()) return finish(LocalStatus::Optimal, cur, "");
        history.clear();
      }
    } else {
      // A rejected step that went beyond a step bound makes that bound dearer
      // (at least the objective's pull); the step bounds themselves stay.
      bool dearer = false;
      for (int j = 0; j < n_; ++j)
        if (scol_[j] >= 0 && std::fabs(sol[j] - cur.x[j]) > delta(j, cur.x[j]) * (1 + 1e-9) &&
            spen_[j] < kPenaltyMax) {
          spen_[j] = std::min(kPenaltyMax, std::max(spen_[j] * 10, gscale_));
          dearer = true;
        }
      if (!dearer) radius_ = (rho < 0 ? 0.25 : 0.5) * std::min(radius_, dnorm > 0 ? dnorm : radius_);
      log_line(it, cur, pred, std::isfinite(rho) ? rho : -1.0, ok ? 'R' : 'E');
      if (radius_ < kRadiusMin && ok && drop_factors()) radius_ = std::max(o_.stepbound, 1e-8);
      if (radius_ < kRadiusMin) {
        if (!ok) return finish(LocalStatus::EvalError, cur, eval_error_);
        if (cur.viol <= o_.feastol)
          return finish(LocalStatus::Stalled, cur, "The step bounds shrank to nothing");
        return finish(LocalStatus::LocallyInfeasible, cur,
                      "The step bounds shrank to nothing before the rows were satisfied");
      }
    }

    // Penalties grow on rows whose linearized violation persists.
    bool changed = false;
    for (int i = 0; i < m_; ++i) {
      if (!elastic_[i]) continue;
      if (err[i] > 1e-9 * row_scale(i) && row_violation(i, cur.g[i]) > o_.feastol * row_scale(i)) {
        if (++persist_[i] >= 2 && w_[i] < kPenaltyMax) {
          w_[i] = std::min(kPenaltyMax, w_[i] * 10);
          persist_[i] = 0;
          changed = true;
        }
      } else {
        persist_[i] = 0;
      }
    }
    if (changed) {
      merit(cur);
      history.clear();
    }
    // Feasible points whose objective or columns run off to infinity.
    double xmax = 0.0;
    for (double v : cur.x) xmax = std::max(xmax, std::fabs(v));
    if (cur.viol <= o_.feastol && (cur.f < -1e20 || (xmax >= 1e15 && rho > 0.5)))
      return finish(LocalStatus::Unbounded, cur, "The objective decreases without bound");
  }
}

}  // namespace

LocalResult solve_slp(const LocalProblem &p, const LocalOptions &o) {
  Slp slp(p, o);
  return slp.run();
}

}  // namespace ondr
