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
// usersolnotify: what became of the user solution `name`.
void fire_usersolnotify(ONDRprob prob, const char *name, int status);

// drcol: the value `value` a determining row gives column `col` lies
// outside [lo, up]. Returns the value to use: the bound nearest to it,
// unless a callback writes another one.
double fire_drcol(ONDRprob prob, int col, double value, double lo, double up);

// Asks a running solve of `prob` to stop on behalf of a callback.
void request_stop(ONDRprob prob);

}  // namespace cb
}  // namespace ondr
