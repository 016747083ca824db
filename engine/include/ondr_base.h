/* libondr: common definitions of the public C interface. */
#ifndef ONDR_BASE_H
#define ONDR_BASE_H

#include <stdint.h>

#ifdef __cplusplus
#define ONDR_EXTERN_C extern "C"
#else
#define ONDR_EXTERN_C
#endif

#if defined(ONDR_BUILDING)
#define ONDR_API ONDR_EXTERN_C __attribute__((visibility("default")))
#else
#define ONDR_API ONDR_EXTERN_C
#endif

/* Opaque handles: an optimizer problem, and a nonlinear-layer problem that
   drives an optimizer problem. */
typedef struct ondr_problem_s *ONDRprob;
typedef struct oslp_problem_s *OSLPprob;
typedef struct ondr_branchobj_s *ONDRbranchobject;
typedef struct ondr_cut_s *ONDRcut;

/* Every bound of magnitude 1e20 or more is infinite. */
#define ONDR_INFINITY 1.0e20

/* Size of the buffers the last-error functions fill. */
#define ONDR_MAXMESSAGELENGTH 512

#endif
