// Changing parts of the stored model in place. Lists are validated in full
// before the first change; within one list a repeated index takes the last
// value given.
#include <algorithm>
#include <cmath>
#include "env/shell.h"
#include "model/edit.h"
#include "model/hook.h"
#include "model/ops.h"
#include "ondr.h"

namespace ondr {

static bool is_row_type(char t) { return t == 'L' || t == 'G' || t == 'E' || t == 'R' || t == 'N'; }
static bool is_col_type(char t) {
  return t == 'C' || t == 'B' || t == 'I' || t == 'S' || t == 'R' || t == 'P';
}
static double clamp_inf(double v) { return std::max(-kInf, std::min(kInf, v)); }

// Sets entry (row, col) of the matrix; 0 removes it. Keeps the row sorted.
static void set_coef(Model &m, int row, int col, double v) {
  RowRef r = m.rows[(size_t)row];
  Entry *it = std::lower_bound(r.begin(), r.end(), col,
                             [](const Entry &e, int c) { return e.index < c; });
  bool found = it != r.end() && it->index == col;
  if (v == 0.0) {
    if (found) r.erase(it);
  } else if (found) {
    it->value = v;
  } else {
    r.insert(it, Entry{col, v});
  }
}

static void check_mcoefs(const Model &m, int64_t n, const int rows[], const int cols[],
                         const double vals[]) {
  for (int64_t k = 0; k < n; ++k) {
    std::string where = format("in coefficient %lld", (long long)k);
    require_row(m, rows[k], where.c_str());
    require_col(m, cols[k], where.c_str());
    if (!std::isfinite(vals[k]))
      fail(ERR_ARGUMENT, "Value of coefficient (%d, %d) is %s", rows[k], cols[k],
           std::isnan(vals[k]) ? "NaN" : "infinite");
  }
}

static void check_qsingle(const Model &m, int i, int j, double v) {
  require_col(m, i, "in the quadratic term");
  require_col(m, j, "in the quadratic term");
  if (!std::isfinite(v))
    fail(ERR_ARGUMENT, "Quadratic coefficient (%d, %d) is %s", i, j, std::isnan(v) ? "NaN" : "infinite");
}

// Sets one entry of a quadratic map (0 removes); the node is made first.
static void qset_one(QMap &q, int i, int j, double v) {
  QMap one;
  one[qkey(i, j)] = v;
  qapply(q, one, false);
}

static void chgmqobj_impl(ONDRprob prob, int64_t n, const int c1[], const int c2[],
                          const double v[]) {
  Model &m = prob->model;
  n = list_count(n, "quadratic objective coefficients", {c1, c2, v});
  QMap changes = gather_qterms(m, n, c1, c2, v, false, "quadratic objective");
  qapply(m.qobj, changes, false);
}

static Change coef_change(int64_t n, const int rows[], const int cols[]) {
  Change c = change_of(Change::Coefs);
  for (int64_t k = 0; k < n; ++k) c.coefs.push_back({rows[k], cols[k]});
  return c;
}

void chg_coltype(ONDRprob prob, int ncols, const int mindex[], const char coltype[]) {
  Model &m = prob->model;
  int64_t n = list_count(ncols, "column types", {mindex, coltype});
  for (int64_t k = 0; k < n; ++k) {
    require_col(m, mindex[k]);
    ONDR_REQUIRE(is_col_type(coltype[k]), "Invalid column type '%c' for column %d", coltype[k],
                 mindex[k]);
  }
  for (int64_t k = 0; k < n; ++k) m.coltype[(size_t)mindex[k]] = coltype[k];
  model_changed(prob, change_of(Change::ColBounds, n, mindex));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_glblimit(ONDRprob prob, int ncols, const int mindex[], const double dlimit[]) {
  Model &m = prob->model;
  int64_t n = list_count(ncols, "limits", {mindex, dlimit});
  for (int64_t k = 0; k < n; ++k) {
    int c = mindex[k];
    require_col(m, c);
    char t = m.coltype[(size_t)c];
    ONDR_REQUIRE(t == 'S' || t == 'R' || t == 'P',
                 "Column %d of type '%c' has no limit (only semi-continuous, semi-integer and "
                 "partially integer columns do)",
                 c, t);
    ONDR_REQUIRE(!std::isnan(dlimit[k]), "Limit of column %d is NaN", c);
  }
  for (int64_t k = 0; k < n; ++k) m.limit[(size_t)mindex[k]] = clamp_inf(dlimit[k]);
  model_changed(prob, change_of(Change::ColBounds, n, mindex));
  prob->results.clear();  // the last solve no longer describes the model
}

void set_indicators(ONDRprob prob, int nrows, const int mrows[], const int inds[],
                    const int comps[]) {
  Model &m = prob->model;
  int64_t n = list_count(nrows, "indicators", {mrows, inds, comps});
  for (int64_t k = 0; k < n; ++k) {
    require_row(m, mrows[k]);
    ONDR_REQUIRE(comps[k] == 1 || comps[k] == -1 || comps[k] == 0,
                 "Invalid indicator flag %d for row %d (1: active when the column is 1, -1: "
                 "when it is 0, 0: no indicator)",
                 comps[k], mrows[k]);
    if (comps[k] != 0) {
      std::string where = format("as indicator of row %d", mrows[k]);
      require_col(m, inds[k], where.c_str());
    }
  }
  for (int64_t k = 0; k < n; ++k) {
    size_t r = (size_t)mrows[k];
    m.indcol[r] = comps[k] ? inds[k] : -1;
    m.indcomp[r] = comps[k];
  }
  model_changed(prob, change_of(Change::RowBounds, n, mrows));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_obj(ONDRprob prob, int ncols, const int mindex[], const double obj[]) {
  Model &m = prob->model;
  int64_t n = list_count(ncols, "objective coefficients", {mindex, obj});
  for (int64_t k = 0; k < n; ++k) {
    int c = mindex[k];
    if (c != -1) require_col(m, c);
    if (!std::isfinite(obj[k])) {
      const char *bad = std::isnan(obj[k]) ? "NaN" : "infinite";
      if (c == -1) fail(ERR_ARGUMENT, "Objective constant is %s", bad);
      fail(ERR_ARGUMENT, "Objective coefficient of column %d is %s", c, bad);
    }
  }
  for (int64_t k = 0; k < n; ++k) {
    if (mindex[k] == -1) m.objconst_neg = obj[k];
    else m.obj[(size_t)mindex[k]] = obj[k];
  }
  model_changed(prob, change_of(Change::ColCosts, n, mindex));
  model_changed(prob, change_of(Change::Objective));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_mqobj(ONDRprob prob, int ncols, const int mcol1[], const int mcol2[],
               const double dval[]) {
  chgmqobj_impl(prob, ncols, mcol1, mcol2, dval);
  model_changed(prob, change_of(Change::QObjective));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_mqobj64(ONDRprob prob, int64_t ncols, const int mcol1[], const int mcol2[],
                 const double dval[]) {
  chgmqobj_impl(prob, ncols, mcol1, mcol2, dval);
  model_changed(prob, change_of(Change::QObjective));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_objsense(ONDRprob prob, int objsense) {
  ONDR_REQUIRE(objsense == 1 || objsense == -1,
               "Invalid objective sense %d (1 minimize, -1 maximize)", objsense);
  prob->model.objsense = objsense;
  model_changed(prob, change_of(Change::Objective));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_rowtype(ONDRprob prob, int nrows, const int mindex[], const char qrtype[]) {
  Model &m = prob->model;
  int64_t n = list_count(nrows, "row types", {mindex, qrtype});
  for (int64_t k = 0; k < n; ++k) {
    require_row(m, mindex[k]);
    ONDR_REQUIRE(is_row_type(qrtype[k]), "Invalid row type '%c' for row %d", qrtype[k],
                 mindex[k]);
  }
  for (int64_t k = 0; k < n; ++k) m.rowtype[(size_t)mindex[k]] = qrtype[k];
  model_changed(prob, change_of(Change::RowBounds, n, mindex));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_rhs(ONDRprob prob, int nrows, const int mindex[], const double rhs[]) {
  Model &m = prob->model;
  int64_t n = list_count(nrows, "right-hand sides", {mindex, rhs});
  for (int64_t k = 0; k < n; ++k) {
    require_row(m, mindex[k]);
    ONDR_REQUIRE(!std::isnan(rhs[k]), "Right-hand side of row %d is NaN", mindex[k]);
  }
  for (int64_t k = 0; k < n; ++k) m.rhs[(size_t)mindex[k]] = clamp_inf(rhs[k]);
  model_changed(prob, change_of(Change::RowBounds, n, mindex));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_rhsrange(ONDRprob prob, int nrows, const int mindex[], const double rng[]) {
  Model &m = prob->model;
  int64_t n = list_count(nrows, "ranges", {mindex, rng});
  for (int64_t k = 0; k < n; ++k) {
    int r = mindex[k];
    require_row(m, r);
    ONDR_REQUIRE(m.rowtype[(size_t)r] == 'R',
                 "Row %d is of type '%c', not a range row: change its type to 'R' first", r,
                 m.rowtype[(size_t)r]);
    ONDR_REQUIRE(!std::isnan(rng[k]) && rng[k] >= 0, "Invalid range %g of row %d", rng[k], r);
  }
  for (int64_t k = 0; k < n; ++k) m.range[(size_t)mindex[k]] = std::min(kInf, rng[k]);
  model_changed(prob, change_of(Change::RowBounds, n, mindex));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_bounds(ONDRprob prob, int nbounds, const int mindex[], const char qbtype[],
                const double bnd[]) {
  Model &m = prob->model;
  int64_t n = list_count(nbounds, "bounds", {mindex, qbtype, bnd});
  for (int64_t k = 0; k < n; ++k) {
    require_col(m, mindex[k]);
    char t = qbtype[k];
    ONDR_REQUIRE(t == 'L' || t == 'U' || t == 'B' || t == 'F',
                 "Invalid bound type '%c' for column %d (L lower, U upper, B or F both)", t,
                 mindex[k]);
    ONDR_REQUIRE(!std::isnan(bnd[k]), "Bound of column %d is NaN", mindex[k]);
  }
  for (int64_t k = 0; k < n; ++k) {
    size_t c = (size_t)mindex[k];
    double v = clamp_inf(bnd[k]);
    char t = qbtype[k];
    if (t != 'U') m.lb[c] = v;
    if (t != 'L') m.ub[c] = v;
  }
  model_changed(prob, change_of(Change::ColBounds, n, mindex));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_mcoef(ONDRprob prob, int ncoefs, const int mrow[], const int mcol[], const double dval[]) {
  Model &m = prob->model;
  int64_t n = list_count(ncoefs, "coefficients", {mrow, mcol, dval});
  check_mcoefs(m, n, mrow, mcol, dval);
  // Growing a row can fail for lack of memory: make room for every entry
  // that may be new before the first change, so the changes cannot fail.
  std::vector<int> touched(mrow, mrow + n);
  std::sort(touched.begin(), touched.end());
  for (size_t a = 0, b; a < touched.size(); a = b) {
    for (b = a; b < touched.size() && touched[b] == touched[a];) ++b;
    RowRef r = m.rows[(size_t)touched[a]];
    r.reserve(r.size() + (b - a));
  }
  for (int64_t k = 0; k < n; ++k) set_coef(m, mrow[k], mcol[k], dval[k]);
  model_changed(prob, coef_change(n, mrow, mcol));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_coef(ONDRprob prob, int irow, int icol, double dval) {
  Model &m = prob->model;
  check_mcoefs(m, 1, &irow, &icol, &dval);
  set_coef(m, irow, icol, dval);
  model_changed(prob, coef_change(1, &irow, &icol));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_qobj(ONDRprob prob, int icol, int jcol, double dval) {
  Model &m = prob->model;
  check_qsingle(m, icol, jcol, dval);
  qset_one(m.qobj, icol, jcol, dval);
  model_changed(prob, change_of(Change::QObjective));
  prob->results.clear();  // the last solve no longer describes the model
}

void chg_qrowcoeff(ONDRprob prob, int irow, int icol, int jcol, double dval) {
  Model &m = prob->model;
  require_row(m, irow);
  check_qsingle(m, icol, jcol, dval);
  auto it = m.qrows.find(irow);
  if (it == m.qrows.end()) {
    if (dval == 0.0) return;
    it = m.qrows.emplace(irow, QMap()).first;
  }
  qset_one(it->second, icol, jcol, dval);
  if (it->second.empty()) m.qrows.erase(it);
  model_changed(prob, change_of(Change::QRows));
  prob->results.clear();  // the last solve no longer describes the model
}

void del_qmatrix(ONDRprob prob, int irow) {
  Model &m = prob->model;
  if (irow == -1) {
    m.qobj.clear();
    model_changed(prob, change_of(Change::QObjective));
    prob->results.clear();  // the last solve no longer describes the model
    return;
  }
  require_row(m, irow, "(-1 is the objective)");
  m.qrows.erase(irow);
  model_changed(prob, change_of(Change::QRows));
  prob->results.clear();  // the last solve no longer describes the model
}

void set_scale(ONDRprob prob, const int mrscal[], const int mcscal[]) {
  Model &m = prob->model;
  const int lim = 64;
  for (int i = 0; mrscal && i < m.nrows(); ++i)
    ONDR_REQUIRE(mrscal[i] >= -lim && mrscal[i] <= lim,
                 "Scale exponent %d of row %d out of range [-%d, %d]", mrscal[i], i, lim, lim);
  for (int j = 0; mcscal && j < m.ncols(); ++j)
    ONDR_REQUIRE(mcscal[j] >= -lim && mcscal[j] <= lim,
                 "Scale exponent %d of column %d out of range [-%d, %d]", mcscal[j], j, lim, lim);
  std::vector<int> rs, cs;
  if (mrscal) rs.assign(mrscal, mrscal + m.nrows());
  if (mcscal) cs.assign(mcscal, mcscal + m.ncols());
  if (mrscal) m.rowscale.swap(rs);
  if (mcscal) m.colscale.swap(cs);
  model_changed(prob, change_of(Change::Replace));
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRchgcoltype(ONDRprob prob, int ncols, const int mindex[], const char coltype[]) {
  return guard_mut(prob, [&] { chg_coltype(prob, ncols, mindex, coltype); });
}

ONDR_API int ONDRchgglblimit(ONDRprob prob, int ncols, const int mindex[], const double dlimit[]) {
  return guard_mut(prob, [&] { chg_glblimit(prob, ncols, mindex, dlimit); });
}

ONDR_API int ONDRsetindicators(ONDRprob prob, int nrows, const int mrows[], const int inds[],
                               const int comps[]) {
  return guard_mut(prob, [&] { set_indicators(prob, nrows, mrows, inds, comps); });
}

ONDR_API int ONDRchgobj(ONDRprob prob, int ncols, const int mindex[], const double obj[]) {
  return guard_mut(prob, [&] { chg_obj(prob, ncols, mindex, obj); });
}

ONDR_API int ONDRchgmqobj(ONDRprob prob, int ncols, const int mcol1[], const int mcol2[],
                          const double dval[]) {
  return guard_mut(prob, [&] { chg_mqobj(prob, ncols, mcol1, mcol2, dval); });
}

ONDR_API int ONDRchgmqobj64(ONDRprob prob, int64_t ncols, const int mcol1[], const int mcol2[],
                            const double dval[]) {
  return guard_mut(prob, [&] { chg_mqobj64(prob, ncols, mcol1, mcol2, dval); });
}

ONDR_API int ONDRchgobjsense(ONDRprob prob, int objsense) {
  return guard_mut(prob, [&] { chg_objsense(prob, objsense); });
}

ONDR_API int ONDRchgrowtype(ONDRprob prob, int nrows, const int mindex[], const char qrtype[]) {
  return guard_mut(prob, [&] { chg_rowtype(prob, nrows, mindex, qrtype); });
}

ONDR_API int ONDRchgrhs(ONDRprob prob, int nrows, const int mindex[], const double rhs[]) {
  return guard_mut(prob, [&] { chg_rhs(prob, nrows, mindex, rhs); });
}

ONDR_API int ONDRchgrhsrange(ONDRprob prob, int nrows, const int mindex[], const double rng[]) {
  return guard_mut(prob, [&] { chg_rhsrange(prob, nrows, mindex, rng); });
}

ONDR_API int ONDRchgbounds(ONDRprob prob, int nbounds, const int mindex[], const char qbtype[],
                           const double bnd[]) {
  return guard_mut(prob, [&] { chg_bounds(prob, nbounds, mindex, qbtype, bnd); });
}

ONDR_API int ONDRchgmcoef(ONDRprob prob, int ncoefs, const int mrow[], const int mcol[],
                          const double dval[]) {
  return guard_mut(prob, [&] { chg_mcoef(prob, ncoefs, mrow, mcol, dval); });
}

ONDR_API int ONDRchgcoef(ONDRprob prob, int irow, int icol, double dval) {
  return guard_mut(prob, [&] { chg_coef(prob, irow, icol, dval); });
}

ONDR_API int ONDRchgqobj(ONDRprob prob, int icol, int jcol, double dval) {
  return guard_mut(prob, [&] { chg_qobj(prob, icol, jcol, dval); });
}

ONDR_API int ONDRchgqrowcoeff(ONDRprob prob, int irow, int icol, int jcol, double dval) {
  return guard_mut(prob, [&] { chg_qrowcoeff(prob, irow, icol, jcol, dval); });
}

ONDR_API int ONDRdelqmatrix(ONDRprob prob, int irow) {
  return guard_mut(prob, [&] { del_qmatrix(prob, irow); });
}

ONDR_API int ONDRscale(ONDRprob prob, const int mrscal[], const int mcscal[]) {
  return guard_mut(prob, [&] { set_scale(prob, mrscal, mcscal); });
}
