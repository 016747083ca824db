#include "model/load.h"
#include "model/hook.h"
#include <algorithm>
#include <cmath>
#include "controls/ids.h"
#include "model/edit.h"
#include "model/ops.h"
#include "env/shell.h"
#include "ondr.h"

namespace ondr {

void check_row_type(char t, int row) {
  ONDR_REQUIRE(t == 'L' || t == 'G' || t == 'E' || t == 'R' || t == 'N',
               "Invalid row type '%c' for row %d", t, row);
}

void check_col_type(char t, int col) {
  ONDR_REQUIRE(t == 'C' || t == 'B' || t == 'I' || t == 'S' || t == 'R' || t == 'P',
               "Invalid column type '%c' for column %d", t, col);
}

template <class Start>
Model build_lp(const char *probname, int ncols, int nrows, const char qrtype[],
               const double rhs[], const double range[], const double obj[],
               const Start mstart[], const int mnel[], const int mrwind[],
               const double dmatval[], const double dlb[], const double dub[]) {
  ONDR_REQUIRE(ncols >= 0, "Invalid number of columns %d", ncols);
  ONDR_REQUIRE(nrows >= 0, "Invalid number of rows %d", nrows);
  ONDR_REQUIRE(ncols < kUnitColumn, "Too many columns (%d)", ncols);
  ONDR_REQUIRE(nrows == 0 || qrtype, "Row types missing for %d rows", nrows);
  Model m;
  m.name = probname ? probname : "";
  m.rowtype.resize((size_t)nrows);
  m.rhs.assign((size_t)nrows, 0.0);
  m.range.assign((size_t)nrows, 0.0);
  m.rows.resize((size_t)nrows);  // empty rows; laid out below when columns have entries
  m.indcol.assign((size_t)nrows, -1);
  m.indcomp.assign((size_t)nrows, 0);
  for (int i = 0; i < nrows; ++i) {
    char t = qrtype[i];
    check_row_type(t, i);
    m.rowtype[(size_t)i] = t;
    if (t == 'N') continue;  // the rhs of a free row is ignored
    double r = rhs ? rhs[i] : 0.0;
    ONDR_REQUIRE(!std::isnan(r), "Right-hand side of row %d is NaN", i);
    m.rhs[(size_t)i] = std::max(-kInf, std::min(kInf, r));
    if (t == 'R') {
      double g = range ? range[i] : 0.0;
      ONDR_REQUIRE(!std::isnan(g) && g >= 0, "Invalid range %g of row %d", g, i);
      m.range[(size_t)i] = std::min(kInf, g);
    }
  }
  m.obj.assign((size_t)ncols, 0.0);
  m.lb.assign((size_t)ncols, 0.0);
  m.ub.assign((size_t)ncols, kInf);
  m.coltype.assign((size_t)ncols, 'C');
  m.limit.assign((size_t)ncols, 0.0);
  for (int j = 0; j < ncols; ++j) {
    if (obj) {
      ONDR_REQUIRE(std::isfinite(obj[j]), "Objective coefficient of column %d is %s", j,
                   std::isnan(obj[j]) ? "NaN" : "infinite");
      m.obj[(size_t)j] = obj[j];
    }
    double l = dlb ? dlb[j] : 0.0, u = dub ? dub[j] : kInf;
    ONDR_REQUIRE(!std::isnan(l) && !std::isnan(u), "Bound of column %d is NaN", j);
    m.lb[(size_t)j] = l <= -kInf ? -kInf : l;
    m.ub[(size_t)j] = u >= kInf ? kInf : u;
  }
  if (ncols > 0 && mstart) {
    // Room for each row's entries first: one allocation per row.
    std::vector<int64_t> per_row((size_t)nrows, 0);
    for (int j = 0; j < ncols; ++j) {
      int64_t b = (int64_t)mstart[j];
      int64_t e = mnel ? b + mnel[j] : (int64_t)mstart[j + 1];
      if (b < 0 || e <= b || !mrwind) continue;  // judged in the pass below
      for (int64_t k = b; k < e; ++k)
        if (mrwind[k] >= 0 && mrwind[k] < nrows) ++per_row[(size_t)mrwind[k]];
    }
    m.rows.assign_empty((size_t)nrows, per_row.data());
    for (int j = 0; j < ncols; ++j) {
      int64_t b = (int64_t)mstart[j];
      int64_t e = mnel ? b + mnel[j] : (int64_t)mstart[j + 1];
      ONDR_REQUIRE(b >= 0 && e >= b, "Invalid start or length of column %d", j);
      if (e > b) ONDR_REQUIRE(mrwind && dmatval, "Matrix arrays missing");
      for (int64_t k = b; k < e; ++k) {
        int r = mrwind[k];
        ONDR_REQUIRE(r >= 0 && r < nrows, "Row index %d out of range in column %d", r, j);
        ONDR_REQUIRE(std::isfinite(dmatval[k]), "Matrix value of row %d in column %d is %s", r, j,
                     std::isnan(dmatval[k]) ? "NaN" : "infinite");
        if (dmatval[k] != 0.0) m.rows[(size_t)r].push_back({j, dmatval[k]});
      }
    }
    // Merge repeated (row, column) entries by adding them.
    std::vector<int> pos((size_t)ncols, -1);
    for (RowRef row : m.rows) {
      size_t out = 0;
      for (size_t k = 0; k < row.size(); ++k) {
        int c = row[k].index;
        if (pos[(size_t)c] >= 0) {
          row[(size_t)pos[(size_t)c]].value += row[k].value;
        } else {
          pos[(size_t)c] = (int)out;
          row[out++] = row[k];
        }
      }
      row.resize(out);
      for (const auto &e : row) pos[(size_t)e.index] = -1;
    }
  }
  return m;
}

template Model build_lp<int>(const char *, int, int, const char[], const double[],
                             const double[], const double[], const int[], const int[],
                             const int[], const double[], const double[], const double[]);
template Model build_lp<int64_t>(const char *, int, int, const char[], const double[],
                                 const double[], const double[], const int64_t[], const int[],
                                 const int[], const double[], const double[], const double[]);

// Quadratic objective of a loader: 0.5 x'Qx, repeated pairs summed.
static void load_qobj(Model &m, int64_t nqtr, const int c1[], const int c2[], const double v[]) {
  int64_t n = list_count(nqtr, "quadratic objective terms", {c1, c2, v});
  QMap q = gather_qterms(m, n, c1, c2, v, true, "quadratic objective");
  qapply(m.qobj, q, true);
}

// Quadratic rows of a loader: row qcrows[r] gets qcnquads[r] terms, taken in
// order from the term arrays; a row listed twice gets both lists.
static void load_qrows(Model &m, int nqcrows, const int qcrows[], const int64_t qcnquads[],
                       const int c1[], const int c2[], const double v[]) {
  int64_t nr = list_count(nqcrows, "quadratic rows", {qcrows, qcnquads});
  int64_t off = 0;
  for (int64_t r = 0; r < nr; ++r) {
    int row = qcrows[r];
    require_row(m, row, "among the quadratic rows");
    int64_t cnt = qcnquads[r];
    ONDR_REQUIRE(cnt >= 0, "Invalid number of quadratic terms %lld for row %d", (long long)cnt,
                 row);
    if (cnt == 0) continue;
    ONDR_REQUIRE(c1 && c2 && v, "Quadratic row term arrays missing");
    std::string what = format("row %d quadratic", row);
    QMap q = gather_qterms(m, cnt, c1 + off, c2 + off, v + off, true, what.c_str());
    qapply(m.qrows[row], q, true);
    off += cnt;
  }
  for (auto it = m.qrows.begin(); it != m.qrows.end();)
    it = it->second.empty() ? m.qrows.erase(it) : std::next(it);
}

// Global entities (column types and limits) and sets of a loader.
static void load_globals(Model &m, int ngents, int nsets, const char qgtype[],
                         const int mgcols[], const double dlim[], const char qstype[],
                         const int64_t msstart[], const int mscols[], const double dref[]) {
  int64_t ne = list_count(ngents, "global entities", {qgtype, mgcols});
  std::vector<char> seen(ne > 0 ? (size_t)m.ncols() : 0, 0);
  for (int64_t k = 0; k < ne; ++k) {
    int c = mgcols[k];
    require_col(m, c, "among the global entities");
    char t = qgtype[k];
    ONDR_REQUIRE(t == 'B' || t == 'I' || t == 'S' || t == 'R' || t == 'P',
                 "Invalid global entity type '%c' for column %d", t, c);
    ONDR_REQUIRE(!seen[(size_t)c], "Column %d appears twice among the global entities", c);
    seen[(size_t)c] = 1;
    m.coltype[(size_t)c] = t;
    if (t == 'S' || t == 'R' || t == 'P') {
      double lim = dlim ? dlim[k] : 0.0;
      ONDR_REQUIRE(!std::isnan(lim), "Limit of global entity column %d is NaN", c);
      m.limit[(size_t)c] = lim;
    }
  }
  int64_t ns = list_count(nsets, "sets", {qstype, msstart});
  if (ns > 0) {
    int64_t members = msstart[ns];
    m.sets = build_sets(m, (int)ns, members, qstype, msstart, mscols, dref, 0);
  }
}

void commit_model(ONDRprob prob, Model &&m) noexcept {
  bool keep = prob->controls.geti(id::KEEPBASIS) == 1 && prob->warm.fits(m);
  if (!keep) prob->warm.clear();
  prob->model = std::move(m);
  prob->results.clear();
  model_changed(prob, change_of(Change::Replace));
}

void load_lp(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
             const double rhs[], const double range[], const double obj[], const int mstart[],
             const int mnel[], const int mrwind[], const double dmatval[], const double dlb[],
             const double dub[]) {
  Model m = build_lp<int>(probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel,
                          mrwind, dmatval, dlb, dub);
  commit_model(prob, std::move(m));
}

void load_lp64(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
               const double rhs[], const double range[], const double obj[], const int64_t mstart[],
               const int mnel[], const int mrwind[], const double dmatval[], const double dlb[],
               const double dub[]) {
  Model m = build_lp<int64_t>(probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel,
                              mrwind, dmatval, dlb, dub);
  commit_model(prob, std::move(m));
}

void load_qp64(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
               const double rhs[], const double range[], const double obj[], const int64_t mstart[],
               const int mnel[], const int mrwind[], const double dmatval[], const double dlb[],
               const double dub[], int64_t nqtr, const int mqcol1[], const int mqcol2[],
               const double dqe[]) {
  Model m = build_lp<int64_t>(probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel,
                              mrwind, dmatval, dlb, dub);
  load_qobj(m, nqtr, mqcol1, mqcol2, dqe);
  commit_model(prob, std::move(m));
}

void load_global64(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
                   const double rhs[], const double range[], const double obj[],
                   const int64_t mstart[], const int mnel[], const int mrwind[],
                   const double dmatval[], const double dlb[], const double dub[], int ngents,
                   int nsets, const char qgtype[], const int mgcols[], const double dlim[],
                   const char qstype[], const int64_t msstart[], const int mscols[],
                   const double dref[]) {
  Model m = build_lp<int64_t>(probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel,
                              mrwind, dmatval, dlb, dub);
  load_globals(m, ngents, nsets, qgtype, mgcols, dlim, qstype, msstart, mscols, dref);
  commit_model(prob, std::move(m));
}

void load_qglobal64(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
                    const double rhs[], const double range[], const double obj[],
                    const int64_t mstart[], const int mnel[], const int mrwind[],
                    const double dmatval[], const double dlb[], const double dub[], int64_t nqtr,
                    const int mqcol1[], const int mqcol2[], const double dqe[], int ngents,
                    int nsets, const char qgtype[], const int mgcols[], const double dlim[],
                    const char qstype[], const int64_t msstart[], const int mscols[],
                    const double dref[]) {
  Model m = build_lp<int64_t>(probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel,
                              mrwind, dmatval, dlb, dub);
  load_qobj(m, nqtr, mqcol1, mqcol2, dqe);
  load_globals(m, ngents, nsets, qgtype, mgcols, dlim, qstype, msstart, mscols, dref);
  commit_model(prob, std::move(m));
}

void load_qcqp64(ONDRprob prob, const char *probname, int ncols, int nrows, const char qrtype[],
                 const double rhs[], const double range[], const double obj[],
                 const int64_t mstart[], const int mnel[], const int mrwind[],
                 const double dmatval[], const double dlb[], const double dub[], int64_t nqtr,
                 const int mqcol1[], const int mqcol2[], const double dqe[], int nqcrows,
                 const int qcrows[], const int64_t qcnquads[], const int qcmqcol1[],
                 const int qcmqcol2[], const double qcdqval[]) {
  Model m = build_lp<int64_t>(probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel,
                              mrwind, dmatval, dlb, dub);
  load_qobj(m, nqtr, mqcol1, mqcol2, dqe);
  load_qrows(m, nqcrows, qcrows, qcnquads, qcmqcol1, qcmqcol2, qcdqval);
  commit_model(prob, std::move(m));
}

void load_qcqpglobal64(ONDRprob prob, const char *probname, int ncols, int nrows,
                       const char qrtype[], const double rhs[], const double range[],
                       const double obj[], const int64_t mstart[], const int mnel[],
                       const int mrwind[], const double dmatval[], const double dlb[],
                       const double dub[], int64_t nqtr, const int mqcol1[], const int mqcol2[],
                       const double dqe[], int nqcrows, const int qcrows[],
                       const int64_t qcnquads[], const int qcmqcol1[], const int qcmqcol2[],
                       const double qcdqval[], int ngents, int nsets, const char qgtype[],
                       const int mgcols[], const double dlim[], const char qstype[],
                       const int64_t msstart[], const int mscols[], const double dref[]) {
  Model m = build_lp<int64_t>(probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel,
                              mrwind, dmatval, dlb, dub);
  load_qobj(m, nqtr, mqcol1, mqcol2, dqe);
  load_qrows(m, nqcrows, qcrows, qcnquads, qcmqcol1, qcmqcol2, qcdqval);
  load_globals(m, ngents, nsets, qgtype, mgcols, dlim, qstype, msstart, mscols, dref);
  commit_model(prob, std::move(m));
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRloadlp(ONDRprob prob, const char *probname, int ncols, int nrows,
                        const char qrtype[], const double rhs[], const double range[],
                        const double obj[], const int mstart[], const int mnel[],
                        const int mrwind[], const double dmatval[], const double dlb[],
                        const double dub[]) {
  return guard_mut(prob, [&] {
    load_lp(prob, probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel, mrwind, dmatval,
            dlb, dub);
  });
}

ONDR_API int ONDRloadlp64(ONDRprob prob, const char *probname, int ncols, int nrows,
                          const char qrtype[], const double rhs[], const double range[],
                          const double obj[], const int64_t mstart[], const int mnel[],
                          const int mrwind[], const double dmatval[], const double dlb[],
                          const double dub[]) {
  return guard_mut(prob, [&] {
    load_lp64(prob, probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel, mrwind, dmatval,
              dlb, dub);
  });
}

ONDR_API int ONDRloadqp64(ONDRprob prob, const char *probname, int ncols, int nrows,
                          const char qrtype[], const double rhs[], const double range[],
                          const double obj[], const int64_t mstart[], const int mnel[],
                          const int mrwind[], const double dmatval[], const double dlb[],
                          const double dub[], int64_t nqtr, const int mqcol1[],
                          const int mqcol2[], const double dqe[]) {
  return guard_mut(prob, [&] {
    load_qp64(prob, probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel, mrwind, dmatval,
              dlb, dub, nqtr, mqcol1, mqcol2, dqe);
  });
}

ONDR_API int ONDRloadglobal64(ONDRprob prob, const char *probname, int ncols, int nrows,
                              const char qrtype[], const double rhs[], const double range[],
                              const double obj[], const int64_t mstart[], const int mnel[],
                              const int mrwind[], const double dmatval[], const double dlb[],
                              const double dub[], int ngents, int nsets, const char qgtype[],
                              const int mgcols[], const double dlim[], const char qstype[],
                              const int64_t msstart[], const int mscols[], const double dref[]) {
  return guard_mut(prob, [&] {
    load_global64(prob, probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel, mrwind,
                  dmatval, dlb, dub, ngents, nsets, qgtype, mgcols, dlim, qstype, msstart, mscols,
                  dref);
  });
}

ONDR_API int ONDRloadqglobal64(ONDRprob prob, const char *probname, int ncols, int nrows,
                               const char qrtype[], const double rhs[], const double range[],
                               const double obj[], const int64_t mstart[], const int mnel[],
                               const int mrwind[], const double dmatval[], const double dlb[],
                               const double dub[], int64_t nqtr, const int mqcol1[],
                               const int mqcol2[], const double dqe[], int ngents, int nsets,
                               const char qgtype[], const int mgcols[], const double dlim[],
                               const char qstype[], const int64_t msstart[],
                               const int mscols[], const double dref[]) {
  return guard_mut(prob, [&] {
    load_qglobal64(prob, probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel, mrwind,
                   dmatval, dlb, dub, nqtr, mqcol1, mqcol2, dqe, ngents, nsets, qgtype, mgcols,
                   dlim, qstype, msstart, mscols, dref);
  });
}

ONDR_API int ONDRloadqcqp64(ONDRprob prob, const char *probname, int ncols, int nrows,
                            const char qrtype[], const double rhs[], const double range[],
                            const double obj[], const int64_t mstart[], const int mnel[],
                            const int mrwind[], const double dmatval[], const double dlb[],
                            const double dub[], int64_t nqtr, const int mqcol1[],
                            const int mqcol2[], const double dqe[], int nqcrows,
                            const int qcrows[], const int64_t qcnquads[],
                            const int qcmqcol1[], const int qcmqcol2[], const double qcdqval[]) {
  return guard_mut(prob, [&] {
    load_qcqp64(prob, probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel, mrwind,
                dmatval, dlb, dub, nqtr, mqcol1, mqcol2, dqe, nqcrows, qcrows, qcnquads, qcmqcol1,
                qcmqcol2, qcdqval);
  });
}

ONDR_API int ONDRloadqcqpglobal64(ONDRprob prob, const char *probname, int ncols, int nrows,
                                  const char qrtype[], const double rhs[], const double range[],
                                  const double obj[], const int64_t mstart[], const int mnel[],
                                  const int mrwind[], const double dmatval[], const double dlb[],
                                  const double dub[], int64_t nqtr, const int mqcol1[],
                                  const int mqcol2[], const double dqe[], int nqcrows,
                                  const int qcrows[], const int64_t qcnquads[],
                                  const int qcmqcol1[], const int qcmqcol2[],
                                  const double qcdqval[], int ngents, int nsets,
                                  const char qgtype[], const int mgcols[], const double dlim[],
                                  const char qstype[], const int64_t msstart[],
                                  const int mscols[], const double dref[]) {
  return guard_mut(prob, [&] {
    load_qcqpglobal64(prob, probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel, mrwind,
                      dmatval, dlb, dub, nqtr, mqcol1, mqcol2, dqe, nqcrows, qcrows, qcnquads,
                      qcmqcol1, qcmqcol2, qcdqval, ngents, nsets, qgtype, mgcols, dlim, qstype,
                      msstart, mscols, dref);
  });
}
