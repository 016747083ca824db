/* libondr: solution analysis on the last solve. Bases, the presolved form,
   rays, infeasibility lists, ranging, basis solves, pivots, and values
   computed for given vectors.

   Index spaces
   ------------
   Basis statuses: 0 nonbasic at lower, 1 basic, 2 nonbasic at upper,
   3 superbasic (nonbasic between its bounds, or free at zero). A row's
   status describes its activity a_i.x: 0 at the row's lower end, 2 at its
   upper end ('L' rows sit at their upper end, 'G' rows at their lower end,
   'E' rows count as at lower).
   Basic variables ("pivot order") are numbered 0..rows-1 for the rows'
   slack variables and rows+j for column j. The basis matrix B has, in
   pivot order, the column A_j of each basic column and the unit vector e_i
   of each basic slack (the slack of row i being b_i - a_i.x).

   The presolved form
   ------------------
   After an ONDRlpoptimize of a linear problem that ends optimal with the
   PRESOLVE control on, the problem is held in its presolved form as well:
   the LP the presolver reduces it to (attributes ONDR_ROWS and ONDR_COLS
   then count its rows and columns; ONDR_ORIGINALROWS and ONDR_ORIGINALCOLS
   always count the problem's own). The presolved form is solved on demand
   and has its own solution and basis. ONDRbtran, ONDRftran,
   ONDRgetpivotorder and ONDRgetpivots work on it while it is held (their
   vectors have ONDR_ROWS entries), else on the problem itself. The
   presolved form ends with ONDRpostsolve, with any change of the model and
   with the next optimize call. When the presolver removes nothing, there
   is no separate presolved form.

   State errors
   ------------
   A query with no answer in the problem's state fails with a last-error
   text saying why: a basis before any simplex solve, rays when the last
   LP was not infeasible or unbounded, ranging without an optimal basis,
   presolved data without a presolved form, and so on. */
#ifndef ONDR_ANALYSIS_H
#define ONDR_ANALYSIS_H
#include "ondr_base.h"

/* ---- bases ---- */
/* The current basis: the final basis of the last simplex solve, carried
   through model changes, or the one loaded since. Either array may be
   NULL. */
ONDR_API int ONDRgetbasis(ONDRprob prob, int rstatus[], int cstatus[]);
/* Loads a basis (one status 0..3 per row and per column) as the start of
   the next LP solve; statuses that name an infinite bound are moved to a
   bound that exists. */
ONDR_API int ONDRloadbasis(ONDRprob prob, const int rstatus[], const int cstatus[]);
/* The basis of the presolved form, and loading one: a loaded presolved
   basis is solved from, postsolved, and becomes the problem's start basis. */
ONDR_API int ONDRgetpresolvebasis(ONDRprob prob, int rstatus[], int cstatus[]);
ONDR_API int ONDRloadpresolvebasis(ONDRprob prob, const int rstatus[], const int cstatus[]);

/* ---- presolved form ---- */
/* For each presolved row and column, the original row and column. */
ONDR_API int ONDRgetpresolvemap(ONDRprob prob, int rowmap[], int colmap[]);
/* Solution of the presolved form (sized by ONDR_ROWS and ONDR_COLS); any
   array may be NULL. */
ONDR_API int ONDRgetpresolvesol(ONDRprob prob, double x[], double slack[], double dual[],
                                double dj[]);
/* Leaves the presolved form (nothing to do when none is held). */
ONDR_API int ONDRpostsolve(ONDRprob prob);

/* ---- rays and infeasibilities ---- */
/* A direction d of unboundedness of the last LP (columns; A d keeps every
   row within its bounds' recession cone and the objective improves along
   d). *hasray is 1 when one exists; with ray NULL only the flag is set.
   Asking for the ray when there is none fails. */
ONDR_API int ONDRgetprimalray(ONDRprob prob, double ray[], int *hasray);
/* A Farkas certificate y (rows) of the infeasibility of the last LP. */
ONDR_API int ONDRgetdualray(ONDRprob prob, double dray[], int *hasray);
/* The nonbasic variable that enters along the primal ray (pivot order
   numbering: rows + j for column j). Fails unless the last LP was
   unbounded. */
ONDR_API int ONDRgetunbvec(ONDRprob prob, int *index);
/* Infeasibilities of the last solution (tolerances FEASTOL and
   OPTIMALITYTOL): primal infeasible columns, primal infeasible rows, dual
   infeasible rows, dual infeasible columns. The counts are always set; an
   array may be NULL. The scaled variant measures in the units of the model
   scaled by ONDRscale's exponents. */
ONDR_API int ONDRgetinfeas(ONDRprob prob, int *npv, int *nps, int *nds, int *ndv, int mx[],
                           int mslack[], int mdual[], int mdj[]);
ONDR_API int ONDRgetscaledinfeas(ONDRprob prob, int *npv, int *nps, int *nds, int *ndv, int mx[],
                                 int mslack[], int mdual[], int mdj[]);

/* ---- ranging ---- */
/* For columns mindex[0..n-1]: the range of the objective coefficient over
   which the current optimal basis stays optimal. */
ONDR_API int ONDRobjsa(ONDRprob prob, int n, const int mindex[], double lower[], double upper[]);
/* For rows mindex[0..n-1]: the range of the right-hand side over which the
   current optimal basis stays feasible. */
ONDR_API int ONDRrhssa(ONDRprob prob, int n, const int mindex[], double lower[], double upper[]);

/* ---- basis solves and pivots ---- */
/* vec := vec B^-1 (input in pivot order, output by rows), in place. */
ONDR_API int ONDRbtran(ONDRprob prob, double vec[]);
/* vec := B^-1 vec (input by rows, output in pivot order), in place. */
ONDR_API int ONDRftran(ONDRprob prob, double vec[]);
/* The basic variables in pivot order. */
ONDR_API int ONDRgetpivotorder(ONDRprob prob, int mpiv[]);
/* The ratio test for the nonbasic variable `in` (pivot order numbering)
   entering the basis: the basic variables that would leave (at most
   maxpiv, *npiv of them), the values x of all variables after the step
   (slacks 0..rows-1, then ONDR_SPAREROWS spare entries, then columns) and
   the objective after it. An unbounded step gives *npiv 0. */
ONDR_API int ONDRgetpivots(ONDRprob prob, int in, int outlist[], double x[], double *objective,
                           int *npiv, int maxpiv);
/* An estimate for the current basis. type 0 the condition number
   ||B|| ||B^-1||, 1 ||B^-1||, 2 ||B||; norm 0 the infinity norm, 1 the
   1-norm, 2 the Frobenius norm; ifscaled 1 measures the model as scaled by
   ONDRscale's exponents. */
ONDR_API int ONDRbasisstability(ONDRprob prob, int type, int norm, int ifscaled, double *value);

/* ---- starts and fixing ---- */
/* Fixes every integer-type column at its value in the best integer
   solution (rounded to the nearest integer when ifround is 1). */
ONDR_API int ONDRfixglobals(ONDRprob prob, int ifround);
/* A start for the next LP solve from a (partial) solution: a basis is
   derived from the values given (any array may be NULL). *status is 0 when
   the derived basis is complete, 1 when basic variables had to be added or
   removed to make it square. */
ONDR_API int ONDRloadlpsol(ONDRprob prob, const double x[], const double slack[],
                           const double dual[], const double dj[], int *status);

/* ---- calculations on given vectors ---- */
/* Objective (constant and quadratic part included) at solution. */
ONDR_API int ONDRcalcobjective(ONDRprob prob, const double solution[], double *value);
/* slacks = rhs - activity (quadratic row parts included). */
ONDR_API int ONDRcalcslacks(ONDRprob prob, const double solution[], double slacks[]);
/* djs = c + Qx - A'duals (quadratic row parts included); solution may be
   NULL when the problem has no quadratic part. */
ONDR_API int ONDRcalcreducedcosts(ONDRprob prob, const double duals[], const double solution[],
                                  double djs[]);
/* property: 0 largest absolute primal infeasibility, 1 largest relative
   one (divided by 1 + |bound|), 2 largest absolute dual infeasibility,
   3 largest relative one (divided by 1 + |c_j|), 4 largest distance of an
   integer-type column from an integer. */
ONDR_API int ONDRcalcsolinfo(ONDRprob prob, const double solution[], const double dual[],
                             int property, double *value);

#endif
