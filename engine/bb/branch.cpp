#include "bb/branch.h"
#include <algorithm>
#include <cmath>
#include "bb/nodelp.h"

namespace ondr {
namespace bb {

namespace {

// Fixing a member at 0 is a child only when 0 lies within its bounds.
bool zero_allowed(const std::vector<double> &lo, const std::vector<double> &up, int j) {
  return lo[(size_t)j] <= 0.0 && up[(size_t)j] >= 0.0;
}

// Members of `so` outside positions [from, to] fixed at 0; false when one
// of them cannot be 0 (the child is empty).
bool fix_outside(const SetOrder &so, int from, int to, const std::vector<double> &lo,
                 const std::vector<double> &up, std::vector<BoundChange> &out) {
  for (int p = 0; p < (int)so.cols.size(); ++p) {
    if (p >= from && p <= to) continue;
    int j = so.cols[(size_t)p];
    if (lo[(size_t)j] == 0.0 && up[(size_t)j] == 0.0) continue;
    if (!zero_allowed(lo, up, j)) return false;
    out.push_back({j, 0.0, 0.0});
  }
  return true;
}

bool set_branching(const BbModel &bm, const std::vector<double> &x,
                   const std::vector<double> &lo, const std::vector<double> &up,
                   const BranchSettings &s, Branching &out) {
  for (const SetOrder &so : bm.sets) {
    int first = -1, last = -1, count = 0;
    double wsum = 0, sum = 0;
    for (int p = 0; p < (int)so.cols.size(); ++p) {
      double v = std::fabs(x[(size_t)so.cols[(size_t)p]]);
      if (v <= s.feastol) continue;
      if (first < 0) first = p;
      last = p;
      ++count;
      wsum += p * v;
      sum += v;
    }
    double centre = sum > 0 ? wsum / sum : 0;
    std::vector<BoundChange> left, right;
    bool lok, rok;
    if (so.type == '1') {
      if (count <= 1) continue;
      // Left keeps positions up to t, right those after t.
      int t = std::min(std::max((int)std::floor(centre), first), last - 1);
      lok = fix_outside(so, 0, t, lo, up, left);
      rok = fix_outside(so, t + 1, (int)so.cols.size() - 1, lo, up, right);
    } else {
      if (count <= 1 || last - first <= 1) continue;
      // Both children keep position t; left those before it, right those after.
      int t = std::min(std::max((int)std::lround(centre), first + 1), last - 1);
      lok = fix_outside(so, 0, t, lo, up, left);
      rok = fix_outside(so, t, (int)so.cols.size() - 1, lo, up, right);
    }
    out = Branching();
    if (lok) out.children.push_back(std::move(left));
    if (rok) out.children.push_back(std::move(right));
    return true;
  }
  return false;
}

bool semicont_branching(const BbModel &bm, const std::vector<double> &x,
                        const std::vector<double> &lo, const std::vector<double> &up,
                        const BranchSettings &s, Branching &out) {
  for (int j = 0; j < bm.ncols(); ++j) {
    double v = x[(size_t)j];
    if (!in_gap(bm, j, v, s.feastol)) continue;
    // Children: off (0), or on within the range, above or below 0.
    double on = bm.on[(size_t)j], top = bm.top[(size_t)j];
    bool above = on > 0;
    out = Branching();
    out.value = v;
    out.children.push_back({{j, 0.0, 0.0}});
    if (above && up[(size_t)j] >= on) out.children.push_back({{j, on, up[(size_t)j]}});
    if (!above && lo[(size_t)j] <= top) out.children.push_back({{j, lo[(size_t)j], top}});
    bool nearer_on = above ? v > 0.5 * on : v < 0.5 * top;
    out.preferred = nearer_on && out.children.size() > 1 ? 1 : 0;
    return true;
  }
  return false;
}

bool indicator_branching(const BbModel &bm, const std::vector<double> &x,
                         const std::vector<double> &lo, const std::vector<double> &up,
                         const BranchSettings &s, Branching &out) {
  for (const Indicator &ind : bm.indicators) {
    int c = ind.col;
    if (lo[(size_t)c] == up[(size_t)c]) continue;  // decided: the LP has the row or not
    if (std::fabs(x[(size_t)c] - ind.active) > s.inttol) continue;
    double act = 0;
    for (const Entry &e : bm.lp.rows[(size_t)ind.row]) act += e.value * x[(size_t)e.index];
    bool holds = (ind.lo <= -kInf || act >= ind.lo - s.feastol * std::max(1.0, std::fabs(ind.lo))) &&
                 (ind.up >= kInf || act <= ind.up + s.feastol * std::max(1.0, std::fabs(ind.up)));
    if (holds) continue;
    out = Branching();
    out.value = x[(size_t)c];
    double off = 1.0 - ind.active;
    out.children.push_back({{c, off, off}});
    out.children.push_back({{c, ind.active, ind.active}});
    return true;
  }
  return false;
}

std::vector<BoundChange> down_child(int j, double v, const std::vector<double> &lo) {
  return {{j, lo[(size_t)j], std::floor(v)}};
}
std::vector<BoundChange> up_child(int j, double v, const std::vector<double> &up) {
  return {{j, std::ceil(v), up[(size_t)j]}};
}

double score(double down, double up) {
  const double eps = 1e-6;
  return std::max(down, eps) * std::max(up, eps);
}

}  // namespace

void Pseudocosts::add(int col, bool up, double gain) {
  if (!std::isfinite(gain) || gain < 0) gain = std::max(0.0, std::isfinite(gain) ? gain : 0.0);
  if (journal) journal->push_back({col, up, gain});
  sum_[idx(col, up)] += gain;
  ++cnt_[idx(col, up)];
  all_sum_[up ? 1 : 0] += gain;
  ++all_cnt_[up ? 1 : 0];
}

double Pseudocosts::get(int col, bool up) const {
  size_t k = idx(col, up);
  if (cnt_[k] > 0) return sum_[k] / cnt_[k];
  int d = up ? 1 : 0;
  return all_cnt_[d] > 0 ? all_sum_[d] / all_cnt_[d] : 1.0;
}

std::vector<int> fractional_columns(const BbModel &bm, const std::vector<double> &x,
                                    const std::vector<double> &lo, const std::vector<double> &up,
                                    double inttol) {
  std::vector<int> out;
  for (int j = 0; j < bm.ncols(); ++j) {
    char r = bm.rule[(size_t)j];
    if (r == RULE_CONT || r == RULE_SEMICONT) continue;
    double v = x[(size_t)j];
    if (in_gap(bm, j, v, inttol)) continue;  // the threshold branching comes first
    if (r == RULE_PARTINT && v >= bm.on[(size_t)j]) continue;
    if (lo[(size_t)j] == up[(size_t)j]) continue;
    if (std::fabs(v - std::round(v)) > inttol) out.push_back(j);
  }
  return out;
}

bool special_branching(const BbModel &bm, const std::vector<double> &x,
                       const std::vector<double> &lo, const std::vector<double> &up,
                       const BranchSettings &s, Branching &out) {
  return semicont_branching(bm, x, lo, up, s, out) || set_branching(bm, x, lo, up, s, out) ||
         indicator_branching(bm, x, lo, up, s, out);
}

Branching choose_integer_branch(const BbModel &bm, NodeLp &lp, const std::vector<double> &x,
                                double obj, const std::vector<int> &cands, Pseudocosts &pc,
                                const BranchSettings &s, double cutoff) {
  (void)bm;
  // Candidates by pseudocost score; the unreliable ones among the best are
  // measured by strong branching.
  struct Cand {
    int col;
    double down, up, score;
  };
  std::vector<Cand> cs;
  for (int j : cands) {
    double v = x[(size_t)j], f = v - std::floor(v);
    double d = pc.get(j, false) * f, u = pc.get(j, true) * (1 - f);
    cs.push_back({j, d, u, score(d, u)});
  }
  std::stable_sort(cs.begin(), cs.end(), [](const Cand &a, const Cand &b) { return a.score > b.score; });
  std::shared_ptr<Basis> basis;
  int strong = 0, no_gain = 0;
  double best_score = -1;
  size_t best = 0;
  for (size_t k = 0; k < cs.size(); ++k) {
    Cand &c = cs[k];
    int j = c.col;
    bool reliable = std::min(pc.count(j, false), pc.count(j, true)) >= s.reliability;
    // Strong branching measures by LP solves; nonlinear relaxations branch
    // by pseudocosts alone.
    if (!reliable && lp.linear() && strong < s.max_strong && no_gain < 4) {
      if (!basis) basis = lp.basis();
      if (basis) {
        ++strong;
        std::vector<double> lo = lp.col_lo(), up = lp.col_up();
        double v = x[(size_t)j], f = v - std::floor(v);
        double gains[2];
        for (int dir = 0; dir < 2; ++dir) {
          std::vector<double> l = lo, u = up;
          if (dir == 0) u[(size_t)j] = std::floor(v); else l[(size_t)j] = std::ceil(v);
          lp.set_col_bounds(l, u);
          lp.set_basis(*basis);
          LpStatus st = lp.solve(cutoff, s.strong_iters);
          double gain;
          if (st == LpStatus::Infeasible || st == LpStatus::Cutoff) gain = 1e20;
          else if (st == LpStatus::Optimal || st == LpStatus::IterLimit) gain = std::max(0.0, lp.objective() - obj);
          else gain = 0;  // stopped: the search ends anyway
          gains[dir] = gain;
          if (gain < 1e19 && st == LpStatus::Optimal)
            pc.add(j, dir == 1, gain / std::max(1e-9, dir == 0 ? f : 1 - f));
        }
        lp.set_col_bounds(lo, up);
        lp.set_basis(*basis);
        double prev = best_score;
        c.down = gains[0];
        c.up = gains[1];
        c.score = score(gains[0], gains[1]);
        if (c.score > best_score) best_score = c.score, best = k;
        no_gain = c.score > prev ? 0 : no_gain + 1;
        continue;
      }
    }
    if (c.score > best_score) best_score = c.score, best = k;
  }
  const Cand &c = cs[best];
  Branching b;
  b.col = c.col;
  b.value = x[(size_t)c.col];
  b.children.push_back(down_child(c.col, b.value, lp.col_lo()));
  b.children.push_back(up_child(c.col, b.value, lp.col_up()));
  // Dive towards the cheaper side.
  b.preferred = c.up < c.down ? 1 : (c.up > c.down ? 0 : (b.value - std::floor(b.value) >= 0.5 ? 1 : 0));
  return b;
}

}  // namespace bb
}  // namespace ondr
