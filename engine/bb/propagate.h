// Activity-based bound propagation: each row's smallest and largest
// activity over the current column bounds tightens the bounds of its
// columns (rounded for integer columns), repeated over the rows of the
// columns that changed, until nothing changes or the work limit is spent.
#pragma once
#include <vector>
#include "bb/model.h"

namespace ondr {
namespace bb {

struct Propagation {
  bool infeasible = false;
  std::vector<int> changed;   // columns whose bounds were tightened (each once)
};

// The bounds of rows at a node: an indicator row counts only while its
// indicator column is fixed at its enforcing value; other rows as loaded.
void node_row_bounds(const BbModel &bm, const std::vector<double> &lo,
                     const std::vector<double> &up, std::vector<double> &rlo,
                     std::vector<double> &rup);

// Tightens (lo, up) in place. `seeds` are the columns that changed since
// the bounds were last propagated; empty means every row is examined.
Propagation propagate(const BbModel &bm, std::vector<double> &lo, std::vector<double> &up,
                      const std::vector<int> &seeds, double feastol);

// Whether an equality row over integer columns with integer coefficients
// has a right-hand side their greatest common divisor does not divide.
bool integer_rows_infeasible(const BbModel &bm);

// Integer rounding of bounds that a column's type makes integral.
bool integral_here(const BbModel &bm, int j, double lo, double up);

}  // namespace bb
}  // namespace ondr
