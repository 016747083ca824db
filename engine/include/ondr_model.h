/* libondr groups D, E, F: loading, modifying and querying the stored model.
   Conventions: indices are 0-based; first..last ranges are inclusive; row
   types 'L','G','E','R','N' (a range row is rhs-range <= a.x <= rhs); column
   types 'C','B','I','S','R','P'; bounds beyond +-1e20 are infinite.
   Quadratic objective: 0.5 x'Qx, each unordered pair (i,j) given once and
   standing for both Q_ij and Q_ji. Quadratic row part: x'Qx likewise. */
#ifndef ONDR_MODEL_H
#define ONDR_MODEL_H
#include "ondr_base.h"

/* ---- D: loading whole problems (replace all content) ---- */
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
   'R' rows and `rhs` is ignored for 'N' rows. */
ONDR_API int ONDRaddrows64(ONDRprob prob, int nrows, int64_t nnz, const char qrtype[],
                           const double rhs[], const double range[], const int64_t mstart[],
                           const int mclind[], const double dmatval[]);
ONDR_API int ONDRaddcols64(ONDRprob prob, int ncols, int64_t nnz, const double objx[],
                           const int64_t mstart[], const int mrwind[], const double dmatval[],
                           const double bdl[], const double bdu[]);
ONDR_API int ONDRaddsets64(ONDRprob prob, int nsets, int64_t nelems, const char qstype[],
                           const int64_t msstart[], const int mscols[], const double dref[]);
/* Adds quadratic terms (x'Qx convention) to row `irow`. */
ONDR_API int ONDRaddqmatrix64(ONDRprob prob, int irow, int64_t nqtr, const int mqc1[],
                              const int mqc2[], const double dqe[]);
ONDR_API int ONDRdelrows(ONDRprob prob, int nrows, const int mindex[]);
ONDR_API int ONDRdelcols(ONDRprob prob, int ncols, const int mindex[]);
ONDR_API int ONDRdelsets(ONDRprob prob, int nsets, const int mindex[]);
/* Row -1 deletes the objective's quadratic part. */
ONDR_API int ONDRdelqmatrix(ONDRprob prob, int irow);
ONDR_API int ONDRchgcoltype(ONDRprob prob, int ncols, const int mindex[], const char coltype[]);
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
ONDR_API int ONDRchgrhsrange(ONDRprob prob, int nrows, const int mindex[], const double rng[]);
/* Bound letters: 'L' lower, 'U' upper, 'B' both, 'F' fixed (same as 'B'). */
ONDR_API int ONDRchgbounds(ONDRprob prob, int nbounds, const int mindex[], const char qbtype[],
                           const double bnd[]);
ONDR_API int ONDRchgmcoef(ONDRprob prob, int ncoefs, const int mrow[], const int mcol[],
                          const double dval[]);
ONDR_API int ONDRchgcoef(ONDRprob prob, int irow, int icol, double dval);
ONDR_API int ONDRchgqobj(ONDRprob prob, int icol, int jcol, double dval);
ONDR_API int ONDRchgqrowcoeff(ONDRprob prob, int irow, int icol, int jcol, double dval);
ONDR_API int ONDRscale(ONDRprob prob, const int mrscal[], const int mcscal[]);

/* ---- F: queries ---- */
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
ONDR_API int ONDRgetrhsrange(ONDRprob prob, double range[], int first, int last);
ONDR_API int ONDRgetlb(ONDRprob prob, double lb[], int first, int last);
ONDR_API int ONDRgetub(ONDRprob prob, double ub[], int first, int last);
ONDR_API int ONDRgetrowtype(ONDRprob prob, char qrtype[], int first, int last);
ONDR_API int ONDRgetcoltype(ONDRprob prob, char coltype[], int first, int last);
ONDR_API int ONDRgetindicators(ONDRprob prob, int inds[], int comps[], int first, int last);
ONDR_API int ONDRgetcoef(ONDRprob prob, int irow, int icol, double *dval);
ONDR_API int ONDRgetqobj(ONDRprob prob, int icol, int jcol, double *dval);
ONDR_API int ONDRgetqrowcoeff(ONDRprob prob, int irow, int icol, int jcol, double *dval);
ONDR_API int ONDRgetglobal64(ONDRprob prob, int *nglents, int *nsets, char qgtype[],
                             int mgcols[], double dlim[], char qstype[], int64_t msstart[],
                             int mscols[], double dref[]);

#endif
