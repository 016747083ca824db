/* libondr: the nonlinear layer's public C interface (prefix OSLP). A
   nonlinear problem drives one optimizer problem: rows and columns are the
   optimizer's, and the layer adds nonlinear coefficients
   (factor x column x formula) to rows, solving with its own local solvers. */
#ifndef OSLP_H
#define OSLP_H
#include "ondr.h"
#include "oslp_core.h"
#include "oslp_coefs.h"
#include "oslp_solve.h"
#include "oslp_io.h"
#include "oslp_slp.h"
#endif
