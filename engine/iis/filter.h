// Reducing an infeasible subsystem to an IIS, and checking one.
#pragma once
#include <vector>
#include "iis/oracle.h"

namespace ondr::iis {

// Solves allowed to a search; `stopped` is set when they run out or the
// problem is interrupted.
struct Budget {
  int64_t left = 0;
  ONDRprob prob = nullptr;
  bool stopped = false;
  // False (and `stopped` set) when no further solve may be made.
  bool take();
};

// A test that must decide: Unknown fails the search with the solver's words.
Test decide(Oracle &o, const Flags &keep);

// The deletion filter over `set`, which must be infeasible: members are
// dropped in blocks that grow after a drop that keeps the subsystem
// infeasible and shrink after one that does not; an infeasible test's
// certificate drops every member it does not use. Returns an irreducible
// subset, or what is left when the budget runs out (budget.stopped).
std::vector<int> deletion_filter(Oracle &o, const Members &mb, std::vector<int> set,
                                 Budget &budget);

// Whether `set` is infeasible on its own and feasible without any one of
// its members.
bool is_irreducible(Oracle &o, const Members &mb, const std::vector<int> &set, Budget &budget);

}  // namespace ondr::iis
