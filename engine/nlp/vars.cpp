// SLP variables (determining rows and per-column data), row statuses and the
// layer's state bits.
#include <cmath>
#include "env/shell.h"
#include "nlp/slp_ops.h"
#include "nlp/slpprob.h"
#include "oslp.h"

using namespace ondr;

namespace {

void check_col(const Model &m, int c) {
  ONDR_REQUIRE(c >= 0 && c < m.ncols(), "Invalid column index %d (the problem has %d columns)", c, m.ncols());
}
void check_row(const Model &m, int r) {
  ONDR_REQUIRE(r >= 0 && r < m.nrows(), "Invalid row index %d (the problem has %d rows)", r, m.nrows());
}
void check_finite(const double *v, const char *what) {
  if (v) ONDR_REQUIRE(std::isfinite(*v), "The %s is not a finite number", what);
}

}  // namespace

namespace ondr {

void slp_chgvar(OSLPprob s, int colindex, const int *detrow, const double *initstepbound,
                const double *stepbound, const double *penalty, const double *damp, const double *initvalue,
                const double *value, const int *tolset, const int *history, const int *converged,
                const int *vartype) {
  Model &m = s->prob->model;
  check_col(m, colindex);
  if (detrow && *detrow != -1) {
    check_row(m, *detrow);
    for (const auto &e : m.detrow)
      if (e.second == *detrow && e.first != colindex)
        fail(ERR_ARGUMENT, "Row %d already determines column %d", *detrow, e.first);
  }
  check_finite(initstepbound, "initial step bound");
  check_finite(stepbound, "step bound");
  check_finite(penalty, "penalty");
  check_finite(damp, "damping factor");
  check_finite(initvalue, "initial value");
  check_finite(value, "value");
  if (initstepbound) ONDR_REQUIRE(*initstepbound >= 0, "The initial step bound must not be negative");
  if (stepbound) ONDR_REQUIRE(*stepbound >= 0, "The step bound must not be negative");
  if (penalty) ONDR_REQUIRE(*penalty >= 0, "The penalty must not be negative");
  if (damp) ONDR_REQUIRE(*damp > 0 && *damp <= 1, "The damping factor must be in (0, 1]");
  if (tolset)
    ONDR_REQUIRE(*tolset >= 0 && *tolset <= (int)s->tolsets.size(),
                 "Invalid tolerance set %d (the problem has %d tolerance sets)", *tolset, (int)s->tolsets.size());
  if (detrow) {
    if (*detrow == -1) m.detrow.erase(colindex);
    else m.detrow[colindex] = *detrow;
  }
  if (initstepbound || stepbound || penalty || damp || initvalue || value || tolset || history || converged ||
      vartype) {
    SlpVar &v = m.slpvars[colindex];
    if (initstepbound) v.initstepbound = *initstepbound;
    if (stepbound) v.stepbound = *stepbound;
    if (penalty) v.penalty = *penalty;
    if (damp) v.damp = *damp;
    if (initvalue) v.initvalue = *initvalue, v.has_initvalue = true;
    if (value) v.value = *value, v.has_value = true;
    if (tolset) v.tolset = *tolset;
    if (history) v.history = *history;
    if (converged) v.converged = *converged;
    if (vartype) v.vartype = *vartype;
  }
  nlp_model_changed(s);
}

void slp_delvars(OSLPprob s, int n, const int colindex[]) {
  Model &m = s->prob->model;
  ONDR_REQUIRE(n >= 0, "Invalid number of columns %d", n);
  if (n == 0) return;
  ONDR_REQUIRE(colindex, "NULL column array");
  for (int i = 0; i < n; ++i) check_col(m, colindex[i]);
  for (int i = 0; i < n; ++i) {
    m.detrow.erase(colindex[i]);
    m.slpvars.erase(colindex[i]);
  }
  nlp_model_changed(s);
}

void slp_getrowstatus(OSLPprob s, int rowindex, int *status) {
  const Model &m = s->prob->model;
  check_row(m, rowindex);
  ONDR_REQUIRE(status, "NULL status pointer");
  auto it = m.rowstatus.find(rowindex);
  *status = it == m.rowstatus.end() ? 0 : it->second;
}

void slp_chgrowstatus(OSLPprob s, int rowindex, const int *status) {
  Model &m = s->prob->model;
  check_row(m, rowindex);
  if (!status) return;
  if (*status == 0) m.rowstatus.erase(rowindex);
  else m.rowstatus[rowindex] = *status;
  nlp_model_changed(s);
}

void slp_unconstruct(OSLPprob s) {
  s->results.state &= ~OSLP_STATE_CONSTRUCTED;
}

void slp_postsolve(OSLPprob s) {
  s->results.state &= ~OSLP_STATE_PRESOLVED;
}

}  // namespace ondr
