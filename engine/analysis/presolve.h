// The presolved form of a problem (see ondr_analysis.h): HiGHS's presolve
// run on the problem's relaxation in an instance of its own, whose column
// and row names carry the original indices through the reduction, and the
// presolved LP in a second instance, solved on demand.
#pragma once
#include <memory>
#include <vector>
#include "analysis/state.h"
#include "lp/highs.h"

namespace ondr {

struct PresolveView {
  HighsHandle pre;                  // ran presolve on the original; postsolves
  HighsHandle lp;                   // the presolved LP
  std::shared_ptr<LpView> data;     // the presolved LP's data
  std::vector<int> rowmap, colmap;  // presolved -> original index
  bool solved = false;              // lp holds a solution and basis
  std::vector<double> x, slack, dual, dj;
};

// Called at the end of an LP solve: whether the problem may be held in its
// presolved form (built when first asked for).
void allow_presolved_form(ONDRprob prob, Results &res);

// The presolved form, built on first use; null when the problem is not
// held in one (or when presolve removed nothing).
PresolveView *presolved_form(ONDRprob prob);

// The presolved form with its LP solved; throws ERR_STATE naming `what`
// when there is none.
PresolveView &solved_presolved_form(ONDRprob prob, const char *what);

}  // namespace ondr
