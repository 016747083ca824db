// The store's one change hook: every change to a problem's model calls
// model_changed() once the change has succeeded, so that what is built from
// the model (the solver session, see lp/session.h) can follow it.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>
#include "ondr_base.h"

namespace ondr {

struct Change {
  enum Kind {
    ColBounds,   // bounds, types or limits of `index` columns
    ColCosts,    // objective coefficients of `index` columns
    Objective,   // objective sense or constant
    Coefs,       // matrix entries `coefs` (row, column)
    RowBounds,   // right-hand sides, types, ranges or indicators of `index` rows
    QObjective,  // quadratic objective terms
    QRows,       // quadratic terms of rows
    AddRows,     // `count` rows appended from `first`
    AddCols,     // `count` columns appended from `first`
    DelRows,     // `index` rows deleted (numbered as before the deletion)
    DelCols,     // `index` columns deleted (numbered as before the deletion)
    Replace,     // the whole model replaced (load, read, copy) or rescaled
  };
  Kind kind;
  std::vector<int> index;
  std::vector<std::pair<int, int>> coefs;
  int first = 0, count = 0;
};

// A change of kind `k` to the `n` items `idx` (negative indices, such as
// the objective's -1, are left out).
inline Change change_of(Change::Kind k, int64_t n = 0, const int idx[] = nullptr) {
  Change c{k, {}, {}, 0, 0};
  for (int64_t i = 0; i < n; ++i)
    if (idx[i] >= 0) c.index.push_back(idx[i]);
  return c;
}

// Tells the problem's solver session about a change that has been made.
// Never throws: what cannot be followed is rebuilt at the next solve.
void model_changed(ONDRprob prob, const Change &c) noexcept;

}  // namespace ondr
