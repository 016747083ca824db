/* libondr group B: controls and attributes of the optimizer layer. */
#ifndef ONDR_CONTROLS_H
#define ONDR_CONTROLS_H
#include "ondr_base.h"
#include "ondr_ids.h"

/* Flag bits of the list returned by ONDRgetcalist_c. */
#define ONDR_CA_INT     0x01
#define ONDR_CA_DOUBLE  0x02
#define ONDR_CA_STRING  0x04
#define ONDR_CA_CONTROL 0x20

/* The optimizer layer's list of controls and attributes: three parallel
   arrays owned by the library and valid until ONDRfree, ended by an entry
   whose identifier is 0 (and whose name is ""). `prob` may be NULL. */
ONDR_API int ONDRgetcalist_c(ONDRprob prob, const int **ids, const char *const **names,
                             const int **flags);

ONDR_API int ONDRgetintattrib(ONDRprob prob, int id, int *value);
ONDR_API int ONDRgetintattrib64(ONDRprob prob, int id, int64_t *value);
ONDR_API int ONDRgetdblattrib(ONDRprob prob, int id, double *value);
ONDR_API int ONDRgetstringattrib(ONDRprob prob, int id, char *value); /* <= 2048 bytes */

ONDR_API int ONDRgetintcontrol(ONDRprob prob, int id, int *value);
ONDR_API int ONDRgetintcontrol64(ONDRprob prob, int id, int64_t *value);
ONDR_API int ONDRgetdblcontrol(ONDRprob prob, int id, double *value);
ONDR_API int ONDRgetstrcontrol(ONDRprob prob, int id, char *value);    /* <= 2048 bytes */
ONDR_API int ONDRgetstringcontrol(ONDRprob prob, int id, char *value); /* same as above */
ONDR_API int ONDRsetintcontrol(ONDRprob prob, int id, int value);
ONDR_API int ONDRsetintcontrol64(ONDRprob prob, int id, int64_t value);
ONDR_API int ONDRsetdblcontrol(ONDRprob prob, int id, double value);
ONDR_API int ONDRsetstrcontrol(ONDRprob prob, int id, const char *value);

ONDR_API int ONDRsetdefaultcontrol(ONDRprob prob, int id);
ONDR_API int ONDRsetdefaults(ONDRprob prob);
ONDR_API int ONDRcopycontrols(ONDRprob dest, ONDRprob src);
ONDR_API int ONDRdumpcontrols(ONDRprob prob);
/* Look a control or attribute up by name (any case). `type` receives the
   type codes 0 not defined, 1 int, 2 int64, 3 double, 4 string. */
ONDR_API int ONDRgetattribinfo(ONDRprob prob, const char *name, int *id, int *type);
ONDR_API int ONDRgetcontrolinfo(ONDRprob prob, const char *name, int *id, int *type);

#endif
