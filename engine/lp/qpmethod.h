// The method for a convex QP: HiGHS's active-set QP solver, or the
// interior-point local solver (Ipopt through the nonlinear layer). HiGHS's
// interior-point solvers take LPs only in the HiGHS builds used here, and
// its active-set solver's work grows with the number of free directions:
// fast on small QPs, minutes or no end on large ones (lqcp at N = 100,
// 10^4 columns, takes 26 s there and 0.1 s by interior point).
#pragma once
#include "controls/values.h"
#include "model/store.h"

namespace ondr {

// Columns above which the automatic choice takes the interior point.
constexpr int kActiveSetMaxCols = 2000;

// True when the continuous convex QP `m` (objective quadratic, no
// quadratic rows, convex in its sense) is to be solved by the interior-point
// local solver: QPSOLVER 2, or QPSOLVER 0 and more than kActiveSetMaxCols
// columns. False for LPs, for models the local solver does not take
// (nonlinear coefficients) and with QPSOLVER 1.
bool qp_by_interior_point(const ControlValues &c, const Model &m);

}  // namespace ondr
