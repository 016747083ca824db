// User solutions as starts of the MIP search (ondr_mipsol.h).
#pragma once
#include <vector>
#include "env/problem.h"
#include "lp/lpdata.h"

namespace ondr {

// Checks the problem's user solutions against the MIP model `d`, reports
// each to usersolnotify, forgets them, and fills `start` (values of `d`'s
// columns) with the best complete one. False when none is usable.
bool take_user_start(ONDRprob prob, const LpData &d, std::vector<double> &start);

}  // namespace ondr
