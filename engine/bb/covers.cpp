// Knapsack cover cuts (declared in bb/cuts.h).
#include <algorithm>
#include <cmath>
#include "bb/cuts.h"
#include "ondr_cuts.h"

namespace ondr {
namespace bb {

namespace {

struct Item {
  int col;
  double a;         // > 0 after complementing
  bool complement;  // the item is 1 - x
  double value;     // the item's LP value
};

bool binary(const BbModel &bm, const std::vector<double> &lo, const std::vector<double> &up,
            int j) {
  return bm.is_integer_rule(j) && lo[(size_t)j] == 0.0 && up[(size_t)j] == 1.0;
}

// The knapsack sum side * row <= side * bound over the binaries; false
// when another column has no finite least contribution.
bool knapsack(const BbModel &bm, const std::vector<Entry> &row, double side, double bound,
              const std::vector<double> &lo, const std::vector<double> &up,
              const std::vector<double> &x, std::vector<Item> &items, double &cap) {
  items.clear();
  cap = side * bound;
  for (const Entry &e : row) {
    double a = side * e.value;
    int j = e.index;
    if (a == 0.0) continue;
    if (binary(bm, lo, up, j)) {
      if (a > 0) items.push_back({j, a, false, x[(size_t)j]});
      else {
        items.push_back({j, -a, true, 1 - x[(size_t)j]});
        cap -= a;  // a x = a - a (1 - x) = a + |a| (1 - x)
      }
      continue;
    }
    double least = a > 0 ? lo[(size_t)j] : up[(size_t)j];
    if (is_inf_bound(least)) return false;
    cap -= a * least;
  }
  return items.size() >= 2;
}

bool cover_of(std::vector<Item> items, double cap, Cut &out, const std::vector<double> &x) {
  // Greedy cover: items nearest to 1 per unit of weight first.
  std::sort(items.begin(), items.end(), [](const Item &p, const Item &q) {
    return (1 - p.value) / p.a < (1 - q.value) / q.a || ((1 - p.value) / p.a == (1 - q.value) / q.a && p.col < q.col);
  });
  double w = 0, amax = 0;
  size_t k = 0;
  for (; k < items.size() && w <= cap + 1e-9; ++k) w += items[k].a, amax = std::max(amax, items[k].a);
  if (w <= cap + 1e-9) return false;  // no cover
  // Extended cover: sum_{C and heavier items} item <= |C| - 1.
  double size = (double)k - 1;
  std::vector<double> coef;
  out.coefs.clear();
  double rhs = size;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i >= k && items[i].a < amax) continue;
    // item = x or 1 - x; written as a >= row: -sum item >= -(|C| - 1)
    if (items[i].complement) {
      out.coefs.push_back({items[i].col, 1.0});
      rhs -= 1;
    } else {
      out.coefs.push_back({items[i].col, -1.0});
    }
  }
  out.lo = -rhs;
  std::sort(out.coefs.begin(), out.coefs.end(), [](const Entry &p, const Entry &q) { return p.index < q.index; });
  double a = 0;
  for (const Entry &e : out.coefs) a += e.value * x[(size_t)e.index];
  return a < out.lo - 1e-4;
}

}  // namespace

std::vector<Cut> cover_cuts(const BbModel &bm, const std::vector<double> &lo,
                            const std::vector<double> &up, const std::vector<double> &rlo,
                            const std::vector<double> &rup, const std::vector<double> &x,
                            int max_cuts) {
  std::vector<Cut> out;
  std::vector<Item> items;
  for (int i = 0; i < bm.nrows() && (int)out.size() < max_cuts; ++i) {
    for (int side : {1, -1}) {
      double bound = side > 0 ? rup[(size_t)i] : rlo[(size_t)i];
      if (is_inf_bound(bound)) continue;
      double cap;
      if (!knapsack(bm, bm.lp.rows[(size_t)i], side, bound, lo, up, x, items, cap)) continue;
      if (cap < 0) continue;
      Cut c;
      c.kind = ONDR_CUTTYPE_COVER;
      if (cover_of(items, cap, c, x)) out.push_back(std::move(c));
    }
  }
  return out;
}

}  // namespace bb
}  // namespace ondr
