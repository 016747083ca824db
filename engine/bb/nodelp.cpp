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

}  // namespace

NodeLp::NodeLp(ONDRprob prob, const BbModel &bm, const ControlValues &c,
               std::function<int()> stop) {
  RunSettings s;
  s.ncols = bm.ncols();
  s.nrows = bm.nrows();
  h_.apply_controls(c, s);
  // Node LPs: dual simplex from the previous basis, no presolve; the
  // search keeps time and node limits itself, and its log is its own.
  h_.set("presolve", "off");
  h_.set("solver", "simplex");
  h_.set("simplex_strategy", 1);
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

void NodeLp::set_col_bounds(const std::vector<double> &lo, const std::vector<double> &up) {
  void *h = h_.get();
  send_diff(lo, up, lo_, up_, inf_, [h](HighsInt n, const HighsInt *i, const double *l,
                                       const double *u) {
    return Highs_changeColsBoundsBySet(h, n, i, l, u);
  });
}

void NodeLp::set_row_bounds(const std::vector<double> &lo, const std::vector<double> &up) {
  void *h = h_.get();
  send_diff(lo, up, rlo_, rup_, inf_, [h](HighsInt n, const HighsInt *i, const double *l,
                                         const double *u) {
    return Highs_changeRowsBoundsBySet(h, n, i, l, u);
  });
}

static_assert(sizeof(HighsInt) == sizeof(HighsIntLike), "HiGHS index type");

void NodeLp::add_rows(const std::vector<double> &lo, const std::vector<HighsIntLike> &start,
                      const std::vector<HighsIntLike> &index, const std::vector<double> &value) {
  std::vector<double> up(lo.size(), inf_);
  if (Highs_addRows(h_.get(), (HighsInt)lo.size(), lo.data(), up.data(), (HighsInt)index.size(),
                    start.data(), index.data(), value.data()) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused the cuts of the search");
  for (double l : lo) {
    rlo_.push_back(l);
    rup_.push_back(kInf);
  }
}

void NodeLp::delete_extra_rows(const std::vector<int> &extra) {
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

bool NodeLp::set_basis(const Basis &b) { return h_.set_basis(b.cols, b.rows); }

std::shared_ptr<Basis> NodeLp::basis() const {
  auto b = std::make_shared<Basis>();
  if (!h_.get_basis(b->cols, b->rows)) return nullptr;
  return b;
}

LpStatus NodeLp::run_once(double cutoff, int64_t iter_limit) {
  h_.set("objective_bound", std::isfinite(cutoff) ? cutoff : inf_);
  h_.set("simplex_iteration_limit", iter_limit > 0 ? (int)std::min<int64_t>(iter_limit, 2147483647)
                                                   : 2147483647);
  int rc = h_.run(hooks_);
  HighsInt it = 0;
  if (Highs_getIntInfoValue(h_.get(), "simplex_iteration_count", &it) == kHighsStatusOk)
    iters_ += it;
  int ms = h_.model_status();
  if (run_failed(rc, ms)) return LpStatus::Stopped;  // the caller retries cold or fails
  switch (ms) {
    case HMS_OPTIMAL: break;
    case HMS_INFEASIBLE: return LpStatus::Infeasible;
    case HMS_OBJECTIVE_BOUND: return LpStatus::Cutoff;
    case HMS_UNBOUNDED: case HMS_UNBOUNDED_OR_INFEASIBLE: return LpStatus::Unbounded;
    case HMS_ITERATION_LIMIT: break;
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

LpStatus NodeLp::solve(double cutoff, int64_t iter_limit) {
  stop_reason_ = 0;
  LpStatus s = run_once(cutoff, iter_limit);
  if (s != LpStatus::Stopped || stop_reason_ != 0) return s;
  // HiGHS stumbled (it may be the start basis): once more from scratch.
  h_.clear_solver();
  s = run_once(cutoff, iter_limit);
  if (s == LpStatus::Stopped && stop_reason_ == 0)
    fail(ERR_SOLVER, "HiGHS failed to solve a node LP of the search (%s)",
         highs_status_name(h_.model_status()));
  return s;
}

}  // namespace bb
}  // namespace ondr
