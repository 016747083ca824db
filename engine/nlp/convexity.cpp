// Convexity of quadratic content: a quadratic form is tested for positive
// semidefiniteness block by block (connected components of its pattern),
// each block by Cholesky factorization with diagonal pivoting.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>
#include "env/error.h"
#include "model/store.h"
#include "nlp/local_solver.h"

namespace ondr {

namespace {

// Blocks larger than this are not factorized densely: their convexity is
// reported as not proven.
constexpr int kMaxDenseBlock = 2500;

int find_root(std::vector<int> &parent, int i) {
  while (parent[i] != i) i = parent[i] = parent[parent[i]];
  return i;
}

// 1: positive semidefinite, 0: not, -1: too large to decide.
int block_psd(std::vector<double> &a, int k) {
  double scale = 0.0;
  for (double v : a) scale = std::max(scale, std::fabs(v));
  if (scale == 0.0) return 1;
  const double tol = 1e-9 * scale;
  std::vector<int> perm(k);
  std::iota(perm.begin(), perm.end(), 0);
  auto at = [&](int i, int j) -> double & { return a[(size_t)i * k + j]; };
  for (int s = 0; s < k; ++s) {
    int p = s;
    for (int i = s + 1; i < k; ++i)
      if (at(i, i) > at(p, p)) p = i;
    double d = at(p, p);
    if (d < -tol) return 0;
    if (d <= tol) {
      // What is left must vanish: a zero pivot with a nonzero off-diagonal
      // entry, or a negative diagonal, makes the form indefinite.
      for (int i = s; i < k; ++i)
        for (int j = s; j < k; ++j)
          if (std::fabs(at(i, j)) > 1e3 * tol) return 0;
      return 1;
    }
    if (p != s) {
      for (int j = 0; j < k; ++j) std::swap(at(p, j), at(s, j));
      for (int i = 0; i < k; ++i) std::swap(at(i, p), at(i, s));
    }
    for (int i = s + 1; i < k; ++i) {
      double l = at(i, s) / d;
      if (l == 0.0) continue;
      for (int j = s + 1; j < k; ++j) at(i, j) -= l * at(s, j);
    }
  }
  return 1;
}

// Tests sign * Q for positive semidefiniteness, Q symmetric with each
// unordered pair stored once.
int qmap_psd(const QMap &q, double sign) {
  if (q.empty()) return 1;
  std::vector<int> cols;
  for (const auto &e : q) {
    cols.push_back(e.first.first);
    cols.push_back(e.first.second);
  }
  std::sort(cols.begin(), cols.end());
  cols.erase(std::unique(cols.begin(), cols.end()), cols.end());
  auto local = [&](int c) { return (int)(std::lower_bound(cols.begin(), cols.end(), c) - cols.begin()); };
  int nc = (int)cols.size();
  std::vector<int> parent(nc);
  std::iota(parent.begin(), parent.end(), 0);
  for (const auto &e : q) {
    if (e.second == 0.0) continue;
    int a = find_root(parent, local(e.first.first)), b = find_root(parent, local(e.first.second));
    if (a != b) parent[a] = b;
  }
  std::vector<std::vector<int>> blocks(nc);
  for (int i = 0; i < nc; ++i) blocks[find_root(parent, i)].push_back(i);
  std::vector<int> pos(nc, -1), owner(nc, -1);
  for (int b = 0; b < nc; ++b)
    for (size_t t = 0; t < blocks[b].size(); ++t) {
      pos[blocks[b][t]] = (int)t;
      owner[blocks[b][t]] = b;
    }
  std::vector<std::vector<std::pair<std::pair<int, int>, double>>> entries(nc);
  for (const auto &e : q) {
    if (e.second == 0.0) continue;
    int i = local(e.first.first), j = local(e.first.second);
    entries[owner[i]].push_back({{pos[i], pos[j]}, sign * e.second});
  }
  bool undecided = false;
  for (int b = 0; b < nc; ++b) {
    int k = (int)blocks[b].size();
    if (k == 0 || entries[b].empty()) continue;
    if (k == 1) {
      if (entries[b][0].second < 0) return 0;
      continue;
    }
    if (k > kMaxDenseBlock) {
      undecided = true;
      continue;
    }
    std::vector<double> a((size_t)k * k, 0.0);
    for (const auto &e : entries[b]) {
      int i = e.first.first, j = e.first.second;
      a[(size_t)i * k + j] += e.second;
      if (i != j) a[(size_t)j * k + i] += e.second;
    }
    if (!block_psd(a, k)) return 0;
  }
  return undecided ? -1 : 1;
}

}  // namespace

bool quadratic_content_convex(const Model &m, std::string *why) {
  auto say = [&](const std::string &s) {
    if (why) *why = s;
    return false;
  };
  int r = qmap_psd(m.qobj, m.objsense >= 0 ? 1.0 : -1.0);
  if (r == 0)
    return say(m.objsense >= 0 ? "the quadratic objective is not convex"
                               : "the quadratic objective is not concave (maximization)");
  if (r < 0) return say("the quadratic objective is too large to prove convex");
  for (const auto &qr : m.qrows) {
    int i = qr.first;
    if (qr.second.empty() || i < 0 || i >= m.nrows()) continue;
    bool any = false;
    for (const auto &e : qr.second) any = any || e.second != 0.0;
    if (!any) continue;
    char t = m.rowtype[i];
    std::string name = m.name_or_default(1, i);
    if (t == 'N') continue;
    if (t == 'E' || t == 'R')
      return say("quadratic row " + name + " has two sides (a nonconvex feasible set)");
    r = qmap_psd(qr.second, t == 'L' ? 1.0 : -1.0);
    if (r == 0)
      return say("quadratic row " + name +
                 (t == 'L' ? " (<=) is not convex" : " (>=) is not concave"));
    if (r < 0) return say("quadratic row " + name + " is too large to prove convex");
  }
  return true;
}

}  // namespace ondr
