#include "bb/cuts.h"
#include <algorithm>
#include <cmath>
#include "bb/nodelp.h"
#include "env/error.h"
#include "ondr_cuts.h"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "interfaces/highs_c_api.h"
#pragma GCC diagnostic pop

namespace ondr {
namespace bb {

namespace {

constexpr double kMinFrac = 0.01;      // fractionality of a row worth cutting
constexpr double kMaxCoef = 1e6;       // larger tableau entries: numerically unsafe
constexpr double kMaxDynamism = 1e8;   // largest / smallest cut coefficient
constexpr double kMinEfficacy = 1e-5;  // violation / norm of a cut kept

// One term of the tableau equation: a column or a row activity.
struct Term {
  bool is_row;
  int index;
  double coef;
};

double frac(double v) { return v - std::floor(v); }

// The cut of one tableau equation sum coef * var = 0 with target column k
// (coefficient 1); false when a needed bound is infinite or the numbers
// are unsafe.
bool gmi_from_equation(const BbModel &bm, const std::vector<Term> &terms, int k,
                       const std::vector<double> &lo, const std::vector<double> &up,
                       const std::vector<double> &rlo, const std::vector<double> &rup,
                       const std::vector<double> &x, const std::vector<double> &act,
                       const CutPool &pool, std::vector<double> &dense, Cut &out) {
  // x_k + sum abar_v v' = beta, each v complemented at its nearer bound.
  double beta = 0.0;
  struct Comp {
    const Term *t;
    bool at_lower;
    double bound, abar;
  };
  std::vector<Comp> comps;
  for (const Term &t : terms) {
    if (!t.is_row && t.index == k) continue;
    double l = t.is_row ? rlo[(size_t)t.index] : lo[(size_t)t.index];
    double u = t.is_row ? rup[(size_t)t.index] : up[(size_t)t.index];
    double v = t.is_row ? act[(size_t)t.index] : x[(size_t)t.index];
    bool lower = is_inf_bound(u) || (!is_inf_bound(l) && v - l <= u - v);
    double b = lower ? l : u;
    if (is_inf_bound(b)) return false;
    if (std::fabs(t.coef) > kMaxCoef) return false;
    beta -= t.coef * b;
    comps.push_back({&t, lower, b, lower ? t.coef : -t.coef});
  }
  double f0 = frac(beta);
  if (f0 < kMinFrac || f0 > 1 - kMinFrac) return false;
  // sum g_v v' >= 1, then back to the columns.
  std::fill(dense.begin(), dense.end(), 0.0);
  double rhs = 1.0;
  for (const Comp &c : comps) {
    const Term &t = *c.t;
    bool integer = !t.is_row && bm.is_integer_rule(t.index) && c.bound == std::round(c.bound);
    double g;
    if (integer) {
      double f = frac(c.abar);
      g = f <= f0 ? f / f0 : (1 - f) / (1 - f0);
    } else {
      g = c.abar >= 0 ? c.abar / f0 : -c.abar / (1 - f0);
    }
    if (g == 0.0) continue;
    // v' = v - l or u - v.
    double coef = c.at_lower ? g : -g;
    rhs += c.at_lower ? g * c.bound : -g * c.bound;
    if (!t.is_row) {
      dense[(size_t)t.index] += coef;
    } else if (t.index < bm.nrows()) {
      for (const Entry &e : bm.lp.rows[(size_t)t.index]) dense[(size_t)e.index] += coef * e.value;
    } else {
      for (const Entry &e : pool.cuts()[(size_t)(t.index - bm.nrows())].coefs)
        dense[(size_t)e.index] += coef * e.value;
    }
  }
  double maxabs = 0;
  for (double v : dense) maxabs = std::max(maxabs, std::fabs(v));
  if (maxabs == 0) return false;
  out.coefs.clear();
  out.age = 0;
  // Tiny coefficients are dropped with the right-hand side relaxed by the
  // most the term can contribute.
  for (int j = 0; j < (int)dense.size(); ++j) {
    double c = dense[(size_t)j];
    if (c == 0.0) continue;
    if (std::fabs(c) < maxabs / kMaxDynamism) {
      double b = c > 0 ? up[(size_t)j] : lo[(size_t)j];
      if (is_inf_bound(b)) return false;
      rhs -= c * b;
      continue;
    }
    out.coefs.push_back({j, c});
  }
  if (out.coefs.empty()) return false;
  out.lo = rhs;
  return true;
}

}  // namespace

void CutPool::add(NodeLp &lp, std::vector<Cut> cuts) {
  if (cuts.empty()) return;
  std::vector<double> lo, up, val;
  std::vector<HighsIntLike> start, idx;
  double inf = lp.highs().infinity();
  for (const Cut &c : cuts) {
    start.push_back((HighsInt)idx.size());
    for (const Entry &e : c.coefs) idx.push_back(e.index), val.push_back(e.value);
    lo.push_back(c.lo);
    up.push_back(inf);
  }
  lp.add_rows(lo, start, idx, val);
  for (Cut &c : cuts) cuts_.push_back(std::move(c));
}

int CutPool::age(NodeLp &lp, const std::vector<double> &x, int max_age) {
  std::vector<int> gone;
  for (size_t c = 0; c < cuts_.size(); ++c) {
    double a = 0;
    for (const Entry &e : cuts_[c].coefs) a += e.value * x[(size_t)e.index];
    bool slack = a > cuts_[c].lo + 1e-6 * std::max(1.0, std::fabs(cuts_[c].lo));
    cuts_[c].age = slack ? cuts_[c].age + 1 : 0;
    if (cuts_[c].age > max_age) gone.push_back((int)c);
  }
  if (gone.empty()) return 0;
  lp.delete_extra_rows(gone);
  std::vector<Cut> kept;
  size_t g = 0;
  for (size_t c = 0; c < cuts_.size(); ++c) {
    if (g < gone.size() && (size_t)gone[g] == c) { ++g; continue; }
    kept.push_back(std::move(cuts_[c]));
  }
  cuts_ = std::move(kept);
  return (int)gone.size();
}

std::vector<Cut> strongest_cuts(std::vector<std::pair<double, Cut>> &found, int max_cuts) {
  std::stable_sort(found.begin(), found.end(),
                   [](const auto &a, const auto &b) { return a.first > b.first; });
  std::vector<Cut> out;
  for (auto &f : found) {
    if ((int)out.size() >= max_cuts) break;
    out.push_back(std::move(f.second));
  }
  return out;
}

std::vector<Cut> gomory_cuts(const BbModel &bm, NodeLp &lp, const CutPool &pool,
                             const std::vector<double> &x, double inttol, int max_cuts) {
  void *h = lp.highs().get();
  int n = bm.ncols(), m = lp.highs().nrows();
  std::vector<HighsInt> basic((size_t)m);
  if (m == 0 || Highs_getBasicVariables(h, basic.data()) != kHighsStatusOk) return {};
  const std::vector<double> &act = lp.row_activity();
  std::vector<double> rlo, rup;
  lp.row_bounds(rlo, rup);
  // Rows of fractional integer basic columns, most fractional first.
  std::vector<std::pair<double, int>> rows;
  for (int r = 0; r < m; ++r) {
    int k = (int)basic[(size_t)r];
    if (k < 0 || k >= n || !bm.is_integer_rule(k)) continue;
    double f = frac(x[(size_t)k]);
    if (f < std::max(kMinFrac, inttol) || f > 1 - std::max(kMinFrac, inttol)) continue;
    rows.push_back({-std::min(f, 1 - f), r});
  }
  std::sort(rows.begin(), rows.end());
  if ((int)rows.size() > 4 * max_cuts) rows.resize((size_t)(4 * max_cuts));
  std::vector<double> rho((size_t)m), alpha((size_t)n), dense((size_t)n);
  std::vector<HighsInt> rho_idx((size_t)m);
  std::vector<std::pair<double, Cut>> found;
  for (const auto &fr : rows) {
    int r = fr.second, k = (int)basic[(size_t)r];
    HighsInt nz = 0;
    if (Highs_getBasisInverseRow(h, r, rho.data(), &nz, rho_idx.data()) != kHighsStatusOk) continue;
    // The tableau row as sum (rho A)_j x_j - sum rho_i r_i = 0, r_i being
    // row i's activity: an identity whatever HiGHS's sign conventions.
    std::fill(alpha.begin(), alpha.end(), 0.0);
    std::vector<Term> terms;
    for (HighsInt q = 0; q < nz; ++q) {
      int i = (int)rho_idx[(size_t)q];
      double p = rho[(size_t)i];
      if (std::fabs(p) < 1e-12) continue;
      const std::vector<Entry> &row =
          i < bm.nrows() ? bm.lp.rows[(size_t)i] : pool.cuts()[(size_t)(i - bm.nrows())].coefs;
      for (const Entry &e : row) alpha[(size_t)e.index] += p * e.value;
      terms.push_back({true, i, -p});
    }
    double ak = alpha[(size_t)k];
    if (std::fabs(ak) < 1e-6) continue;
    for (Term &t : terms) t.coef /= ak;
    for (int j = 0; j < n; ++j)
      if (j != k && std::fabs(alpha[(size_t)j]) > 1e-12) terms.push_back({false, j, alpha[(size_t)j] / ak});
    Cut cut;
    if (!gmi_from_equation(bm, terms, k, lp.col_lo(), lp.col_up(), rlo, rup, x, act, pool, dense,
                           cut))
      continue;
    double a = 0, norm = 0;
    for (const Entry &e : cut.coefs) a += e.value * x[(size_t)e.index], norm += e.value * e.value;
    double eff = (cut.lo - a) / std::sqrt(norm);
    cut.kind = ONDR_CUTTYPE_GOMORY;
    if (eff > kMinEfficacy) found.push_back({eff, std::move(cut)});
  }
  return strongest_cuts(found, max_cuts);
}

}  // namespace bb
}  // namespace ondr
