/* libondr group C: problems, copies and names. */
#ifndef ONDR_PROB_H
#define ONDR_PROB_H
#include "ondr_base.h"

ONDR_API int ONDRcreateprob(ONDRprob *prob);
ONDR_API int ONDRdestroyprob(ONDRprob prob);
/* Make `dest` an independent copy of `src` (model, names, controls, and
   the warm-start basis of the next LP solve; not the results).
   An empty or NULL name keeps the source's name. */
ONDR_API int ONDRcopyprob(ONDRprob dest, ONDRprob src, const char *name);
ONDR_API int ONDRsetprobname(ONDRprob prob, const char *name);
/* `maxbytes` is at least the integer attribute ONDR_PROBNAMELENGTH. */
ONDR_API int ONDRgetprobname(ONDRprob prob, char *name, int maxbytes);

/* Names of rows (type 1), columns (2) or sets (3), NUL-terminated and laid
   end to end, for the inclusive index range first..last. */
ONDR_API int ONDRaddnames(ONDRprob prob, int type, const char *names, int first, int last);
/* Fills `names` with the names of first..last laid end to end. */
ONDR_API int ONDRgetnames(ONDRprob prob, int type, char *names, int first, int last);
/* Index of the row (type 1), column (2) or set (3) of that name; a name
   nobody has fails (nonzero status, last error names it) and sets -1. */
ONDR_API int ONDRgetindex(ONDRprob prob, int type, const char *name, int *index);

#endif
