// Entry points of the tree search for ONDRmipoptimize: which search a solve
// uses, and the solve itself with results as the HiGHS path leaves them.
#pragma once
#include "env/problem.h"
#include "lp/highs.h"

namespace ondr {
namespace bb {

// Whether the MIP of `prob` goes to the tree search: MIPSOLVER 2 always,
// 1 never, 0 (automatic) when a node-level callback is registered, when the
// problem has pool cuts, marked rows, directives or stored bounds, or when
// HiGHS's formulation cannot be built (a set, indicator row, semi-continuous
// or partially integer column whose big-M would need an infinite bound).
// When HiGHS's MIP is chosen, `highs_model` receives its formulation.
// A problem with nonlinear content always goes to the tree search.
bool use_tree_search(ONDRprob prob, LpData &highs_model);

// Whether node callbacks, pool cuts, marked rows, directives or stored
// branching bounds take part in the search: they see (or are written
// against) the model's rows as loaded, which the search then keeps.
bool node_features_in_use(ONDRprob prob);

// Solves the MIP of `prob` by the tree search and fills `res`: MIP status,
// stop status, best bound, nodes, solutions, iterations, the best solution
// and the LP with that solution's integer decisions fixed.
void solve_tree(ONDRprob prob, Alg alg, Results &res);

}  // namespace bb
}  // namespace ondr
