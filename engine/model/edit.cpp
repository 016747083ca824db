#include "model/edit.h"
#include <cmath>

namespace ondr {

void require_row(const Model &m, int i, const char *where) {
  if (i < 0 || i >= m.nrows())
    fail(ERR_ARGUMENT, "Row index %d out of range%s%s (the problem has %d rows)", i,
         *where ? " " : "", where, m.nrows());
}

void require_col(const Model &m, int j, const char *where) {
  if (j < 0 || j >= m.ncols())
    fail(ERR_ARGUMENT, "Column index %d out of range%s%s (the problem has %d columns)", j,
         *where ? " " : "", where, m.ncols());
}

void require_set(const Model &m, int s, const char *where) {
  if (s < 0 || s >= (int)m.sets.size())
    fail(ERR_ARGUMENT, "Set index %d out of range%s%s (the problem has %d sets)", s,
         *where ? " " : "", where, (int)m.sets.size());
}

void require_finite(double v, const char *what) {
  if (std::isnan(v)) fail(ERR_ARGUMENT, "%s is NaN", what);
  if (std::isinf(v)) fail(ERR_ARGUMENT, "%s is infinite", what);
}

int64_t list_count(int64_t n, const char *what, std::initializer_list<const void *> arrays) {
  bool all_null = true, any_null = false;
  for (const void *a : arrays) {
    if (a) all_null = false;
    else any_null = true;
  }
  if (n == -1 && all_null) return 0;
  if (n < 0) fail(ERR_ARGUMENT, "Invalid number of %s %lld", what, (long long)n);
  if (n > 0 && any_null) fail(ERR_ARGUMENT, "NULL array given for %lld %s", (long long)n, what);
  return n;
}

template <class S>
void check_starts(const S starts[], int n, int64_t total, const char *item) {
  if (!starts) {
    if (total > 0) fail(ERR_ARGUMENT, "Start array missing for %lld elements", (long long)total);
    return;
  }
  int64_t prev = 0;
  for (int i = 0; i < n; ++i) {
    int64_t s = (int64_t)starts[i];
    if (i == 0 && s != 0)
      fail(ERR_ARGUMENT, "Start of the first %s is %lld; it must be 0", item, (long long)s);
    if (s < prev)
      fail(ERR_ARGUMENT, "Start %lld of %s %d is below the start %lld of the previous one",
           (long long)s, item, i, (long long)prev);
    if (s > total)
      fail(ERR_ARGUMENT, "Start %lld of %s %d exceeds the number of elements %lld", (long long)s,
           item, i, (long long)total);
    prev = s;
  }
}

template void check_starts<int>(const int[], int, int64_t, const char *);
template void check_starts<int64_t>(const int64_t[], int, int64_t, const char *);

double qget(const QMap &q, int i, int j) {
  auto it = q.find(qkey(i, j));
  return it == q.end() ? 0.0 : it->second;
}

void qapply(QMap &q, QMap &changes, bool add) {
  for (auto it = changes.begin(); it != changes.end();) {
    auto cur = it++;
    auto found = q.find(cur->first);
    if (found != q.end()) {
      double v = add ? found->second + cur->second : cur->second;
      if (v == 0.0) q.erase(found);
      else found->second = v;
    } else if (cur->second != 0.0) {
      q.insert(changes.extract(cur));  // moves the node: no allocation
    }
  }
}

QMap gather_qterms(const Model &m, int64_t n, const int c1[], const int c2[], const double v[],
                   bool sum, const char *what) {
  QMap out;
  for (int64_t k = 0; k < n; ++k) {
    int i = c1[k], j = c2[k];
    if (i < 0 || i >= m.ncols() || j < 0 || j >= m.ncols())
      fail(ERR_ARGUMENT,
           "Column index out of range in %s term %lld: (%d, %d) (the problem has %d columns)",
           what, (long long)k, i, j, m.ncols());
    if (!std::isfinite(v[k]))
      fail(ERR_ARGUMENT, "Coefficient of %s term %lld (%d, %d) is %s", what, (long long)k, i, j,
           std::isnan(v[k]) ? "NaN" : "infinite");
    if (sum) out[qkey(i, j)] += v[k];
    else out[qkey(i, j)] = v[k];
  }
  return out;
}

std::vector<SetDef> build_sets(const Model &m, int n, int64_t nelems, const char types[],
                               const int64_t starts[], const int cols[], const double refs[],
                               int first_index) {
  std::vector<SetDef> out;
  if (n == 0) {
    if (nelems != 0)
      fail(ERR_ARGUMENT, "%lld set members given for 0 sets", (long long)nelems);
    return out;
  }
  if (nelems < 0) fail(ERR_ARGUMENT, "Invalid number of set members %lld", (long long)nelems);
  if (!types) fail(ERR_ARGUMENT, "Set types missing for %d sets", n);
  if (nelems > 0 && (!cols || !refs))
    fail(ERR_ARGUMENT, "Set member %s missing for %lld members", cols ? "reference values" : "columns",
         (long long)nelems);
  check_starts(starts, n, nelems, "set");
  out.resize((size_t)n);
  std::vector<int> sorted;
  for (int s = 0; s < n; ++s) {
    SetDef &d = out[(size_t)s];
    d.type = types[s];
    if (d.type != '1' && d.type != '2')
      fail(ERR_ARGUMENT, "Invalid type '%c' of set %d (must be '1' or '2')", d.type,
           first_index + s);
    int64_t b = item_begin(starts, s), e = item_end(starts, s, n, nelems);
    for (int64_t k = b; k < e; ++k) {
      int c = cols[k];
      if (c < 0 || c >= m.ncols())
        fail(ERR_ARGUMENT, "Column index %d out of range in set %d (the problem has %d columns)", c,
             first_index + s, m.ncols());
      if (!std::isfinite(refs[k]))
        fail(ERR_ARGUMENT, "Reference value of column %d in set %d is %s", c, first_index + s,
             std::isnan(refs[k]) ? "NaN" : "infinite");
    }
    d.cols.assign(cols + b, cols + e);
    d.refs.assign(refs + b, refs + e);
    sorted = d.cols;
    std::sort(sorted.begin(), sorted.end());
    auto dup = std::adjacent_find(sorted.begin(), sorted.end());
    if (dup != sorted.end()) fail(ERR_ARGUMENT, "Column %d appears twice in set %d", *dup, first_index + s);
  }
  return out;
}

}  // namespace ondr
