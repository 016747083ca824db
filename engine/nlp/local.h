// The local solver for continuous problems that HiGHS does not take:
// quadratic rows, or a quadratic objective that is not convex (minimizing)
// or concave (maximizing). It fills prob->results like ONDRlpoptimize:
// lpstatus 1 optimal when the problem is convex, 8 nonconvex for a local
// solution, or 2 / 5 / 4; the objective, x, slack, dual and dj.
#pragma once
#include "ondr_base.h"

namespace ondr {
void solve_quadratic_local(ONDRprob prob);
}
