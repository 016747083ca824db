// The LP side of the optimize calls, shared by ONDRlpoptimize and
// ONDRmipoptimize: flags, routing, and turning a HiGHS run into Results.
#pragma once
#include <chrono>
#include "env/problem.h"
#include "lp/highs_run.h"
#include "lp/lpdata.h"

namespace ondr {

struct SolveFlags {
  Alg alg = Alg::Auto;
  bool relax_only = false;  // 'l': only the LP relaxation (MIP call)
};
SolveFlags parse_flags(const char *flags, bool mip);

// Integer columns, sets or indicator rows.
bool has_entities(const Model &m);
// Quadratic rows, or a quadratic objective HiGHS cannot take (not convex
// when minimizing, not concave when maximizing).
bool has_quadratic_rows(const Model &m);
bool needs_local_solver(const Model &m);

// Solves the continuous model `d` (columns and rows begin with the
// store's) in a fresh HiGHS instance and fills the LP part of `res`:
// lpstatus, stopstatus, objective, counts, x, slack (from the store's
// rows), dual, dj, basis. When `d` has exactly the store's columns and
// rows, the problem's warm basis is the start basis (HiGHS completes or
// repairs it; a refused basis means a cold start) and the final basis
// becomes the new warm basis.
void solve_continuous(ONDRprob prob, const LpData &d, Alg alg, Results &res);

// The same for the store's continuous relaxation, solved on the problem's
// session (lp/session.h), which keeps its HiGHS instance between solves.
void solve_relaxation(ONDRprob prob, Alg alg, Results &res);

// The LP part of a MIP's results: that of `lp`, the LP solved with the
// integer decisions fixed, when it is optimal; else the integer solution.
void adopt_fixed_lp(Results &res, Results &lp);

// One vector of the last solution (ONDR_SOL_X ... ONDR_SOL_MIPSLACK), after
// the checks every solution reader makes: solved, a solution of that kind,
// the model unchanged since, duals when asked for.
const std::vector<double> &solution_vector(ONDRprob prob, int which);

// Discards the previous results and the pending interrupt: the start of
// every optimize call.
void begin_solve(ONDRprob prob);

class Stopwatch {
 public:
  Stopwatch() : t0_(std::chrono::steady_clock::now()) {}
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0_).count();
  }
 private:
  std::chrono::steady_clock::time_point t0_;
};

}  // namespace ondr
