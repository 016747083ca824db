/* Nonlinear layer: problem files. The formats and flags are those of
   ONDRreadprob and ONDRwriteprob (ondr_io.h); the nonlinear layer also
   reads and writes the nonlinear sections (NLCOEFS, NLDETROWS,
   NLROWSTATUS). Reading fills the optimizer problem behind `slp`; a NULL or
   dead `slp` fails with a nonzero status and a last error, without effect. */
#ifndef OSLP_IO_H
#define OSLP_IO_H
#include "ondr_base.h"

ONDR_API int OSLPreadprob(OSLPprob slp, const char *filename, const char *flags);
ONDR_API int OSLPwriteprob(OSLPprob slp, const char *filename, const char *flags);

#endif
