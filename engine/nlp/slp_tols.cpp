// Tolerance sets, derivative factors and row weights of the SLP.
#include <algorithm>
#include <cmath>
#include <set>
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
void check_row(const Model &m, int r) {
  ONDR_REQUIRE(r >= 0 && r < m.nrows(), "Invalid row index %d (the problem has %d rows)", r, m.nrows());
}
void check_tols(const double tol[], int set) {
  for (int k = 0; k < OSLP_NTOL; ++k)
    ONDR_REQUIRE(std::isfinite(tol[k]) && tol[k] >= 0,
                 "Tolerance %d of tolerance set %d must be a finite number >= 0", k, set);
}
TolSet make_set(const double tol[]) {
  TolSet t;
  for (int k = 0; k < OSLP_NTOL; ++k) {
    t.tol[k] = tol[k];
    if (tol[k] > 0) t.status |= 1 << k;
  }
  return t;
}
TolSet &set_of(OSLPprob s, int nslptol) {
  ONDR_REQUIRE(nslptol >= 1 && nslptol <= (int)s->tolsets.size(),
               "Invalid tolerance set %d (the problem has %d tolerance sets)", nslptol,
               (int)s->tolsets.size());
  return s->tolsets[(size_t)nslptol - 1];
}
void check_df(const double *v, int c, int r) {
  if (v) ONDR_REQUIRE(std::isfinite(*v) && *v != 0.0,
                      "The derivative factor of column %d in row %d must be a finite nonzero number", c, r);
}

}  // namespace

void slp_loadtolsets(OSLPprob s, int n, const double tol[], bool replace) {
  ONDR_REQUIRE(n >= 0, "Invalid number of tolerance sets %d", n);
  ONDR_REQUIRE(n == 0 || tol, "NULL tolerance array");
  int first = replace ? 1 : (int)s->tolsets.size() + 1;
  for (int i = 0; i < n; ++i) check_tols(tol + 9 * (size_t)i, first + i);
  if (replace) {
    s->tolsets.clear();
    for (auto &v : s->prob->model.slpvars)
      if (v.second.tolset > n) v.second.tolset = 0;
  }
  for (int i = 0; i < n; ++i) s->tolsets.push_back(make_set(tol + 9 * (size_t)i));
  nlp_model_changed(s);
}

void slp_chgtolset(OSLPprob s, int nslptol, const int *status, const double tols[]) {
  TolSet &t = set_of(s, nslptol);
  ONDR_REQUIRE(tols, "NULL tolerance array");
  check_tols(tols, nslptol);
  if (status) ONDR_REQUIRE(*status >= 0 && *status < (1 << OSLP_NTOL), "Invalid tolerance set status %d", *status);
  for (int k = 0; k < OSLP_NTOL; ++k) t.tol[k] = tols[k];
  if (status) t.status = *status;
  nlp_model_changed(s);
}

void slp_gettolset(OSLPprob s, int nslptol, int *status, double tols[]) {
  const TolSet &t = set_of(s, nslptol);
  if (status) *status = t.status;
  if (tols) std::copy(t.tol, t.tol + OSLP_NTOL, tols);
}

void slp_deltolsets(OSLPprob s, int n, const int sets[]) {
  ONDR_REQUIRE(n >= 0, "Invalid number of tolerance sets %d", n);
  if (n == 0) return;
  ONDR_REQUIRE(sets, "NULL tolerance set array");
  std::set<int> gone;
  for (int i = 0; i < n; ++i) {
    set_of(s, sets[i]);
    gone.insert(sets[i]);
  }
  // New number of every old set: old minus the deleted sets before it.
  std::vector<int> renum(s->tolsets.size() + 1, 0);
  std::vector<TolSet> kept;
  for (int k = 1; k <= (int)s->tolsets.size(); ++k)
    if (!gone.count(k)) {
      kept.push_back(s->tolsets[(size_t)k - 1]);
      renum[(size_t)k] = (int)kept.size();
    }
  s->tolsets = std::move(kept);
  for (auto &v : s->prob->model.slpvars) v.second.tolset = renum[(size_t)v.second.tolset];
  nlp_model_changed(s);
}

void slp_loaddfs(OSLPprob s, int n, const int colindex[], const int rowindex[], const double value[],
                 bool replace) {
  Model &m = s->prob->model;
  ONDR_REQUIRE(n >= 0, "Invalid number of derivative factors %d", n);
  ONDR_REQUIRE(n == 0 || (colindex && rowindex && value), "NULL derivative factor array");
  for (int i = 0; i < n; ++i) {
    check_col(m, colindex[i]);
    check_row(m, rowindex[i]);
    check_df(&value[i], colindex[i], rowindex[i]);
  }
  if (replace) m.dfs.clear();
  for (int i = 0; i < n; ++i) {
    if (value[i] == 1.0) m.dfs.erase(std::make_pair(colindex[i], rowindex[i]));
    else m.dfs[{colindex[i], rowindex[i]}] = value[i];
  }
  nlp_model_changed(s);
}

void slp_chgdf(OSLPprob s, int colindex, int rowindex, const double *value) {
  Model &m = s->prob->model;
  check_col(m, colindex);
  check_row(m, rowindex);
  check_df(value, colindex, rowindex);
  if (!value) return;
  if (*value == 1.0) m.dfs.erase(std::make_pair(colindex, rowindex));
  else m.dfs[{colindex, rowindex}] = *value;
  nlp_model_changed(s);
}

void slp_getdf(OSLPprob s, int colindex, int rowindex, double *value) {
  const Model &m = s->prob->model;
  check_col(m, colindex);
  check_row(m, rowindex);
  ONDR_REQUIRE(value, "NULL value pointer");
  auto it = m.dfs.find({colindex, rowindex});
  *value = it == m.dfs.end() ? 1.0 : it->second;
}

void slp_chgrowwt(OSLPprob s, int rowindex, const double *value) {
  Model &m = s->prob->model;
  check_row(m, rowindex);
  if (!value) return;
  ONDR_REQUIRE(std::isfinite(*value) && *value > 0, "The weight of row %d must be a finite number > 0", rowindex);
  if (*value == 1.0) m.rowwt.erase(rowindex);
  else m.rowwt[rowindex] = *value;
  nlp_model_changed(s);
}

void slp_getrowwt(OSLPprob s, int rowindex, double *value) {
  const Model &m = s->prob->model;
  check_row(m, rowindex);
  ONDR_REQUIRE(value, "NULL value pointer");
  auto it = m.rowwt.find(rowindex);
  *value = it == m.rowwt.end() ? 1.0 : it->second;
}

}  // namespace ondr
