// Node NLPs: the continuous relaxation under the node's bounds, solved by
// Ipopt from the parent's solution (or the last point solved). Rows whose
// columns the node fixes are checked directly and left out of the solve
// (Ipopt refuses problems with fewer free columns than equality rows). A
// local solve that fails, or that finds no feasible point of a nonconvex
// relaxation, is tried once more from the middle of the box;
// when that fails too, the node keeps a feasible point it reached as its
// value, or is dropped, and the search is marked as proving nothing.
#include <algorithm>
#include <cmath>
#include "bb/model.h"
#include "bb/noderelax.h"
#include "env/error.h"
#include "model/edit.h"
#include "nlp/nlpmodel.h"

namespace ondr {
namespace bb {

namespace {

class NlpRelax : public NodeRelax {
 public:
  NlpRelax(const BbModel &bm, std::function<int()> stop);
  void set_col_bounds(const std::vector<double> &lo, const std::vector<double> &up) override {
    lo_ = lo;
    up_ = up;
  }
  void set_row_bounds(const std::vector<double> &lo, const std::vector<double> &up) override {
    std::copy(lo.begin(), lo.begin() + std::min(lo.size(), rlo_.size()), rlo_.begin());
    std::copy(up.begin(), up.begin() + std::min(up.size(), rup_.size()), rup_.begin());
  }
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
    if ((int)b.x.size() != n_) return false;
    start_ = b.x;
    return true;
  }
  std::shared_ptr<Basis> basis() const override {
    if (!solved_) return nullptr;
    auto b = std::make_shared<Basis>();
    b->x = x_;
    return b;
  }
  LpStatus solve(double cutoff, int64_t iter_limit) override;
  double objective() const override { return obj_; }
  const std::vector<double> &x() const override { return x_; }
  const std::vector<double> &row_activity() const override { return rowact_; }
  int stop_reason() const override { return stop_reason_; }
  int64_t iterations() const override { return iters_; }

 private:
  void rebuild();
  LpStatus accept(const std::vector<double> &x);
  LocalResult run(LocalProblem &p, int64_t iter_limit);

  const NonlinearPart &part_;
  std::function<int()> stop_;
  Model model_;                         // the relaxation, then appended rows
  std::unique_ptr<NlpModel> nm_;
  LocalProblem base_;
  std::vector<std::vector<int>> row_cols_;  // columns of each row
  int n_ = 0, model_rows_ = 0;
  std::vector<double> lo_, up_, rlo_, rup_;
  std::vector<double> start_, x_, rowact_;
  double obj_ = 0.0;
  bool solved_ = false;
  int stop_reason_ = 0;
  int64_t iters_ = 0;
};

NlpRelax::NlpRelax(const BbModel &bm, std::function<int()> stop)
    : part_(*bm.nonlinear), stop_(std::move(stop)), model_(bm.nonlinear->relaxed) {
  n_ = bm.ncols();
  model_rows_ = bm.nrows();
  lo_ = bm.lp.collo;
  up_ = bm.lp.colup;
  rlo_ = bm.lp.rowlo;
  rup_ = bm.lp.rowup;
  start_ = part_.start;
  rebuild();
}

void NlpRelax::rebuild() {
  nm_ = std::make_unique<NlpModel>(model_, part_.slp);
  base_ = build_local_problem(model_, *nm_, part_.sense, &part_.start);
  row_cols_.assign((size_t)model_.nrows(), {});
  const Pattern &jp = nm_->jacobian_pattern();
  for (size_t k = 0; k < jp.size(); ++k) row_cols_[(size_t)jp.rows[k]].push_back(jp.cols[k]);
}

void NlpRelax::add_rows(const std::vector<double> &lo, const std::vector<HighsIntLike> &start,
                        const std::vector<HighsIntLike> &index, const std::vector<double> &value) {
  for (size_t k = 0; k < lo.size(); ++k) {
    size_t b = (size_t)start[k], e = k + 1 < lo.size() ? (size_t)start[k + 1] : index.size();
    std::vector<Entry> row;
    for (size_t p = b; p < e; ++p) row.push_back({index[p], value[p]});
    std::sort(row.begin(), row.end(), [](const Entry &a, const Entry &c) { return a.index < c.index; });
    model_.rows.push_back(std::move(row));
    model_.rowtype.push_back('G');
    model_.rhs.push_back(lo[k]);
    model_.range.push_back(0.0);
    model_.rownames.push_back("");
    if (!model_.indcol.empty()) model_.indcol.push_back(-1), model_.indcomp.push_back(0);
    rlo_.push_back(lo[k]);
    rup_.push_back(kInf);
  }
  model_.names_changed();
  rebuild();
}

void NlpRelax::delete_extra_rows(const std::vector<int> &extra) {
  if (extra.empty()) return;
  std::vector<int> rows;
  for (int e : extra) rows.push_back(model_rows_ + e);
  delete_rows(model_, (int)rows.size(), rows.data());
  for (auto it = extra.rbegin(); it != extra.rend(); ++it) {
    rlo_.erase(rlo_.begin() + model_rows_ + *it);
    rup_.erase(rup_.begin() + model_rows_ + *it);
  }
  rebuild();
}

LocalResult NlpRelax::run(LocalProblem &p, int64_t iter_limit) {
  LocalOptions o = part_.options;
  if (iter_limit > 0) o.iterlimit = std::min<int64_t>(o.iterlimit, iter_limit);
  o.interrupted = stop_;
  o.log = false;
  LocalResult r = solve_ipopt(p, o);
  iters_ += r.iter;
  return r;
}

LpStatus NlpRelax::accept(const std::vector<double> &x) {
  std::vector<double> act((size_t)model_.nrows());
  double f;
  try {
    f = part_.sense * nm_->objective(x.data());
    nm_->rows(x.data(), act.data());
  } catch (const std::exception &) {
    part_.unproven = true;
    return LpStatus::Infeasible;
  }
  x_ = x;
  rowact_ = std::move(act);
  obj_ = f;
  start_ = x_;
  solved_ = true;
  return LpStatus::Optimal;
}

LpStatus NlpRelax::solve(double cutoff, int64_t iter_limit) {
  (void)cutoff;  // the search compares the node's value with its cutoff
  stop_reason_ = 0;
  double tol = part_.options.feastol;
  LocalProblem p = base_;
  for (int j = 0; j < n_; ++j) {
    if (lo_[(size_t)j] > up_[(size_t)j] + tol) return LpStatus::Infeasible;
    p.xl[(size_t)j] = lo_[(size_t)j];
    p.xu[(size_t)j] = std::max(lo_[(size_t)j], up_[(size_t)j]);
  }
  int m = model_.nrows();
  for (int i = 0; i < m; ++i) {
    if (i < model_rows_ && part_.nonlinear_row[(size_t)i]) continue;  // its own bounds
    p.gl[(size_t)i] = rlo_[(size_t)i];
    p.gu[(size_t)i] = rup_[(size_t)i];
  }
  std::vector<double> x0((size_t)n_);
  for (int j = 0; j < n_; ++j)
    x0[(size_t)j] = clamp_to_bounds(start_[(size_t)j], p.xl[(size_t)j], p.xu[(size_t)j]);
  // Rows over fixed columns only: decided here.
  std::vector<char> fixed_row((size_t)m, 0);
  bool any_fixed = false, all_fixed = true;
  for (int j = 0; j < n_; ++j) all_fixed = all_fixed && p.xl[(size_t)j] == p.xu[(size_t)j];
  for (int i = 0; i < m; ++i) {
    bool f = true;
    for (int j : row_cols_[(size_t)i]) f = f && p.xl[(size_t)j] == p.xu[(size_t)j];
    fixed_row[(size_t)i] = f;
    any_fixed = any_fixed || f;
  }
  if (any_fixed) {
    std::vector<double> act((size_t)m);
    try {
      nm_->rows(x0.data(), act.data());
    } catch (const std::exception &) {
      return LpStatus::Infeasible;  // the fixed columns leave a row undefined
    }
    for (int i = 0; i < m; ++i) {
      if (!fixed_row[(size_t)i]) continue;
      if (bound_violation(act[(size_t)i], p.gl[(size_t)i], p.gu[(size_t)i]) >
          tol * std::max(1.0, std::fabs(act[(size_t)i])))
        return LpStatus::Infeasible;
      p.gl[(size_t)i] = -kInf;
      p.gu[(size_t)i] = kInf;
    }
  }
  if (all_fixed) return accept(x0);
  p.x0 = x0;
  LocalResult r = run(p, iter_limit);
  auto feasible = [&](const LocalResult &res) {
    if (!res.has_x) return false;
    std::vector<double> act((size_t)m);
    try {
      nm_->rows(res.x.data(), act.data());
    } catch (const std::exception &) {
      return false;
    }
    return max_violation(p, res.x.data(), act.data()) <= 10 * tol;
  };
  switch (r.status) {
    case LocalStatus::Optimal: return accept(r.x);
    case LocalStatus::Stalled:
      if (feasible(r)) return accept(r.x);
      break;
    case LocalStatus::Infeasible: return LpStatus::Infeasible;
    case LocalStatus::LocallyInfeasible:
      // Proof for a convex relaxation; elsewhere only this start's failure.
      if (part_.convex) return LpStatus::Infeasible;
      break;
    case LocalStatus::Unbounded: return LpStatus::Unbounded;
    case LocalStatus::TimeLimit:
    case LocalStatus::Interrupted:
      stop_reason_ = stop_ ? stop_() : 0;
      if (!stop_reason_) stop_reason_ = 1;
      return LpStatus::Stopped;
    case LocalStatus::IterLimit:
      if (iter_limit > 0) {
        if (feasible(r) && accept(r.x) == LpStatus::Optimal) return LpStatus::IterLimit;
        return LpStatus::IterLimit;
      }
      break;
    case LocalStatus::EvalError:
      if (r.fatal) fail(ERR_SOLVER, "A node NLP of the search stopped: %s", r.message.c_str());
      break;
    case LocalStatus::Failed: break;
  }
  // Once more from the middle of the node's box.
  for (int j = 0; j < n_; ++j) {
    double l = p.xl[(size_t)j], u = p.xu[(size_t)j];
    double v = l > -kInf && u < kInf ? 0.5 * (l + u) : 0.0;
    p.x0[(size_t)j] = clamp_to_bounds(v, l, u);
  }
  LocalResult r2 = run(p, iter_limit);
  if (r2.status == LocalStatus::Optimal) return accept(r2.x);
  if (r2.status == LocalStatus::Interrupted || r2.status == LocalStatus::TimeLimit) {
    stop_reason_ = stop_ ? stop_() : 0;
    if (!stop_reason_) stop_reason_ = 1;
    return LpStatus::Stopped;
  }
  if (r2.status == LocalStatus::EvalError && r2.fatal)
    fail(ERR_SOLVER, "A node NLP of the search stopped: %s", r2.message.c_str());
  part_.unproven = true;
  if (feasible(r2)) return accept(r2.x);
  if (feasible(r)) return accept(r.x);
  return LpStatus::Infeasible;
}

}  // namespace

std::unique_ptr<NodeRelax> make_nlp_relax(const BbModel &bm, std::function<int()> stop) {
  if (!bm.nonlinear) fail(ERR_STATE, "The search's model has no nonlinear part");
  return std::make_unique<NlpRelax>(bm, std::move(stop));
}

}  // namespace bb
}  // namespace ondr
