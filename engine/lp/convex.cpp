#include "lp/convex.h"
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace ondr {

namespace {

// A near-zero pivot is acceptable only when its column is near zero too:
// a semidefinite matrix has a_ik^2 <= a_kk * a_ii.
bool small_entry_ok(double aik, double aii, double tol) {
  return aik * aik <= tol * (std::fabs(aii) + tol);
}

// Dense LDL' of the symmetric block `a` (n x n, row-major); only the lower
// triangle is read and updated.
bool dense_psd(std::vector<double> &a, int n, double tol) {
  auto at = [&](int i, int j) -> double & { return a[(size_t)i * (size_t)n + (size_t)j]; };
  for (int k = 0; k < n; ++k) {
    double d = at(k, k);
    if (d < -tol) return false;
    if (d <= tol) {
      for (int i = k + 1; i < n; ++i)
        if (!small_entry_ok(at(i, k), at(i, i), tol)) return false;
      continue;
    }
    for (int i = k + 1; i < n; ++i) {
      double lik = at(i, k) / d;
      if (lik == 0.0) continue;
      for (int j = k + 1; j <= i; ++j) at(i, j) -= lik * at(j, k);
    }
  }
  return true;
}

// Sparse right-looking elimination in minimum-degree order.
bool sparse_psd(std::vector<std::map<int, double>> &adj, std::vector<double> &diag,
                const std::vector<int> &nodes, double tol) {
  std::set<std::pair<size_t, int>> order;
  for (int v : nodes) order.insert({adj[(size_t)v].size(), v});
  while (!order.empty()) {
    int k = order.begin()->second;
    order.erase(order.begin());
    double d = diag[(size_t)k];
    std::vector<std::pair<int, double>> nb(adj[(size_t)k].begin(), adj[(size_t)k].end());
    if (d < -tol) return false;
    bool eliminate = d > tol;
    if (!eliminate)
      for (const auto &e : nb)
        if (!small_entry_ok(e.second, diag[(size_t)e.first], tol)) return false;
    for (const auto &e : nb) {
      order.erase({adj[(size_t)e.first].size(), e.first});
      adj[(size_t)e.first].erase(k);
    }
    if (eliminate) {
      for (size_t p = 0; p < nb.size(); ++p) {
        int i = nb[p].first;
        double li = nb[p].second / d;
        diag[(size_t)i] -= li * nb[p].second;
        for (size_t r = p + 1; r < nb.size(); ++r) {
          int j = nb[r].first;
          double upd = li * nb[r].second;
          adj[(size_t)i][j] -= upd;
          adj[(size_t)j][i] -= upd;
        }
      }
    }
    for (const auto &e : nb) order.insert({adj[(size_t)e.first].size(), e.first});
    adj[(size_t)k].clear();
  }
  return true;
}

}  // namespace

bool quadratic_is_convex(const QMap &q, int sense) {
  double scale = 0.0;
  std::map<int, int> local;  // column -> compact index
  for (const auto &e : q) {
    if (e.second == 0.0) continue;
    scale = std::max(scale, std::fabs(e.second));
    local.emplace(e.first.first, 0);
    local.emplace(e.first.second, 0);
  }
  if (scale == 0.0) return true;
  int n = 0;
  for (auto &e : local) e.second = n++;
  double sgn = sense < 0 ? -1.0 : 1.0;
  std::vector<std::map<int, double>> adj((size_t)n);
  std::vector<double> diag((size_t)n, 0.0);
  for (const auto &e : q) {
    if (e.second == 0.0) continue;
    int i = local[e.first.first], j = local[e.first.second];
    double v = sgn * e.second;
    if (i == j) {
      diag[(size_t)i] += v;
    } else {
      adj[(size_t)i][j] += v;
      adj[(size_t)j][i] += v;
    }
  }
  double tol = 1e-9 * scale;
  // Connected blocks.
  std::vector<int> comp((size_t)n, -1);
  for (int s = 0; s < n; ++s) {
    if (comp[(size_t)s] >= 0) continue;
    std::vector<int> nodes{s}, stack{s};
    comp[(size_t)s] = s;
    size_t offdiag = 0;
    while (!stack.empty()) {
      int v = stack.back();
      stack.pop_back();
      offdiag += adj[(size_t)v].size();
      for (const auto &e : adj[(size_t)v])
        if (comp[(size_t)e.first] < 0) {
          comp[(size_t)e.first] = s;
          nodes.push_back(e.first);
          stack.push_back(e.first);
        }
    }
    size_t m = nodes.size();
    if (m == 1) {
      if (diag[(size_t)s] < -tol) return false;
      continue;
    }
    bool dense = m <= 3000 && (m <= 64 || offdiag * 8 >= m * m);
    if (dense) {
      std::vector<int> pos((size_t)n, -1);
      for (size_t p = 0; p < m; ++p) pos[(size_t)nodes[p]] = (int)p;
      std::vector<double> a(m * m, 0.0);
      for (size_t p = 0; p < m; ++p) {
        int v = nodes[p];
        a[p * m + p] = diag[(size_t)v];
        for (const auto &e : adj[(size_t)v]) a[p * m + (size_t)pos[(size_t)e.first]] = e.second;
      }
      if (!dense_psd(a, (int)m, tol)) return false;
    } else if (!sparse_psd(adj, diag, nodes, tol)) {
      return false;
    }
  }
  return true;
}

}  // namespace ondr
