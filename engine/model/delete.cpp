// Deleting rows, columns and sets. The list is validated first (range,
// repeats); after that every step works in place or moves map nodes, so
// nothing can fail half-way. Everything that refers to rows or columns is
// renumbered densely in the old order, the warm basis included (a deleted
// basic column or nonbasic row leaves it with too few or too many basic
// entries; the solve repairs that). Cost: O(size of the model).
#include <algorithm>
#include <cmath>
#include "env/shell.h"
#include "model/edit.h"
#include "model/hook.h"
#include "model/ops.h"
#include "ondr.h"

namespace ondr {

// Maps old index -> new index (-1 for deleted ones) after checking the list.
static std::vector<int> renumbering(int count, int n, const int idx[], const char *kind,
                                    void (*require)(const Model &, int, const char *),
                                    const Model &m) {
  std::vector<int> map((size_t)count, 0);
  for (int k = 0; k < n; ++k) {
    int i = idx[k];
    require(m, i, "in the list to delete");
    if (map[(size_t)i] < 0) fail(ERR_ARGUMENT, "%s %d appears twice in the list to delete", kind, i);
    map[(size_t)i] = -1;
  }
  int next = 0;
  for (auto &v : map)
    if (v == 0) v = next++;
  return map;
}

// Keeps the elements of `v` whose index maps to >= 0, in order; only the
// first map.size() elements are subject to deletion (shorter vectors, such
// as names, are handled too).
template <class T>
static void compact(std::vector<T> &v, const std::vector<int> &map) {
  size_t out = 0, n = std::min(v.size(), map.size());
  for (size_t i = 0; i < n; ++i)
    if (map[i] >= 0) {
      if (out != i) v[out] = std::move(v[i]);
      ++out;
    }
  for (size_t i = n; i < v.size(); ++i) v[out++] = std::move(v[i]);
  v.resize(out);
}

// Re-keys a map by an index renumbering through node moves (no allocation);
// keys outside the map's range (such as the unit column) stay.
template <class Map, class KeyFn>
static void rekey(Map &m, KeyFn newkey) {
  Map fresh;
  for (auto it = m.begin(); it != m.end();) {
    auto nh = m.extract(it++);
    bool keep = true;
    auto k = newkey(nh.key(), keep);
    if (!keep) continue;
    nh.key() = k;
    fresh.insert(fresh.end(), std::move(nh));
  }
  m.swap(fresh);
}

// Renumbers i in place; false when i was deleted. Indices outside the
// renumbered range (-1 for "none", the unit column) stay as they are.
static bool renumber(const std::vector<int> &map, int &i) {
  if (i < 0 || i >= (int)map.size()) return true;
  i = map[(size_t)i];
  return i >= 0;
}

static void rekey_qmap(QMap &q, const std::vector<int> &cmap) {
  rekey(q, [&](const std::pair<int, int> &k, bool &keep) {
    int a = cmap[(size_t)k.first], b = cmap[(size_t)k.second];
    keep = a >= 0 && b >= 0;
    return std::make_pair(a, b);
  });
}

// The warm basis loses the statuses of deleted rows (or columns) of `m`,
// the model before the deletion; a basis that does not fit `m` is dropped.
static void compact_basis(WarmBasis *w, const Model &m, bool rows, const std::vector<int> &map) {
  if (!w || w->empty()) return;
  if (!w->fits(m)) w->clear();
  else compact(rows ? w->rstat : w->cstat, map);
}

void delete_rows(Model &m, int n, const int idx[], WarmBasis *warm) {
  std::vector<int> map = renumbering(m.nrows(), n, idx, "Row", require_row, m);
  if (n == 0) return;
  compact_basis(warm, m, true, map);
  compact(m.rowtype, map);
  compact(m.rhs, map);
  compact(m.range, map);
  m.rows.keep_rows(map);
  compact(m.indcol, map);
  compact(m.indcomp, map);
  compact(m.rownames, map);
  if (!m.rowscale.empty()) compact(m.rowscale, map);
  rekey(m.qrows, [&](int r, bool &keep) {
    keep = map[(size_t)r] >= 0;
    return map[(size_t)r];
  });
  rekey(m.rowstatus, [&](int r, bool &keep) {
    keep = renumber(map, r);
    return r;
  });
  for (auto it = m.detrow.begin(); it != m.detrow.end();) {
    if (renumber(map, it->second)) ++it;
    else it = m.detrow.erase(it);
  }
  rekey(m.rowwt, [&](int r, bool &keep) {
    keep = renumber(map, r);
    return r;
  });
  rekey(m.dfs, [&](std::pair<int, int> k, bool &keep) {
    keep = renumber(map, k.second);
    return k;
  });
  size_t out = 0;
  for (size_t k = 0; k < m.nlcoefs.size(); ++k) {
    NlCoef &c = m.nlcoefs[k];
    if (!renumber(map, c.row)) continue;
    if (out != k) m.nlcoefs[out] = std::move(c);
    ++out;
  }
  m.nlcoefs.resize(out);
  m.names_changed();
}

void delete_cols(Model &m, int n, const int idx[], WarmBasis *warm) {
  std::vector<int> map = renumbering(m.ncols(), n, idx, "Column", require_col, m);
  if (n == 0) return;
  compact_basis(warm, m, false, map);
  m.rows.renumber_entries(map);
  compact(m.obj, map);
  compact(m.lb, map);
  compact(m.ub, map);
  compact(m.coltype, map);
  compact(m.limit, map);
  compact(m.colnames, map);
  if (!m.colscale.empty()) compact(m.colscale, map);
  rekey_qmap(m.qobj, map);
  for (auto it = m.qrows.begin(); it != m.qrows.end();) {
    rekey_qmap(it->second, map);
    it = it->second.empty() ? m.qrows.erase(it) : std::next(it);
  }
  // Sets lose the deleted members and stay (perhaps empty).
  for (auto &s : m.sets) {
    size_t out = 0;
    for (size_t k = 0; k < s.cols.size(); ++k) {
      int nc = map[(size_t)s.cols[k]];
      if (nc < 0) continue;
      s.cols[out] = nc;
      s.refs[out] = s.refs[k];
      ++out;
    }
    s.cols.resize(out);
    s.refs.resize(out);
  }
  // A row whose indicator column goes becomes an ordinary row.
  for (size_t r = 0; r < m.indcol.size(); ++r) {
    if (m.indcol[r] < 0) continue;
    int nc = map[(size_t)m.indcol[r]];
    m.indcol[r] = nc;
    if (nc < 0) m.indcomp[r] = 0;
  }
  // Nonlinear coefficients of a deleted column go; a deleted column inside a
  // formula becomes the constant 0 (its value once it is gone, as for linear
  // and quadratic entries). The unit column is virtual and stays.
  size_t out = 0;
  for (size_t k = 0; k < m.nlcoefs.size(); ++k) {
    NlCoef &c = m.nlcoefs[k];
    if (!renumber(map, c.col)) continue;
    for (size_t t = 0; t < c.types.size() && t < c.values.size(); ++t) {
      if (c.types[t] != 10) continue;  // column token
      double v = c.values[t];
      if (v < 0 || v >= (double)map.size() || v != std::floor(v)) continue;
      int ncol = map[(size_t)v];
      if (ncol < 0) {
        c.types[t] = 1;  // constant token
        c.values[t] = 0.0;
      } else {
        c.values[t] = ncol;
      }
    }
    if (out != k) m.nlcoefs[out] = std::move(c);
    ++out;
  }
  m.nlcoefs.resize(out);
  rekey(m.detrow, [&](int c, bool &keep) {
    keep = renumber(map, c);
    return c;
  });
  rekey(m.slpvars, [&](int c, bool &keep) {
    keep = renumber(map, c);
    return c;
  });
  rekey(m.dfs, [&](std::pair<int, int> k, bool &keep) {
    keep = renumber(map, k.first);
    return k;
  });
  m.names_changed();
}

void delete_sets(Model &m, int n, const int idx[]) {
  std::vector<int> map = renumbering((int)m.sets.size(), n, idx, "Set", require_set, m);
  if (n == 0) return;
  compact(m.sets, map);
  compact(m.setnames, map);
  m.names_changed();
}

void del_rows(ONDRprob prob, int nrows, const int mindex[]) {
  int n = (int)list_count(nrows, "rows to delete", {mindex});
  delete_rows(prob->model, n, mindex, &prob->warm);
  model_changed(prob, change_of(Change::DelRows, n, mindex));
  prob->results.clear();  // the last solve no longer describes the model
}

void del_cols(ONDRprob prob, int ncols, const int mindex[]) {
  int n = (int)list_count(ncols, "columns to delete", {mindex});
  delete_cols(prob->model, n, mindex, &prob->warm);
  model_changed(prob, change_of(Change::DelCols, n, mindex));
  prob->results.clear();  // the last solve no longer describes the model
}

void del_sets(ONDRprob prob, int nsets, const int mindex[]) {
  int n = (int)list_count(nsets, "sets to delete", {mindex});
  delete_sets(prob->model, n, mindex);
  prob->results.clear();  // the last solve no longer describes the model
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRdelrows(ONDRprob prob, int nrows, const int mindex[]) {
  return guard_mut(prob, [&] { del_rows(prob, nrows, mindex); });
}

ONDR_API int ONDRdelcols(ONDRprob prob, int ncols, const int mindex[]) {
  return guard_mut(prob, [&] { del_cols(prob, ncols, mindex); });
}

ONDR_API int ONDRdelsets(ONDRprob prob, int nsets, const int mindex[]) {
  return guard_mut(prob, [&] { del_sets(prob, nsets, mindex); });
}
