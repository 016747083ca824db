// The method for a convex QP: HiGHS's active-set QP solver, or the
// interior-point local solver (Ipopt through the nonlinear layer). HiGHS's
// interior-point solvers take LPs only in the HiGHS builds used here, and
// its active-set solver's work grows with the number of free directions:
// fast on small QPs, minutes or no end on large ones (a separable QP of
// 3000 columns and one row: 105 s there, 0.3 s by interior point).
#pragma once
#include "controls/values.h"
#include "model/store.h"

namespace ondr {

// The automatic choice takes the interior point for more columns than
// kActiveSetMaxCols or more quadratic objective entries (each pair once)
// than kActiveSetMaxQEntries. Measured on sparse control QPs, separable QPs
// and dense QPs of 50 to 3000 columns: the two methods break even at 150
// to 400 columns (a dense Hessian at the low end, about 11,000 entries);
// below, the active set is faster by at most tens of milliseconds, above,
// the interior point by up to a factor of 300 at 3000 columns.
constexpr int kActiveSetMaxCols = 300;
constexpr size_t kActiveSetMaxQEntries = 15000;

// True when the continuous convex QP `m` (objective quadratic, no
// quadratic rows, convex in its sense) is to be solved by the interior-point
// local solver: QPSOLVER 2, or QPSOLVER 0 and a QP above either limit. False
// for LPs, for models the local solver does not take (nonlinear
// coefficients) and with QPSOLVER 1.
bool qp_by_interior_point(const ControlValues &c, const Model &m);

}  // namespace ondr
