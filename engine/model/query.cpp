// Reading the stored model back. The sparse getters follow one protocol: a
// call with every array NULL only returns the number of entries in the range;
// a call with arrays fills at most `maxcoefs` entries (the starts are capped
// at that number, so every start indexes filled entries) and still returns
// the full count.
#include <climits>
#include <cstring>
#include "env/shell.h"
#include "model/edit.h"
#include "model/ops.h"
#include "ondr.h"

namespace ondr {

static void check_range(int n, int first, int last, const char *what) {
  if (first < 0 || last >= n || first > last + 1)
    fail(ERR_ARGUMENT, "Invalid range %d..%d of %s (the problem has %d)", first, last, what, n);
}

// Writes items given as lists of (index, value) in start form. `Items` is
// indexable by 0..n-1 and each item iterable over entries with .index and
// .value members (or pairs via the accessor).
template <class S, class N, class Items>
static void write_sparse(const Items &items, int n, S mstart[], int ind[], double val[],
                         int64_t maxcoefs, N *ncoefs, const char *what) {
  int64_t total = 0;
  for (int i = 0; i < n; ++i) total += (int64_t)items[i].size();
  if (sizeof(N) < sizeof(int64_t) && total > INT_MAX)
    fail(ERR_ARGUMENT, "%lld %s do not fit a 32-bit count: use the 64-bit function",
         (long long)total, what);
  if (ncoefs) *ncoefs = (N)total;
  if (!mstart && !ind && !val) return;
  ONDR_REQUIRE(maxcoefs >= 0, "Invalid maximum number of coefficients %lld", (long long)maxcoefs);
  int64_t cap = (ind || val) ? maxcoefs : total;
  int64_t pos = 0;
  for (int i = 0; i < n; ++i) {
    if (mstart) mstart[i] = (S)std::min(pos, cap);
    for (const auto &e : items[i]) {
      if (pos < cap) {
        if (ind) ind[pos] = e.index;
        if (val) val[pos] = e.value;
      }
      ++pos;
    }
  }
  if (mstart) mstart[n] = (S)std::min(pos, cap);
}

// Items first..last of a vector of rows.
struct RowRange {
  const RowStore &rows;
  int first;
  RowView operator[](int i) const { return rows[(size_t)(first + i)]; }
};

// Columns first..last of the matrix, gathered by one pass over the rows.
static std::vector<std::vector<Entry>> columns_of(const Model &m, int first, int last) {
  int n = last - first + 1;
  std::vector<std::vector<Entry>> cols((size_t)std::max(n, 0));
  if (n <= 0) return cols;
  std::vector<int> count((size_t)n, 0);
  for (const auto &row : m.rows)
    for (const auto &e : row)
      if (e.index >= first && e.index <= last) ++count[(size_t)(e.index - first)];
  for (int j = 0; j < n; ++j) cols[(size_t)j].reserve((size_t)count[(size_t)j]);
  for (int r = 0; r < m.nrows(); ++r)
    for (const auto &e : m.rows[(size_t)r])
      if (e.index >= first && e.index <= last) cols[(size_t)(e.index - first)].push_back({r, e.value});
  return cols;
}

// Columns first..last of a symmetric quadratic map, both triangles, each
// column sorted by index (the map's order gives that directly).
static std::vector<std::vector<Entry>> qcolumns_of(const QMap &q, int first, int last) {
  int n = last - first + 1;
  std::vector<std::vector<Entry>> cols((size_t)std::max(n, 0));
  auto in = [&](int c) { return c >= first && c <= last; };
  for (const auto &kv : q) {
    int i = kv.first.first, j = kv.first.second;
    if (in(i)) cols[(size_t)(i - first)].push_back({j, kv.second});
    if (i != j && in(j)) cols[(size_t)(j - first)].push_back({i, kv.second});
  }
  return cols;
}

template <class S, class N>
static void get_qmatrix(const Model &m, const QMap &q, S mstart[], int mclind[], double dval[],
                        int64_t maxcoefs, N *ncoefs, int first, int last) {
  check_range(m.ncols(), first, last, "columns");
  auto cols = qcolumns_of(q, first, last);
  write_sparse(cols, last - first + 1, mstart, mclind, dval, maxcoefs, ncoefs,
               "quadratic coefficients");
}

static const QMap &qrow_of(const Model &m, int irow) {
  static const QMap empty;
  auto it = m.qrows.find(irow);
  return it == m.qrows.end() ? empty : it->second;
}

template <class T, class F>
static void dense_get(int n, T out[], int first, int last, const char *what, F value) {
  check_range(n, first, last, what);
  if (last < first) return;
  ONDR_REQUIRE(out, "NULL output array for %s %d..%d", what, first, last);
  for (int i = first; i <= last; ++i) out[i - first] = value((size_t)i);
}

void get_rows64(ONDRprob prob, int64_t mstart[], int mclind[], double dmatval[], int64_t maxcoefs,
                int64_t *ncoefs, int first, int last) {
  const Model &m = prob->model;
  check_range(m.nrows(), first, last, "rows");
  write_sparse(RowRange{m.rows, first}, last - first + 1, mstart, mclind, dmatval, maxcoefs,
               ncoefs, "coefficients");
}

void get_cols64(ONDRprob prob, int64_t mstart[], int mrwind[], double dmatval[], int64_t maxcoefs,
                int64_t *ncoefs, int first, int last) {
  const Model &m = prob->model;
  check_range(m.ncols(), first, last, "columns");
  auto cols = columns_of(m, first, last);
  write_sparse(cols, last - first + 1, mstart, mrwind, dmatval, maxcoefs, ncoefs,
               "coefficients");
}

void get_mqobj(ONDRprob prob, int mstart[], int mclind[], double dobjval[], int maxcoefs,
               int *ncoefs, int first, int last) {
  get_qmatrix(prob->model, prob->model.qobj, mstart, mclind, dobjval, maxcoefs, ncoefs, first,
              last);
}

void get_mqobj64(ONDRprob prob, int64_t mstart[], int mclind[], double dobjval[], int64_t maxcoefs,
                 int64_t *ncoefs, int first, int last) {
  get_qmatrix(prob->model, prob->model.qobj, mstart, mclind, dobjval, maxcoefs, ncoefs, first,
              last);
}

void get_qrowqmatrix(ONDRprob prob, int irow, int mstart[], int mclind[], double dqe[],
                     int maxcoefs, int *ncoefs, int first, int last) {
  const Model &m = prob->model;
  require_row(m, irow);
  get_qmatrix(m, qrow_of(m, irow), mstart, mclind, dqe, maxcoefs, ncoefs, first, last);
}

void get_qrowqmatrixtriplets(ONDRprob prob, int irow, int *nqelem, int mqcol1[], int mqcol2[],
                             double dqe[]) {
  const Model &m = prob->model;
  require_row(m, irow);
  ONDR_REQUIRE(nqelem, "NULL count pointer");
  const QMap &q = qrow_of(m, irow);
  *nqelem = (int)q.size();
  int k = 0;
  for (const auto &kv : q) {
    if (mqcol1) mqcol1[k] = kv.first.first;
    if (mqcol2) mqcol2[k] = kv.first.second;
    if (dqe) dqe[k] = kv.second;
    ++k;
  }
}

void get_qrows(ONDRprob prob, int *nrows, int mrows[]) {
  const Model &m = prob->model;
  int k = 0;
  for (const auto &kv : m.qrows) {
    if (kv.second.empty()) continue;
    if (mrows) mrows[k] = kv.first;
    ++k;
  }
  if (nrows) *nrows = k;
}

void get_obj(ONDRprob prob, double obj[], int first, int last) {
  const Model &m = prob->model;
  dense_get(m.ncols(), obj, first, last, "columns", [&](size_t j) { return m.obj[j]; });
}

void get_rhs(ONDRprob prob, double rhs[], int first, int last) {
  const Model &m = prob->model;
  dense_get(m.nrows(), rhs, first, last, "rows", [&](size_t i) { return m.rhs[i]; });
}

void get_rhsrange(ONDRprob prob, double range[], int first, int last) {
  const Model &m = prob->model;
  // The range is upper minus lower activity limit: the stored range of an
  // 'R' row, 0 for 'E', infinite for one-sided and free rows.
  dense_get(m.nrows(), range, first, last, "rows", [&](size_t i) {
    char t = m.rowtype[i];
    return t == 'R' ? m.range[i] : t == 'E' ? 0.0 : kInf;
  });
}

void get_lb(ONDRprob prob, double lb[], int first, int last) {
  const Model &m = prob->model;
  dense_get(m.ncols(), lb, first, last, "columns", [&](size_t j) { return m.lb[j]; });
}

void get_ub(ONDRprob prob, double ub[], int first, int last) {
  const Model &m = prob->model;
  dense_get(m.ncols(), ub, first, last, "columns", [&](size_t j) { return m.ub[j]; });
}

void get_rowtype(ONDRprob prob, char qrtype[], int first, int last) {
  const Model &m = prob->model;
  dense_get(m.nrows(), qrtype, first, last, "rows", [&](size_t i) { return m.rowtype[i]; });
}

void get_coltype(ONDRprob prob, char coltype[], int first, int last) {
  const Model &m = prob->model;
  dense_get(m.ncols(), coltype, first, last, "columns", [&](size_t j) { return m.coltype[j]; });
}

void get_indicators(ONDRprob prob, int inds[], int comps[], int first, int last) {
  const Model &m = prob->model;
  check_range(m.nrows(), first, last, "rows");
  for (int i = first; i <= last; ++i) {
    if (inds) inds[i - first] = m.indcol[(size_t)i];
    if (comps) comps[i - first] = m.indcomp[(size_t)i];
  }
}

void get_coef(ONDRprob prob, int irow, int icol, double *dval) {
  const Model &m = prob->model;
  require_row(m, irow);
  require_col(m, icol);
  ONDR_REQUIRE(dval, "NULL value pointer");
  *dval = 0.0;
  for (const auto &e : m.rows[(size_t)irow])
    if (e.index == icol) *dval = e.value;
}

void get_qobj(ONDRprob prob, int icol, int jcol, double *dval) {
  const Model &m = prob->model;
  require_col(m, icol);
  require_col(m, jcol);
  ONDR_REQUIRE(dval, "NULL value pointer");
  *dval = qget(m.qobj, icol, jcol);
}

void get_qrowcoeff(ONDRprob prob, int irow, int icol, int jcol, double *dval) {
  const Model &m = prob->model;
  require_row(m, irow);
  require_col(m, icol);
  require_col(m, jcol);
  ONDR_REQUIRE(dval, "NULL value pointer");
  *dval = qget(qrow_of(m, irow), icol, jcol);
}

void get_global64(ONDRprob prob, int *nglents, int *nsets, char qgtype[], int mgcols[],
                  double dlim[], char qstype[], int64_t msstart[], int mscols[], double dref[]) {
  const Model &m = prob->model;
  int k = 0;
  for (int j = 0; j < m.ncols(); ++j) {
    char t = m.coltype[(size_t)j];
    if (t == 'C') continue;
    if (qgtype) qgtype[k] = t;
    if (mgcols) mgcols[k] = j;
    if (dlim) dlim[k] = (t == 'S' || t == 'R' || t == 'P') ? m.limit[(size_t)j] : 0.0;
    ++k;
  }
  if (nglents) *nglents = k;
  if (nsets) *nsets = (int)m.sets.size();
  int64_t pos = 0;
  for (size_t s = 0; s < m.sets.size(); ++s) {
    const SetDef &d = m.sets[s];
    if (qstype) qstype[s] = d.type;
    if (msstart) msstart[s] = pos;
    for (size_t i = 0; i < d.cols.size(); ++i, ++pos) {
      if (mscols) mscols[pos] = d.cols[i];
      if (dref) dref[pos] = d.refs[i];
    }
  }
  if (msstart) msstart[m.sets.size()] = pos;
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRgetrows64(ONDRprob prob, int64_t mstart[], int mclind[], double dmatval[],
                           int64_t maxcoefs, int64_t *ncoefs, int first, int last) {
  return guard_prob(prob, [&] {
    get_rows64(prob, mstart, mclind, dmatval, maxcoefs, ncoefs, first, last);
  });
}

ONDR_API int ONDRgetcols64(ONDRprob prob, int64_t mstart[], int mrwind[], double dmatval[],
                           int64_t maxcoefs, int64_t *ncoefs, int first, int last) {
  return guard_prob(prob, [&] {
    get_cols64(prob, mstart, mrwind, dmatval, maxcoefs, ncoefs, first, last);
  });
}

ONDR_API int ONDRgetmqobj(ONDRprob prob, int mstart[], int mclind[], double dobjval[],
                          int maxcoefs, int *ncoefs, int first, int last) {
  return guard_prob(prob, [&] {
    get_mqobj(prob, mstart, mclind, dobjval, maxcoefs, ncoefs, first, last);
  });
}

ONDR_API int ONDRgetmqobj64(ONDRprob prob, int64_t mstart[], int mclind[], double dobjval[],
                            int64_t maxcoefs, int64_t *ncoefs, int first, int last) {
  return guard_prob(prob, [&] {
    get_mqobj64(prob, mstart, mclind, dobjval, maxcoefs, ncoefs, first, last);
  });
}

ONDR_API int ONDRgetqrowqmatrix(ONDRprob prob, int irow, int mstart[], int mclind[],
                                double dqe[], int maxcoefs, int *ncoefs, int first, int last) {
  return guard_prob(prob, [&] {
    get_qrowqmatrix(prob, irow, mstart, mclind, dqe, maxcoefs, ncoefs, first, last);
  });
}

ONDR_API int ONDRgetqrowqmatrixtriplets(ONDRprob prob, int irow, int *nqelem, int mqcol1[],
                                        int mqcol2[], double dqe[]) {
  return guard_prob(prob,
                   [&] { get_qrowqmatrixtriplets(prob, irow, nqelem, mqcol1, mqcol2, dqe); });
}

ONDR_API int ONDRgetqrows(ONDRprob prob, int *nrows, int mrows[]) {
  return guard_prob(prob, [&] { get_qrows(prob, nrows, mrows); });
}

ONDR_API int ONDRgetobj(ONDRprob prob, double obj[], int first, int last) {
  return guard_prob(prob, [&] { get_obj(prob, obj, first, last); });
}

ONDR_API int ONDRgetrhs(ONDRprob prob, double rhs[], int first, int last) {
  return guard_prob(prob, [&] { get_rhs(prob, rhs, first, last); });
}

ONDR_API int ONDRgetrhsrange(ONDRprob prob, double range[], int first, int last) {
  return guard_prob(prob, [&] { get_rhsrange(prob, range, first, last); });
}

ONDR_API int ONDRgetlb(ONDRprob prob, double lb[], int first, int last) {
  return guard_prob(prob, [&] { get_lb(prob, lb, first, last); });
}

ONDR_API int ONDRgetub(ONDRprob prob, double ub[], int first, int last) {
  return guard_prob(prob, [&] { get_ub(prob, ub, first, last); });
}

ONDR_API int ONDRgetrowtype(ONDRprob prob, char qrtype[], int first, int last) {
  return guard_prob(prob, [&] { get_rowtype(prob, qrtype, first, last); });
}

ONDR_API int ONDRgetcoltype(ONDRprob prob, char coltype[], int first, int last) {
  return guard_prob(prob, [&] { get_coltype(prob, coltype, first, last); });
}

ONDR_API int ONDRgetindicators(ONDRprob prob, int inds[], int comps[], int first, int last) {
  return guard_prob(prob, [&] { get_indicators(prob, inds, comps, first, last); });
}

ONDR_API int ONDRgetcoef(ONDRprob prob, int irow, int icol, double *dval) {
  return guard_prob(prob, [&] { get_coef(prob, irow, icol, dval); });
}

ONDR_API int ONDRgetqobj(ONDRprob prob, int icol, int jcol, double *dval) {
  return guard_prob(prob, [&] { get_qobj(prob, icol, jcol, dval); });
}

ONDR_API int ONDRgetqrowcoeff(ONDRprob prob, int irow, int icol, int jcol, double *dval) {
  return guard_prob(prob, [&] { get_qrowcoeff(prob, irow, icol, jcol, dval); });
}

ONDR_API int ONDRgetglobal64(ONDRprob prob, int *nglents, int *nsets, char qgtype[],
                             int mgcols[], double dlim[], char qstype[], int64_t msstart[],
                             int mscols[], double dref[]) {
  return guard_prob(prob, [&] {
    get_global64(prob, nglents, nsets, qgtype, mgcols, dlim, qstype, msstart, mscols, dref);
  });
}
