// The tree search's events wired to the problem's registered callbacks.
#pragma once
#include "bb/model.h"
#include "bb/search.h"

namespace ondr {
namespace bb {

// Hooks for the kinds registered on `prob` (none for the others). While a
// callback runs, the problem's results describe the search: nodes so far,
// best bound, the incumbent as the MIP solution, and the event's node LP
// (when solved) as the LP solution. Nodes are numbered from 1, the root.
NodeEvents node_events(ONDRprob prob, const BbModel &bm);

}  // namespace bb
}  // namespace ondr
