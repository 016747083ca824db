// The work behind every ONDR* entry point that builds, changes or reads the
// stored model, without the public shell's checks (started library, live
// handle, busy refusal): tree searches, the IIS code and the nonlinear layer
// call these directly on problems they hold. Each takes the entry point's
// arguments and throws ondr::Error on bad input, leaving the model as it was.
// Those that change the model tell the solver session (model/hook.h)
// themselves, so every caller keeps it in step.
#pragma once
#include <cstdint>
#include "ondr_base.h"

namespace ondr {

// Adding rows, columns, sets and quadratic terms (add.cpp)
void add_rows64(ONDRprob prob, int nrows, int64_t nnz, const char qrtype[], const double rhs[],
                const double range[], const int64_t mstart[], const int mclind[],
                const double dmatval[]);
void add_cols64(ONDRprob prob, int ncols, int64_t nnz, const double objx[], const int64_t mstart[],
                const int mrwind[], const double dmatval[], const double bdl[], const double bdu[]);
void add_sets64(ONDRprob prob, int nsets, int64_t nelems, const char qstype[],
                const int64_t msstart[], const int mscols[], const double dref[]);
void add_qmatrix64(ONDRprob prob, int irow, int64_t nqtr, const int mqc1[], const int mqc2[],
                   const double dqe[]);

// Changing the model in place (change.cpp)
void chg_coltype(ONDRprob prob, int ncols, const int mindex[], const char coltype[]);
// Limits of semi-continuous, semi-integer and partially integer columns.
void chg_glblimit(ONDRprob prob, int ncols, const int mindex[], const double dlimit[]);
void set_indicators(ONDRprob prob, int nrows, const int mrows[], const int inds[],
                    const int comps[]);
void chg_obj(ONDRprob prob, int ncols, const int mindex[], const double obj[]);
// Several quadratic objective terms at once; 0 removes a term.
void chg_mqobj(ONDRprob prob, int ncols, const int mcol1[], const int mcol2[], const double dval[]);
void chg_mqobj64(ONDRprob prob, int64_t ncols, const int mcol1[], const int mcol2[],
                 const double dval[]);
void chg_objsense(ONDRprob prob, int objsense);
void chg_rowtype(ONDRprob prob, int nrows, const int mindex[], const char qrtype[]);
void chg_rhs(ONDRprob prob, int nrows, const int mindex[], const double rhs[]);
void chg_rhsrange(ONDRprob prob, int nrows, const int mindex[], const double rng[]);
void chg_bounds(ONDRprob prob, int nbounds, const int mindex[], const char qbtype[],
                const double bnd[]);
// Several matrix entries at once; 0 removes an entry.
void chg_mcoef(ONDRprob prob, int ncoefs, const int mrow[], const int mcol[], const double dval[]);
void chg_coef(ONDRprob prob, int irow, int icol, double dval);
void chg_qobj(ONDRprob prob, int icol, int jcol, double dval);
void chg_qrowcoeff(ONDRprob prob, int irow, int icol, int jcol, double dval);
// Clears the quadratic terms of a row, or of the objective for irow = -1.
void del_qmatrix(ONDRprob prob, int irow);
// Replaces the row and column scale exponents (NULL keeps that side).
void set_scale(ONDRprob prob, const int mrscal[], const int mcscal[]);

// Deleting rows, columns and sets (delete.cpp)
void del_rows(ONDRprob prob, int nrows, const int mindex[]);
void del_cols(ONDRprob prob, int ncols, const int mindex[]);
void del_sets(ONDRprob prob, int nsets, const int mindex[]);

// Loading a whole model, replacing the one held (load.cpp)
void load_lp(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
             const double rhs[], const double range[], const double obj[], const int mstart[],
             const int mnel[], const int mrwind[], const double dmatval[], const double dlb[],
             const double dub[]);
void load_lp64(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
               const double rhs[], const double range[], const double obj[], const int64_t mstart[],
               const int mnel[], const int mrwind[], const double dmatval[], const double dlb[],
               const double dub[]);
void load_qp64(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
               const double rhs[], const double range[], const double obj[], const int64_t mstart[],
               const int mnel[], const int mrwind[], const double dmatval[], const double dlb[],
               const double dub[], int64_t nqtr, const int mqcol1[], const int mqcol2[],
               const double dqe[]);
void load_global64(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
                   const double rhs[], const double range[], const double obj[],
                   const int64_t mstart[], const int mnel[], const int mrwind[],
                   const double dmatval[], const double dlb[], const double dub[], int ngents,
                   int nsets, const char qgtype[], const int mgcols[], const double dlim[],
                   const char qstype[], const int64_t msstart[], const int mscols[],
                   const double dref[]);
void load_qglobal64(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
                    const double rhs[], const double range[], const double obj[],
                    const int64_t mstart[], const int mnel[], const int mrwind[],
                    const double dmatval[], const double dlb[], const double dub[], int64_t nqtr,
                    const int mqcol1[], const int mqcol2[], const double dqe[], int ngents,
                    int nsets, const char qgtype[], const int mgcols[], const double dlim[],
                    const char qstype[], const int64_t msstart[], const int mscols[],
                    const double dref[]);
void load_qcqp64(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
                 const double rhs[], const double range[], const double obj[],
                 const int64_t mstart[], const int mnel[], const int mrwind[],
                 const double dmatval[], const double dlb[], const double dub[], int64_t nqtr,
                 const int mqcol1[], const int mqcol2[], const double dqe[], int nqcrows,
                 const int qcrows[], const int64_t qcnquads[], const int qcmqcol1[],
                 const int qcmqcol2[], const double qcdqval[]);
void load_qcqpglobal64(ONDRprob prob, const char *probname, int ncols, int nrows,
                       const char qrtype[], const double rhs[], const double range[],
                       const double obj[], const int64_t mstart[], const int mnel[],
                       const int mrwind[], const double dmatval[], const double dlb[],
                       const double dub[], int64_t nqtr, const int mqcol1[], const int mqcol2[],
                       const double dqe[], int nqcrows, const int qcrows[],
                       const int64_t qcnquads[], const int qcmqcol1[], const int qcmqcol2[],
                       const double qcdqval[], int ngents, int nsets, const char qgtype[],
                       const int mgcols[], const double dlim[], const char qstype[],
                       const int64_t msstart[], const int mscols[], const double dref[]);

// Problems and names (problem.cpp)
// A new empty problem; fails unless the library is started.
void create_prob(ONDRprob *prob);
// Checks the handle itself, as the shell cannot hold a problem it frees.
void destroy_prob(ONDRprob prob);
// The caller checks that `dest` is not busy; `src` is checked here.
void copy_prob(ONDRprob dest, ONDRprob src, const char *name);
void set_probname(ONDRprob prob, const char *name);
void get_probname(ONDRprob prob, char *name, int maxbytes);
// Names `first`..`last` of rows, columns or sets (type 1, 2 or 3).
void add_names(ONDRprob prob, int type, const char *names, int first, int last);
// Names `first`..`last` of rows, columns or sets, each NUL-terminated.
void get_names(ONDRprob prob, int type, char *names, int first, int last);
// Index of the row, column or set named `name` (type 1, 2 or 3).
void get_index(ONDRprob prob, int type, const char *name, int *index);

// Reading the model (query.cpp)
void get_rows64(ONDRprob prob, int64_t mstart[], int mclind[], double dmatval[], int64_t maxcoefs,
                int64_t *ncoefs, int first, int last);
void get_cols64(ONDRprob prob, int64_t mstart[], int mrwind[], double dmatval[], int64_t maxcoefs,
                int64_t *ncoefs, int first, int last);
void get_mqobj(ONDRprob prob, int mstart[], int mclind[], double dobjval[], int maxcoefs,
               int *ncoefs, int first, int last);
void get_mqobj64(ONDRprob prob, int64_t mstart[], int mclind[], double dobjval[], int64_t maxcoefs,
                 int64_t *ncoefs, int first, int last);
void get_qrowqmatrix(ONDRprob prob, int irow, int mstart[], int mclind[], double dqe[],
                     int maxcoefs, int *ncoefs, int first, int last);
void get_qrowqmatrixtriplets(ONDRprob prob, int irow, int *nqelem, int mqcol1[], int mqcol2[],
                             double dqe[]);
// The rows that have quadratic terms.
void get_qrows(ONDRprob prob, int *nrows, int mrows[]);
void get_obj(ONDRprob prob, double obj[], int first, int last);
void get_rhs(ONDRprob prob, double rhs[], int first, int last);
void get_rhsrange(ONDRprob prob, double range[], int first, int last);
void get_lb(ONDRprob prob, double lb[], int first, int last);
void get_ub(ONDRprob prob, double ub[], int first, int last);
void get_rowtype(ONDRprob prob, char qrtype[], int first, int last);
void get_coltype(ONDRprob prob, char coltype[], int first, int last);
void get_indicators(ONDRprob prob, int inds[], int comps[], int first, int last);
void get_coef(ONDRprob prob, int irow, int icol, double *dval);
void get_qobj(ONDRprob prob, int icol, int jcol, double *dval);
void get_qrowcoeff(ONDRprob prob, int irow, int icol, int jcol, double *dval);
// The integer-like columns with their limits, and the sets.
void get_global64(ONDRprob prob, int *nglents, int *nsets, char qgtype[], int mgcols[],
                  double dlim[], char qstype[], int64_t msstart[], int mscols[], double dref[]);

}  // namespace ondr
