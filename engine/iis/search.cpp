// Finding sets: the initial infeasible subsystem, its reduction to an IIS,
// and further IIS. A further IIS is looked for in the problem without a
// set D of members that meets every IIS found so far: when the problem
// stays infeasible without D, each of its IIS is new. The sets D are tried
// depth first (one member of each IIS not yet met), and a D without which
// the problem is feasible ends its branch, as dropping more keeps it
// feasible. When every branch ends so, every IIS has been found.
#include "iis/search.h"
#include <algorithm>
#include "controls/ids.h"
#include "env/error.h"
#include "lp/solve.h"

namespace ondr::iis {

namespace {

const char *const kNoSearch = "No IIS: no IIS search has been made since the last solve (iisfirst)";

Budget budget_of(ONDRprob prob) {
  Budget b;
  b.left = prob->controls.geti(id::IISMAXSOLVES);
  b.prob = prob;
  return b;
}

// The problem must have been found infeasible by its last solve.
void require_infeasible(ONDRprob prob) {
  const Results &r = prob->results;
  const Model &m = prob->model;
  if (!m.nlcoefs.empty())
    fail(ERR_STATE, "IIS search: not available for problems with nonlinear coefficients");
  if (r.lpstatus == 0 && r.mipstatus == 0)
    fail(ERR_STATE,
         "IIS search: the problem has not been solved since it was last changed; solve it "
         "first (an IIS exists only for a problem found infeasible)");
  bool mip = has_entities(m);
  bool infeasible = r.lpstatus == 2 || r.mipstatus == 5;
  if (!infeasible) {
    const char *what = r.mipstatus == 6 || r.mipstatus == 4 ? "has a solution"
                       : r.lpstatus == 1 && mip            ? "has a feasible LP relaxation"
                       : r.lpstatus == 1                   ? "is feasible"
                       : r.lpstatus == 5 || r.mipstatus == 7 ? "is unbounded"
                                                             : "was not settled";
    fail(ERR_STATE,
         "IIS search: the last solve did not find the problem infeasible (it %s): there is no "
         "IIS to look for", what);
  }
}

// Reduces the infeasible `set` to a checked IIS; false when the budget ran
// out first.
bool reduce(ONDRprob prob, State &st, const std::vector<int> &set, std::vector<int> &out,
            Budget &b) {
  Oracle &o = *st.oracle;
  bool linear = is_linear(st.model);
  int method = (int)prob->controls.geti(id::IISMETHOD);
  // HiGHS's IIS answers for the whole problem, so only for a first search;
  // one that fails the check is left to the filter.
  if (linear && method == 1 && st.sets.size() == 1) {
    std::vector<int> h;
    if (highs_iis(prob, st.model, st.mb, h) && !h.empty()) {
      Budget check = b;
      if (is_irreducible(o, st.mb, h, check)) {
        b = check;
        out = std::move(h);
        return true;
      }
    }
  }
  std::vector<int> r = deletion_filter(o, st.mb, set, b);
  if (b.stopped) return false;
  if (is_irreducible(o, st.mb, r, b)) {
    out = std::move(r);
    return true;
  }
  if (b.stopped) return false;
  // Certificates can mislead on badly scaled problems: once more, member
  // by member only.
  struct Plain : Oracle {
    Oracle &inner;
    explicit Plain(Oracle &o) : inner(o) {}
    Test test(const Flags &keep) override {
      Test t = inner.test(keep);
      t.support.clear();
      return t;
    }
  } plain(o);
  r = deletion_filter(plain, st.mb, r, b);
  if (b.stopped) return false;
  if (!is_irreducible(o, st.mb, r, b)) {
    if (b.stopped) return false;
    fail(ERR_SOLVER,
         "IIS search: the solver's answers are inconsistent (a set reduced to irreducible "
         "does not pass the check); try other tolerances");
  }
  out = std::move(r);
  return true;
}

// The problem without the members `d`: infeasible (with its certificate's
// members in `support`) or not. Verdicts are remembered.
bool infeasible_without(State &st, const std::vector<int> &d, std::vector<int> &support,
                        Budget &b, bool &asked) {
  asked = false;
  auto it = st.dropped.find(d);
  if (it != st.dropped.end()) {
    support = it->second.second;
    return it->second.first;
  }
  if (!b.take()) return false;
  asked = true;
  Flags f((size_t)st.mb.count(), 0);
  for (int k : st.mb.all()) f[(size_t)k] = 1;
  for (int k : d) f[(size_t)k] = 0;
  Test t = decide(*st.oracle, f);
  bool inf = t.verdict == Verdict::Infeasible;
  support.clear();
  if (inf) {
    support = t.support;
    if (support.empty())
      for (int k : st.mb.all())
        if (f[(size_t)k]) support.push_back(k);
  }
  st.dropped[d] = {inf, support};
  return inf;
}

// Depth-first search for a set D meeting every IIS found, without which the
// problem is infeasible. `found` receives the members to reduce.
bool find_hitting(State &st, std::vector<int> &d, std::vector<int> &start, Budget &b) {
  size_t next = 0;
  for (; next + 1 < st.sets.size(); ++next) {
    const std::vector<int> &s = st.sets[next + 1].members;
    bool met = std::any_of(s.begin(), s.end(),
                           [&](int k) { return std::find(d.begin(), d.end(), k) != d.end(); });
    if (!met) break;
  }
  if (next + 1 == st.sets.size()) {
    std::vector<int> sd = d;
    std::sort(sd.begin(), sd.end());
    std::vector<int> support;
    bool asked;
    if (!infeasible_without(st, sd, support, b, asked)) return false;
    start = support;
    return true;
  }
  for (int k : st.sets[next + 1].members) {
    if (b.stopped) return false;
    d.push_back(k);
    std::vector<int> sd = d;
    std::sort(sd.begin(), sd.end());
    std::vector<int> support;
    bool asked;
    // A branch whose D already leaves the problem feasible ends here.
    if (infeasible_without(st, sd, support, b, asked) && find_hitting(st, d, start, b)) return true;
    d.pop_back();
  }
  return false;
}

int reduce_initial(ONDRprob prob, State &st, Budget &b) {
  std::vector<int> iis;
  if (!reduce(prob, st, st.sets[0].members, iis, b)) return STOPPED;
  Set s;
  s.members = std::move(iis);
  st.sets.push_back(std::move(s));
  return FOUND;
}

}  // namespace

std::vector<Item> rows_of(const Members &mb, const Set &s) {
  std::vector<Item> out;
  for (int k : s.members) {
    if (!mb.is_row(k)) continue;
    int i = mb.index(k);
    if (out.empty() || out.back().index != i) out.push_back(Item{i});
    (mb.upper(k) ? out.back().up : out.back().lo) = k;
  }
  return out;
}

std::vector<Item> cols_of(const Members &mb, const Set &s) {
  std::vector<Item> out;
  for (int k : s.members) {
    if (mb.is_row(k)) continue;
    int j = mb.index(k);
    if (out.empty() || out.back().index != j) out.push_back(Item{j});
    (mb.upper(k) ? out.back().up : out.back().lo) = k;
  }
  return out;
}

State &state_of(ONDRprob prob) {
  if (!prob->results.iis) fail(ERR_STATE, "%s", kNoSearch);
  return *prob->results.iis;
}

Set &set_of(ONDRprob prob, int num) {
  State &st = state_of(prob);
  int n = (int)st.sets.size();
  if (num < 0 || num >= n)
    fail(ERR_ARGUMENT, "IIS number %d out of range: the sets found are numbered 0 to %d", num,
         n - 1);
  return st.sets[(size_t)num];
}

int iis_first(ONDRprob prob, int mode) {
  ONDR_REQUIRE(mode == 0 || mode == 1,
               "Unknown IIS mode %d: 0 (the initial infeasible subsystem only) or 1 (an IIS)", mode);
  require_infeasible(prob);
  prob->results.iis.reset();
  auto st = std::make_shared<State>();
  st->model = prob->model;
  st->mb = members_of(st->model);
  st->oracle = oracle_for(prob, st->model, st->mb);
  Budget b = budget_of(prob);
  std::vector<int> support;
  bool asked;
  if (!infeasible_without(*st, {}, support, b, asked)) {
    if (b.stopped) return STOPPED;
    fail(ERR_SOLVER,
         "IIS search: the problem solves as feasible now, although its last solve found it "
         "infeasible (it is on the edge of the tolerances)");
  }
  Set s0;
  s0.members = support;
  st->sets.push_back(std::move(s0));
  int status = mode == 0 ? FOUND : reduce_initial(prob, *st, b);
  st->solves = st->oracle->solves;
  prob->results.iis = std::move(st);
  return status;
}

int iis_next(ONDRprob prob) {
  State &st = state_of(prob);
  Budget b = budget_of(prob);
  int status;
  if (st.sets.size() == 1) {
    status = reduce_initial(prob, st, b);
  } else if (st.complete) {
    status = NO_MORE;
  } else {
    std::vector<int> d, start;
    if (find_hitting(st, d, start, b)) {
      std::vector<int> iis;
      if (reduce(prob, st, start, iis, b)) {
        Set s;
        s.members = std::move(iis);
        st.sets.push_back(std::move(s));
        status = FOUND;
      } else {
        status = STOPPED;
      }
    } else if (b.stopped) {
      status = STOPPED;
    } else {
      st.complete = true;
      status = NO_MORE;
    }
  }
  st.solves = st.oracle->solves;
  return status;
}

void iis_all(ONDRprob prob) {
  if (!prob->results.iis && iis_first(prob, 1) != FOUND) return;
  int64_t limit = prob->controls.geti(id::IISMAXCOUNT);
  State &st = state_of(prob);
  while (limit <= 0 || (int64_t)st.sets.size() - 1 < limit)
    if (iis_next(prob) != FOUND) break;
}

void iis_clear(ONDRprob prob) { prob->results.iis.reset(); }

void isolations(ONDRprob prob, State &st, Set &s) {
  Budget b = budget_of(prob);
  auto flags = [&](const std::vector<Item> &es, std::vector<signed char> &out) {
    std::vector<signed char> v;
    for (const Item &e : es) {
      std::vector<int> d;
      if (e.lo >= 0) d.push_back(e.lo);
      if (e.up >= 0) d.push_back(e.up);
      std::vector<int> support;
      bool asked;
      bool inf = infeasible_without(st, d, support, b, asked);
      if (b.stopped)
        fail(ERR_STATE, "IIS isolations: the search stopped (IISMAXSOLVES or an interrupt)");
      v.push_back(inf ? 0 : 1);
    }
    out = std::move(v);
  };
  std::vector<signed char> r, c;
  flags(rows_of(st.mb, s), r);
  flags(cols_of(st.mb, s), c);
  s.iso_rows = std::move(r);
  s.iso_cols = std::move(c);
}

}  // namespace ondr::iis
