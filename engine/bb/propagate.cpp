#include "bb/propagate.h"
#include <algorithm>
#include <cmath>

namespace ondr {
namespace bb {

namespace {

struct Activity {
  double min = 0.0, max = 0.0;  // finite parts
  int mininf = 0, maxinf = 0;   // infinite contributions
};

Activity activity(const std::vector<Entry> &row, const std::vector<double> &lo,
                  const std::vector<double> &up) {
  Activity a;
  for (const Entry &e : row) {
    if (e.value == 0.0) continue;
    double l = lo[(size_t)e.index], u = up[(size_t)e.index];
    double lo_part = e.value > 0 ? l : u, up_part = e.value > 0 ? u : l;
    if (is_inf_bound(lo_part)) ++a.mininf; else a.min += e.value * lo_part;
    if (is_inf_bound(up_part)) ++a.maxinf; else a.max += e.value * up_part;
  }
  return a;
}

constexpr int kMaxRowVisits = 20;   // per row and call, over the passes
constexpr double kMinShrink = 1e-3; // a continuous bound moves by this share of its range

bool is_integer_value(double v) { return std::fabs(v - std::round(v)) <= 1e-12 * std::max(1.0, std::fabs(v)); }

}  // namespace

bool integer_rows_infeasible(const BbModel &bm) {
  for (int i = 0; i < bm.nrows(); ++i) {
    double lo = bm.lp.rowlo[(size_t)i], up = bm.lp.rowup[(size_t)i];
    if (lo != up || !is_integer_value(lo) || std::fabs(lo) > 1e15) continue;
    long long g = 0;
    bool ok = true;
    for (const Entry &e : bm.lp.rows[(size_t)i]) {
      if (e.value == 0.0) continue;
      if (!bm.is_integer_rule(e.index) || !is_integer_value(e.value) || std::fabs(e.value) > 1e15) {
        ok = false;
        break;
      }
      long long a = std::llabs((long long)std::llround(e.value));
      while (a) { long long t = g % a; g = a; a = t; }
    }
    if (ok && g > 1 && std::llround(lo) % g != 0) return true;
  }
  return false;
}

bool integral_here(const BbModel &bm, int j, double lo, double up) {
  switch (bm.rule[(size_t)j]) {
    case RULE_INT: return true;
    case RULE_SEMIINT: {
      double on = bm.on[(size_t)j], top = bm.top[(size_t)j];
      if (on > 0) return lo >= on - 1e-9;
      if (top < 0) return up <= top + 1e-9;
      return true;  // the range holds 0: every value is an integer of it
    }
    case RULE_PARTINT: return up <= bm.on[(size_t)j] + 1e-9;
    default: return false;
  }
}

void node_row_bounds(const BbModel &bm, const std::vector<double> &lo,
                     const std::vector<double> &up, std::vector<double> &rlo,
                     std::vector<double> &rup) {
  rlo = bm.lp.rowlo;
  rup = bm.lp.rowup;
  for (const Indicator &ind : bm.indicators) {
    double l = lo[(size_t)ind.col], u = up[(size_t)ind.col];
    if (l == ind.active && u == ind.active) {
      rlo[(size_t)ind.row] = ind.lo;
      rup[(size_t)ind.row] = ind.up;
    }
  }
}

Propagation propagate(const BbModel &bm, std::vector<double> &lo, std::vector<double> &up,
                      const std::vector<int> &seeds, double feastol) {
  Propagation out;
  int m = bm.nrows(), n = bm.ncols();
  std::vector<double> rlo, rup;
  node_row_bounds(bm, lo, up, rlo, rup);
  std::vector<char> queued((size_t)m, 0), marked((size_t)n, 0);
  std::vector<int> visits((size_t)m, 0);
  std::vector<int> queue;
  auto enqueue_col = [&](int j) {
    for (const Entry &e : bm.cols[(size_t)j])
      if (!queued[(size_t)e.index]) {
        queued[(size_t)e.index] = 1;
        queue.push_back(e.index);
      }
  };
  if (seeds.empty()) {
    for (int i = 0; i < m; ++i) queue.push_back(i), queued[(size_t)i] = 1;
  } else {
    for (int j : seeds) enqueue_col(j);
  }
  for (size_t q = 0; q < queue.size(); ++q) {
    int i = queue[q];
    queued[(size_t)i] = 0;
    double rl = rlo[(size_t)i], ru = rup[(size_t)i];
    if (is_inf_bound(rl) && is_inf_bound(ru)) continue;
    if (++visits[(size_t)i] > kMaxRowVisits) continue;
    const auto &row = bm.lp.rows[(size_t)i];
    Activity a = activity(row, lo, up);
    double tol = feastol * std::max(1.0, std::max(std::fabs(rl < -kInf ? 0 : rl),
                                                   std::fabs(ru > kInf ? 0 : ru)));
    if ((!is_inf_bound(ru) && a.mininf == 0 && a.min > ru + tol) ||
        (!is_inf_bound(rl) && a.maxinf == 0 && a.max < rl - tol)) {
      out.infeasible = true;
      return out;
    }
    for (const Entry &e : row) {
      if (e.value == 0.0) continue;
      int j = e.index;
      double l = lo[(size_t)j], u = up[(size_t)j];
      double c = e.value;
      // Residual activities without column j.
      double lo_part = c > 0 ? l : u, up_part = c > 0 ? u : l;
      bool lo_inf = is_inf_bound(lo_part), up_inf = is_inf_bound(up_part);
      double resmin = kInf, resmax = -kInf;
      if (a.mininf == 0) resmin = a.min - c * lo_part;
      else if (a.mininf == 1 && lo_inf) resmin = a.min;
      if (a.maxinf == 0) resmax = a.max - c * up_part;
      else if (a.maxinf == 1 && up_inf) resmax = a.max;
      double nl = l, nu = u;
      // c x <= ru - resmin and c x >= rl - resmax.
      if (!is_inf_bound(ru) && resmin < kInf) {
        double b = (ru - resmin) / c;
        if (c > 0) nu = std::min(nu, b); else nl = std::max(nl, b);
      }
      if (!is_inf_bound(rl) && resmax > -kInf) {
        double b = (rl - resmax) / c;
        if (c > 0) nl = std::max(nl, b); else nu = std::min(nu, b);
      }
      if (integral_here(bm, j, nl, nu)) {
        nl = std::ceil(nl - 1e-6);
        nu = std::floor(nu + 1e-6);
      } else {
        // Semi-continuous hulls keep 0 inside; continuous moves must be worth it.
        char r = bm.rule[(size_t)j];
        if (r == RULE_SEMICONT || r == RULE_SEMIINT) {
          if (nl > 0) nl = l < 0 ? std::min(nl, 0.0) : nl;
          if (nu < 0) nu = u > 0 ? std::max(nu, 0.0) : nu;
        }
        double range = is_inf_bound(l) || is_inf_bound(u) ? 1.0 : std::max(u - l, 1e-9);
        if (nl > l && nl - l < kMinShrink * range && !is_inf_bound(l)) nl = l;
        if (nu < u && u - nu < kMinShrink * range && !is_inf_bound(u)) nu = u;
      }
      if (nl <= l && nu >= u) continue;
      if (nl > nu + feastol * std::max(1.0, std::fabs(nl))) {
        out.infeasible = true;
        return out;
      }
      if (nl > nu) nl = nu = integral_here(bm, j, nl, nu) ? std::round(nl) : 0.5 * (nl + nu);
      nl = std::max(nl, l);
      nu = std::min(nu, u);
      // Keep the activities in step with the new bounds.
      double old_lo = c > 0 ? l : u, old_up = c > 0 ? u : l;
      lo[(size_t)j] = nl;
      up[(size_t)j] = nu;
      double new_lo = c > 0 ? nl : nu, new_up = c > 0 ? nu : nl;
      if (is_inf_bound(old_lo) && !is_inf_bound(new_lo)) --a.mininf, a.min += c * new_lo;
      else if (!is_inf_bound(old_lo)) a.min += c * (new_lo - old_lo);
      if (is_inf_bound(old_up) && !is_inf_bound(new_up)) --a.maxinf, a.max += c * new_up;
      else if (!is_inf_bound(old_up)) a.max += c * (new_up - old_up);
      if (!marked[(size_t)j]) {
        marked[(size_t)j] = 1;
        out.changed.push_back(j);
      }
      enqueue_col(j);
      // A fixed indicator column may switch its row on.
      for (const Indicator &ind : bm.indicators) {
        if (ind.col != j || nl != ind.active || nu != ind.active) continue;
        rlo[(size_t)ind.row] = ind.lo;
        rup[(size_t)ind.row] = ind.up;
        if (!queued[(size_t)ind.row]) queued[(size_t)ind.row] = 1, queue.push_back(ind.row);
      }
    }
  }
  return out;
}

}  // namespace bb
}  // namespace ondr
