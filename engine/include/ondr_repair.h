/* libondr: infeasibility repair, MIP solution refinement and row analysis.

   Infeasibility repair solves a penalty model of the problem in a copy of
   its own: every row side and every finite bound that has a positive
   penalty gets an elastic column that may violate it, and the objective is
   the penalised violation. The problem itself (rows, bounds, objective,
   names, controls) is never changed; its results afterwards are those of
   the repaired solution, read with ONDRgetlpsol, ONDRgetmipsol and
   ONDRgetsolvalues as after an optimize call. Slacks are those of the
   problem's own rows at that solution, so a violated row shows a slack of
   the wrong sign, and the objective values (LPOBJVAL, MIPOBJVAL) are the
   problem's own objective there. The minimum penalised violation is the
   double attribute REPAIRVIOLATION.

   Penalties (preferences) and their sides:
     lrp  rows' "less than" side: an 'L' row, the upper side of an 'E' or
          'R' row, may be exceeded by s >= 0;
     grp  rows' "greater than" side: a 'G' row, the lower side of an 'E' or
          'R' row, may fall short by s >= 0;
     lbp  lower bounds, ubp  upper bounds (of 'C', 'I' and 'B' columns; a
          'B' column relaxed stays integer). Infinite bounds are not relaxed.
   A penalty of 0 keeps its side as it is. Penalties are finite and >= 0.

   Limits (ONDRrepairweightedinfeasbounds): lrb, grb, lbb, ubb bound the
   violation of the matching side (>= 0; 1e20 or a NULL array: no limit).

   Phase 2 ('o'): after the minimum violation v* is found, the problem's
   own objective is optimised over the solutions whose penalised violation
   is at most v* + delta (delta >= 0, absolute). 'f': the minimum-violation
   solution is kept as found.

   With the count penalty 'n', a side whose violation has a limit (given,
   or implied by the bounds of the row's columns) is switched by a big-M
   row; one without is switched by an indicator row, and the MIP search may
   then find a phase 2 relaxation unbounded (status ONDR_REPAIR_UNBOUNDED,
   phase 1 solution kept): give limits to avoid that.

   The penalty model keeps integer columns, sets and indicators (it is then
   solved as a MIP), except with gflags 'l' of ONDRrepairinfeas, which
   repairs the continuous relaxation. */
#ifndef ONDR_REPAIR_H
#define ONDR_REPAIR_H
#include "ondr_base.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Statuses of the repair functions. */
enum {
  ONDR_REPAIR_OPTIMAL = 0,      /* minimum violation found (and phase 2 solved when asked) */
  ONDR_REPAIR_INFEASIBLE = 1,   /* no repair within the penalties and limits given */
  ONDR_REPAIR_UNBOUNDED = 2,    /* phase 2 unbounded: the phase 1 solution is kept */
  ONDR_REPAIR_PHASE2 = 3,       /* phase 2 did not finish: its best integer solution, else the phase 1 one, is kept */
  ONDR_REPAIR_STOPPED = 4       /* a limit stopped phase 1: its best solution, if any, is kept */
};

/* One penalty for every item of a side.
   pflags: 'c' sum of penalty * violation, 'q' sum of penalty * violation^2,
           'n' sum of the penalties of the violated sides (a MIP, each side
           switched by a binary column).
   oflags: 'f' no phase 2, 'o' phase 2 with delta.
   gflags: 'g' keep integrality, 'l' repair the continuous relaxation. */
ONDR_API int ONDRrepairinfeas(ONDRprob prob, int *status, char pflags, char oflags, char gflags,
                              double lrp, double grp, double lbp, double ubp, double delta);

/* One penalty per row (lrp, grp) and per column (lbp, ubp); a NULL array
   keeps that side as it is. phase2: 'f' or 'o' as oflags above. optflags:
   the flags of the optimize calls (ONDRlpoptimize, ONDRmipoptimize) that
   solve the penalty model. The penalty is linear ('c'). */
ONDR_API int ONDRrepairweightedinfeas(ONDRprob prob, int *status, const double lrp[],
                                      const double grp[], const double lbp[], const double ubp[],
                                      char phase2, double delta, const char *optflags);

/* As ONDRrepairweightedinfeas, with limits on the violation of each side. */
ONDR_API int ONDRrepairweightedinfeasbounds(ONDRprob prob, int *status, const double lrp[],
                                            const double grp[], const double lbp[],
                                            const double ubp[], const double lrb[],
                                            const double grb[], const double lbb[],
                                            const double ubb[], char phase2, double delta,
                                            const char *optflags);

/* Statuses of ONDRrefinemipsol. */
enum {
  ONDR_REFINE_IMPROVED = 0,   /* refined: feasible and better than the solution given */
  ONDR_REFINE_SAME = 1,       /* the solution given (its continuous part re-solved) is kept */
  ONDR_REFINE_REPAIRED = 2,   /* the solution given was infeasible; a feasible one nearby is returned */
  ONDR_REFINE_FAILED = 3      /* infeasible and no feasible solution found nearby: the input is returned */
};

/* Refines an integer solution (one value per column). First the integer
   columns are rounded and fixed and the continuous columns re-solved as an
   LP; then, unless options is 1, a local search solves the MIP restricted
   to integer values within 1 of that solution (node and time limited).
   options: 0 or 2 both steps, 1 the LP step only. flags: those of the
   optimize calls. The refined solution is never worse than the (feasible)
   solution given. */
ONDR_API int ONDRrefinemipsol(ONDRprob prob, int options, const char *flags, const double solution[],
                              double refined[], int *status);

/* Statuses of ONDRpresolverow. */
enum {
  ONDR_PRESOLVEROW_OK = 0,          /* the presolved row is returned */
  ONDR_PRESOLVEROW_REDUNDANT = 1,   /* always satisfied within the bounds: no entries */
  ONDR_PRESOLVEROW_INFEASIBLE = 2,  /* cannot be satisfied within the bounds: no entries */
  ONDR_PRESOLVEROW_DROPPED = 3      /* a column was removed by presolve without a fixed value */
};

/* Presolves the row sum dvalo[k] x[mcolso[k]] (qrtype 'L', 'G' or 'E')
   drhso of the problem's columns: columns fixed (by equal bounds, or by the
   problem's presolve) move into the right-hand side; with bounds, an
   inequality is checked for redundancy and infeasibility and the
   coefficients of its binary columns are tightened (a 0/1 column whose
   coefficient exceeds what the row can use gets the smallest one that
   cuts off the same points). The row is returned in the columns of the
   problem's current form (the presolved ones while the problem is held
   presolved): *count entries, at most maxcoeffs written. */
ONDR_API int ONDRpresolverow(ONDRprob prob, char qrtype, int n, const int mcolso[],
                             const double dvalo[], double drhso, int maxcoeffs, int *count,
                             int mcolsp[], double dvalp[], double *drhsp, int *status);

/* Estimates, for each row of rowIndices, the range of its dual value
   (shadow price) as its right-hand side moves, on the continuous
   relaxation: the dual at the LP optimum, and the duals after the
   right-hand side is pushed just past each end of its ranging interval and
   the LP re-solved by dual simplex, each re-solve within iterationLimit
   iterations (0: no limit). A re-solve that finds the LP infeasible makes
   that side unbounded (-1e20 or 1e20); one stopped by the limit adds
   nothing. Needs a linear problem with an optimal relaxation. */
ONDR_API int ONDRestimaterowdualranges(ONDRprob prob, int n, const int rowIndices[],
                                       int iterationLimit, double minDualActivity[],
                                       double maxDualActivity[]);

#ifdef __cplusplus
}
#endif
#endif
