// Appending rows, columns, sets and quadratic row terms. Each addition costs
// time in proportion to what it adds (amortised), never to the model's size.
#include <algorithm>
#include <climits>
#include <cmath>
#include "env/shell.h"
#include "model/edit.h"
#include "model/hook.h"
#include "model/load.h"
#include "model/ops.h"
#include "ondr.h"

namespace ondr {

void add_rows64(ONDRprob prob, int nrows, int64_t nnz, const char qrtype[], const double rhs[],
                const double range[], const int64_t mstart[], const int mclind[],
                const double dmatval[]) {
  Model &m = prob->model;
  ONDR_REQUIRE(nrows >= 0, "Invalid number of rows %d", nrows);
  ONDR_REQUIRE(nnz >= 0, "Invalid number of nonzeros %lld", (long long)nnz);
  if (nrows == 0) {
    ONDR_REQUIRE(nnz == 0, "%lld nonzeros given for 0 rows", (long long)nnz);
    return;
  }
  ONDR_REQUIRE(nrows <= INT_MAX - m.nrows(), "Too many rows (%d + %d)", m.nrows(), nrows);
  ONDR_REQUIRE(qrtype, "Row types missing for %d rows", nrows);
  ONDR_REQUIRE(nnz == 0 || (mclind && dmatval), "Matrix arrays missing for %lld nonzeros",
               (long long)nnz);
  check_starts(mstart, nrows, nnz, "row");
  const int r0 = m.nrows();

  // Check everything first; the entries go straight into the store below.
  std::vector<char> types((size_t)nrows);
  std::vector<double> rhsv((size_t)nrows, 0.0), rangev((size_t)nrows, 0.0);
  for (int i = 0; i < nrows; ++i) {
    char t = qrtype[i];
    ONDR_REQUIRE(t == 'L' || t == 'G' || t == 'E' || t == 'R' || t == 'N',
                 "Invalid row type '%c' for new row %d", t, r0 + i);
    types[(size_t)i] = t;
    if (t != 'N') {
      double r = rhs ? rhs[i] : 0.0;
      ONDR_REQUIRE(!std::isnan(r), "Right-hand side of new row %d is NaN", r0 + i);
      rhsv[(size_t)i] = std::max(-kInf, std::min(kInf, r));
    }
    if (t == 'R') {
      double g = range ? range[i] : 0.0;
      ONDR_REQUIRE(!std::isnan(g) && g >= 0, "Invalid range %g of new row %d", g, r0 + i);
      rangev[(size_t)i] = std::min(kInf, g);
    }
    int64_t b = item_begin(mstart, i), e = item_end(mstart, i, nrows, nnz);
    for (int64_t k = b; k < e; ++k) {
      int c = mclind[k];
      if (c < 0 || c >= m.ncols())
        fail(ERR_ARGUMENT, "Column index %d out of range in new row %d (the problem has %d columns)",
             c, r0 + i, m.ncols());
      if (!std::isfinite(dmatval[k]))
        fail(ERR_ARGUMENT, "Matrix value of column %d in new row %d is %s", c, r0 + i,
             std::isnan(dmatval[k]) ? "NaN" : "infinite");
    }
  }

  // Commit: reserve first (may throw, changes nothing), then append.
  size_t need = (size_t)r0 + (size_t)nrows;
  reserve_for(m.rowtype, need);
  reserve_for(m.rhs, need);
  reserve_for(m.range, need);
  m.rows.reserve(need, nnz);
  reserve_for(m.indcol, need);
  reserve_for(m.indcomp, need);
  if (!m.rowscale.empty()) reserve_for(m.rowscale, need);
  for (int i = 0; i < nrows; ++i) {
    m.rowtype.push_back(types[(size_t)i]);
    m.rhs.push_back(rhsv[(size_t)i]);
    m.range.push_back(rangev[(size_t)i]);
    // Explicit zeros are kept; a column given twice gets the sum.
    int64_t b = item_begin(mstart, i), e = item_end(mstart, i, nrows, nnz);
    m.rows.push_back_summed(mclind + b, dmatval + b, (size_t)(e - b));
    m.indcol.push_back(-1);
    m.indcomp.push_back(0);
    if (!m.rowscale.empty()) m.rowscale.push_back(0);
  }
  m.names_changed();
  warm_rows_added(prob->warm, m, nrows);  // new rows start basic
  Change c = change_of(Change::AddRows);
  c.first = m.nrows() - nrows;
  c.count = nrows;
  model_changed(prob, c);
  prob->results.clear();  // the last solve no longer describes the model
}

void add_cols64(ONDRprob prob, int ncols, int64_t nnz, const double objx[], const int64_t mstart[],
                const int mrwind[], const double dmatval[], const double bdl[],
                const double bdu[]) {
  Model &m = prob->model;
  ONDR_REQUIRE(ncols >= 0, "Invalid number of columns %d", ncols);
  ONDR_REQUIRE(nnz >= 0, "Invalid number of nonzeros %lld", (long long)nnz);
  if (ncols == 0) {
    ONDR_REQUIRE(nnz == 0, "%lld nonzeros given for 0 columns", (long long)nnz);
    return;
  }
  ONDR_REQUIRE(ncols < kUnitColumn - m.ncols(), "Too many columns (%d + %d)", m.ncols(), ncols);
  ONDR_REQUIRE(nnz == 0 || (mrwind && dmatval), "Matrix arrays missing for %lld nonzeros",
               (long long)nnz);
  check_starts(mstart, ncols, nnz, "column");
  const int c0 = m.ncols();
  for (int j = 0; j < ncols; ++j) {
    int c = c0 + j;
    if (objx && !std::isfinite(objx[j]))
      fail(ERR_ARGUMENT, "Objective coefficient of new column %d is %s", c,
           std::isnan(objx[j]) ? "NaN" : "infinite");
    if ((bdl && std::isnan(bdl[j])) || (bdu && std::isnan(bdu[j])))
      fail(ERR_ARGUMENT, "Bound of new column %d is NaN", c);
  }
  for (int64_t k = 0; k < nnz; ++k) {
    int r = mrwind[k];
    if (r < 0 || r >= m.nrows()) {
      // Find the column of entry k for the message.
      int j = 0;
      while (j + 1 < ncols && mstart[j + 1] <= k) ++j;
      fail(ERR_ARGUMENT, "Row index %d out of range in new column %d (the problem has %d rows)",
           r, c0 + j, m.nrows());
    }
    if (!std::isfinite(dmatval[k]))
      fail(ERR_ARGUMENT, "Matrix value of row %d in the new columns is %s", r,
           std::isnan(dmatval[k]) ? "NaN" : "infinite");
  }

  // Commit the column arrays (reserve first, then append: cannot fail).
  size_t need = (size_t)c0 + (size_t)ncols;
  reserve_for(m.obj, need);
  reserve_for(m.lb, need);
  reserve_for(m.ub, need);
  reserve_for(m.coltype, need);
  reserve_for(m.limit, need);
  if (!m.colscale.empty()) reserve_for(m.colscale, need);
  // Entries go to the end of their rows (the new columns have the largest
  // indices, so rows stay sorted). A failure to grow a row undoes them.
  int64_t done = 0;
  try {
    for (int j = 0; j < ncols; ++j) {
      int c = c0 + j;
      int64_t b = item_begin(mstart, j), e = item_end(mstart, j, ncols, nnz);
      for (int64_t k = b; k < e; ++k, ++done) {
        RowRef row = m.rows[(size_t)mrwind[k]];
        if (!row.empty() && row.back().index == c) row.back().value += dmatval[k];
        else row.push_back({c, dmatval[k]});
      }
    }
  } catch (...) {
    for (int64_t k = 0; k < done; ++k) {
      RowRef row = m.rows[(size_t)mrwind[k]];
      while (!row.empty() && row.back().index >= c0) row.pop_back();
    }
    throw;
  }
  for (int j = 0; j < ncols; ++j) {
    m.obj.push_back(objx ? objx[j] : 0.0);
    double l = bdl ? bdl[j] : 0.0, u = bdu ? bdu[j] : kInf;
    m.lb.push_back(std::max(-kInf, std::min(kInf, l)));
    m.ub.push_back(std::max(-kInf, std::min(kInf, u)));
    m.coltype.push_back('C');
    m.limit.push_back(0.0);
    if (!m.colscale.empty()) m.colscale.push_back(0);
  }
  m.names_changed();
  warm_cols_added(prob->warm, m, ncols);  // new columns start at a bound
  Change c = change_of(Change::AddCols);
  c.first = m.ncols() - ncols;
  c.count = ncols;
  model_changed(prob, c);
  prob->results.clear();  // the last solve no longer describes the model
}

void add_sets64(ONDRprob prob, int nsets, int64_t nelems, const char qstype[],
                const int64_t msstart[], const int mscols[], const double dref[]) {
  Model &m = prob->model;
  ONDR_REQUIRE(nsets >= 0, "Invalid number of sets %d", nsets);
  std::vector<SetDef> add =
      build_sets(m, nsets, nelems, qstype, msstart, mscols, dref, (int)m.sets.size());
  reserve_for(m.sets, m.sets.size() + add.size());
  for (auto &s : add) m.sets.push_back(std::move(s));
  m.names_changed();
  prob->results.clear();  // the last solve no longer describes the model
}

void add_qmatrix64(ONDRprob prob, int irow, int64_t nqtr, const int mqc1[], const int mqc2[],
                   const double dqe[]) {
  Model &m = prob->model;
  require_row(m, irow);
  int64_t n = list_count(nqtr, "quadratic terms", {mqc1, mqc2, dqe});
  std::string what = format("row %d quadratic", irow);
  QMap add = gather_qterms(m, n, mqc1, mqc2, dqe, true, what.c_str());
  if (add.empty()) return;
  QMap &q = m.qrows[irow];  // may allocate: nothing else changed yet
  qapply(q, add, true);
  if (q.empty()) m.qrows.erase(irow);
  model_changed(prob, change_of(Change::QRows));
  prob->results.clear();  // the last solve no longer describes the model
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRaddrows64(ONDRprob prob, int nrows, int64_t nnz, const char qrtype[],
                           const double rhs[], const double range[], const int64_t mstart[],
                           const int mclind[], const double dmatval[]) {
  return guard_mut(prob, [&] {
    add_rows64(prob, nrows, nnz, qrtype, rhs, range, mstart, mclind, dmatval);
  });
}

ONDR_API int ONDRaddcols64(ONDRprob prob, int ncols, int64_t nnz, const double objx[],
                           const int64_t mstart[], const int mrwind[], const double dmatval[],
                           const double bdl[], const double bdu[]) {
  return guard_mut(prob,
                   [&] { add_cols64(prob, ncols, nnz, objx, mstart, mrwind, dmatval, bdl, bdu); });
}

ONDR_API int ONDRaddsets64(ONDRprob prob, int nsets, int64_t nelems, const char qstype[],
                           const int64_t msstart[], const int mscols[], const double dref[]) {
  return guard_mut(prob, [&] { add_sets64(prob, nsets, nelems, qstype, msstart, mscols, dref); });
}

ONDR_API int ONDRaddqmatrix64(ONDRprob prob, int irow, int64_t nqtr, const int mqc1[],
                              const int mqc2[], const double dqe[]) {
  return guard_mut(prob, [&] { add_qmatrix64(prob, irow, nqtr, mqc1, mqc2, dqe); });
}
