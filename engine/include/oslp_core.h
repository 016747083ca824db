/* Nonlinear layer: environment, problems, controls and attributes. */
#ifndef OSLP_CORE_H
#define OSLP_CORE_H
#include "ondr_base.h"
#include "ondr_ids.h"

/* Flag bits reported by OSLPcontrolname. */
#define OSLP_CA_INT     0x01
#define OSLP_CA_DOUBLE  0x02
#define OSLP_CA_STRING  0x04
#define OSLP_CA_CONTROL 0x10

/* 0: available. The layer is always available in this build. */
ONDR_API int OSLPinit(void);
ONDR_API int OSLPfree(void);
ONDR_API int OSLPgetlasterror(OSLPprob prob, int *code, char *errmsg); /* <= 512 bytes */

/* While another thread solves the optimizer problem (any solve, linear or
   not), every call that changes or destroys its nonlinear problem fails with
   status 35 and leaves it as it was; reading calls and OSLPinterrupt work.
   `*prob` (the optimizer problem) must stay alive while `*slp` does. */
ONDR_API int OSLPcreateprob(OSLPprob *slp, ONDRprob *prob);
ONDR_API int OSLPdestroyprob(OSLPprob slp);
/* Copies the nonlinear content; the optimizer problems must already be copies. */
ONDR_API int OSLPcopyprob(OSLPprob dest, OSLPprob src, const char *name);
ONDR_API int OSLPcopycontrols(OSLPprob dest, OSLPprob src);

/* The layer's list of controls and attributes: ids and names, owned by the
   library; entry 0 is a placeholder, an empty name ends the list. */
ONDR_API int OSLPgetcalist(OSLPprob prob, const int **ids, const char *const **names);
/* Name (when `name` is not NULL, at most 128 bytes) and flags of an id. */
ONDR_API int OSLPcontrolname(int id, char *name, int *flags);

ONDR_API int OSLPgetintattrib(OSLPprob prob, int id, int *value);
ONDR_API int OSLPgetdblattrib(OSLPprob prob, int id, double *value);
ONDR_API int OSLPgetstrattrib(OSLPprob prob, int id, char *value);   /* <= 2048 bytes */
ONDR_API int OSLPgetptrattrib(OSLPprob prob, int id, void **value);
ONDR_API int OSLPgetintcontrol(OSLPprob prob, int id, int *value);
ONDR_API int OSLPgetdblcontrol(OSLPprob prob, int id, double *value);
ONDR_API int OSLPgetstrcontrol(OSLPprob prob, int id, char *value);  /* <= 2048 bytes */
ONDR_API int OSLPsetintcontrol(OSLPprob prob, int id, int value);
ONDR_API int OSLPsetdblcontrol(OSLPprob prob, int id, double value);
ONDR_API int OSLPsetstrcontrol(OSLPprob prob, int id, const char *value);
ONDR_API int OSLPsetdefaultcontrol(OSLPprob prob, int id);
ONDR_API int OSLPsetdefaults(OSLPprob prob);

#endif
