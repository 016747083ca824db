// SLP variables: loading and adding their data, reading it back, step
// rules and cascade limits. Every call checks all its input before it
// changes anything.
#include <cmath>
#include "env/shell.h"
#include "nlp/slp_ops.h"
#include "nlp/slpprob.h"
#include "oslp.h"
#include "oslp_slp.h"

namespace ondr {

namespace {

void check_col(const Model &m, int c) {
  ONDR_REQUIRE(c >= 0 && c < m.ncols(), "Invalid column index %d (the problem has %d columns)", c, m.ncols());
}

void check_tolset(OSLPprob s, int t) {
  ONDR_REQUIRE(t >= 0 && t <= (int)s->tolsets.size(),
               "Invalid tolerance set %d (the problem has %d tolerance sets)", t, (int)s->tolsets.size());
}

// The row that already determines another column than `col`, or -1.
int other_determined(const Model &m, int row, int col) {
  for (const auto &e : m.detrow)
    if (e.second == row && e.first != col) return e.first;
  return -1;
}

}  // namespace

void slp_loadvars(OSLPprob s, int n, const int colindex[], const int vartype[], const int detrow[],
                  const int seqnum[], const int tolindex[], const double initvalue[],
                  const double stepbound[], bool replace) {
  Model &m = s->prob->model;
  ONDR_REQUIRE(n >= 0, "Invalid number of SLP variables %d", n);
  if (n == 0) return;
  ONDR_REQUIRE(colindex && vartype && detrow && seqnum && tolindex && initvalue && stepbound,
               "Every array of an SLP variable load is required");
  std::map<int, int> rows_taken;  // determining row -> column, within the call
  for (int i = 0; i < n; ++i) {
    int c = colindex[i];
    check_col(m, c);
    ONDR_REQUIRE(vartype[i] >= 0, "Invalid SLP variable type %d of column %d", vartype[i], c);
    if (detrow[i] != -1) {
      ONDR_REQUIRE(detrow[i] >= 0 && detrow[i] < m.nrows(), "Invalid determining row %d of column %d",
                   detrow[i], c);
      int other = other_determined(m, detrow[i], c);
      auto taken = rows_taken.find(detrow[i]);
      if (taken != rows_taken.end() && taken->second != c) other = taken->second;
      if (other >= 0) fail(ERR_ARGUMENT, "Row %d already determines column %d", detrow[i], other);
      rows_taken[detrow[i]] = c;
    }
    ONDR_REQUIRE(seqnum[i] >= 0, "Invalid cascade sequence number %d of column %d", seqnum[i], c);
    check_tolset(s, tolindex[i]);
    ONDR_REQUIRE(std::isfinite(initvalue[i]), "The initial value of column %d is not a finite number", c);
    ONDR_REQUIRE(std::isfinite(stepbound[i]) && stepbound[i] >= 0,
                 "The initial step bound of column %d must be a finite number >= 0", c);
  }
  for (int i = 0; i < n; ++i) {
    int c = colindex[i];
    SlpVar &v = m.slpvars[c];
    if (replace) v = SlpVar();
    v.vartype = vartype[i];
    v.seqnum = seqnum[i];
    v.tolset = tolindex[i];
    v.initvalue = initvalue[i];
    v.has_initvalue = true;
    v.initstepbound = stepbound[i];
    if (detrow[i] == -1) m.detrow.erase(c);
    else m.detrow[c] = detrow[i];
  }
  nlp_model_changed(s);
}

void slp_getvar(OSLPprob s, int colindex, int *detrow, double *initstepbound, double *stepbound,
                double *penalty, double *damp, double *initvalue, double *value, int *tolset,
                int *history, int *converged, int *vartype, int *delta, int *penaltydelta,
                int *updaterow, double *oldvalue) {
  const Model &m = s->prob->model;
  check_col(m, colindex);
  SlpVar v;
  auto it = m.slpvars.find(colindex);
  if (it != m.slpvars.end()) v = it->second;
  auto d = m.detrow.find(colindex);
  const NlpResults &r = s->results;
  const SlpColInfo *info = (size_t)colindex < r.slp.cols.size() ? &r.slp.cols[colindex] : nullptr;
  if (detrow) *detrow = d == m.detrow.end() ? -1 : d->second;
  if (initstepbound) *initstepbound = v.initstepbound;
  if (stepbound) *stepbound = v.stepbound;
  if (penalty) *penalty = v.penalty;
  if (damp) *damp = v.damp;
  if (initvalue) *initvalue = v.initvalue;
  if (value) {
    if (r.has_sol && (size_t)colindex < r.x.size()) *value = r.x[colindex];
    else *value = v.has_value ? v.value : v.initvalue;
  }
  if (tolset) *tolset = v.tolset;
  if (history) *history = info ? info->history : v.history;
  if (converged) *converged = info ? info->converged : v.converged;
  if (vartype) *vartype = v.vartype;
  if (delta) *delta = v.deltatype;
  if (penaltydelta) *penaltydelta = info ? info->penaltydelta : -1;
  if (updaterow) *updaterow = info ? info->updaterow : -1;
  if (oldvalue) *oldvalue = info ? info->oldvalue : v.oldvalue;
}

void slp_chgdeltatype(OSLPprob s, int n, const int colindex[], const int deltatypes[],
                      const double values[]) {
  Model &m = s->prob->model;
  ONDR_REQUIRE(n >= 0, "Invalid number of columns %d", n);
  if (n == 0) return;
  ONDR_REQUIRE(colindex && deltatypes, "NULL column or delta type array");
  for (int i = 0; i < n; ++i) {
    check_col(m, colindex[i]);
    int t = deltatypes[i];
    ONDR_REQUIRE(t >= OSLP_DELTA_DEFAULT && t <= OSLP_DELTA_FREE, "Invalid delta type %d of column %d", t,
                 colindex[i]);
    if (t == OSLP_DELTA_ABSOLUTE || t == OSLP_DELTA_RELATIVE) {
      ONDR_REQUIRE(values, "Delta type %d needs a value", t);
      ONDR_REQUIRE(std::isfinite(values[i]) && values[i] > 0,
                   "The delta size of column %d must be a finite number > 0", colindex[i]);
    }
  }
  for (int i = 0; i < n; ++i) {
    SlpVar &v = m.slpvars[colindex[i]];
    v.deltatype = deltatypes[i];
    v.deltasize = values && (deltatypes[i] == OSLP_DELTA_ABSOLUTE || deltatypes[i] == OSLP_DELTA_RELATIVE)
                      ? values[i] : 0.0;
  }
  nlp_model_changed(s);
}

void slp_chgcascadenlimit(OSLPprob s, int colindex, int limit) {
  Model &m = s->prob->model;
  check_col(m, colindex);
  ONDR_REQUIRE(limit >= 0, "Invalid cascade limit %d (0 for the default)", limit);
  m.slpvars[colindex].cascadenlimit = limit;
  nlp_model_changed(s);
}

}  // namespace ondr
