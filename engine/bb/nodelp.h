// The LP of a search worker: one HiGHS instance loaded once with the
// relaxation and kept for the whole search. A node changes only the bounds
// that differ from what the instance holds (columns, and the rows of
// indicators switched on or off), and its solve starts from the basis
// HiGHS holds or from the one given (the parent's).
#pragma once
#include <cstdint>
#include <functional>
#include <vector>
#include "bb/model.h"
#include "bb/node.h"
#include "controls/values.h"
#include "env/problem.h"
#include "lp/highs.h"

namespace ondr {
namespace bb {

// HiGHS's index type (HighsInt is int in the wheel the library is built on).
using HighsIntLike = int;

enum class LpStatus { Optimal, Infeasible, Cutoff, Unbounded, IterLimit, Stopped };

class NodeLp {
 public:
  // `stop` returns a nonzero stop reason when the search must end.
  NodeLp(ONDRprob prob, const BbModel &bm, const ControlValues &c, std::function<int()> stop);
  // Makes the instance hold these bounds (only differences are sent).
  void set_col_bounds(const std::vector<double> &lo, const std::vector<double> &up);
  void set_row_bounds(const std::vector<double> &lo, const std::vector<double> &up);
  const std::vector<double> &col_lo() const { return lo_; }
  // Bounds of every row the instance holds (the model's, then cuts').
  void row_bounds(std::vector<double> &lo, std::vector<double> &up) const { lo = rlo_; up = rup_; }
  // Appends rows lo <= a x (< inf) in compressed row form; throws when
  // HiGHS refuses them.
  void add_rows(const std::vector<double> &lo, const std::vector<HighsIntLike> &start,
                const std::vector<HighsIntLike> &index, const std::vector<double> &value);
  // Deletes appended rows, given by their positions among the appended
  // rows (increasing).
  void delete_extra_rows(const std::vector<int> &extra);
  const std::vector<double> &col_up() const { return up_; }
  // Warm start from `b`; false when HiGHS refuses it (the run starts from
  // whatever HiGHS holds).
  bool set_basis(const Basis &b);
  std::shared_ptr<Basis> basis() const;
  // Solves; the run ends early when its objective reaches `cutoff` (pass
  // +inf for none) or after `iter_limit` iterations (<= 0: none).
  LpStatus solve(double cutoff, int64_t iter_limit = 0);
  double objective() const { return obj_; }
  const std::vector<double> &x() const { return x_; }
  const std::vector<double> &row_activity() const { return rowact_; }
  // Reduced costs of the columns at the last solution.
  const std::vector<double> &reduced_costs() const { return dj_; }
  int stop_reason() const { return stop_reason_; }
  int64_t iterations() const { return iters_; }
  HighsHandle &highs() { return h_; }

 private:
  LpStatus run_once(double cutoff, int64_t iter_limit);
  HighsHandle h_;
  RunHooks hooks_;
  double inf_;
  int model_rows_ = 0;
  std::vector<double> lo_, up_, rlo_, rup_;
  std::vector<double> x_, rowact_;
  std::vector<double> dj_;
  double obj_ = 0.0;
  int stop_reason_ = 0;
  int64_t iters_ = 0;
};

}  // namespace bb
}  // namespace ondr
