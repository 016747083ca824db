// Reductions of the search's model before the search, kept to changes the
// search's users cannot see: the columns and rows stay as they are (same
// indices, same meaning), only coefficients and sides of one-sided rows
// over integer columns are strengthened, so that every integer point keeps
// its feasibility and the LP relaxation gets tighter.
#pragma once
#include "bb/model.h"

namespace ondr {
namespace bb {

struct Strengthening {
  int rows = 0;          // rows changed
  int coefs = 0;         // coefficients changed
  bool infeasible = false;  // propagation showed the model infeasible
};

// Coefficient tightening of `bm`'s one-sided rows: in a row a x <= b whose
// largest activity M (over the column bounds, tightened by propagation
// first) exceeds b by s, an integer column with |a_j| > s has the row
// redundant at all its values but the one at its activity's top; its
// coefficient becomes +-s and b moves so that that value keeps its row.
// Repeated with propagation while rows change, at most `rounds` times.
// Indicator rows are left alone (their sides change at nodes).
Strengthening strengthen_rows(BbModel &bm, double feastol, int rounds = 3);

}  // namespace bb
}  // namespace ondr
