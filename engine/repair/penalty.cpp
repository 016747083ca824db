#include "repair/penalty.h"
#include <algorithm>
#include <cmath>
#include "env/error.h"
#include "model/hook.h"
#include "model/ops.h"

namespace ondr {

namespace {

void check_values(const std::vector<double> &v, const char *what, bool limit) {
  for (size_t k = 0; k < v.size(); ++k) {
    double x = v[k];
    if (std::isnan(x)) fail(ERR_ARGUMENT, "Entry %zu of %s is NaN", k, what);
    if (x < 0) fail(ERR_ARGUMENT, "Entry %zu of %s is negative (%g)", k, what, x);
    if (!limit && std::isinf(x)) fail(ERR_ARGUMENT, "Entry %zu of %s is infinite", k, what);
  }
}

void check_size(const std::vector<double> &v, size_t n, const char *what) {
  if (!v.empty() && v.size() != n)
    fail(ERR_ARGUMENT, "%s has %zu entries for %zu items", what, v.size(), n);
}

double at(const std::vector<double> &v, size_t k, double none) { return v.empty() ? none : v[k]; }

// One side that may be violated: its row (or -1 for a bound), the column
// of a bound, the elastic column's coefficient, penalty and limit.
struct Side {
  int row, col;
  double coef, weight, limit;
  char bound;  // 0 a row side, 'L' or 'U' a bound
};

// The range [lo, up] of row i's linear activity within the column bounds;
// false when a bound is infinite, a column's bounds are relaxed, or the row
// has a quadratic part.
bool activity_range(const Model &m, int i, const std::vector<char> &relaxed, double &lo, double &up) {
  if (m.qrows.count(i)) return false;
  lo = up = 0.0;
  for (const Entry &e : m.rows[(size_t)i]) {
    size_t j = (size_t)e.index;
    double l = m.lb[j], u = m.ub[j];
    char t = m.coltype[j];
    if (t == 'B') l = std::max(l, 0.0), u = std::min(u, 1.0);
    if (t == 'S' || t == 'R') l = std::min(l, 0.0);
    if (relaxed[j] || is_inf_bound(l) || is_inf_bound(u)) return false;
    lo += e.value * (e.value > 0 ? l : u);
    up += e.value * (e.value > 0 ? u : l);
  }
  return true;
}

}  // namespace

void check_request(const Model &m, const RepairRequest &q) {
  if (q.penalty != 'c' && q.penalty != 'q' && q.penalty != 'n')
    fail(ERR_ARGUMENT,
         "Invalid penalty flag '%c' (c: penalties times violations, q: times squared "
         "violations, n: of the violated sides)", q.penalty);
  if (q.phase2 != 'f' && q.phase2 != 'o')
    fail(ERR_ARGUMENT,
         "Invalid phase 2 flag '%c' (f: the minimum violation only, o: then the objective "
         "within it)", q.phase2);
  if (!std::isfinite(q.delta) || q.delta < 0)
    fail(ERR_ARGUMENT, "Invalid delta %g: it must be a finite number >= 0", q.delta);
  if (!m.nlcoefs.empty())
    fail(ERR_STATE, "Infeasibility repair needs a problem without nonlinear coefficients");
  size_t r = (size_t)m.nrows(), c = (size_t)m.ncols();
  check_size(q.lrp, r, "lrp"), check_size(q.grp, r, "grp");
  check_size(q.lbp, c, "lbp"), check_size(q.ubp, c, "ubp");
  check_size(q.lrb, r, "lrb"), check_size(q.grb, r, "grb");
  check_size(q.lbb, c, "lbb"), check_size(q.ubb, c, "ubb");
  check_values(q.lrp, "the row penalties lrp", false);
  check_values(q.grp, "the row penalties grp", false);
  check_values(q.lbp, "the lower bound penalties lbp", false);
  check_values(q.ubp, "the upper bound penalties ubp", false);
  check_values(q.lrb, "the row limits lrb", true);
  check_values(q.grb, "the row limits grb", true);
  check_values(q.lbb, "the lower bound limits lbb", true);
  check_values(q.ubb, "the upper bound limits ubb", true);
}

PenaltyModel build_penalty(ONDRprob p, const RepairRequest &q) {
  Model &m = p->model;
  PenaltyModel pm;
  pm.ncols = m.ncols();
  pm.nrows = m.nrows();
  pm.penalty = q.penalty;

  std::vector<Side> sides;
  auto limit_of = [](double l) { return l >= kInf ? kInf : l; };
  for (int i = 0; i < pm.nrows; ++i) {
    char t = m.rowtype[(size_t)i];
    double w = at(q.lrp, (size_t)i, 0), l = limit_of(at(q.lrb, (size_t)i, kInf));
    if ((t == 'L' || t == 'E' || t == 'R') && w > 0 && l > 0) sides.push_back({i, -1, -1.0, w, l, 0});
    w = at(q.grp, (size_t)i, 0), l = limit_of(at(q.grb, (size_t)i, kInf));
    if ((t == 'G' || t == 'E' || t == 'R') && w > 0 && l > 0) sides.push_back({i, -1, 1.0, w, l, 0});
  }
  std::vector<int> to_int;
  std::vector<char> relaxed((size_t)pm.ncols, 0);
  size_t row_sides = sides.size();
  for (int j = 0; j < pm.ncols; ++j) {
    char t = m.coltype[(size_t)j];
    if (t != 'C' && t != 'I' && t != 'B') continue;  // thresholds are not relaxed
    double lo = m.lb[(size_t)j], up = m.ub[(size_t)j];
    if (t == 'B') lo = std::max(lo, 0.0), up = std::min(up, 1.0);
    bool any = false;
    double w = at(q.lbp, (size_t)j, 0), l = limit_of(at(q.lbb, (size_t)j, kInf));
    if (lo > -kInf && w > 0 && l > 0) sides.push_back({-1, j, 1.0, w, l, 'L'}), any = true;
    w = at(q.ubp, (size_t)j, 0), l = limit_of(at(q.ubb, (size_t)j, kInf));
    if (up < kInf && w > 0 && l > 0) sides.push_back({-1, j, -1.0, w, l, 'U'}), any = true;
    if (any && t == 'B') to_int.push_back(j);
    relaxed[(size_t)j] = any;
  }
  // A row side's violation is at most what its activity range allows when
  // the bounds of its columns stay: a finite limit (a side that cannot be
  // violated at all gets none), which also gives the count penalty a
  // finite big-M.
  std::vector<Side> kept;
  for (size_t k = 0; k < sides.size(); ++k) {
    Side s = sides[k];
    if (k < row_sides) {
      double lo, up;
      if (activity_range(m, s.row, relaxed, lo, up)) {
        char t = m.rowtype[(size_t)s.row];
        double rhs = m.rhs[(size_t)s.row];
        double need = s.coef < 0 ? up - rhs : (t == 'R' ? rhs - m.range[(size_t)s.row] : rhs) - lo;
        if (need <= 0) continue;
        s.limit = std::min(s.limit, need);
      }
    }
    kept.push_back(s);
  }
  sides.swap(kept);

  // Binary columns whose bounds are relaxed become integer columns with
  // their 0..1 box as bounds.
  for (int j : to_int) {
    const char bt[2] = {'L', 'U'};
    const int idx[2] = {j, j};
    const double b[2] = {std::max(0.0, m.lb[(size_t)j]), std::min(1.0, m.ub[(size_t)j])};
    chg_bounds(p, 2, idx, bt, b);
    const char it = 'I';
    chg_coltype(p, 1, &j, &it);
  }

  // The elastic columns, with their entries in the rows they relax.
  int ns = (int)sides.size();
  std::vector<int64_t> start;
  std::vector<int> rind;
  std::vector<double> val, obj((size_t)ns, 0.0), lo((size_t)ns, 0.0), up((size_t)ns);
  for (int k = 0; k < ns; ++k) {
    const Side &s = sides[(size_t)k];
    start.push_back((int64_t)rind.size());
    if (s.row >= 0) rind.push_back(s.row), val.push_back(s.coef);
    up[(size_t)k] = s.limit;
    if (q.penalty == 'c') obj[(size_t)k] = s.weight;
  }
  start.push_back((int64_t)rind.size());
  int first = m.ncols();
  if (ns > 0)
    add_cols64(p, ns, (int64_t)rind.size(), obj.data(), start.data(), rind.data(), val.data(),
               lo.data(), up.data());
  for (int k = 0; k < ns; ++k) {
    pm.elastic.push_back(first + k);
    pm.weight.push_back(sides[(size_t)k].weight);
  }

  // A relaxed bound becomes a row: x + t >= lb or x - t <= ub.
  std::vector<char> rt;
  std::vector<double> rhs;
  std::vector<int64_t> rstart;
  std::vector<int> cind;
  std::vector<double> cval;
  std::vector<int> bidx;
  std::vector<char> btype;
  std::vector<double> bval;
  for (int k = 0; k < ns; ++k) {
    const Side &s = sides[(size_t)k];
    if (!s.bound) continue;
    int j = s.col;
    rstart.push_back((int64_t)cind.size());
    cind.push_back(j), cval.push_back(1.0);
    cind.push_back(first + k), cval.push_back(s.coef);
    rt.push_back(s.bound == 'L' ? 'G' : 'L');
    rhs.push_back(s.bound == 'L' ? m.lb[(size_t)j] : m.ub[(size_t)j]);
    bidx.push_back(j), btype.push_back(s.bound), bval.push_back(s.bound == 'L' ? -kInf : kInf);
  }
  if (!rt.empty()) {
    int nb = (int)rt.size();
    rstart.push_back((int64_t)cind.size());
    std::vector<double> rng((size_t)nb, 0.0);
    add_rows64(p, nb, (int64_t)cind.size(), rt.data(), rhs.data(), rng.data(), rstart.data(),
               cind.data(), cval.data());
    chg_bounds(p, nb, bidx.data(), btype.data(), bval.data());
  }

  // Count of violations: a binary switch per elastic column, paying the
  // penalty when it is on; off, the elastic column is 0 (a big-M row when
  // the violation has a limit, an indicator row otherwise).
  if (q.penalty == 'n' && ns > 0) {
    std::vector<int64_t> zs((size_t)ns + 1, 0);
    std::vector<double> zobj(pm.weight), zlo((size_t)ns, 0.0), zup((size_t)ns, 1.0);
    int zfirst = m.ncols();
    add_cols64(p, ns, 0, zobj.data(), zs.data(), nullptr, nullptr, zlo.data(), zup.data());
    std::vector<int> zc((size_t)ns);
    std::vector<char> zt((size_t)ns, 'B');
    for (int k = 0; k < ns; ++k) zc[(size_t)k] = zfirst + k;
    chg_coltype(p, ns, zc.data(), zt.data());
    pm.sw = zc;
    std::vector<int64_t> st;
    std::vector<int> ci;
    std::vector<double> cv, rh((size_t)ns, 0.0), rg((size_t)ns, 0.0);
    std::vector<char> ty((size_t)ns, 'L');
    std::vector<int> indrows, indcols, comps;
    int rfirst = m.nrows();
    for (int k = 0; k < ns; ++k) {
      st.push_back((int64_t)ci.size());
      ci.push_back(pm.elastic[(size_t)k]), cv.push_back(1.0);
      double l = sides[(size_t)k].limit;
      if (l < kInf) {
        ci.push_back(zc[(size_t)k]), cv.push_back(-l);
      } else {
        indrows.push_back(rfirst + k), indcols.push_back(zc[(size_t)k]), comps.push_back(-1);
      }
    }
    st.push_back((int64_t)ci.size());
    add_rows64(p, ns, (int64_t)ci.size(), ty.data(), rh.data(), rg.data(), st.data(), ci.data(),
               cv.data());
    if (!indrows.empty())
      set_indicators(p, (int)indrows.size(), indrows.data(), indcols.data(), comps.data());
  }

  // The objective is the penalised violation alone, minimised.
  for (int j = 0; j < pm.ncols; ++j) m.obj[(size_t)j] = 0.0;
  m.qobj.clear();
  m.objconst_neg = 0.0;
  m.objsense = 1;
  if (q.penalty == 'q')
    for (int k = 0; k < ns; ++k) m.qobj[{pm.elastic[(size_t)k], pm.elastic[(size_t)k]}] = 2.0 * pm.weight[(size_t)k];
  model_changed(p, change_of(Change::Replace));
  p->results.clear();
  return pm;
}

double violation(const PenaltyModel &pm, const std::vector<double> &x) {
  double v = 0.0;
  for (size_t k = 0; k < pm.elastic.size(); ++k) {
    double e = std::max(0.0, x[(size_t)pm.elastic[k]]);
    switch (pm.penalty) {
      case 'q': v += pm.weight[k] * e * e; break;
      case 'n': v += pm.weight[k] * std::round(x[(size_t)pm.sw[k]]); break;
      default: v += pm.weight[k] * e; break;
    }
  }
  return v;
}

void to_phase2(ONDRprob p, const PenaltyModel &pm, const Model &orig, double limit) {
  Model &m = p->model;
  // The violation limit: sum w e <= limit (w z for counts; w e^2 for 'q').
  std::vector<int> cols = pm.penalty == 'n' ? pm.sw : pm.elastic;
  std::vector<double> w = pm.weight;
  int row = m.nrows();
  const char t = 'L';
  const double rng = 0.0;
  int64_t st[2] = {0, pm.penalty == 'q' ? 0 : (int64_t)cols.size()};
  add_rows64(p, 1, st[1], &t, &limit, &rng, st, cols.data(), w.data());
  if (pm.penalty == 'q' && !cols.empty())
    add_qmatrix64(p, row, (int64_t)cols.size(), cols.data(), cols.data(), w.data());
  // The problem's own objective; the elastic columns cost nothing.
  std::fill(m.obj.begin(), m.obj.end(), 0.0);
  for (int j = 0; j < pm.ncols; ++j) m.obj[(size_t)j] = orig.obj[(size_t)j];
  m.qobj = orig.qobj;
  m.objconst_neg = orig.objconst_neg;
  m.objsense = orig.objsense;
  model_changed(p, change_of(Change::Replace));
  p->results.clear();
}

}  // namespace ondr
