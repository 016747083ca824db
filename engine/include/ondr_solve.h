/* libondr group G: optimize, solutions, bases, rays, analysis. */
#ifndef ONDR_SOLVE_H
#define ONDR_SOLVE_H
#include "ondr_base.h"

#endif
