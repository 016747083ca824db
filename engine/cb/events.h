// Firing points of the optimizer callback kinds that the HiGHS runs and the
// MIP call reach. Each runs the problem's registered callbacks of the kind,
// in their order, on the calling thread (HiGHS may call from its workers).
#pragma once
#include "cb/registry.h"

namespace ondr {
namespace cb {

// lplog, barlog, globallog, cutlog: the first nonzero result of the kind's
// callbacks (0 when none is registered). Nonzero asks the solve to stop.
int fire_log(ONDRprob prob, Kind k);
// bariteration: the first nonzero action of its callbacks (each starts
// from 0). Nonzero asks the solve to stop.
int fire_bariteration(ONDRprob prob);
// intsol: a new incumbent, already kept in the problem's results.
void fire_intsol(ONDRprob prob);
// gapnotify with the current targets (relative gap, absolute gap,
// objective, bound) in `targets`, which its callbacks may replace.
void fire_gapnotify(ONDRprob prob, double targets[4]);
// Node kinds of the tree search. Nodes are numbered from 1 (the root).
// prenode, optnode: the first nonzero "node infeasible" result of the
// kind's callbacks (each starts from 0).
int fire_node_action(ONDRprob prob, Kind k);
void fire_infnode(ONDRprob prob);
void fire_nodecutoff(ONDRprob prob, int node);
void fire_newnode(ONDRprob prob, int parent, int node, int branch);
// The gapnotify check at an incumbent of value `primal` (user's sense
// `sense`) and bound `dual`: when a target of `targets` is reached, that
// target is spent (set off) and gapnotify fires with the targets, which
// its callbacks may set again. Returns whether it fired.
bool notify_gap(ONDRprob prob, int sense, double primal, double dual, double targets[4]);
// usersolnotify: what became of the user solution `name`.
void fire_usersolnotify(ONDRprob prob, const char *name, int status);

// drcol: the value `value` a determining row gives column `col` lies
// outside [lo, up]. Returns the value to use: the bound nearest to it,
// unless a callback writes another one.
double fire_drcol(ONDRprob prob, int col, double value, double lo, double up);

// chgbranchobject: each callback is offered the object the one before it
// returned (the first gets `cand`); returns the last one's (`cand` when
// none replaced it). Objects replaced along the way are destroyed unless
// they are `cand`.
ONDRbranchobject fire_chgbranchobject(ONDRprob prob, ONDRbranchobject cand);
// preintsol: each callback may set *reject (starting from 0) and change
// *cutoff; returns whether any rejected.
bool fire_preintsol(ONDRprob prob, int soltype, double *cutoff);

// Asks a running solve of `prob` to stop on behalf of a callback.
void request_stop(ONDRprob prob);

}  // namespace cb
}  // namespace ondr
