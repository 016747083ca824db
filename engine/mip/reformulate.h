// The MIP model handed to HiGHS. Binary, integer, semi-continuous and
// semi-integer columns go as HiGHS types; what HiGHS has no type for is
// reformulated exactly with binary selectors and big-M values taken from
// finite bounds:
//  - a partially integer column x with limit L (integer below L,
//    continuous from L up to ub): x = y + w with y integer in
//    [ceil(lb), floor(L)], w in [0, ub - floor(L)], a selector z,
//    w <= (ub - floor(L)) z and x >= lb + (L - lb) z;
//  - an SOS1 set: a selector z_j per member, lo_j z_j <= x_j <= up_j z_j,
//    sum z_j <= 1;
//  - an SOS2 set with members ordered by reference value: a selector z_k
//    per pair of neighbours k, k+1, member j bounded by up_j (z_{j-1} + z_j)
//    and lo_j (z_{j-1} + z_j), sum z_k <= 1;
//  - an indicator row: each side gets M times the indicator column (or its
//    complement), M being how far the row's activity can pass that side
//    within the columns' bounds;
//  - semi-continuous and semi-integer columns whose upper bound is too
//    large for HiGHS's own handling (which caps it) or whose range lies
//    below 0: lo z <= x <= up z with a selector z.
// Where a big-M would need an infinite bound the build fails with a
// message naming the column or row.
#pragma once
#include "lp/lpdata.h"

namespace ondr {

LpData mip_model(const Model &m);

}  // namespace ondr
