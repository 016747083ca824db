/* libondr: the optimizer layer's public C interface. Every function returns
   0 on success; on failure a nonzero status and a last-error text (per
   problem, or process-wide for failures without a problem). */
#ifndef ONDR_H
#define ONDR_H
#include "ondr_base.h"
#include "ondr_env.h"
#include "ondr_controls.h"
#include "ondr_prob.h"
#include "ondr_model.h"
#include "ondr_solve.h"
#include "ondr_io.h"
#include "ondr_cb.h"
#include "ondr_mipsol.h"
#include "ondr_analysis.h"
#include "ondr_bo.h"
#include "ondr_cuts.h"
#include "ondr_repair.h"
#include "ondr_tune.h"
#include "ondr_iis.h"
#endif
