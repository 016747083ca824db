#include "bb/presolve.h"
#include <algorithm>
#include <cmath>
#include "bb/propagate.h"

namespace ondr {
namespace bb {

namespace {

constexpr double kMinSlack = 1e-6;    // rows nearer than this to redundancy stay
constexpr double kMinChange = 1e-6;   // relative change of a coefficient worth making
constexpr double kMaxBound = 1e9;     // columns with larger bounds stay out

// Tightens row i on its side `side` (1: a x <= up, -1: a x >= lo, read as
// -a x <= -lo); returns the coefficients changed.
int tighten_side(BbModel &bm, int i, int side, const std::vector<double> &lo,
                 const std::vector<double> &up) {
  std::vector<Entry> &row = bm.lp.rows[(size_t)i];
  double b = side > 0 ? bm.lp.rowup[(size_t)i] : -bm.lp.rowlo[(size_t)i];
  double maxact = 0.0;
  for (const Entry &e : row) {
    double a = side * e.value;
    if (a == 0.0) continue;
    double v = a > 0 ? up[(size_t)e.index] : lo[(size_t)e.index];
    if (is_inf_bound(v) || std::fabs(v) > kMaxBound) return 0;
    maxact += a * v;
  }
  double s = maxact - b;
  if (!(s > kMinSlack * std::max(1.0, std::fabs(b)))) return 0;
  int changed = 0;
  for (Entry &e : row) {
    int j = e.index;
    double a = side * e.value;
    if (!bm.is_integer_rule(j) || std::fabs(a) <= s * (1 + kMinChange) + kMinSlack) continue;
    double l = lo[(size_t)j], u = up[(size_t)j];
    if (is_inf_bound(l) || is_inf_bound(u) || l >= u) continue;
    double na = a > 0 ? s : -s;
    // b moves by the change of the top activity, so the slack s stays.
    b -= (a - na) * (a > 0 ? u : l);
    e.value = side * na;
    ++changed;
  }
  if (!changed) return 0;
  if (side > 0) bm.lp.rowup[(size_t)i] = b;
  else bm.lp.rowlo[(size_t)i] = -b;
  return changed;
}

}  // namespace

Strengthening strengthen_rows(BbModel &bm, double feastol, int rounds) {
  Strengthening out;
  std::vector<double> lo = bm.lp.collo, up = bm.lp.colup;
  for (int j = 0; j < bm.ncols(); ++j) {
    if (!bm.is_integer_rule(j)) continue;
    if (!is_inf_bound(lo[(size_t)j])) lo[(size_t)j] = std::ceil(lo[(size_t)j] - 1e-6);
    if (!is_inf_bound(up[(size_t)j])) up[(size_t)j] = std::floor(up[(size_t)j] + 1e-6);
  }
  std::vector<char> touched((size_t)bm.nrows(), 0);
  for (int round = 0; round < rounds; ++round) {
    if (propagate(bm, lo, up, {}, feastol).infeasible) {
      out.infeasible = true;
      return out;
    }
    int changed = 0;
    for (int i = 0; i < bm.nrows(); ++i) {
      if (bm.indicator_of_row[(size_t)i] >= 0) continue;
      bool has_lo = !is_inf_bound(bm.lp.rowlo[(size_t)i]);
      bool has_up = !is_inf_bound(bm.lp.rowup[(size_t)i]);
      if (has_lo == has_up) continue;  // free, ranged or equality rows
      int c = tighten_side(bm, i, has_up ? 1 : -1, lo, up);
      if (!c) continue;
      changed += c;
      if (!touched[(size_t)i]) touched[(size_t)i] = 1, ++out.rows;
    }
    out.coefs += changed;
    if (!changed) break;
    // The column copy follows the rows.
    for (auto &col : bm.cols) col.clear();
    for (int i = 0; i < bm.nrows(); ++i)
      for (const Entry &e : bm.lp.rows[(size_t)i])
        if (e.value != 0.0) bm.cols[(size_t)e.index].push_back({i, e.value});
  }
  return out;
}

}  // namespace bb
}  // namespace ondr
