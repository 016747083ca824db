/* Nonlinear layer: problem files. The formats and flags are those of
   ONDRreadprob and ONDRwriteprob (ondr_io.h); the nonlinear layer also
   reads and writes the nonlinear sections (NLCOEFS, NLDETROWS,
   NLROWSTATUS). Reading fills the optimizer problem behind `slp`; a NULL or
   dead `slp` fails with a nonzero status and a last error, without effect.

   The nonlinear sections (MPS: NLCOEFS, NLDETROWS, NLROWSTATUS; LP: NLCoefs,
   NLDetRows, NLRowStatus), one item per line:
     <row> <column> <factor> <type>:<value> ...
         a coefficient factor * x[column] * formula added to the row; the
         column 'UNIT' is the unit column (always 1); the formula is its
         parsed postfix tokens without the final end-of-formula token, a
         column token (type 10) naming its column, every other value a
         number. The tokens must form one formula (or none).
     <column> <row>    the determining row of the column
     <row> <bits>      the row's nonzero status bits */
#ifndef OSLP_IO_H
#define OSLP_IO_H
#include "ondr_base.h"

ONDR_API int OSLPreadprob(OSLPprob slp, const char *filename, const char *flags);
ONDR_API int OSLPwriteprob(OSLPprob slp, const char *filename, const char *flags);

#endif
