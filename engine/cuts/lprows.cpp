#include "cuts/lprows.h"
#include <algorithm>
#include <cmath>
#include <unordered_set>
#include "bb/nodelp.h"
#include "model/edit.h"

namespace ondr {
namespace cuts {

double Span::violation(const std::vector<double> &x) const {
  double a = 0.0;
  for (const Entry &e : coefs) a += e.value * x[(size_t)e.index];
  double v = 0.0;
  if (!is_inf_bound(lo)) v = std::max(v, lo - a);
  if (!is_inf_bound(up)) v = std::max(v, a - up);
  return v;
}

Span span_of(const CutRow &r) {
  Span s;
  s.coefs = r.coefs;
  if (r.rtype != 'L') s.lo = r.rhs;
  if (r.rtype != 'G') s.up = r.rhs;
  return s;
}

SearchRows::SearchRows(ONDRprob prob, const Model &full) : prob_(prob) {
  CutState *st = state_if(prob);
  if (!st) return;
  std::lock_guard<std::mutex> g(st->mu);
  std::set<int> rows = st->delayed;
  rows.insert(st->modelcuts.begin(), st->modelcuts.end());
  for (int i : rows) {
    if (i < 0 || i >= full.nrows()) continue;
    if ((size_t)i < full.indcol.size() && full.indcol[(size_t)i] >= 0) continue;
    Span s;
    s.coefs = full.rows[(size_t)i];
    double rhs = full.rhs[(size_t)i];
    switch (full.rowtype[(size_t)i]) {
      case 'L': s.up = rhs; break;
      case 'G': s.lo = rhs; break;
      case 'E': s.lo = s.up = rhs; break;
      case 'R': s.lo = rhs - full.range[(size_t)i]; s.up = rhs; break;
      default: break;  // a free row restricts nothing
    }
    marked_.push_back(i);
    spans_.push_back(std::move(s));
  }
  is_taken_.assign(marked_.size(), 0);
}

const Model &SearchRows::search_model(const Model &full, Model &storage) const {
  if (marked_.empty()) return full;
  storage = full;
  delete_rows(storage, (int)marked_.size(), marked_.data());
  return storage;
}

int SearchRows::take_violated(const std::vector<double> &x, double tol) {
  int n = 0;
  for (size_t p = 0; p < marked_.size(); ++p) {
    if (is_taken_[p]) continue;
    const Span &s = spans_[p];
    double scale = std::max({1.0, std::fabs(is_inf_bound(s.lo) ? 0.0 : s.lo),
                             std::fabs(is_inf_bound(s.up) ? 0.0 : s.up)});
    if (s.violation(x) > tol * scale) {
      is_taken_[p] = 1;
      taken_.push_back((int)p);
      ++n;
    }
  }
  return n;
}

int SearchRows::append(bb::NodeLp &lp, const Span &s) {
  std::vector<double> lo;
  std::vector<bb::HighsIntLike> start, idx;
  std::vector<double> val;
  auto side = [&](double sign, double bound) {
    start.push_back((bb::HighsIntLike)idx.size());
    for (const Entry &e : s.coefs) idx.push_back(e.index), val.push_back(sign * e.value);
    lo.push_back(sign * bound);
  };
  if (!is_inf_bound(s.lo)) side(1.0, s.lo);
  if (!is_inf_bound(s.up)) side(-1.0, s.up);
  if (!lo.empty()) lp.add_rows(lo, start, idx, val);
  return (int)lo.size();
}

void SearchRows::sync(bb::NodeLp &lp, int model_rows, int first_extra,
                      const std::vector<uint64_t> &active) {
  base_ = model_rows + first_extra;
  std::vector<int64_t> want;
  for (int p : taken_) want.push_back(-(int64_t)marked_[(size_t)p] - 1);
  {
    std::unordered_set<uint64_t> seen;
    for (uint64_t t : active)
      if (seen.insert(t).second) want.push_back((int64_t)t);
  }
  std::unordered_set<int64_t> wanted(want.begin(), want.end());
  // Remove what is no longer wanted.
  std::vector<int> gone;
  std::vector<Key> kept;
  std::unordered_set<int64_t> have;
  int pos = first_extra;
  for (const Key &k : in_lp_) {
    if (wanted.count(k.id)) {
      kept.push_back(k);
      have.insert(k.id);
    } else {
      for (int r = 0; r < k.rows; ++r) gone.push_back(pos + r);
    }
    pos += k.rows;
  }
  if (!gone.empty()) lp.delete_extra_rows(gone);
  in_lp_ = std::move(kept);
  // Append what is missing.
  CutState *st = state_if(prob_);
  for (int64_t id : want) {
    if (have.count(id)) continue;
    Span s;
    if (id < 0) {
      int row = (int)(-id - 1);
      size_t p = (size_t)(std::lower_bound(marked_.begin(), marked_.end(), row) - marked_.begin());
      s = spans_[p];
    } else {
      if (!st) continue;
      std::lock_guard<std::mutex> g(st->mu);
      auto it = st->cuts.find((uint64_t)id);
      if (it == st->cuts.end()) continue;
      s = span_of(it->second.row);
    }
    int n = append(lp, s);
    in_lp_.push_back({id, n});
  }
}

int SearchRows::row_of(uint64_t token) const {
  int r = base_;
  for (const Key &k : in_lp_) {
    if (k.id == (int64_t)token) return k.rows > 0 ? r : -1;
    r += k.rows;
  }
  return -1;
}

}  // namespace cuts
}  // namespace ondr
