// The relaxation a search worker solves its nodes on, kept for the whole
// search: the LP on one HiGHS instance loaded once (a node changes only
// the bounds that differ from what the instance holds, and starts from the
// basis HiGHS holds or from the one given, the parent's); the QP on HiGHS
// likewise, with the local solver taking the nodes HiGHS's QP solver gives
// up on; the NLP on the local solver, started from the parent's solution.
// The kind follows the search's model (bb/noderelax.h).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>
#include "bb/model.h"
#include "bb/node.h"
#include "bb/noderelax.h"
#include "controls/values.h"
#include "env/problem.h"
#include "lp/highs.h"

namespace ondr {
namespace bb {

class NodeLp {
 public:
  // `stop` returns a nonzero stop reason when the search must end.
  NodeLp(ONDRprob prob, const BbModel &bm, const ControlValues &c, std::function<int()> stop);
  // Makes the relaxation hold these bounds (only differences are sent).
  void set_col_bounds(const std::vector<double> &lo, const std::vector<double> &up);
  void set_row_bounds(const std::vector<double> &lo, const std::vector<double> &up);
  const std::vector<double> &col_lo() const { return r_->col_lo(); }
  const std::vector<double> &col_up() const { return r_->col_up(); }
  // Bounds of every row the relaxation holds (the model's, then cuts').
  void row_bounds(std::vector<double> &lo, std::vector<double> &up) const { r_->row_bounds(lo, up); }
  // Appends rows lo <= a x (< inf) in compressed row form; throws when
  // the solver refuses them.
  void add_rows(const std::vector<double> &lo, const std::vector<HighsIntLike> &start,
                const std::vector<HighsIntLike> &index, const std::vector<double> &value);
  // Deletes appended rows, given by their positions among the appended
  // rows (increasing).
  void delete_extra_rows(const std::vector<int> &extra);
  // Warm start from `b` (a basis, or a nonlinear relaxation's point);
  // false when the solver refuses it.
  bool set_basis(const Basis &b);
  std::shared_ptr<Basis> basis() const { return r_->basis(); }
  // Solves; the run may end early when its objective reaches `cutoff`
  // (pass +inf for none) or after `iter_limit` iterations (<= 0: none).
  LpStatus solve(double cutoff, int64_t iter_limit = 0);
  double objective() const { return last_->objective(); }
  const std::vector<double> &x() const { return last_->x(); }
  const std::vector<double> &row_activity() const { return last_->row_activity(); }
  // Reduced costs of the columns at the last solution of an LP relaxation
  // (empty for the others, whose multipliers bound nothing linearly).
  const std::vector<double> &reduced_costs() const;
  int stop_reason() const { return last_->stop_reason(); }
  int64_t iterations() const;
  // The HiGHS instance of an LP or QP relaxation; fails for an NLP.
  HighsHandle &highs();
  RelaxKind kind() const { return kind_; }
  // An LP: its basis and tableau mean what LP cuts and strong branching
  // expect of them.
  bool linear() const { return kind_ == RelaxKind::Lp; }

 private:
  RelaxKind kind_ = RelaxKind::Lp;
  const BbModel &bm_;
  std::function<int()> stop_;
  std::unique_ptr<NodeRelax> r_;         // the relaxation's own solver
  std::unique_ptr<NodeRelax> fallback_;  // QP: the local solver, made when first needed
  NodeRelax *last_ = nullptr;            // the one whose solution is current
};

}  // namespace bb
}  // namespace ondr
