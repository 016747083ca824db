/* Nonlinear layer: optimizer, solutions, state. */
#ifndef OSLP_SOLVE_H
#define OSLP_SOLVE_H
#include "ondr_base.h"

/* Nonlinear status codes (integer attribute OSLP_NLPSTATUS). */
#define OSLP_NLPSTATUS_UNSTARTED          0
#define OSLP_NLPSTATUS_LOCALLY_OPTIMAL    1  /* a (local) solution */
#define OSLP_NLPSTATUS_OPTIMAL            2  /* proven globally optimal (convex problem) */
#define OSLP_NLPSTATUS_LOCALLY_INFEASIBLE 3  /* stuck at a point of minimal infeasibility */
#define OSLP_NLPSTATUS_INFEASIBLE         4  /* proven infeasible: linear rows and bounds, or a
                                                convex problem without formulas */
#define OSLP_NLPSTATUS_UNBOUNDED          5
#define OSLP_NLPSTATUS_UNFINISHED         6  /* limit, interrupt or evaluation error */

/* Solves the problem (the optimizer problem's rows, quadratic parts and
   nonlinear coefficients, bounds, objective with the sense of control
   OSLP_NLPOBJSENSE) for a local optimum with the local solver of control
   NLPSOLVER (0 automatic, 1 Ipopt, 2 successive linear programming), from
   the columns' initial values (0 moved into the bounds where none is set).
   `flags` may be NULL or empty; no flags are defined.

   Return value and status:
   - 0: the solve ran and the status (attribute OSLP_NLPSTATUS) says how it ended:
     locally optimal (1), globally optimal (2, only for problems whose
     quadratic content is proven convex and that have no formulas), locally
     infeasible (3), infeasible (4), unbounded (5), or unfinished (6: an
     iteration or time limit, OSLPinterrupt, or a solver that stopped short
     of a solution; a warning message says which). The point reached is the
     solution (OSLPgetslpsol) in every case but 0.
   The automatic solver (NLPSOLVER 0) is Ipopt, then SLP from the same start
   when Ipopt fails or stalls at an infeasible point (attribute NLPSOLVERUSED
   tells which gave the result). Initial values come from OSLPchgvar
   (initvalue); SLP also takes a column's initial step bound from there.
   Integer columns, sets or indicators: the tree search over node NLPs
   (ONDRmipoptimize's, with its controls MAXNODE, TIMELIMIT, MIPRELSTOP,
   ...). Status 2 only when every relaxation is proven convex (no formulas),
   else 1 for the best point found, 3 when none was found (4 when proven),
   6 when a limit stopped the search (its best point kept as the solution).
   - nonzero, with a last-error text: the solve could not run (a malformed
     formula; another solve running
     on the problem), status 0; or a function could not be evaluated and the
     solver could not step around it (a user function that fails, log of a
     negative number at the start), status 6, the text naming the row, and
     the last point evaluated kept as the solution. */
ONDR_API int OSLPnlpoptimize(OSLPprob prob, const char *flags);

/* The last solution: x and dj have one entry per column, slack and dual one
   per row; any may be NULL. Conventions as for the optimizer's solutions:
   slack = rhs - activity, dual = change of the objective per unit increase
   of the row's rhs, dj = change of the objective per unit increase of the
   column (objective gradient minus the duals' rows). Fails when there is no
   solution or the problem changed size since the solve. */
ONDR_API int OSLPgetslpsol(OSLPprob prob, double x[], double slack[], double dual[], double dj[]);

/* Asks the running solve (if any) to stop at its next iteration, keeping the
   point reached; status 6 then. Callable from any thread. `reason` > 0. */
ONDR_API int OSLPinterrupt(OSLPprob prob, int reason);

#endif
