/* libondr group M: branching objects of the tree search.

   A branching object describes how the tree search divides a node: it has
   branches numbered from 0, and each branch (one child node) carries bound
   changes of columns ('L' raises the lower bound, 'U' lowers the upper
   bound), rows ('L' a.x <= rhs, 'G' a.x >= rhs, 'E' a.x = rhs) and cuts of
   the cut pool. The child's bounds are the parent's tightened by the
   branch's; its rows hold in the child's whole subtree and are taken out of
   the node LP when the search leaves that subtree.

   An object made with ONDR_bo_create belongs to its maker until
   ONDR_bo_store succeeds or the object is handed back by a chgbranchobject
   callback: from then on the search owns it (and destroys it). Objects the
   search passes to chgbranchobject stay the search's.

   Columns are the columns of the problem as loaded. The tree search does
   not presolve, so `isoriginal` 0 (columns of the presolved problem) names
   the same columns.

   Every function checks its arguments and changes nothing when it fails;
   the object's last error (ONDR_bo_getlasterror) tells why, and so does the
   problem's. Refused: a branch index out of range, a column out of range,
   a bound or right-hand side that is NaN or infinite (magnitude 1e20 or
   more), an unknown type letter, starts that do not increase from 0 to the
   element count.

   ONDR_bo_validate: status 0 the object can be used; 1 it has no branch;
   2 a branch has no bound, row or cut (the child would be its parent);
   3 the preferred branch is out of range. The last error names the fault.
   ONDR_bo_store: hands a valid object to the search for the node being
   processed (from a prenode, optnode or preintsol callback): the search
   branches that node with it instead of its own choice. Status 0 stored;
   the function fails (status as ONDR_bo_validate) when the object is not
   valid or no node is being processed. Of several objects stored at one
   node, the one with the lowest priority value is used (the later one of
   equal priorities). */
#ifndef ONDR_BO_H
#define ONDR_BO_H
#include "ondr_base.h"

ONDR_API int ONDR_bo_create(ONDRbranchobject *bo, ONDRprob prob, int isoriginal);
ONDR_API int ONDR_bo_destroy(ONDRbranchobject bo);
ONDR_API int ONDR_bo_validate(ONDRbranchobject bo, int *status);
ONDR_API int ONDR_bo_store(ONDRbranchobject bo, int *status);
ONDR_API int ONDR_bo_setpriority(ONDRbranchobject bo, int priority);
ONDR_API int ONDR_bo_setpreferredbranch(ONDRbranchobject bo, int ibranch);
ONDR_API int ONDR_bo_addbranches(ONDRbranchobject bo, int nbranches);
ONDR_API int ONDR_bo_addbounds(ONDRbranchobject bo, int ibranch, int nbounds, const char types[],
                               const int cols[], const double values[]);
ONDR_API int ONDR_bo_addrows(ONDRbranchobject bo, int ibranch, int nrows, int nelems,
                             const char types[], const double rhs[], const int starts[],
                             const int cols[], const double values[]);
ONDR_API int ONDR_bo_addcuts(ONDRbranchobject bo, int ibranch, int ncuts, const ONDRcut cuts[]);
ONDR_API int ONDR_bo_getbranches(ONDRbranchobject bo, int *nbranches);
ONDR_API int ONDR_bo_getid(ONDRbranchobject bo, int *id);
/* code and length may be NULL; the text is cut to size - 1 bytes. */
ONDR_API int ONDR_bo_getlasterror(ONDRbranchobject bo, int *code, char *buf, int size, int *length);
/* Size queries: with NULL arrays only the counts; then at most `size`
   entries (rows: `nrows_size` rows, `nelems_size` elements; beg gets one
   start per row returned). */
ONDR_API int ONDR_bo_getbounds(ONDRbranchobject bo, int ibranch, int *nbounds, int size,
                               char types[], int cols[], double values[]);
ONDR_API int ONDR_bo_getrows(ONDRbranchobject bo, int ibranch, int *nrows, int nrows_size,
                             int *nelems, int nelems_size, char types[], double rhs[], int beg[],
                             int cols[], double values[]);

#endif
