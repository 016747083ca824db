// The penalty model of infeasibility repair (see ondr_repair.h), built in a
// scratch copy of the problem: elastic columns for the row sides and bounds
// that may be violated, the penalised violation as the objective, and for
// phase 2 the problem's own objective with the violation limited.
#pragma once
#include <string>
#include <vector>
#include "env/problem.h"

namespace ondr {

struct RepairRequest {
  // Penalties per row (lrp, grp) and per column (lbp, ubp); an empty vector
  // keeps that side as it is.
  std::vector<double> lrp, grp, lbp, ubp;
  // Limits on the violation of each side; empty: none.
  std::vector<double> lrb, grb, lbb, ubb;
  char penalty = 'c';   // 'c' linear, 'q' quadratic, 'n' count
  char phase2 = 'f';    // 'f' none, 'o' the problem's objective within the limit
  bool relax = false;   // repair the continuous relaxation
  double delta = 0.0;   // phase 2: violation at most v* + delta
  std::string flags;    // of the optimize calls
};

// Throws ERR_ARGUMENT, naming the first bad value, when a penalty, limit,
// flag or delta is out of its domain.
void check_request(const Model &m, const RepairRequest &q);

struct PenaltyModel {
  int ncols = 0, nrows = 0;      // the problem's own columns and rows
  std::vector<int> elastic;      // elastic columns
  std::vector<double> weight;    // their penalties
  std::vector<int> sw;           // 'n': the binary switch of each elastic column
  char penalty = 'c';
};

// Turns the scratch copy `p` (a copy of the problem) into the phase 1
// model: minimise the penalised violation.
PenaltyModel build_penalty(ONDRprob p, const RepairRequest &q);

// The penalised violation of a solution `x` of the penalty model.
double violation(const PenaltyModel &pm, const std::vector<double> &x);

// Turns the phase 1 model into the phase 2 one: the original objective
// (`orig`, the problem's model) with the penalised violation at most `limit`.
void to_phase2(ONDRprob p, const PenaltyModel &pm, const Model &orig, double limit);

}  // namespace ondr
