/* libondr: cuts, the cut pool, rows kept out of the node LPs, branching
   directives, stored bound sets and strong branching.

   The cut pool belongs to a problem and lives as long as it: cuts stored in
   it keep their handle (ONDRcut) across nodes, callbacks and solves until
   ONDRdelcpcuts removes them. A handle is an opaque token, never a pointer
   the caller may follow; a handle of another problem's pool, or one removed
   from the pool, is refused.

   A cut is a row  sum dmatval[k] * x[mcols[k]]  (rtype)  rhs  over the
   problem's columns, rtype 'L' (<=), 'G' (>=) or 'E' (=), with a user type
   (mtype, any int).

   During the tree search, node callbacks (prenode, optnode, and the others
   fired at a node) may add cuts to the node being processed: such cuts are
   rows of that node's LP and of the LPs of its subtree, and leave the LP
   when the search leaves the subtree. Outside a node callback the
   functions that act on "the current node" fail with
   "<function> can only be called from a callback during the branch-and-bound".

   Type selection (itype, interp) in the functions that pick cuts:
     interp -1: every cut (itype is ignored);
     interp  1: cuts whose type equals itype;
     interp  2: cuts whose type shares a bit with itype (type & itype != 0);
     interp  3: cuts whose type holds every bit of itype (type & itype == itype).
   With a list of handles (n >= 0 and a non-NULL array) only the listed
   cuts are considered, still filtered by type; with n = -1 (or a NULL
   array) every cut is.

   Violation of a cut at a point x: rhs - a.x for 'G', a.x - rhs for 'L',
   |a.x - rhs| for 'E' (positive: violated). Slack: its opposite for 'G' and
   'L' rows (rhs - a.x for 'L', a.x - rhs for 'G'), minus |a.x - rhs| for 'E'. */
#ifndef ONDR_CUTS_H
#define ONDR_CUTS_H
#include "ondr_base.h"

/* Duplicate control of ONDRstorecuts64 (nodupl). */
enum {
  ONDR_CUTS_KEEPDUPLICATES = 0, /* every cut is stored */
  ONDR_CUTS_SAMETYPE = 1,       /* a cut equal (same row, sense, rhs) to a pool cut of the same
                                   type is not stored again: its handle is the pool cut's */
  ONDR_CUTS_ANYTYPE = 2         /* as 1, whatever the type */
};

/* Types of the cuts the library's own separators put in the pool. */
enum { ONDR_CUTTYPE_GOMORY = -1, ONDR_CUTTYPE_COVER = -2 };
enum { ONDR_CUTTYPE_MIR = -3 };

/* Adds ncuts cuts to the current node (and its subtree). Each row is
   checked before any is added: sense letter, finite rhs and coefficients,
   columns in range, starts non-decreasing. */
ONDR_API int ONDRaddcuts64(ONDRprob prob, int ncuts, const int mtype[], const char rtype[],
                           const double rhs[], const int64_t mstart[], const int mcols[],
                           const double dmatval[]);

/* Stores ncuts cuts in the pool (not in any LP) and gives back one handle
   per cut in handles[] (under nodupl 1 or 2 a duplicate gets the handle of
   the cut already stored). Callable at any time. */
ONDR_API int ONDRstorecuts64(ONDRprob prob, int ncuts, int nodupl, const int mtype[],
                             const char rtype[], const double rhs[], const int64_t mstart[],
                             ONDRcut handles[], const int mcols[], const double dmatval[]);

/* Loads pool cuts into the current node (those already in its LP stay). */
ONDR_API int ONDRloadcuts(ONDRprob prob, int itype, int interp, int n, const ONDRcut cutind[]);

/* Removes cuts from the current node's LP (and its subtree's): those
   selected whose slack at the node's LP solution is at least delta; with
   ibasis 1 only those whose slack is positive (basic row) as well. The
   cuts stay in the pool. */
ONDR_API int ONDRdelcuts(ONDRprob prob, int ibasis, int itype, int interp, double delta, int n,
                         const ONDRcut cutind[]);

/* Removes cuts from the pool: their handles become invalid. LPs of nodes
   that loaded them keep them until they leave the subtree. Callable at any
   time. */
ONDR_API int ONDRdelcpcuts(ONDRprob prob, int itype, int interp, int n, const ONDRcut cutind[]);

/* Gives the current node one more child: the node's subtree with the n pool
   cuts loaded. When a node callback gave children (this function or
   ONDRsetbranchbounds), the node branches into them instead of the
   search's own choice. */
ONDR_API int ONDRsetbranchcuts(ONDRprob prob, int n, const ONDRcut mindex[]);

/* Slack of a cut at the current node's LP solution. */
ONDR_API int ONDRgetcutslack(ONDRprob prob, ONDRcut cut, double *slack);

/* Row of each cut in the current node's LP (rows of the model first, then
   the cuts), -1 for a cut not in it. */
ONDR_API int ONDRgetcutmap(ONDRprob prob, int n, const ONDRcut cuts[], int rows[]);

/* Cuts of the current node's LP, by type (the search's own root cuts, of
   types ONDR_CUTTYPE_*, first): *count gets their number, cuts[] (may be
   NULL) the first min(size, count). */
ONDR_API int ONDRgetcutlist(ONDRprob prob, int itype, int interp, int *count, int size,
                            ONDRcut cuts[]);

/* Pool cuts, by type, whose violation at the current node's LP solution
   (outside a search: at the problem's last LP solution) is at least delta:
   *count gets their number; cuts[] and viol[] (each may be NULL) the first
   min(size, count) cuts and violations. */
ONDR_API int ONDRgetcpcutlist(ONDRprob prob, int itype, int interp, double delta, int *count,
                              int size, ONDRcut cuts[], double viol[]);

/* Rows of n pool cuts: type[n], rtype[n], mstart[n+1], drhs[n], and the
   first min(size, nnz) entries of mcols and dmatval. Any output may be
   NULL; with only mstart given it tells nnz = mstart[n]. */
ONDR_API int ONDRgetcpcuts64(ONDRprob prob, const ONDRcut index[], int n, int64_t size, int type[],
                             char rtype[], int64_t mstart[], int mcols[], double dmatval[],
                             double drhs[]);

/* Rows left out of the node LPs until a node LP solution or a candidate
   solution violates them (then they join the LP for the rest of the
   search). Model cuts and delayed rows are treated alike by the search;
   both marks stay until the rows are deleted or marked again (n = 0 clears
   the mark). Indicator rows and rows with a quadratic part cannot be
   marked. */
ONDR_API int ONDRloadmodelcuts(ONDRprob prob, int n, const int mrows[]);
ONDR_API int ONDRloaddelayedrows(ONDRprob prob, int n, const int mrows[]);

/* Rows and columns that no reduction may remove. A count of -1 or a NULL
   array leaves that list as it is. */
ONDR_API int ONDRloadsecurevecs(ONDRprob prob, int nrows, int ncols, const int mrow[],
                                const int mcol[]);

/* Branching directives of n columns (replacing earlier ones of those
   columns). mpri: priority, smaller first (default 500); qbr: 'U' up branch
   first, 'D' down branch first, 'N' the search's choice; dupc, ddpc: up and
   down pseudocosts (gain of the objective per unit), given to the search
   as one observation each; negative: none. Each array may be NULL (that
   item keeps its default). */
ONDR_API int ONDRloaddirs(ONDRprob prob, int n, const int mcols[], const int mpri[],
                          const char qbr[], const double dupc[], const double ddpc[]);
/* The same, for the columns of the presolved problem (the search works on
   the original columns, so the columns are the original ones). */
ONDR_API int ONDRloadpresolvedirs(ONDRprob prob, int n, const int mcols[], const int mpri[],
                                  const char qbr[], const double dupc[], const double ddpc[]);
/* Preferred branch of n columns: mbranch 0 down first, 1 up first, -1 the
   search's choice; mbranch NULL: up first. */
ONDR_API int ONDRloadbranchdirs(ONDRprob prob, int n, const int mcols[], const int mbranch[]);
/* The directives: *n gets their number; the arrays (each may be NULL) the
   directives in column order. */
ONDR_API int ONDRgetdirs(ONDRprob prob, int *n, int mcols[], int mpri[], char qbr[], double dupc[],
                         double ddpc[]);
/* Directive files: one directive a line,
     <column name> <priority> <U|D|N> <up pseudocost> <down pseudocost>
   with '*' starting a comment line. Reading replaces every directive. */
ONDR_API int ONDRreaddirs(ONDRprob prob, const char *filename);
ONDR_API int ONDRwritedirs(ONDRprob prob, const char *filename);

/* A stored set of bound changes: type 'L' lower, 'U' upper, 'B' both
   bounds of column mcols[k] at bds[k]. The handle is the problem's until it
   is destroyed. Callable at any time. */
ONDR_API int ONDRstorebounds(ONDRprob prob, int n, const int mcols[], const char type[],
                             const double bds[], void **handle);
/* Gives the current node one more child: the node's subtree with the
   stored bounds applied (see ONDRsetbranchcuts). */
ONDR_API int ONDRsetbranchbounds(ONDRprob prob, void *handle);

/* Strong branching: for each k < n, the LP of the current node (outside a
   search: the problem's continuous relaxation) with the bound change
   (mbndind[k], cbndtype[k] 'L', 'U' or 'B', dbndval[k]) alone, solved from
   the node's basis within itrlimit iterations (<= 0: none). dsbobjval[k]
   gets the objective (in the problem's sense; a bound when unfinished),
   msbstatus[k] an LP status: 1 optimal, 2 infeasible, 4 unfinished
   (iteration limit), 5 unbounded, 7 not solved. */
ONDR_API int ONDRstrongbranch(ONDRprob prob, int n, const int mbndind[], const char cbndtype[],
                              const double dbndval[], int itrlimit, double dsbobjval[],
                              int msbstatus[]);
/* As ONDRstrongbranch, calling solvecb(prob, ctx, k) after branch k is
   solved (the problem's LP solution then being that branch's). A nonzero
   result stops: the branches left get status 7. */
ONDR_API int ONDRstrongbranchcb(ONDRprob prob, int n, const int mbndind[], const char cbndtype[],
                                const double dbndval[], int itrlimit, double dsbobjval[],
                                int msbstatus[], int (*solvecb)(ONDRprob, void *, int),
                                void *ctx);

#endif
