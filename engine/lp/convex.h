// Convexity of a quadratic objective 0.5 x'Qx given in the store's
// convention (each unordered pair once, standing for Q_ij and Q_ji).
#pragma once
#include "model/store.h"

namespace ondr {

// True when the quadratic part is convex for minimization (sense 1: Q
// positive semidefinite) or concave for maximization (sense -1: Q negative
// semidefinite).
//
// The test is an LDL' factorization without pivoting, done separately on
// each connected block of Q (dense for small or dense blocks, otherwise
// sparse in minimum-degree order). Q is accepted when no pivot is below
// -tol and every pivot within [-tol, tol] has a column that is zero within
// tolerance (an exact zero pivot of a semidefinite matrix has an exactly
// zero column). tol is 1e-9 times the largest |Q_ij|, so matrices that are
// indefinite only at the level of rounding are accepted.
bool quadratic_is_convex(const QMap &q, int sense);

}  // namespace ondr
