// Checks an integer solution against the store's own meaning of its column
// types, sets and indicator rows. The MIP build turns these into selector
// formulations whose big-M values let a selector within the integrality
// tolerance of 0 or 1 relax a little; this check catches solutions that
// exploit that beyond the tolerances.
#pragma once
#include <string>
#include <vector>
#include "model/store.h"

namespace ondr {

// Empty when x keeps every column type, set and indicator row of `m`
// within `feastol` (values, rows) and `inttol` (integrality); otherwise a
// description of the first violation.
std::string mip_violation(const Model &m, const std::vector<double> &x, double feastol,
                          double inttol);

}  // namespace ondr
