// Mixed-integer rounding cuts of single rows (declared in bb/cuts.h).
//
// A row read as sum a_j x_j <= b has its continuous columns written over
// nonnegative parts x' (x = l + x', x = u - x', or, for a column bounded by
// a variable upper bound x <= u y with y binary, x = u y - x') and its
// integer columns complemented at the bound nearer to the LP value, each
// choice by the smallest part at x. Divided by a coefficient d of an
// integer column, the rounding of
//   sum g_k y'_k + sum c_j x'_j <= beta   (x', y' >= 0, y' integer)
// is
//   sum (floor(g_k/d) + max(0, f_k - f0) / (1 - f0)) y'_k
//     + sum_{c_j < 0} c_j / (d (1 - f0)) x'_j <= floor(beta / d),
// f0 = frac(beta/d), f_k = frac(g_k/d): valid for every mixed-integer
// point of the row. The most efficacious divisor of a few tried gives the
// row's cut, written back over the model's columns. A row without a cut
// has its continuous column farthest from its bounds removed by adding a
// multiple of another row holding it (an equality, or an inequality tight
// at x, on its valid side), a few times.
#include <algorithm>
#include <cmath>
#include "bb/cuts.h"
#include "ondr_cuts.h"

namespace ondr {
namespace bb {

namespace {

// A sparse row accumulated in a dense array: `touched` lists the entries
// written, each once (an entry that cancels to zero keeps a tiny
// placeholder so it is not listed again).
struct Accum {
  std::vector<double> &dense;
  std::vector<int> &touched;
  void reset() {
    for (int j : touched) dense[(size_t)j] = 0.0;
    touched.clear();
  }
  void put(int j, double c) {
    if (dense[(size_t)j] == 0.0) touched.push_back(j);
    dense[(size_t)j] += c;
    if (dense[(size_t)j] == 0.0) dense[(size_t)j] = 1e-300;
  }
};

constexpr double kMinF0 = 0.05;        // beta/d nearer an integer: no safe cut
constexpr double kMaxDynamism = 1e6;   // largest / smallest cut coefficient
constexpr double kMinEfficacy = 1e-4;  // violation / norm of a cut kept
constexpr double kMaxBound = 1e9;      // larger bounds are taken as none
constexpr size_t kMaxRowLength = 500;  // longer rows are not tried
constexpr int kMaxDivisors = 8;
constexpr int kMaxAggregations = 5;  // rows added to a start row at most

bool finite(double v) { return !is_inf_bound(v) && std::fabs(v) < kMaxBound; }

struct VarBound {
  int y = -1;     // binary column, -1 none
  double u = 0;   // x <= u y
};

// Part of the rewritten row: column `col` read as y' or x'.
enum PartKind { FROM_LO, FROM_UP, FROM_VUB };
struct Part {
  int col;
  PartKind kind;
  double coef;    // coefficient on the part
  double value;   // the part's value at x
  double range;   // the part's upper bound (integer parts), kInf when none
};

// Variable upper bounds x <= u y read from two-column rows with x
// continuous (lower bound 0) and y binary.
std::vector<VarBound> variable_bounds(const BbModel &bm, const std::vector<double> &lo,
                                      const std::vector<double> &up,
                                      const std::vector<double> &rlo,
                                      const std::vector<double> &rup) {
  std::vector<VarBound> vb((size_t)bm.ncols());
  for (int i = 0; i < bm.nrows(); ++i) {
    const std::vector<Entry> &row = bm.lp.rows[(size_t)i];
    if (row.size() != 2 || bm.indicator_of_row[(size_t)i] >= 0) continue;
    for (int side : {1, -1}) {
      double b = side > 0 ? rup[(size_t)i] : -rlo[(size_t)i];
      if (is_inf_bound(side > 0 ? rup[(size_t)i] : rlo[(size_t)i]) || b != 0.0) continue;
      for (int p = 0; p < 2; ++p) {
        const Entry &ex = row[(size_t)p], &ey = row[(size_t)(1 - p)];
        int x = ex.index, y = ey.index;
        double a = side * ex.value, c = side * ey.value;  // a x + c y <= 0
        if (bm.rule[(size_t)x] != RULE_CONT || !bm.is_integer_rule(y)) continue;
        if (lo[(size_t)y] != 0.0 || up[(size_t)y] != 1.0 || lo[(size_t)x] != 0.0) continue;
        if (a <= 0 || c >= 0) continue;
        double u = -c / a;
        if (vb[(size_t)x].y < 0 || u < vb[(size_t)x].u) vb[(size_t)x] = {y, u};
      }
    }
  }
  return vb;
}

// The rounding of the parts with divisor d: its violation at x over its
// norm (in the parts' space), or -1 when unsafe.
double rounding_efficacy(const std::vector<Part> &ints, const std::vector<Part> &conts,
                         double beta, double d) {
  double q = beta / d, f0 = q - std::floor(q);
  if (f0 < kMinF0 || f0 > 1 - kMinF0) return -1;
  double lhs = 0, norm = 0;
  for (const Part &p : ints) {
    double g = p.coef / d, fk = g - std::floor(g);
    double G = std::floor(g) + std::max(0.0, fk - f0) / (1 - f0);
    lhs += G * p.value;
    norm += G * G;
  }
  for (const Part &p : conts) {
    if (p.coef >= 0) continue;
    double C = p.coef / (d * (1 - f0));
    lhs += C * p.value;
    norm += C * C;
  }
  if (norm <= 0) return -1;
  return (lhs - std::floor(q)) / std::sqrt(norm);
}

// The cut of one row in <= form (`row`, coefficients times `side`, right
// side b); false when none is violated enough or the numbers are unsafe.
bool row_cut(const BbModel &bm, const std::vector<Entry> &row, double side, double b,
             const std::vector<double> &lo, const std::vector<double> &up,
             const std::vector<double> &x, const std::vector<VarBound> &vb,
             std::vector<double> &dense, std::vector<int> &touched, Cut &out) {
  double beta = b;
  std::vector<Part> conts;
  for (int j : touched) dense[(size_t)j] = 0.0;
  touched.clear();
  auto add_int = [&](int j, double a) {
    if (dense[(size_t)j] == 0.0) touched.push_back(j);
    dense[(size_t)j] += a;
    if (dense[(size_t)j] == 0.0) dense[(size_t)j] = 1e-300;  // keeps it listed once
  };
  bool any_int = false;
  for (const Entry &e : row) {
    double a = side * e.value;
    int j = e.index;
    if (a == 0.0) continue;
    if (bm.is_integer_rule(j)) {
      add_int(j, a);
      any_int = true;
      continue;
    }
    if (bm.rule[(size_t)j] != RULE_CONT) return false;
    double l = lo[(size_t)j], u = up[(size_t)j], v = x[(size_t)j];
    Part best{j, FROM_LO, a, kInf, kInf};
    if (finite(l)) best = {j, FROM_LO, a, v - l, kInf};
    if (finite(u) && u - v < best.value) best = {j, FROM_UP, -a, u - v, kInf};
    const VarBound &w = vb[(size_t)j];
    if (w.y >= 0) {
      double d = w.u * x[(size_t)w.y] - v;
      if (d <= best.value + 1e-9) best = {j, FROM_VUB, -a, std::max(0.0, d), kInf};
    }
    if (best.value >= kInf) return false;  // a free column
    switch (best.kind) {
      case FROM_LO: beta -= a * l; break;
      case FROM_UP: beta -= a * u; break;
      case FROM_VUB: add_int(w.y, a * w.u); any_int = true; break;
    }
    conts.push_back(best);
  }
  if (!any_int) return false;
  std::vector<Part> ints;
  for (int j : touched) {
    double g = dense[(size_t)j];
    if (std::fabs(g) < 1e-12) continue;
    double l = lo[(size_t)j], u = up[(size_t)j], v = x[(size_t)j];
    bool lf = finite(l) && l == std::round(l), uf = finite(u) && u == std::round(u);
    if (!lf && !uf) return false;
    double range = lf && uf ? u - l : kInf;
    if (lf && (!uf || v - l <= u - v)) {
      beta -= g * l;
      ints.push_back({j, FROM_LO, g, v - l, range});
    } else {
      beta -= g * u;
      ints.push_back({j, FROM_UP, -g, u - v, range});
    }
  }
  // Divisors: coefficients of integer parts strictly inside their range.
  std::vector<double> divs;
  for (const Part &p : ints) {
    double c = std::fabs(p.coef);
    if (c < 1e-6 || p.value <= 1e-6 || p.value >= p.range - 1e-6) continue;
    if (std::find(divs.begin(), divs.end(), c) == divs.end()) divs.push_back(c);
  }
  if (divs.empty()) return false;
  std::sort(divs.begin(), divs.end(), std::greater<double>());
  if ((int)divs.size() > kMaxDivisors) divs.resize(kMaxDivisors);
  double best_eff = kMinEfficacy, best_d = 0;
  for (double d : divs) {
    double e = rounding_efficacy(ints, conts, beta, d);
    if (e > best_eff) best_eff = e, best_d = d;
  }
  if (best_d == 0) return false;
  for (double d : {best_d / 2, best_d / 4, best_d / 8}) {
    double e = rounding_efficacy(ints, conts, beta, d);
    if (e > best_eff) best_eff = e, best_d = d;
  }
  // The cut over the parts, then over the model's columns.
  double d = best_d, q = beta / d, f0 = q - std::floor(q);
  double rhs = std::floor(q);
  Accum acc{dense, touched};
  acc.reset();
  auto put = [&](int j, double c) { acc.put(j, c); };
  for (const Part &p : ints) {
    double g = p.coef / d, fk = g - std::floor(g);
    double G = std::floor(g) + std::max(0.0, fk - f0) / (1 - f0);
    if (G == 0.0) continue;
    if (p.kind == FROM_LO) put(p.col, G), rhs += G * lo[(size_t)p.col];
    else put(p.col, -G), rhs -= G * up[(size_t)p.col];
  }
  for (const Part &p : conts) {
    if (p.coef >= 0) continue;
    double C = p.coef / (d * (1 - f0));
    switch (p.kind) {
      case FROM_LO: put(p.col, C); rhs += C * lo[(size_t)p.col]; break;
      case FROM_UP: put(p.col, -C); rhs -= C * up[(size_t)p.col]; break;
      case FROM_VUB: {
        const VarBound &w = vb[(size_t)p.col];
        put(p.col, -C);
        put(w.y, C * w.u);
        break;
      }
    }
  }
  // sum coef x <= rhs, kept as -coef x >= -rhs; tiny coefficients leave
  // with the side relaxed by the most their term can contribute.
  double maxabs = 0;
  for (int j : touched) maxabs = std::max(maxabs, std::fabs(dense[(size_t)j]));
  if (maxabs <= 1e-12) return false;
  out.coefs.clear();
  out.age = 0;
  out.kind = ONDR_CUTTYPE_MIR;
  std::sort(touched.begin(), touched.end());
  for (int j : touched) {
    double c = dense[(size_t)j];
    if (std::fabs(c) <= 1e-300) continue;
    if (std::fabs(c) < maxabs / kMaxDynamism) {
      double bnd = c > 0 ? lo[(size_t)j] : up[(size_t)j];
      if (!finite(bnd)) return false;
      rhs -= c * bnd;
      continue;
    }
    out.coefs.push_back({j, -c});
  }
  if (out.coefs.empty()) return false;
  out.lo = -rhs;
  double act = 0, norm = 0;
  for (const Entry &e : out.coefs) act += e.value * x[(size_t)e.index], norm += e.value * e.value;
  return (out.lo - act) / std::sqrt(norm) > kMinEfficacy;
}

// Distance of continuous column j from the nearest of its bounds and
// variable upper bound at x (0 when at one; kInf when it has none).
double bound_distance(const std::vector<double> &lo, const std::vector<double> &up,
                      const std::vector<double> &x, const std::vector<VarBound> &vb, int j) {
  double v = x[(size_t)j], d = kInf;
  if (finite(lo[(size_t)j])) d = std::min(d, v - lo[(size_t)j]);
  if (finite(up[(size_t)j])) d = std::min(d, up[(size_t)j] - v);
  const VarBound &w = vb[(size_t)j];
  if (w.y >= 0) d = std::min(d, std::max(0.0, w.u * x[(size_t)w.y] - v));
  return d;
}

// Adds mu times row r, read on side t (t r x <= t b), to the aggregated
// row (agg, beta); the entries go through `dense` and come back sorted.
void aggregate(const BbModel &bm, int r, double t, double b, double mu,
               std::vector<Entry> &agg, double &beta, std::vector<double> &dense,
               std::vector<int> &touched) {
  Accum acc{dense, touched};
  acc.reset();
  auto put = [&](int j, double c) { acc.put(j, c); };
  for (const Entry &e : agg) put(e.index, e.value);
  for (const Entry &e : bm.lp.rows[(size_t)r]) put(e.index, mu * t * e.value);
  beta += mu * t * b;
  std::sort(touched.begin(), touched.end());
  agg.clear();
  for (int j : touched) {
    double c = dense[(size_t)j];
    dense[(size_t)j] = 0.0;
    if (std::fabs(c) > 1e-9) agg.push_back({j, c});
  }
  touched.clear();
}

}  // namespace

std::vector<Cut> mir_cuts(const BbModel &bm, const std::vector<double> &lo,
                          const std::vector<double> &up, const std::vector<double> &rlo,
                          const std::vector<double> &rup, const std::vector<double> &x,
                          int max_cuts) {
  std::vector<VarBound> vb = variable_bounds(bm, lo, up, rlo, rup);
  std::vector<double> dense((size_t)bm.ncols(), 0.0), act((size_t)bm.nrows(), 0.0);
  for (int i = 0; i < bm.nrows(); ++i)
    for (const Entry &e : bm.lp.rows[(size_t)i]) act[(size_t)i] += e.value * x[(size_t)e.index];
  auto usable = [&](int i) {
    size_t len = bm.lp.rows[(size_t)i].size();
    return len > 2 && len <= kMaxRowLength && bm.indicator_of_row[(size_t)i] < 0;
  };
  // Whether row i holds at x with its side t (1 upper, -1 lower) tight.
  auto tight = [&](int i, int t) {
    double b = t > 0 ? rup[(size_t)i] : rlo[(size_t)i];
    return !is_inf_bound(b) && std::fabs(act[(size_t)i] - b) <= 1e-6 * std::max(1.0, std::fabs(b));
  };
  std::vector<int> touched;
  std::vector<std::pair<double, Cut>> found;
  for (int i = 0; i < bm.nrows(); ++i) {
    if (!usable(i)) continue;
    for (int side : {1, -1}) {
      double bound = side > 0 ? rup[(size_t)i] : rlo[(size_t)i];
      if (is_inf_bound(bound)) continue;
      // The row alone, then with rows that remove its continuous column
      // farthest from its bounds, a few times.
      std::vector<Entry> agg;
      for (const Entry &e : bm.lp.rows[(size_t)i]) agg.push_back({e.index, side * e.value});
      double beta = side * bound;
      std::vector<int> used{i};
      for (int step = 0; step <= kMaxAggregations; ++step) {
        Cut c;
        if (row_cut(bm, agg, 1.0, beta, lo, up, x, vb, dense, touched, c)) {
          double a = 0, norm = 0;
          for (const Entry &e : c.coefs) a += e.value * x[(size_t)e.index], norm += e.value * e.value;
          found.push_back({(c.lo - a) / std::sqrt(norm), std::move(c)});
          break;
        }
        if (step == kMaxAggregations) break;
        int pick = -1, prow = -1;
        double pt = 0, best = 1e-6;
        for (const Entry &e : agg) {
          int j = e.index;
          if (bm.rule[(size_t)j] != RULE_CONT) continue;
          double d = bound_distance(lo, up, x, vb, j);
          if (!(d > best)) continue;
          for (const Entry &f : bm.cols[(size_t)j]) {
            int r = f.index;
            if (!usable(r) || std::find(used.begin(), used.end(), r) != used.end()) continue;
            // mu t r_j = -a_j with mu >= 0: the side t the row is read on.
            int t = -e.value / f.value > 0 ? 1 : -1;
            bool eq = rlo[(size_t)r] == rup[(size_t)r] && !is_inf_bound(rlo[(size_t)r]);
            if (!eq && !tight(r, t)) continue;
            pick = j, prow = r, pt = t, best = d;
            break;
          }
        }
        if (prow < 0) break;
        double aj = 0, rj = 0;
        for (const Entry &e : agg) if (e.index == pick) aj = e.value;
        for (const Entry &e : bm.lp.rows[(size_t)prow]) if (e.index == pick) rj = e.value;
        double mu = -aj / (pt * rj);
        double b = pt > 0 ? rup[(size_t)prow] : rlo[(size_t)prow];
        aggregate(bm, prow, pt, b, mu, agg, beta, dense, touched);
        used.push_back(prow);
        if (agg.size() > kMaxRowLength) break;
      }
    }
  }
  return strongest_cuts(found, max_cuts);
}

}  // namespace bb
}  // namespace ondr
