// The warm-start basis a problem keeps between solves: the final basis of
// the last LP solve, carried through model changes so that the next solve
// can start from it. Statuses use the public codes (0 nonbasic at lower,
// 1 basic, 2 nonbasic at upper, 3 free at zero); row statuses describe the
// row activity.
//
// It either holds exactly one status per column and per row of the model
// or is empty. Additions append statuses, deletions drop them (see
// model/edit.h); bound, type and right-hand side changes leave them as
// they are, so a status may name a bound that no longer exists (or leave
// the number of basic entries different from the number of rows after a
// deletion). The LP solve fits each status to the bounds it hands the
// solver, and the solver completes or repairs the rest (see lp/solve.cpp).
#pragma once
#include <vector>
#include "model/store.h"

namespace ondr {

enum BasisStatus : int { BS_LOWER = 0, BS_BASIC = 1, BS_UPPER = 2, BS_ZERO = 3 };

struct WarmBasis {
  std::vector<int> cstat, rstat;

  bool empty() const { return cstat.empty() && rstat.empty(); }
  // Exactly one status per column and per row of `m` (and not empty).
  bool fits(const Model &m) const {
    return !empty() && cstat.size() == (size_t)m.ncols() && rstat.size() == (size_t)m.nrows();
  }
  void clear() {
    cstat.clear();
    rstat.clear();
  }
};

// A nonbasic status that names a bound of [lo, up] (infinite sides
// +-kInf): `s` when it does, otherwise the finite bound nearest to its
// meaning, or 3 (free at zero) when both sides are infinite. Basic (1)
// stays basic; unknown codes count as 0.
int fit_status(int s, double lo, double up);

// Keeps `w` in step with rows or columns appended to the model: new rows
// are basic, new columns nonbasic at the bound fit_status picks for
// "at lower". `m` is the model after the addition. A basis that did not fit
// the model before the addition, or that cannot grow (no memory), is
// dropped: the next solve then starts cold. Never throws.
void warm_rows_added(WarmBasis &w, const Model &m, int added) noexcept;
void warm_cols_added(WarmBasis &w, const Model &m, int added) noexcept;

}  // namespace ondr
