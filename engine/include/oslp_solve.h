/* Nonlinear layer: optimizer, solutions, state. */
#ifndef OSLP_SOLVE_H
#define OSLP_SOLVE_H
#include "ondr_base.h"

#endif
