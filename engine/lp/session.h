// The solver session of a problem: one HiGHS instance kept with the
// problem, holding its continuous model (the relaxation of lp/lpdata.h as
// HiGHS sees it) and the last solution and basis. Model changes reach it
// through the store's change hook (model/hook.h) and are applied to the
// instance in place; what cannot be applied in place marks the session for
// a rebuild at the next solve.
#pragma once
#include <cstdint>
#include <vector>
#include "env/problem.h"
#include "lp/highs.h"
#include "model/hook.h"

namespace ondr {

class Session {
 public:
  // Makes the instance hold the problem's current continuous model.
  void ensure_loaded(ONDRprob prob);
  HighsHandle &highs() { return h_; }
  // Runs the loaded model with `s`; a start basis (public codes, store
  // order) is used when given and fitting, else the run starts cold. A run
  // that fails with a start basis is repeated cold. Throws ERR_SOLVER when
  // HiGHS fails (unless `allow_failure`: then `failed` is set).
  RunOutcome run(ONDRprob prob, const RunSettings &s, const std::vector<int> *cs,
                 const std::vector<int> *rs, bool allow_failure = false);
  bool get_basis(std::vector<int> &cs, std::vector<int> &rs) const { return h_.get_basis(cs, rs); }
  bool set_basis(const std::vector<int> &cs, const std::vector<int> &rs) { return h_.set_basis(cs, rs); }
  // Sets bounds of `cols` to [lo, up] (library infinities, store units) for
  // the call of `f`, then restores the model's bounds, on every path.
  template <class F>
  void with_col_bounds(ONDRprob prob, const std::vector<int> &cols, const std::vector<double> &lo,
                       const std::vector<double> &up, F &&f);
  // Follows a model change (the hook). Never throws.
  void apply(ONDRprob prob, const Change &c) noexcept;
  // Scaling of the loaded model (empty: none), as in LpData.
  const std::vector<double> &colmult() const { return colmult_; }
  const std::vector<double> &rowmult() const { return rowmult_; }
  bool quadratic() const { return quadratic_; }
  int64_t rebuilds() const { return rebuilds_; }

 private:
  void build(ONDRprob prob);
  void set_col_bounds(const std::vector<int> &cols, const std::vector<double> &lo,
                      const std::vector<double> &up);
  void restore_col_bounds(ONDRprob prob, const std::vector<int> &cols);
  bool apply_in_place(ONDRprob prob, const Change &c);
  HighsHandle h_;
  bool stale_ = true;      // the instance does not hold the model
  bool running_ = false;   // HiGHS is running on the instance
  bool quadratic_ = false;
  std::vector<double> colmult_, rowmult_;
  int64_t rebuilds_ = 0;
};

// The problem's session, created on first use.
Session &session_of(ONDRprob prob);

template <class F>
void Session::with_col_bounds(ONDRprob prob, const std::vector<int> &cols,
                              const std::vector<double> &lo, const std::vector<double> &up,
                              F &&f) {
  ensure_loaded(prob);
  set_col_bounds(cols, lo, up);
  try {
    f();
  } catch (...) {
    restore_col_bounds(prob, cols);
    throw;
  }
  restore_col_bounds(prob, cols);
}

}  // namespace ondr
