#include "lp/lpdata.h"
#include <algorithm>
#include <cmath>

namespace ondr {

bool LpData::has_integers() const {
  return std::any_of(kind.begin(), kind.end(), [](int k) { return k != KIND_CONT; });
}

int LpData::add_col(double c, double lo, double up, int k) {
  cost.push_back(c);
  collo.push_back(lo);
  colup.push_back(up);
  kind.push_back(k);
  return ncols() - 1;
}

int LpData::add_row(double lo, double up, std::vector<Entry> entries) {
  rowlo.push_back(lo);
  rowup.push_back(up);
  rows.push_back(std::move(entries));
  return nrows() - 1;
}

void row_bounds(const Model &m, int i, double &lo, double &up) {
  double b = m.rhs[(size_t)i];
  switch (m.rowtype[(size_t)i]) {
    case 'L': lo = -kInf; up = b; break;
    case 'G': lo = b; up = kInf; break;
    case 'E': lo = up = b; break;
    case 'R': lo = b - m.range[(size_t)i]; up = b; break;
    default: lo = -kInf; up = kInf; break;  // 'N'
  }
  if (lo <= -kInf) lo = -kInf;
  if (up >= kInf) up = kInf;
}

void relaxed_row_bounds(const Model &m, int i, double &lo, double &up) {
  if (i < (int)m.indcol.size() && m.indcol[(size_t)i] >= 0) {
    lo = -kInf;
    up = kInf;
    return;
  }
  row_bounds(m, i, lo, up);
}

void type_hull(const Model &m, int j, double &lo, double &up) {
  switch (m.coltype[(size_t)j]) {
    case 'B':
      lo = std::max(lo, 0.0);
      up = std::min(up, 1.0);
      break;
    case 'S':
    case 'R': {
      double on = std::max(lo, m.limit[(size_t)j]);
      lo = std::min(0.0, on);
      up = std::max(0.0, up);
      break;
    }
    default: break;
  }
}

void col_hull(const Model &m, int j, double &lo, double &up) {
  lo = m.lb[(size_t)j];
  up = m.ub[(size_t)j];
  type_hull(m, j, lo, up);
}

LpData relaxation_shape(const Model &m) {
  LpData d;
  d.sense = m.objsense;
  d.offset = -m.objconst_neg;
  int n = m.ncols();
  d.cost = m.obj;
  d.collo.resize((size_t)n);
  d.colup.resize((size_t)n);
  d.kind.assign((size_t)n, KIND_CONT);
  for (int j = 0; j < n; ++j) col_hull(m, j, d.collo[(size_t)j], d.colup[(size_t)j]);
  int r = m.nrows();
  d.rowlo.resize((size_t)r);
  d.rowup.resize((size_t)r);
  for (int i = 0; i < r; ++i) relaxed_row_bounds(m, i, d.rowlo[(size_t)i], d.rowup[(size_t)i]);
  for (const auto &q : m.qobj)
    if (q.second != 0.0) d.hessian.insert(q);
  return d;
}

LpData relaxation(const Model &m) {
  LpData d = relaxation_shape(m);
  d.rows = m.rows;
  apply_user_scaling(m, d);
  return d;
}

bool has_user_scaling(const Model &m) {
  for (int e : m.rowscale)
    if (e != 0) return true;
  for (int e : m.colscale)
    if (e != 0) return true;
  return false;
}

void scale_columns(LpData &d, const std::vector<double> &mult) {
  size_t n = std::min(mult.size(), (size_t)d.ncols());
  bool any = false;
  for (size_t j = 0; j < n; ++j) any = any || mult[j] != 1.0;
  if (!any) return;
  auto m = [&](int j) { return (size_t)j < n ? mult[(size_t)j] : 1.0; };
  for (size_t j = 0; j < n; ++j) {
    double s = mult[j];
    if (s == 1.0) continue;
    d.cost[j] *= s;
    double lo = d.collo[j], up = d.colup[j];
    double nlo = lo <= -kInf ? -kInf : lo / s, nup = up >= kInf ? kInf : up / s;
    if (s < 0) {
      nlo = up >= kInf ? -kInf : up / s;
      nup = lo <= -kInf ? kInf : lo / s;
    }
    d.collo[j] = nlo;
    d.colup[j] = nup;
  }
  for (auto &row : d.rows)
    for (Entry &e : row) e.value *= m(e.index);
  for (auto &q : d.hessian) q.second *= m(q.first.first) * m(q.first.second);
  if (d.colmult.size() < n) d.colmult.resize(n, 1.0);
  for (size_t j = 0; j < n; ++j) d.colmult[j] *= mult[j];
}

void scale_rows(LpData &d, const std::vector<double> &mult) {
  size_t n = std::min(mult.size(), (size_t)d.nrows());
  bool any = false;
  for (size_t i = 0; i < n; ++i) any = any || mult[i] != 1.0;
  if (!any) return;
  auto scale = [&](int i, double r) {
    for (Entry &e : d.rows[(size_t)i]) e.value *= r;
    if (d.rowlo[(size_t)i] > -kInf) d.rowlo[(size_t)i] *= r;
    if (d.rowup[(size_t)i] < kInf) d.rowup[(size_t)i] *= r;
  };
  for (size_t i = 0; i < n; ++i) scale((int)i, mult[i]);
  for (const auto &s : d.side_rows)
    if ((size_t)s.second < n) scale(s.first, mult[(size_t)s.second]);
  if (d.rowmult.size() < n) d.rowmult.resize(n, 1.0);
  for (size_t i = 0; i < n; ++i) d.rowmult[i] *= mult[i];
}

void apply_user_scaling(const Model &m, LpData &d) {
  if (!m.rowscale.empty() && (int)m.rowscale.size() == m.nrows()) {
    std::vector<double> r((size_t)m.nrows());
    for (int i = 0; i < m.nrows(); ++i) r[(size_t)i] = std::ldexp(1.0, m.rowscale[(size_t)i]);
    scale_rows(d, r);
  }
  if (!m.colscale.empty() && (int)m.colscale.size() == m.ncols()) {
    std::vector<double> c((size_t)m.ncols(), 1.0);
    for (int j = 0; j < m.ncols(); ++j)
      if (d.kind[(size_t)j] == KIND_CONT) c[(size_t)j] = std::ldexp(1.0, m.colscale[(size_t)j]);
    scale_columns(d, c);
  }
}

void unscale_primal(const LpData &d, std::vector<double> &x) {
  for (size_t j = 0; j < d.colmult.size() && j < x.size(); ++j) x[j] *= d.colmult[j];
}

void unscale_duals(const LpData &d, std::vector<double> &rowdual, std::vector<double> &coldual) {
  for (size_t i = 0; i < d.rowmult.size() && i < rowdual.size(); ++i) rowdual[i] *= d.rowmult[i];
  for (size_t j = 0; j < d.colmult.size() && j < coldual.size(); ++j) coldual[j] /= d.colmult[j];
}

namespace {

// Column-wise form of `n` columns given as sparse rows; explicit zeros left out.
template <class Rows>
Csc rows_to_columns(const Rows &rows, int n) {
  Csc a;
  a.start.assign((size_t)n + 1, 0);
  for (const auto &row : rows)
    for (const Entry &e : row)
      if (e.value != 0.0) ++a.start[(size_t)e.index + 1];
  for (int j = 0; j < n; ++j) a.start[(size_t)j + 1] += a.start[(size_t)j];
  a.index.resize((size_t)a.start[(size_t)n]);
  a.value.resize(a.index.size());
  std::vector<int> next(a.start.begin(), a.start.end() - 1);
  for (size_t i = 0; i < rows.size(); ++i)
    for (const Entry &e : rows[i]) {
      if (e.value == 0.0) continue;
      int k = next[(size_t)e.index]++;
      a.index[(size_t)k] = (int)i;
      a.value[(size_t)k] = e.value;
    }
  return a;
}

}  // namespace

Csc column_wise(const LpData &d) { return rows_to_columns(d.rows, d.ncols()); }

Csc store_columns(const Model &m) { return rows_to_columns(m.rows, m.ncols()); }

Csc hessian_lower(const LpData &d) {
  // The store keys pairs as (min, max); in the lower triangle by columns the
  // column is the smaller index and the row the larger. std::map iterates by
  // column, then by row ascending, so every column starts at its diagonal.
  Csc h;
  int n = d.ncols();
  h.start.assign((size_t)n + 1, 0);
  for (const auto &q : d.hessian) {
    if (q.second == 0.0) continue;
    ++h.start[(size_t)q.first.first + 1];
    h.index.push_back(q.first.second);
    h.value.push_back(q.second);
  }
  for (int j = 0; j < n; ++j) h.start[(size_t)j + 1] += h.start[(size_t)j];
  return h;
}

std::vector<double> store_slacks(const Model &m, const std::vector<double> &x) {
  int r = m.nrows();
  std::vector<double> s((size_t)r);
  for (int i = 0; i < r; ++i) {
    double act = 0.0;
    for (const Entry &e : m.rows[(size_t)i]) act += e.value * x[(size_t)e.index];
    double b = m.rowtype[(size_t)i] == 'N' ? 0.0 : m.rhs[(size_t)i];
    s[(size_t)i] = b - act;
  }
  return s;
}

}  // namespace ondr
