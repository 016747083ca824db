/* Nonlinear layer: coefficients, formulas, user functions. */
#ifndef OSLP_COEFS_H
#define OSLP_COEFS_H
#include "ondr_base.h"

#endif
