/* libondr groups D, E, F: loading, modifying and querying the stored model.
   Conventions: indices are 0-based; first..last ranges are inclusive; row
   types 'L','G','E','R','N' (a range row is rhs-range <= a.x <= rhs); column
   types 'C','B','I','S','R','P'; bounds beyond +-1e20 are infinite.
   Quadratic objective: 0.5 x'Qx, each unordered pair (i,j) given once and
   standing for both Q_ij and Q_ji. Quadratic row part: x'Qx likewise.
   Pairs may come in either order; a value is always the entry Q_ij = Q_ji of
   the symmetric matrix Q (so 3xy is (x,y,3) in the objective and (x,y,1.5)
   in a row; 3x^2 is (x,x,6) in the objective and (x,x,3) in a row).
   Every call validates all its input before it changes anything: a failure
   returns nonzero, leaves a last-error text and leaves the model as it was.
   Optional list arguments may be n = -1 with NULL arrays: nothing to do.
   Within one change list a repeated index takes the last value given. */
#ifndef ONDR_MODEL_H
#define ONDR_MODEL_H
#include "ondr_base.h"

/* ---- D: loading whole problems (replace all content: names, sets,
   indicators, quadratic and nonlinear parts, scaling) ----
   Columns are CSC: column j holds mstart[j]..mstart[j]+mnel[j]-1, or up to
   mstart[j+1] when mnel is NULL. Entries of one (row, column) are summed.
   Global entities: columns mgcols[k] get type qgtype[k] ('B','I','S','R','P',
   each column at most once) and, for 'S','R','P', limit dlim[k] (0 when dlim
   is NULL). Sets: set s holds mscols/dref[msstart[s]..msstart[s+1]-1].
   The warm-start basis of the next LP solve (ondr_solve.h) survives a load
   only when the control ONDR_KEEPBASIS is 1 and the new problem has as
   many rows and columns as the old one; otherwise it is dropped. */
ONDR_API int ONDRloadlp(ONDRprob prob, const char *probname, int ncols, int nrows,
                        const char qrtype[], const double rhs[], const double range[],
                        const double obj[], const int mstart[], const int mnel[],
                        const int mrwind[], const double dmatval[], const double dlb[],
                        const double dub[]);
ONDR_API int ONDRloadlp64(ONDRprob prob, const char *probname, int ncols, int nrows,
                          const char qrtype[], const double rhs[], const double range[],
                          const double obj[], const int64_t mstart[], const int mnel[],
                          const int mrwind[], const double dmatval[], const double dlb[],
                          const double dub[]);
ONDR_API int ONDRloadqp64(ONDRprob prob, const char *probname, int ncols, int nrows,
                          const char qrtype[], const double rhs[], const double range[],
                          const double obj[], const int64_t mstart[], const int mnel[],
                          const int mrwind[], const double dmatval[], const double dlb[],
                          const double dub[], int64_t nqtr, const int mqcol1[],
                          const int mqcol2[], const double dqe[]);
ONDR_API int ONDRloadglobal64(ONDRprob prob, const char *probname, int ncols, int nrows,
                              const char qrtype[], const double rhs[], const double range[],
                              const double obj[], const int64_t mstart[], const int mnel[],
                              const int mrwind[], const double dmatval[], const double dlb[],
                              const double dub[], int ngents, int nsets, const char qgtype[],
                              const int mgcols[], const double dlim[], const char qstype[],
                              const int64_t msstart[], const int mscols[], const double dref[]);
ONDR_API int ONDRloadqglobal64(ONDRprob prob, const char *probname, int ncols, int nrows,
                               const char qrtype[], const double rhs[], const double range[],
                               const double obj[], const int64_t mstart[], const int mnel[],
                               const int mrwind[], const double dmatval[], const double dlb[],
                               const double dub[], int64_t nqtr, const int mqcol1[],
                               const int mqcol2[], const double dqe[], int ngents, int nsets,
                               const char qgtype[], const int mgcols[], const double dlim[],
                               const char qstype[], const int64_t msstart[],
                               const int mscols[], const double dref[]);
ONDR_API int ONDRloadqcqp64(ONDRprob prob, const char *probname, int ncols, int nrows,
                            const char qrtype[], const double rhs[], const double range[],
                            const double obj[], const int64_t mstart[], const int mnel[],
                            const int mrwind[], const double dmatval[], const double dlb[],
                            const double dub[], int64_t nqtr, const int mqcol1[],
                            const int mqcol2[], const double dqe[], int nqcrows,
                            const int qcrows[], const int64_t qcnquads[],
                            const int qcmqcol1[], const int qcmqcol2[], const double qcdqval[]);
ONDR_API int ONDRloadqcqpglobal64(ONDRprob prob, const char *probname, int ncols, int nrows,
                                  const char qrtype[], const double rhs[], const double range[],
                                  const double obj[], const int64_t mstart[], const int mnel[],
                                  const int mrwind[], const double dmatval[], const double dlb[],
                                  const double dub[], int64_t nqtr, const int mqcol1[],
                                  const int mqcol2[], const double dqe[], int nqcrows,
                                  const int qcrows[], const int64_t qcnquads[],
                                  const int qcmqcol1[], const int qcmqcol2[],
                                  const double qcdqval[], int ngents, int nsets,
                                  const char qgtype[], const int mgcols[], const double dlim[],
                                  const char qstype[], const int64_t msstart[],
                                  const int mscols[], const double dref[]);

/* ---- E: modification ---- */
/* New rows are appended. `mstart` gives each row's first entry; the last
   row ends at nnz (mstart[nrows] is never read). `range` is read only for
   'R' rows and `rhs` is ignored for 'N' rows. Entries given as 0.0 are kept;
   a column given twice in a row gets the sum. */
ONDR_API int ONDRaddrows64(ONDRprob prob, int nrows, int64_t nnz, const char qrtype[],
                           const double rhs[], const double range[], const int64_t mstart[],
                           const int mclind[], const double dmatval[]);
/* New continuous columns are appended. nnz is the number of entries: the
   last column ends at nnz (mstart[ncols] is never read), starts must lie in
   0..nnz without decreasing. NULL objx: 0; NULL bdl: 0; NULL bdu: infinite. */
ONDR_API int ONDRaddcols64(ONDRprob prob, int ncols, int64_t nnz, const double objx[],
                           const int64_t mstart[], const int mrwind[], const double dmatval[],
                           const double bdl[], const double bdu[]);
/* Appends sets; set s holds members msstart[s]..msstart[s+1]-1, the last set
   ends at nelems (so one set needs one start). */
ONDR_API int ONDRaddsets64(ONDRprob prob, int nsets, int64_t nelems, const char qstype[],
                           const int64_t msstart[], const int mscols[], const double dref[]);
/* Adds quadratic terms (x'Qx convention) to row `irow`; repeated pairs and
   existing entries add up, entries that reach 0 are removed. */
ONDR_API int ONDRaddqmatrix64(ONDRprob prob, int irow, int64_t nqtr, const int mqc1[],
                              const int mqc2[], const double dqe[]);
/* Deletions take indices in any order; a repeated or out-of-range index fails
   and deletes nothing. Remaining items are renumbered densely in their old
   order, in everything that refers to them. Deleting a column drops its
   matrix and quadratic entries, its set memberships (the sets stay, perhaps
   empty), the indicators that use it (those rows become ordinary rows), the
   nonlinear coefficients whose column it is; in nonlinear formulas a
   reference to it becomes the constant 0. Deleting a row drops its quadratic
   part, indicator and nonlinear coefficients; a column determined by it
   loses its determining row. */
ONDR_API int ONDRdelrows(ONDRprob prob, int nrows, const int mindex[]);
ONDR_API int ONDRdelcols(ONDRprob prob, int ncols, const int mindex[]);
ONDR_API int ONDRdelsets(ONDRprob prob, int nsets, const int mindex[]);
/* Row -1 deletes the objective's quadratic part. */
ONDR_API int ONDRdelqmatrix(ONDRprob prob, int irow);
/* Changes types only: bounds stay as stored ('B' means integer in {0,1}
   whatever the bounds hold) and so does the limit. */
ONDR_API int ONDRchgcoltype(ONDRprob prob, int ncols, const int mindex[], const char coltype[]);
/* Sets the limit of 'S', 'R' and 'P' columns (other types fail). */
ONDR_API int ONDRchgglblimit(ONDRprob prob, int ncols, const int mindex[], const double dlimit[]);
/* comps 1: row enforced when the column is 1; -1: when it is 0; 0 removes. */
ONDR_API int ONDRsetindicators(ONDRprob prob, int nrows, const int mrows[], const int inds[],
                               const int comps[]);
/* Index -1 sets the objective constant, stored negated. */
ONDR_API int ONDRchgobj(ONDRprob prob, int ncols, const int mindex[], const double obj[]);
/* Sets (not adds) quadratic objective coefficients; 0 removes the entry. */
ONDR_API int ONDRchgmqobj(ONDRprob prob, int ncols, const int mcol1[], const int mcol2[],
                          const double dval[]);
ONDR_API int ONDRchgmqobj64(ONDRprob prob, int64_t ncols, const int mcol1[], const int mcol2[],
                            const double dval[]);
ONDR_API int ONDRchgobjsense(ONDRprob prob, int objsense);  /* 1 min, -1 max */
ONDR_API int ONDRchgrowtype(ONDRprob prob, int nrows, const int mindex[], const char qrtype[]);
ONDR_API int ONDRchgrhs(ONDRprob prob, int nrows, const int mindex[], const double rhs[]);
/* Only for 'R' rows (change the type first); the range is >= 0. */
ONDR_API int ONDRchgrhsrange(ONDRprob prob, int nrows, const int mindex[], const double rng[]);
/* Bound letters: 'L' lower, 'U' upper, 'B' both, 'F' fixed (same as 'B'). */
ONDR_API int ONDRchgbounds(ONDRprob prob, int nbounds, const int mindex[], const char qbtype[],
                           const double bnd[]);
/* Set matrix entries; 0 removes the entry. */
ONDR_API int ONDRchgmcoef(ONDRprob prob, int ncoefs, const int mrow[], const int mcol[],
                          const double dval[]);
ONDR_API int ONDRchgcoef(ONDRprob prob, int irow, int icol, double dval);
/* Set one entry Q_ij = Q_ji (0 removes it), in either order of i and j: of
   the objective's 0.5 x'Qx (so (i,j,v) with i != j means v*x_i*x_j and
   (i,i,v) means 0.5*v*x_i^2), or of row irow's x'Qx (so (i,j,v) with i != j
   means 2v*x_i*x_j and (i,i,v) means v*x_i^2). ONDRgetqobj and
   ONDRgetqrowcoeff return the same entries. */
ONDR_API int ONDRchgqobj(ONDRprob prob, int icol, int jcol, double dval);
ONDR_API int ONDRchgqrowcoeff(ONDRprob prob, int irow, int icol, int jcol, double dval);
/* Stores integer scaling exponents, in -64..64: row i is multiplied by
   2^mrscal[i] and column j by 2^mcscal[j] in the model handed to the LP
   solver; results are unscaled back, so nothing the getters show changes.
   NULL leaves that side as it was. */
ONDR_API int ONDRscale(ONDRprob prob, const int mrscal[], const int mcscal[]);

/* ---- F: queries ----
   Sparse getters (rows, cols, mqobj, qrowqmatrix): with every array NULL
   they only set *ncoefs to the number of entries in first..last; with arrays
   they fill at most maxcoefs entries, set the starts (n+1 entries, capped at
   maxcoefs) and still set *ncoefs to the full count. Rows come sorted by
   column, columns by row. Quadratic matrices come in column-start form with
   both triangles (entry (j,k) under column j and under column k), so that
   passing the returned pairs back to ONDRchgmqobj sets the same matrix, and
   setting them all to 0 empties it. Triplets come once per pair, i <= j, as
   ONDRaddqmatrix64 takes them. */
ONDR_API int ONDRgetrows64(ONDRprob prob, int64_t mstart[], int mclind[], double dmatval[],
                           int64_t maxcoefs, int64_t *ncoefs, int first, int last);
ONDR_API int ONDRgetcols64(ONDRprob prob, int64_t mstart[], int mrwind[], double dmatval[],
                           int64_t maxcoefs, int64_t *ncoefs, int first, int last);
ONDR_API int ONDRgetmqobj(ONDRprob prob, int mstart[], int mclind[], double dobjval[],
                          int maxcoefs, int *ncoefs, int first, int last);
ONDR_API int ONDRgetmqobj64(ONDRprob prob, int64_t mstart[], int mclind[], double dobjval[],
                            int64_t maxcoefs, int64_t *ncoefs, int first, int last);
ONDR_API int ONDRgetqrowqmatrix(ONDRprob prob, int irow, int mstart[], int mclind[],
                                double dqe[], int maxcoefs, int *ncoefs, int first, int last);
ONDR_API int ONDRgetqrowqmatrixtriplets(ONDRprob prob, int irow, int *nqelem, int mqcol1[],
                                        int mqcol2[], double dqe[]);
ONDR_API int ONDRgetqrows(ONDRprob prob, int *nrows, int mrows[]);
ONDR_API int ONDRgetobj(ONDRprob prob, double obj[], int first, int last);
ONDR_API int ONDRgetrhs(ONDRprob prob, double rhs[], int first, int last);
/* Upper minus lower activity limit: the range of 'R' rows, 0 for 'E',
   1e20 for 'L', 'G' and 'N'. */
ONDR_API int ONDRgetrhsrange(ONDRprob prob, double range[], int first, int last);
ONDR_API int ONDRgetlb(ONDRprob prob, double lb[], int first, int last);
ONDR_API int ONDRgetub(ONDRprob prob, double ub[], int first, int last);
ONDR_API int ONDRgetrowtype(ONDRprob prob, char qrtype[], int first, int last);
ONDR_API int ONDRgetcoltype(ONDRprob prob, char coltype[], int first, int last);
/* Rows without an indicator give column -1 and flag 0. */
ONDR_API int ONDRgetindicators(ONDRprob prob, int inds[], int comps[], int first, int last);
ONDR_API int ONDRgetcoef(ONDRprob prob, int irow, int icol, double *dval);
ONDR_API int ONDRgetqobj(ONDRprob prob, int icol, int jcol, double *dval);
ONDR_API int ONDRgetqrowcoeff(ONDRprob prob, int irow, int icol, int jcol, double *dval);
/* Entities are the columns of type 'B','I','S','R','P' in column order, with
   their limits (0 for 'B' and 'I'); msstart has nsets+1 entries. Any pointer
   may be NULL; the member count is attribute ONDR_SETMEMBERS. */
ONDR_API int ONDRgetglobal64(ONDRprob prob, int *nglents, int *nsets, char qgtype[],
                             int mgcols[], double dlim[], char qstype[], int64_t msstart[],
                             int mscols[], double dref[]);

#endif
