// Stands in for the local solver until the nonlinear solvers are built in:
// it refuses the problem with a clear message. Remove this file when the
// real solve_quadratic_local is linked.
#include "nlp/local.h"
#include "env/error.h"

namespace ondr {

void solve_quadratic_local(ONDRprob) {
  fail(ERR_STATE,
       "quadratically constrained and non-convex quadratic problems need the nonlinear solver");
}

}  // namespace ondr
