/* libondr group G: optimize, solutions, bases, rays, analysis.

   Results and their lifetime
   --------------------------
   Every optimize call first discards the results of the previous solve,
   so statuses, objective values and solution vectors always describe the
   last solve. Loading or reading a problem, and every successful change to
   the model (additions, deletions, changes of coefficients, bounds, types,
   rows, sets, indicators, the objective and its sense), discard them too:
   after a change no optimal status is left to be misread, and a solution
   read fails until the problem is solved again. Names and ONDRscale, which
   do not change what is solved, leave them.

   Solution vectors are sized by the problem as loaded: columns (attribute
   ONDR_ORIGINALCOLS) and rows (attribute ONDR_ORIGINALROWS).

   Sign conventions (checked by the engine tests on an LP worked by hand)
   ----------------------------------------------------------------------
   - slack[i] = rhs[i] - a_i.x for every row type. So a satisfied 'L' row
     has slack >= 0, a satisfied 'G' row slack <= 0, an 'E' row slack 0 and
     an 'R' row (rhs - range <= a_i.x <= rhs, rhs being the upper end)
     slack in [0, range]. An 'N' row counts its rhs as 0: slack = -a_i.x.
   - dual[i] is the row's shadow price: the rate of change of the optimal
     objective (in the problem's own sense) per unit increase of rhs[i].
     Minimizing, a binding 'L' row has dual <= 0 and a binding 'G' row
     dual >= 0; maximizing, the signs are the other way round. 'N' rows
     have dual 0.
   - dj[j] = c_j - sum_i dual[i] a_ij is the reduced cost, and with a
     quadratic objective c_j + (Qx)_j - sum_i dual[i] a_ij: the objective's
     gradient less the rows' part. Minimizing, a column at its lower bound
     has dj >= 0 and at its upper bound dj <= 0 (the other way round when
     maximizing).
   - Objective values (attributes ONDR_LPOBJVAL, ONDR_MIPOBJVAL) are in the
     problem's own sense and include the objective constant.

   Statuses
   --------
   lpstatus (ONDR_LPSTATUS): 1 optimal, 2 infeasible, 4 unfinished (a limit
   or an interrupt stopped it), 5 unbounded, 7 unsolved (the solver could not
   decide), 8 nonconvex (a local solution of a non-convex problem).
   mipstatus (ONDR_MIPSTATUS): 3 stopped without an integer solution, 4
   stopped with one, 5 infeasible, 6 optimal (within the gap controls), 7
   unbounded;
   1 or 2 when only the LP relaxation was solved (not optimal / optimal).
   stopstatus (ONDR_STOPSTATUS) says why a solve stopped early: 1 time limit,
   3 node limit, 4 iteration limit, 5 the gap controls ended the search
   before the gap closed, 6 solution limit, and otherwise the reason given
   to ONDRinterrupt (9 for a callback's request). 0 when it did not stop
   early. */
#ifndef ONDR_SOLVE_H
#define ONDR_SOLVE_H
#include "ondr_base.h"

/* Solves the continuous problem: LPs by the simplex method (or interior
   point, see DEFAULTALG and the flags), convex quadratic objectives by
   HiGHS's QP solver. A problem with integer columns, sets or indicator
   rows gets its continuous relaxation solved: integrality dropped,
   binaries within [0,1], semi-continuous and semi-integer columns within
   the hull of 0 and their range, sets ignored, indicator rows left out
   (their duals are 0); mipstatus then becomes 2 (relaxation optimal) or 1.
   Quadratic rows, and a quadratic objective that is not convex
   (minimizing) or concave (maximizing), go to the nonlinear layer's local
   solver instead.

   flags (NULL or "" for the defaults), one letter each; the last algorithm
   letter wins:
     d  dual simplex          p  primal simplex
     b  barrier (interior point; crossover to a basis unless CROSSOVER is 0)
     n  network: there is no network simplex, so the default algorithm
   The algorithm letters act on linear problems only.

   Returns nonzero with a last-error text only when the solve could not be
   run (bad flags, a solver failure); infeasible, unbounded, limited and
   interrupted solves return 0 and say so in lpstatus and stopstatus. An
   interrupt keeps the last iterate, readable with ONDRgetlpsol. The QP
   solver does not look at interrupt requests: a QP stops early only at
   TIMELIMIT or LPITERLIMIT.

   Warm start: a simplex solve of a linear problem starts from the final
   basis of the previous LP solve of the same problem (also that of the LP
   with the integer solution fixed, after ONDRmipoptimize), carried through
   the changes made since: added rows are basic, added columns nonbasic at
   a bound, deleted rows and columns lose their entries, and statuses that
   name a bound that is gone move to one that exists. The solver repairs a
   basis left incomplete by deletions; one it cannot use means a cold
   start, never a failure. A start basis skips presolve. A whole-problem
   load keeps the basis only as KEEPBASIS says (see ondr_model.h).

   Controls acting: PRESOLVE, SCALING, FEASTOL, OPTIMALITYTOL, BARGAPSTOP,
   LPITERLIMIT, TIMELIMIT, DEFAULTALG, CROSSOVER, THREADS, RANDOMSEED,
   OUTPUTLOG (HiGHS's log lines go to the problem's message path). */
ONDR_API int ONDRlpoptimize(ONDRprob prob, const char *flags);

/* Solves the problem with its integer columns, sets and indicator rows by
   HiGHS's MIP solver: 'B' and 'I' columns, 'S' semi-continuous (0 or
   within [max(lb, limit), ub]) and 'R' semi-integer columns natively;
   'P' partially integer columns (integer below their limit, continuous
   from it up to ub), SOS1 and SOS2 sets (members ordered by reference
   value) and indicator rows through exact reformulations with binary
   selectors and big-M values taken from finite bounds; or by the
   library's own tree search (control MIPSOLVER): when a reformulation
   needs a bound that is infinite, when a node callback is registered, and
   when the objective is quadratic or there are quadratic rows or nonlinear
   coefficients (node QPs on HiGHS, node NLPs on Ipopt, each started from
   its parent's solution; MIPSOLVER 1 then fails with the reason). With a
   quadratic or nonlinear part the search is exact only when every
   relaxation is convex (a quadratic objective convex in its sense, each
   quadratic row convex in its direction, no formulas): then mipstatus 6
   and 5 mean optimal and infeasible as for a MILP. Otherwise node values
   are local optima that bound nothing: the search still prunes by them,
   as a heuristic, and reports 4 (a solution) for its best point, 3 when
   it found none, and BESTBOUND -inf (+inf when maximizing).

   Afterwards mipstatus, MIPOBJVAL, BESTBOUND, MIPRELGAP,
   nodes, MIPSOLS and ONDRgetmipsol describe the search. The LP results
   are set too: with an integer solution, ONDRgetlpsol gives the LP with
   the integer columns fixed at it (x, slack, dual, dj) and lpstatus is 1
   when the search proved optimality and 4 when it stopped early; without
   one, lpstatus is 2 (infeasible), 5 (unbounded) or 4 (stopped).

   Controls acting besides the LP ones: MIPRELSTOP, MIPABSSTOP, MIPTOL,
   MAXNODE, MAXMIPSOL, MIPABSCUTOFF (integer solutions must be better than
   it, in the objective's own sense). LPITERLIMIT does not limit the search.
   A solution is checked against the model's own meaning of its column
   types, sets and indicator rows; when the solver's integrality tolerance
   let a big-M selector slip, the search is repeated with a smaller one.

   flags: "l" solves only the LP relaxation (as ONDRlpoptimize does, with
   mipstatus 2 or 1); "d", "p", "b", "n" choose the algorithm of that
   relaxation and of the fixed LP. A problem without integer columns, sets
   or indicators is solved as ONDRlpoptimize would, with the MIP results
   set from it. */
ONDR_API int ONDRmipoptimize(ONDRprob prob, const char *flags);

/* The LP solution of the last solve; any of the arrays may be NULL.
   Fails with "no solution available: the problem has not been solved"
   before any solve (and after a change to the model), and when the last
   solve produced no solution or no duals. */
ONDR_API int ONDRgetlpsol(ONDRprob prob, double x[], double slack[], double dual[],
                          double dj[]);

/* The best integer solution of the last ONDRmipoptimize; either array may
   be NULL. Fails when there is none. */
ONDR_API int ONDRgetmipsol(ONDRprob prob, double x[], double slack[]);

/* Selected entries of one vector of the last solution, in constant time per
   entry: `which` is ONDR_SOL_X, _SLACK, _DUAL or _DJ of the LP solution, or
   ONDR_SOL_MIPX, _MIPSLACK of the integer one; out[k] receives entry
   index[k] (columns for x and dj, rows otherwise). n may be 0 to ask only
   whether the vector is available. Fails as ONDRgetlpsol / ONDRgetmipsol do
   when the vector is not available, and on an index out of range. */
enum { ONDR_SOL_X = 0, ONDR_SOL_SLACK = 1, ONDR_SOL_DUAL = 2, ONDR_SOL_DJ = 3, ONDR_SOL_MIPX = 4, ONDR_SOL_MIPSLACK = 5 };
ONDR_API int ONDRgetsolvalues(ONDRprob prob, int which, int n, const int index[], double out[]);

#endif
