/* Nonlinear layer: the successive linear programming (SLP) solver's own
   data and services: SLP variables, step rules, tolerance sets, derivative
   factors, row weights, cascading, validation, information about the last
   SLP solve and small utilities. Column and row indices are those of the
   optimizer problem; every change leaves the constructed and presolved
   states (OSLP_NLPSTATE). */
#ifndef OSLP_SLP_H
#define OSLP_SLP_H
#include "ondr_base.h"

/* ---- SLP variables ---- */

/* vartype bits of an SLP variable. */
#define OSLP_VAR_NOCASCADE 0x1  /* never recomputed from its determining row */
/* A penalty delta: the step may pass the column's step bound, each unit
   beyond it costing the column's penalty (OSLPchgvar; 0: the SLP's row
   penalty scale) in the linearization; the cost grows tenfold whenever a
   step that passed the bound is rejected. */
#define OSLP_VAR_PENALTYDELTA 0x2

/* Step rules (OSLPchgdeltatype). The SLP bounds each step of a column that
   enters a nonlinear term by a step bound that shrinks on rejected steps and
   grows on good ones; the rule limits it:
     DEFAULT   the solver's rule (starting from the initial step bound);
     ABSOLUTE  never above `value` (> 0);
     RELATIVE  never above `value` * max(1, |x|) (`value` > 0);
     FREE      no step bound for the column (`value` ignored).
   A step bound given by OSLPchgvar (stepbound > 0) is a further absolute
   cap. */
#define OSLP_DELTA_DEFAULT  0
#define OSLP_DELTA_ABSOLUTE 1
#define OSLP_DELTA_RELATIVE 2
#define OSLP_DELTA_FREE     3

/* Loads (replaces all the data of) / adds to (changes the given items of)
   the SLP data of n columns: vartype bits, determining row (-1 none), cascade
   sequence number (0: by dependencies; smaller first), tolerance set (0
   none), initial value and initial step bound (0: the default). All arrays
   required. The call checks everything first and changes nothing on error. */
ONDR_API int OSLPloadvars(OSLPprob prob, int n, const int colindex[], const int vartype[],
                          const int detrow[], const int seqnum[], const int tolindex[],
                          const double initvalue[], const double stepbound[]);
ONDR_API int OSLPaddvars(OSLPprob prob, int n, const int colindex[], const int vartype[],
                         const int detrow[], const int seqnum[], const int tolindex[],
                         const double initvalue[], const double stepbound[]);
/* A column's SLP data; every pointer NULL-ok. value: the current value (the
   last solution's, else the one set, else the initial value); stepbound:
   the cap given by OSLPchgvar; history: iterations of the last SLP solve
   in which the column had passed its convergence test without a break;
   converged: 0 not converged, else 1 + the index of the tolerance
   (OSLP_TOL_*) that the column passed last, 10 for a column converged by
   the solver's optimality test; delta: the step rule (OSLP_DELTA_*);
   penaltydelta: the LP column of its penalty delta in the last SLP solve
   (the first of two; -1 none); damp: the share of each SLP step the
   column takes (0 < damp <= 1);
   updaterow: the row that cascading used for the column (-1: none);
   oldvalue: the value before the last SLP step. */
ONDR_API int OSLPgetvar(OSLPprob prob, int colindex, int *detrow, double *initstepbound,
                        double *stepbound, double *penalty, double *damp, double *initvalue,
                        double *value, int *tolset, int *history, int *converged, int *vartype,
                        int *delta, int *penaltydelta, int *updaterow, double *oldvalue);
ONDR_API int OSLPchgdeltatype(OSLPprob prob, int n, const int colindex[], const int deltatypes[],
                              const double values[]);
/* Most recomputations of a column in one cascade (0: the default, 3). */
ONDR_API int OSLPchgcascadenlimit(OSLPprob prob, int colindex, int cascadenlimit);

/* ---- cascading ----
   A column with a determining row (an equality row holding the column
   linearly and not inside its own nonlinear terms) is recomputed so that
   its row holds, in cascade order: by sequence number, then after the
   determined columns its row depends on. OSLPcascade recomputes them at the
   current point (the last solution, else the values set, else the initial
   values) and makes the result the current point; it calls the cascadestart
   callback, cascadevar for each column recomputed, cascadevarfail for each
   one that cannot be (row not evaluable, or the value outside its bounds:
   kept at the bound), then cascadeend. OSLPcascadeorder only works out the
   order (checking the determining rows); the SLP solver cascades after
   every step in that order. */
ONDR_API int OSLPcascade(OSLPprob prob);
ONDR_API int OSLPcascadeorder(OSLPprob prob);

/* ---- tolerance sets ----
   A tolerance set is 9 tolerances; a column that refers to one (tolset, 1
   based) has converged at an SLP step when it passes one of the set's
   active tests (status bit i = tolerance i active; a tolerance <= 0 is never
   active). When every column that refers to a set has converged at a
   feasible point, the SLP solve ends (locally optimal). */
#define OSLP_TOL_TC 0  /* |x_k - x_(k-1)| <= tol                              */
#define OSLP_TOL_RC 1  /* |x_k - x_(k-1)| <= tol * max(1, |x_k|)              */
#define OSLP_TOL_TS 2  /* step bound <= tol                                   */
#define OSLP_TOL_RS 3  /* step bound <= tol * max(1, |x_k|)                   */
#define OSLP_TOL_TO 4  /* |df/dx * step| <= tol                               */
#define OSLP_TOL_RO 5  /* |df/dx * step| <= tol * max(1, |f|)                 */
#define OSLP_TOL_TE 6  /* linearization error of the column's rows <= tol     */
#define OSLP_TOL_RE 7  /* that error <= tol * max(1, |row activity|)          */
#define OSLP_TOL_TB 8  /* x_k within tol of one of its bounds                 */
#define OSLP_NTOL   9
/* Loads (replaces all) / appends n sets of 9 tolerances (finite, >= 0);
   each set's status gets a bit for every positive tolerance. Columns that
   refer to sets dropped by loading lose their reference. */
ONDR_API int OSLPloadtolsets(OSLPprob prob, int ntol, const double tol[]);
ONDR_API int OSLPaddtolsets(OSLPprob prob, int ntol, const double tol[]);
/* Set nslptol (1 based): status (NULL: unchanged) and its 9 tolerances. */
ONDR_API int OSLPchgtolset(OSLPprob prob, int nslptol, const int *status, const double tols[]);
ONDR_API int OSLPgettolset(OSLPprob prob, int nslptol, int *status, double tols[]);
/* Deletes sets; the later ones are renumbered and columns that referred to
   a deleted set refer to none. */
ONDR_API int OSLPdeltolsets(OSLPprob prob, int n, const int sets[]);

/* ---- derivative factors and row weights ----
   The derivative of a row with respect to a column in the SLP's
   linearization is multiplied by the pair's factor (finite, nonzero;
   default 1): a factor below 1 damps the column's effect on the row in the
   steps. The factors shape the path only: before the solve ends they are
   dropped, so the answer meets the exact optimality conditions. A row's weight (finite, > 0; default 1) multiplies its penalty in
   the SLP merit function and linearizations. */
ONDR_API int OSLPloaddfs(OSLPprob prob, int n, const int colindex[], const int rowindex[],
                         const double value[]);
ONDR_API int OSLPadddfs(OSLPprob prob, int n, const int colindex[], const int rowindex[],
                        const double value[]);
ONDR_API int OSLPchgdf(OSLPprob prob, int colindex, int rowindex, const double *value);
ONDR_API int OSLPgetdf(OSLPprob prob, int colindex, int rowindex, double *value);
ONDR_API int OSLPchgrowwt(OSLPprob prob, int rowindex, const double *value);
ONDR_API int OSLPgetrowwt(OSLPprob prob, int rowindex, double *value);

/* ---- information about the last solve ----
   info: 16 bytes; the value in bytes 0-7 and its kind as an int at byte 8:
   1 an int in bytes 0-3, 2 a double. Slack, dual, value and reduced cost
   come from the last nonlinear solution; the others from the last SLP
   solve (they fail when the last solve did not use SLP). */
#define OSLP_ROWINFO_SLACK 1
#define OSLP_ROWINFO_DUAL 2
#define OSLP_ROWINFO_NUMPENALTYERRORS 3     /* LPs whose penalty columns were used */
#define OSLP_ROWINFO_MAXPENALTYERROR 4
#define OSLP_ROWINFO_TOTALPENALTYERROR 5
#define OSLP_ROWINFO_CURRENTPENALTYERROR 6  /* in the last LP */
#define OSLP_ROWINFO_CURRENTPENALTYFACTOR 7 /* penalty weight in the last LP */
#define OSLP_ROWINFO_PENALTYCOLUMNPLUS 8    /* its LP column index, -1 none */
#define OSLP_ROWINFO_PENALTYCOLUMNPLUSVALUE 9
#define OSLP_ROWINFO_PENALTYCOLUMNPLUSDJ 10
#define OSLP_ROWINFO_PENALTYCOLUMNMINUS 11
#define OSLP_ROWINFO_PENALTYCOLUMNMINUSVALUE 12
#define OSLP_ROWINFO_PENALTYCOLUMNMINUSDJ 13
#define OSLP_COLINFO_VALUE 1
#define OSLP_COLINFO_RDJ 2
#define OSLP_COLINFO_DELTAINDEX 3           /* LP column of its step, -1 not step bounded */
#define OSLP_COLINFO_DELTA 4                /* last step x_k - x_(k-1) */
#define OSLP_COLINFO_DELTADJ 5              /* reduced cost in the last LP */
#define OSLP_COLINFO_UPDATEROW 6            /* row used for cascading, -1 none */
#define OSLP_COLINFO_SB 7                   /* step bound in the last LP (0: none) */
#define OSLP_COLINFO_SBDUAL 8               /* reduced cost when at the step bound, else 0 */
ONDR_API int OSLPgetrowinfo(OSLPprob prob, int infotype, int rowindex, void *info);
ONDR_API int OSLPgetcolinfo(OSLPprob prob, int infotype, int colindex, void *info);

/* ---- validation ----
   Each reports through messages and the attributes NLPVALIDATIONABS/REL
   (largest violation, absolute and relative to max(1, |rhs|)),
   NLPVALIDATIONSTATUS (1 within the tolerance NLPFEASTOL or the target,
   0 not), and for OSLPvalidatekkt NLPKKTSTATIONARITY and
   NLPKKTCOMPLEMENTARITY. They use the last nonlinear solution. */
ONDR_API int OSLPvalidate(OSLPprob prob);
ONDR_API int OSLPvalidaterow(OSLPprob prob, int row);
/* KKT residuals at the last solution. calculationmode 0: with the
   solution's multipliers; 1: with multipliers recomputed to minimize the
   stationarity residual (signs by the rows' active sides). respectbasisstatus
   1: a column at a bound may keep a reduced cost of the bound's sign; 0: every
   column's residual counts. updatemultipliers 1 (mode 1 only): the
   recomputed multipliers replace the solution's duals and reduced costs.
   NLPVALIDATIONSTATUS is 1 when both residuals are <= kktviolationtarget. */
ONDR_API int OSLPvalidatekkt(OSLPprob prob, int calculationmode, int respectbasisstatus,
                             int updatemultipliers, double kktviolationtarget);
/* Sum of violations of rows and bounds at `vector` (one value per column),
   the sum with each row's violation divided by max(1, |rhs|), and the
   objective (in the layer's sense, constant included). */
ONDR_API int OSLPvalidatevector(OSLPprob prob, const double vector[], double *suminf,
                                double *sumscaledinf, double *objective);

/* ---- state and services ---- */
/* Builds the local problem the solvers work on (checking formulas,
   determining rows and tolerance set references) and enters the
   constructed state. */
ONDR_API int OSLPconstruct(OSLPprob prob);
/* Forgets the last solve: solution, SLP information, convergence flags and
   the state bits; the next solve starts from the initial values. */
ONDR_API int OSLPreinitialize(OSLPprob prob);
/* Checks the problem as the solve would (bounds, determining rows,
   formulas evaluable at the initial point) and enters the presolved
   state; OSLPpostsolve leaves it. */
ONDR_API int OSLPpresolve(OSLPprob prob);
/* Row weights from the linearization at the current point: every row
   without a weight of its own gets 1 / (its largest derivative), within
   [1e-4, 1e4], so that rows of every size pay alike in the penalties. */
ONDR_API int OSLPscaling(OSLPprob prob);
/* The current point (last solution, else values set) becomes every
   column's initial value. */
ONDR_API int OSLPsetcurrentiv(OSLPprob prob);
/* Works out a name prefix that no row or column name starts with (string
   attribute NLPUNIQUEPREFIX), for names of rows and columns the layer adds. */
ONDR_API int OSLPsetuniqueprefix(OSLPprob prob);
/* Evaluates the rows and their derivatives at the current point and keeps
   the linearization (it fails, naming the row, when that cannot be done). */
ONDR_API int OSLPupdatelinearization(OSLPprob prob);
/* Rows whose penalty columns stayed unused in the last SLP solve lose
   them in the next ones (their linearization is kept exactly); *status is
   the number of rows fixed so. Any change of the nonlinear content
   (coefficients, SLP data, weights) and OSLPreinitialize give them back. */
ONDR_API int OSLPfixpenalties(OSLPprob prob, int *status);
/* Writes the last solution: a line per column (name value reduced-cost)
   then per row (name slack dual). */
ONDR_API int OSLPfilesol(OSLPprob prob, const char *filename);
/* msgtype 1 information, 2 (unused), 3 warning, 4 error. */
ONDR_API int OSLPprintmsg(OSLPprob prob, int msgtype, const char *msg);
ONDR_API int OSLPprintevalinfo(OSLPprob prob);
ONDR_API int OSLPprintmemory(OSLPprob prob);
/* Type (1 information, 3 warning, 4 error) of a message or status code
   of the library (the ERR_* codes, 0 success). No handle. */
ONDR_API int OSLPgetmessagetype(int code, int *type);
/* Seconds of wall time since the nonlinear problem was created. */
ONDR_API int OSLPgetdtime(OSLPprob prob, double *time);

/* ---- global solve and multistart ----
   OSLPglobal searches for the best local solution: a multistart pool of
   the problem's own start and 8 random starts (preset 6), run as below;
   the caller's pool is kept for later. It proves nothing beyond what each
   local solve proves (status 2 only for convex problems).
   Multistart: jobs added to the pool are run by the next OSLPnlpoptimize,
   one after the other, each from the problem's data with its own initial
   values (ninitial columns) and control values (of either layer, checked
   when added). Around each job the msjobstart callback (a nonzero *status
   skips the job) and msjobend (a nonzero *status discards its result) are
   called with the job's object and description; the best job (locally
   optimal with the best objective, else the least infeasible) is reported
   to mswinner and its results become the problem's. A failing callback or
   an interrupt ends the pool. The pool stays until OSLPmsclear.
   Presets (count jobs; the given initial values and controls override the
   preset's): 0 random initial values (within finite bounds, else within
   10 (1 + |x|) of the current point), 1 the local solvers in turn, 2 SLP
   with varied step bounds and penalties, 3 both 0 and 2, 6 as 0 keeping
   the least infeasible of 4 candidate starts per job; 4 and 5 name solvers
   this library does not have and fail. */
ONDR_API int OSLPglobal(OSLPprob prob);
ONDR_API int OSLPmsaddjob(OSLPprob prob, const char *description, int ninitial,
                          const int colindex[], const double initial[], int nintcontrols,
                          const int intcontrolid[], const int intcontrolval[],
                          int ndblcontrols, const int dblcontrolid[],
                          const double dblcontrolval[], void *jobobject);
ONDR_API int OSLPmsaddpreset(OSLPprob prob, const char *description, int preset, int count,
                             void *jobobject);
ONDR_API int OSLPmsaddcustompreset(OSLPprob prob, const char *description, int preset,
                                   int count, int ninitial, const int colindex[],
                                   const double initial[], int nintcontrols,
                                   const int intcontrolid[], const int intcontrolval[],
                                   int ndblcontrols, const int dblcontrolid[],
                                   const double dblcontrolval[], void *jobobject);
ONDR_API int OSLPmsclear(OSLPprob prob);

#endif
