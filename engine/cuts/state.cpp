#include "cuts/state.h"
#include <algorithm>
#include <atomic>
#include <cmath>
#include "env/error.h"
#include "ondr_ids.h"

namespace ondr {
namespace cuts {

namespace {
std::mutex g_make;  // making a problem's state
std::atomic<uint64_t> g_next{0x1000};

// Renumbers the entries of `s` through `map` (old index -> new, -1 gone).
void renumber(std::set<int> &s, const std::vector<int> &map) {
  std::set<int> out;
  for (int i : s)
    if (i >= 0 && (size_t)i < map.size() && map[(size_t)i] >= 0) out.insert(map[(size_t)i]);
  s = std::move(out);
}

template <class V>
void renumber_keys(std::map<int, V> &m, const std::vector<int> &map) {
  std::map<int, V> out;
  for (auto &kv : m)
    if (kv.first >= 0 && (size_t)kv.first < map.size() && map[(size_t)kv.first] >= 0)
      out[map[(size_t)kv.first]] = kv.second;
  m = std::move(out);
}

// old index -> new after deleting `gone` from `n` items.
std::vector<int> deletion_map(int n, const std::vector<int> &gone) {
  std::vector<int> map((size_t)std::max(n, 0), 0);
  for (int g : gone)
    if (g >= 0 && g < n) map[(size_t)g] = -1;
  int next = 0;
  for (int &v : map) v = v < 0 ? -1 : next++;
  return map;
}

int max_index_plus_one(const std::vector<int> &idx) {
  int m = 0;
  for (int i : idx) m = std::max(m, i + 1);
  return m;
}
}  // namespace

double CutRow::activity(const std::vector<double> &x) const {
  double a = 0.0;
  for (const Entry &e : coefs)
    if ((size_t)e.index < x.size()) a += e.value * x[(size_t)e.index];
  return a;
}

double CutRow::violation(const std::vector<double> &x) const {
  double a = activity(x);
  switch (rtype) {
    case 'L': return a - rhs;
    case 'G': return rhs - a;
    default: return std::fabs(a - rhs);
  }
}

double CutRow::slack(const std::vector<double> &x) const { return -violation(x); }

bool CutRow::same_row(const CutRow &o) const {
  if (rtype != o.rtype || rhs != o.rhs || coefs.size() != o.coefs.size()) return false;
  for (size_t k = 0; k < coefs.size(); ++k)
    if (coefs[k].index != o.coefs[k].index || coefs[k].value != o.coefs[k].value) return false;
  return true;
}

uint64_t CutRow::hash() const {
  std::hash<double> hd;
  uint64_t h = (uint64_t)(unsigned char)rtype * 1000003u ^ hd(rhs);
  for (const Entry &e : coefs) h = (h * 1000003u) ^ ((uint64_t)e.index * 2654435761u) ^ hd(e.value);
  return h;
}

std::vector<uint64_t> cut_tokens(ONDRprob prob, int n, const void *const handles[], const char *what) {
  ONDR_REQUIRE(n >= 0, "%s: negative number of cuts (%d)", what, n);
  ONDR_REQUIRE(n == 0 || handles, "%s: NULL list of %d cuts", what, n);
  CutState &s = state(prob);
  std::lock_guard<std::mutex> g(s.mu);
  std::vector<uint64_t> out;
  for (int k = 0; k < n; ++k) {
    if (!handles[k] || !s.cuts.count(token_of(handles[k])))
      fail(ERR_ARGUMENT, "%s: the cut given is not a cut of this problem", what);
    out.push_back(token_of(handles[k]));
  }
  return out;
}

std::vector<CutRow> rows_of(std::vector<Entry> coefs, double lo, double up) {
  std::sort(coefs.begin(), coefs.end(), [](const Entry &a, const Entry &b) { return a.index < b.index; });
  std::vector<Entry> merged;
  for (const Entry &e : coefs) {
    if (!merged.empty() && merged.back().index == e.index) merged.back().value += e.value;
    else merged.push_back(e);
  }
  std::vector<CutRow> out;
  auto add = [&](char rtype, double rhs) {
    CutRow r;
    r.rtype = rtype;
    r.rhs = rhs;
    r.coefs = merged;
    out.push_back(std::move(r));
  };
  bool has_lo = !is_inf_bound(lo), has_up = !is_inf_bound(up);
  if (has_lo && has_up && lo == up) {
    add('E', lo);
  } else {
    if (has_lo) add('G', lo);
    if (has_up) add('L', up);
  }
  return out;
}

void drop_node_cuts(ONDRprob prob) {
  CutState *s = state_if(prob);
  if (!s) return;
  std::lock_guard<std::mutex> g(s->mu);
  for (auto it = s->cuts.begin(); it != s->cuts.end();)
    it = !it->second.listed && !it->second.separator ? s->cuts.erase(it) : std::next(it);
  for (auto it = s->by_row.begin(); it != s->by_row.end();)
    it = s->cuts.count(it->second) ? std::next(it) : s->by_row.erase(it);
}

CutState &state(ONDRprob prob) {
  // A worker problem of a tree search shares its owner's pool.
  if (prob->search_owner) prob = prob->search_owner;
  std::lock_guard<std::mutex> g(g_make);
  if (!prob->cutstate) prob->cutstate = std::make_shared<CutState>();
  return *prob->cutstate;
}

CutState *state_if(ONDRprob prob) {
  if (prob->search_owner) prob = prob->search_owner;
  std::lock_guard<std::mutex> g(g_make);
  return prob->cutstate.get();
}

uint64_t new_token() { return g_next.fetch_add(1); }

PoolCut &pool_cut(CutState &s, const void *handle, const char *what) {
  auto it = s.cuts.find(token_of(handle));
  if (!handle || it == s.cuts.end() || !it->second.listed)
    fail(ERR_ARGUMENT, "%s: the cut given is not a cut of this problem's cut pool", what);
  return it->second;
}

void check_interp(int interp) {
  if (interp != -1 && (interp < 1 || interp > 3))
    fail(ERR_ARGUMENT, "Invalid cut type interpretation %d (expected -1, 1, 2 or 3)", interp);
}

bool type_selected(int type, int itype, int interp) {
  switch (interp) {
    case -1: return true;
    case 1: return type == itype;
    case 2: return (type & itype) != 0;
    case 3: return (type & itype) == itype;
  }
  check_interp(interp);
  return false;
}

std::vector<CutRow> rows_from_arrays(int ncols, int ncuts, const int mtype[], const char rtype[],
                                     const double rhs[], const int64_t mstart[], const int mcols[],
                                     const double dmatval[]) {
  ONDR_REQUIRE(ncuts >= 0, "Negative number of cuts (%d)", ncuts);
  std::vector<CutRow> out;
  if (ncuts == 0) return out;
  ONDR_REQUIRE(rtype && rhs && mstart, "NULL cut arrays (rtype, rhs and mstart are required)");
  ONDR_REQUIRE(mstart[0] >= 0, "Cut start 0 is negative (%lld)", (long long)mstart[0]);
  int64_t nnz = mstart[ncuts];
  ONDR_REQUIRE(nnz == 0 || (mcols && dmatval), "NULL cut coefficient arrays for %lld entries",
               (long long)nnz);
  out.resize((size_t)ncuts);
  std::vector<int> seen((size_t)std::max(ncols, 0), -1);
  for (int i = 0; i < ncuts; ++i) {
    CutRow &r = out[(size_t)i];
    r.type = mtype ? mtype[i] : 0;
    r.rtype = rtype[i];
    ONDR_REQUIRE(r.rtype == 'L' || r.rtype == 'G' || r.rtype == 'E',
                 "Invalid row type '%c' of cut %d (expected L, G or E)", r.rtype, i);
    r.rhs = rhs[i];
    ONDR_REQUIRE(std::isfinite(r.rhs) && std::fabs(r.rhs) < kInf,
                 "The right-hand side of cut %d is not a finite number", i);
    ONDR_REQUIRE(mstart[i + 1] >= mstart[i], "Cut starts decrease at cut %d", i);
    for (int64_t k = mstart[i]; k < mstart[i + 1]; ++k) {
      int j = mcols[k];
      double v = dmatval[k];
      ONDR_REQUIRE(j >= 0 && j < ncols, "Column index %d of cut %d out of range [0, %d)", j, i, ncols);
      ONDR_REQUIRE(std::isfinite(v) && std::fabs(v) < kInf,
                   "Coefficient %lld of cut %d is not a finite number", (long long)(k - mstart[i]), i);
      ONDR_REQUIRE(seen[(size_t)j] != i, "Column %d appears twice in cut %d", j, i);
      seen[(size_t)j] = i;
      if (v != 0.0) r.coefs.push_back({j, v});
    }
    std::sort(r.coefs.begin(), r.coefs.end(),
              [](const Entry &a, const Entry &b) { return a.index < b.index; });
  }
  return out;
}

bool wants_tree_search(ONDRprob prob) {
  CutState *s = state_if(prob);
  if (!s) return false;
  std::lock_guard<std::mutex> g(s->mu);
  if (!s->delayed.empty() || !s->modelcuts.empty() || !s->dirs.empty() || !s->bounds.empty())
    return true;
  for (const auto &kv : s->cuts)
    if (kv.second.listed && !kv.second.separator) return true;
  return false;
}

void copy_marks(ONDRprob dest, ONDRprob src) {
  if (dest == src) return;
  CutState *from = state_if(src);
  CutState &to = state(dest);
  std::set<int> delayed, modelcuts, securerows, securecols;
  std::map<int, Directive> dirs;
  if (from) {
    std::lock_guard<std::mutex> g(from->mu);
    delayed = from->delayed;
    modelcuts = from->modelcuts;
    securerows = from->securerows;
    securecols = from->securecols;
    dirs = from->dirs;
  }
  std::lock_guard<std::mutex> g(to.mu);
  to.delayed = std::move(delayed);
  to.modelcuts = std::move(modelcuts);
  to.securerows = std::move(securerows);
  to.securecols = std::move(securecols);
  to.dirs = std::move(dirs);
}

int64_t int_attrib(ONDRprob prob, int pid) {
  CutState *s = state_if(prob);
  if (!s) return 0;
  std::lock_guard<std::mutex> g(s->mu);
  switch (pid) {
    case ONDR_MAXNODELPROWS: return s->max_lp_rows;
    case ONDR_LAZYROWSADDED: return s->lazy_added;
    default: return (int64_t)s->order.size();
  }
}

void follow_change(ONDRprob prob, const Change &c) noexcept {
  CutState *s = state_if(prob);
  if (!s) return;
  std::lock_guard<std::mutex> g(s->mu);
  int nrows = prob->model.nrows(), ncols = prob->model.ncols();
  switch (c.kind) {
    case Change::DelRows: {
      auto map = deletion_map(nrows + (int)c.index.size(), c.index);
      renumber(s->delayed, map);
      renumber(s->modelcuts, map);
      renumber(s->securerows, map);
      break;
    }
    case Change::DelCols: {
      int before = std::max(ncols + (int)c.index.size(), max_index_plus_one(c.index));
      auto map = deletion_map(before, c.index);
      renumber(s->securecols, map);
      renumber_keys(s->dirs, map);
      // Cuts over a deleted column no longer describe the problem: they
      // leave the pool; the others follow the renumbering.
      for (auto &kv : s->cuts) {
        CutRow &r = kv.second.row;
        bool lost = false;
        for (Entry &e : r.coefs) {
          if ((size_t)e.index >= map.size() || map[(size_t)e.index] < 0) lost = true;
          else e.index = map[(size_t)e.index];
        }
        if (lost) kv.second.listed = false;
      }
      s->by_row.clear();
      for (uint64_t t : s->order) s->by_row.emplace(s->cuts.at(t).row.hash(), t);
      for (auto &kv : s->bounds)
        for (int &j : kv.second.cols) j = (size_t)j < map.size() ? map[(size_t)j] : -1;
      break;
    }
    case Change::Replace: {
      // A new model: marks and directives beyond its size are dropped.
      auto keep_below = [](std::set<int> &v, int n) { v.erase(v.lower_bound(n), v.end()); };
      keep_below(s->delayed, nrows);
      keep_below(s->modelcuts, nrows);
      keep_below(s->securerows, nrows);
      keep_below(s->securecols, ncols);
      s->dirs.erase(s->dirs.lower_bound(ncols), s->dirs.end());
      break;
    }
    default: break;
  }
}

}  // namespace cuts
}  // namespace ondr
