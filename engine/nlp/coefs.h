// Helpers shared by the nonlinear layer's coefficient, formula and variable
// functions.
#pragma once
#include <vector>
#include "nlp/formula.h"
#include "nlp/slpprob.h"

namespace ondr {

// Column and user function names of a problem, for formula text; valid
// while the problem is not changed.
FormulaContext formula_context(OSLPprob s);

// The point where formulas are evaluated outside a solve: the solution of
// the last solve (nonlinear, else MIP, else LP) when it fits the columns,
// else per column its value set by OSLPchgvar, else its initial value, else
// 0 moved into the column's bounds.
std::vector<double> current_point(OSLPprob s);

}  // namespace ondr
