#include "bb/nodelp.h"
#include <cmath>
#include "controls/ids.h"
#include "env/error.h"
#include "lp/highs_run.h"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "interfaces/highs_c_api.h"
#pragma GCC diagnostic pop

namespace ondr {
namespace bb {

namespace {

// Sends the entries of (lo, up) that differ from (cur_lo, cur_up) through
// `change` (one of HiGHS's by-set bound functions) and records them.
template <class F>
void send_diff(const std::vector<double> &lo, const std::vector<double> &up,
               std::vector<double> &cur_lo, std::vector<double> &cur_up, double inf, F change) {
  std::vector<HighsInt> idx;
  std::vector<double> l, u;
  for (size_t j = 0; j < lo.size(); ++j) {
    if (lo[j] == cur_lo[j] && up[j] == cur_up[j]) continue;
    idx.push_back((HighsInt)j);
    l.push_back(to_highs(lo[j], inf));
    u.push_back(to_highs(up[j], inf));
    cur_lo[j] = lo[j];
    cur_up[j] = up[j];
  }
  if (idx.empty()) return;
  if (change((HighsInt)idx.size(), idx.data(), l.data(), u.data()) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused the bounds of a search node");
}

static_assert(sizeof(HighsInt) == sizeof(HighsIntLike), "HiGHS index type");

// LP or QP on one HiGHS instance.
class HighsRelax : public NodeRelax {
 public:
  HighsRelax(ONDRprob prob, const BbModel &bm, const ControlValues &c, std::function<int()> stop,
             bool soft_failure);
  void set_col_bounds(const std::vector<double> &lo, const std::vector<double> &up) override;
  void set_row_bounds(const std::vector<double> &lo, const std::vector<double> &up) override;
  const std::vector<double> &col_lo() const override { return lo_; }
  const std::vector<double> &col_up() const override { return up_; }
  void row_bounds(std::vector<double> &lo, std::vector<double> &up) const override {
    lo = rlo_;
    up = rup_;
  }
  void add_rows(const std::vector<double> &lo, const std::vector<HighsIntLike> &start,
                const std::vector<HighsIntLike> &index, const std::vector<double> &value) override;
  void delete_extra_rows(const std::vector<int> &extra) override;
  bool set_basis(const Basis &b) override {
    return !b.cols.empty() && h_.set_basis(b.cols, b.rows);
  }
  std::shared_ptr<Basis> basis() const override;
  LpStatus solve(double cutoff, int64_t iter_limit) override;
  double objective() const override { return obj_; }
  const std::vector<double> &x() const override { return x_; }
  const std::vector<double> &row_activity() const override { return rowact_; }
  int stop_reason() const override { return stop_reason_; }
  int64_t iterations() const override { return iters_; }
  const std::vector<double> &reduced_costs() const override { return dj_; }
  HighsHandle *highs() override { return &h_; }

 private:
  LpStatus run_once(double cutoff, int64_t iter_limit);
  HighsHandle h_;
  RunHooks hooks_;
  double inf_;
  bool quadratic_, soft_;
  int model_rows_ = 0;
  std::vector<double> lo_, up_, rlo_, rup_;
  std::vector<double> x_, rowact_;
  std::vector<double> dj_;
  double obj_ = 0.0;
  int stop_reason_ = 0;
  int64_t iters_ = 0;
};

HighsRelax::HighsRelax(ONDRprob prob, const BbModel &bm, const ControlValues &c,
                       std::function<int()> stop, bool soft_failure)
    : quadratic_(!bm.lp.hessian.empty()), soft_(soft_failure) {
  RunSettings s;
  s.ncols = bm.ncols();
  s.nrows = bm.nrows();
  s.quadratic = quadratic_;
  h_.apply_controls(c, s);
  // Node LPs: dual simplex from the previous basis, no presolve; the
  // search keeps time and node limits itself, and its log is its own.
  // Node QPs: HiGHS's QP solver (no algorithm choice), its iterations
  // capped by apply_controls.
  h_.set("presolve", "off");
  if (!quadratic_) {
    h_.set("solver", "simplex");
    h_.set("simplex_strategy", 1);
  }
  // HiGHS refuses a run whose thread count differs from this thread's scheduler.
  prepare_scheduler((int)c.geti(id::THREADS));
  inf_ = h_.infinity();
  h_.set("time_limit", inf_);
  h_.set_flag("output_flag", false);
  h_.pass_model(bm.lp);
  lo_ = bm.lp.collo;
  up_ = bm.lp.colup;
  model_rows_ = bm.nrows();
  rlo_ = bm.lp.rowlo;
  rup_ = bm.lp.rowup;
  hooks_.prob = prob;
  hooks_.log = false;
  hooks_.stop = std::move(stop);
}

void HighsRelax::set_col_bounds(const std::vector<double> &lo, const std::vector<double> &up) {
  void *h = h_.get();
  send_diff(lo, up, lo_, up_, inf_, [h](HighsInt n, const HighsInt *i, const double *l,
                                       const double *u) {
    return Highs_changeColsBoundsBySet(h, n, i, l, u);
  });
}

void HighsRelax::set_row_bounds(const std::vector<double> &lo, const std::vector<double> &up) {
  void *h = h_.get();
  send_diff(lo, up, rlo_, rup_, inf_, [h](HighsInt n, const HighsInt *i, const double *l,
                                         const double *u) {
    return Highs_changeRowsBoundsBySet(h, n, i, l, u);
  });
}

void HighsRelax::add_rows(const std::vector<double> &lo, const std::vector<HighsIntLike> &start,
                          const std::vector<HighsIntLike> &index,
                          const std::vector<double> &value) {
  std::vector<double> up(lo.size(), inf_);
  if (Highs_addRows(h_.get(), (HighsInt)lo.size(), lo.data(), up.data(), (HighsInt)index.size(),
                    start.data(), index.data(), value.data()) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused the cuts of the search");
  for (double l : lo) {
    rlo_.push_back(l);
    rup_.push_back(kInf);
  }
}

void HighsRelax::delete_extra_rows(const std::vector<int> &extra) {
  if (extra.empty()) return;
  std::vector<HighsInt> set;
  for (int e : extra) set.push_back((HighsInt)(model_rows_ + e));
  if (Highs_deleteRowsBySet(h_.get(), (HighsInt)set.size(), set.data()) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused to delete the cuts of the search");
  for (auto it = extra.rbegin(); it != extra.rend(); ++it) {
    rlo_.erase(rlo_.begin() + model_rows_ + *it);
    rup_.erase(rup_.begin() + model_rows_ + *it);
  }
}

std::shared_ptr<Basis> HighsRelax::basis() const {
  auto b = std::make_shared<Basis>();
  if (!h_.get_basis(b->cols, b->rows)) return nullptr;
  return b;
}

LpStatus HighsRelax::run_once(double cutoff, int64_t iter_limit) {
  // The QP solver does not stop at an objective bound: the search compares
  // the node's value with its cutoff itself.
  h_.set("objective_bound", std::isfinite(cutoff) && !quadratic_ ? cutoff : inf_);
  if (!quadratic_)
    h_.set("simplex_iteration_limit",
           iter_limit > 0 ? (int)std::min<int64_t>(iter_limit, 2147483647) : 2147483647);
  int rc = h_.run(hooks_);
  HighsInt it = 0;
  if (Highs_getIntInfoValue(h_.get(), quadratic_ ? "qp_iteration_count" : "simplex_iteration_count",
                            &it) == kHighsStatusOk)
    iters_ += it;
  int ms = h_.model_status();
  if (run_failed(rc, ms)) return LpStatus::Stopped;  // the caller retries cold or fails
  switch (ms) {
    case HMS_OPTIMAL: break;
    case HMS_INFEASIBLE: return LpStatus::Infeasible;
    case HMS_OBJECTIVE_BOUND: return LpStatus::Cutoff;
    case HMS_UNBOUNDED: case HMS_UNBOUNDED_OR_INFEASIBLE: return LpStatus::Unbounded;
    case HMS_ITERATION_LIMIT:
      // A capped QP run has no solution to offer: another solver takes it.
      if (quadratic_) return LpStatus::Stopped;
      break;
    case HMS_INTERRUPT:
      stop_reason_ = h_.stop_reason();
      return LpStatus::Stopped;
    default: return LpStatus::Stopped;
  }
  obj_ = Highs_getObjectiveValue(h_.get());
  int n = (int)lo_.size(), m = (int)rlo_.size();
  x_.resize((size_t)n);
  rowact_.resize((size_t)m);
  dj_.resize((size_t)n);
  std::vector<double> rd((size_t)m);
  Highs_getSolution(h_.get(), x_.data(), dj_.data(), rowact_.data(), rd.data());
  return ms == HMS_ITERATION_LIMIT ? LpStatus::IterLimit : LpStatus::Optimal;
}

LpStatus HighsRelax::solve(double cutoff, int64_t iter_limit) {
  stop_reason_ = 0;
  LpStatus s = run_once(cutoff, iter_limit);
  if (s != LpStatus::Stopped || stop_reason_ != 0) return s;
  // HiGHS stumbled (it may be the start basis): once more from scratch.
  h_.clear_solver();
  s = run_once(cutoff, iter_limit);
  if (s == LpStatus::Stopped && stop_reason_ == 0 && !soft_)
    fail(ERR_SOLVER, "HiGHS failed to solve a node %s of the search (%s)", quadratic_ ? "QP" : "LP",
         highs_status_name(h_.model_status()));
  return s;
}

}  // namespace

std::unique_ptr<NodeRelax> make_highs_relax(ONDRprob prob, const BbModel &bm,
                                            const ControlValues &c, std::function<int()> stop,
                                            bool soft_failure) {
  return std::make_unique<HighsRelax>(prob, bm, c, std::move(stop), soft_failure);
}

NodeLp::NodeLp(ONDRprob prob, const BbModel &bm, const ControlValues &c,
               std::function<int()> stop)
    : bm_(bm), stop_(stop) {
  if (bm.nonlinear) kind_ = bm.nonlinear->kind;
  if (kind_ == RelaxKind::Nlp) r_ = make_nlp_relax(bm, std::move(stop));
  else r_ = make_highs_relax(prob, bm, c, std::move(stop), kind_ == RelaxKind::Qp);
  last_ = r_.get();
}

void NodeLp::set_col_bounds(const std::vector<double> &lo, const std::vector<double> &up) {
  r_->set_col_bounds(lo, up);
  if (fallback_) fallback_->set_col_bounds(lo, up);
}

void NodeLp::set_row_bounds(const std::vector<double> &lo, const std::vector<double> &up) {
  r_->set_row_bounds(lo, up);
  if (fallback_) fallback_->set_row_bounds(lo, up);
}

void NodeLp::add_rows(const std::vector<double> &lo, const std::vector<HighsIntLike> &start,
                      const std::vector<HighsIntLike> &index, const std::vector<double> &value) {
  r_->add_rows(lo, start, index, value);
  if (fallback_) fallback_->add_rows(lo, start, index, value);
}

void NodeLp::delete_extra_rows(const std::vector<int> &extra) {
  r_->delete_extra_rows(extra);
  if (fallback_) fallback_->delete_extra_rows(extra);
}

bool NodeLp::set_basis(const Basis &b) {
  bool ok = r_->set_basis(b);
  if (fallback_) fallback_->set_basis(b);
  return ok;
}

LpStatus NodeLp::solve(double cutoff, int64_t iter_limit) {
  last_ = r_.get();
  LpStatus s = r_->solve(cutoff, iter_limit);
  if (kind_ != RelaxKind::Qp || s != LpStatus::Stopped || r_->stop_reason() != 0) return s;
  // HiGHS's QP solver gave up on this node (its active-set method can
  // cycle): the local solver takes it, under the same bounds and rows.
  if (!fallback_) {
    fallback_ = make_nlp_relax(bm_, stop_);
    fallback_->set_col_bounds(r_->col_lo(), r_->col_up());
    std::vector<double> rlo, rup;
    r_->row_bounds(rlo, rup);
    if ((int)rlo.size() > bm_.nrows())
      fail(ERR_SOLVER, "HiGHS failed to solve a node QP of the search (%s)",
           highs_status_name(r_->highs()->model_status()));
    fallback_->set_row_bounds(rlo, rup);
  }
  last_ = fallback_.get();
  return fallback_->solve(cutoff, iter_limit);
}

const std::vector<double> &NodeLp::reduced_costs() const {
  static const std::vector<double> none;
  return linear() ? last_->reduced_costs() : none;
}

int64_t NodeLp::iterations() const {
  return r_->iterations() + (fallback_ ? fallback_->iterations() : 0);
}

HighsHandle &NodeLp::highs() {
  HighsHandle *h = r_->highs();
  if (!h)
    fail(ERR_STATE, "The search's node relaxations are nonlinear: they have no LP to work on");
  return *h;
}

}  // namespace bb
}  // namespace ondr
