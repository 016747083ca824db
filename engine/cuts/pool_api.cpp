// The cut pool's entry points: ONDRaddcuts64, ONDRstorecuts64,
// ONDRloadcuts, ONDRdelcuts, ONDRdelcpcuts, ONDRsetbranchcuts,
// ONDRgetcutslack, ONDRgetcutmap, ONDRgetcutlist, ONDRgetcpcutlist,
// ONDRgetcpcuts64.
#include <algorithm>
#include <cmath>
#include <unordered_set>
#include "cuts/node.h"
#include "cuts/state.h"
#include "env/shell.h"
#include "ondr.h"

namespace ondr {
namespace cuts {
namespace {

// A cut of this problem (in the pool, removed from it, or added by
// addcuts) by its handle.
PoolCut &known_cut(CutState &s, const void *h, const char *what) {
  auto it = s.cuts.find(token_of(h));
  if (!h || it == s.cuts.end())
    fail(ERR_ARGUMENT, "%s: the cut given is not a cut of this problem", what);
  return it->second;
}

// The handles of a list argument, each checked; n = -1 or a NULL list: none.
std::vector<uint64_t> listed_tokens(CutState &s, int n, const ONDRcut cutind[], const char *what,
                                    bool pool_only) {
  std::vector<uint64_t> out;
  if (n < 0 || !cutind) return out;
  for (int k = 0; k < n; ++k) {
    if (pool_only) pool_cut(s, cutind[k], what);
    else known_cut(s, cutind[k], what);
    out.push_back(token_of(cutind[k]));
  }
  return out;
}

bool all_given(int n, const ONDRcut cutind[]) { return n < 0 || !cutind; }

void check_count(int n, const ONDRcut cutind[]) {
  ONDR_REQUIRE(n >= -1, "Invalid number of cuts (%d)", n);
  ONDR_REQUIRE(n <= 0 || cutind, "NULL list of %d cuts", n);
}

const std::vector<double> &node_point(const NodeContext &c, const char *what) {
  if (!c.x) fail(ERR_STATE, "%s needs the node's LP solution: call it from an optnode callback", what);
  return *c.x;
}

}  // namespace
}  // namespace cuts
}  // namespace ondr

using namespace ondr;
using namespace ondr::cuts;

ONDR_API int ONDRaddcuts64(ONDRprob prob, int ncuts, const int mtype[], const char rtype[],
                           const double rhs[], const int64_t mstart[], const int mcols[],
                           const double dmatval[]) {
  return guard_prob(prob, [&] {
    NodeContext &c = require_node(prob, "addcuts", true);
    std::vector<CutRow> rows =
        rows_from_arrays(prob->model.ncols(), ncuts, mtype, rtype, rhs, mstart, mcols, dmatval);
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    for (CutRow &r : rows) {
      PoolCut pc;
      pc.row = std::move(r);
      pc.listed = false;
      uint64_t t = new_token();
      st.cuts.emplace(t, std::move(pc));
      c.active.push_back(t);
      c.changed = true;
    }
  });
}

ONDR_API int ONDRstorecuts64(ONDRprob prob, int ncuts, int nodupl, const int mtype[],
                             const char rtype[], const double rhs[], const int64_t mstart[],
                             ONDRcut handles[], const int mcols[], const double dmatval[]) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(nodupl >= 0 && nodupl <= 2, "Invalid duplicate control %d (expected 0, 1 or 2)", nodupl);
    ONDR_REQUIRE(ncuts <= 0 || handles, "NULL array for the cut handles");
    std::vector<CutRow> rows =
        rows_from_arrays(prob->model.ncols(), ncuts, mtype, rtype, rhs, mstart, mcols, dmatval);
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    for (size_t i = 0; i < rows.size(); ++i) {
      uint64_t found = 0, h = rows[i].hash();
      if (nodupl != ONDR_CUTS_KEEPDUPLICATES) {
        auto range = st.by_row.equal_range(h);
        for (auto it = range.first; it != range.second && !found; ++it) {
          const PoolCut &p = st.cuts.at(it->second);
          if (!p.listed || (nodupl == ONDR_CUTS_SAMETYPE && p.row.type != rows[i].type)) continue;
          if (p.row.same_row(rows[i])) found = it->second;
        }
      }
      if (!found) {
        PoolCut pc;
        pc.row = std::move(rows[i]);
        found = new_token();
        st.cuts.emplace(found, std::move(pc));
        st.order.push_back(found);
        st.by_row.emplace(h, found);
      }
      handles[i] = (ONDRcut)handle_of(found);
    }
  });
}

ONDR_API int ONDRloadcuts(ONDRprob prob, int itype, int interp, int n, const ONDRcut cutind[]) {
  return guard_prob(prob, [&] {
    NodeContext &c = require_node(prob, "loadcuts", true);
    check_interp(interp);
    check_count(n, cutind);
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    std::vector<uint64_t> cand = listed_tokens(st, n, cutind, "loadcuts", false);
    if (all_given(n, cutind))
      for (uint64_t t : st.order) {
        const PoolCut &p = st.cuts.at(t);
        if (p.listed && !p.separator) cand.push_back(t);
      }
    std::unordered_set<uint64_t> have(c.active.begin(), c.active.end());
    if (c.resident) have.insert(c.resident->begin(), c.resident->end());
    for (uint64_t t : cand) {
      if (!type_selected(st.cuts.at(t).row.type, itype, interp) || !have.insert(t).second) continue;
      c.active.push_back(t);
      c.changed = true;
    }
  });
}

ONDR_API int ONDRdelcuts(ONDRprob prob, int ibasis, int itype, int interp, double delta, int n,
                         const ONDRcut cutind[]) {
  return guard_prob(prob, [&] {
    NodeContext &c = require_node(prob, "delcuts", true);
    check_interp(interp);
    check_count(n, cutind);
    ONDR_REQUIRE(!std::isnan(delta), "The slack limit of delcuts is not a number");
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    std::vector<uint64_t> given = listed_tokens(st, n, cutind, "delcuts", false);
    std::unordered_set<uint64_t> pick(given.begin(), given.end());
    std::vector<uint64_t> kept;
    for (uint64_t t : c.active) {
      bool del = all_given(n, cutind) || pick.count(t);
      const CutRow &r = st.cuts.at(t).row;
      del = del && type_selected(r.type, itype, interp);
      if (del && c.x) {
        double slack = r.slack(*c.x);
        del = slack >= delta && (ibasis != 1 || slack > 1e-9);
      }
      if (del) c.changed = true;
      else kept.push_back(t);
    }
    c.active = std::move(kept);
  });
}

ONDR_API int ONDRdelcpcuts(ONDRprob prob, int itype, int interp, int n, const ONDRcut cutind[]) {
  return guard_prob(prob, [&] {
    check_interp(interp);
    check_count(n, cutind);
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    std::vector<uint64_t> cand = listed_tokens(st, n, cutind, "delcpcuts", true);
    if (all_given(n, cutind)) cand = st.order;
    for (uint64_t t : cand) {
      PoolCut &p = st.cuts.at(t);
      if (type_selected(p.row.type, itype, interp)) p.listed = false;
    }
    st.order.erase(std::remove_if(st.order.begin(), st.order.end(),
                                  [&](uint64_t t) { return !st.cuts.at(t).listed; }),
                   st.order.end());
  });
}

ONDR_API int ONDRsetbranchcuts(ONDRprob prob, int n, const ONDRcut mindex[]) {
  return guard_prob(prob, [&] {
    NodeContext &c = require_node(prob, "setbranchcuts", true);
    ONDR_REQUIRE(n >= 0, "Negative number of cuts (%d)", n);
    ONDR_REQUIRE(n == 0 || mindex, "NULL list of %d cuts", n);
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    UserBranch b;
    b.cuts = listed_tokens(st, n, mindex, "setbranchcuts", false);
    c.branches.push_back(std::move(b));
  });
}

ONDR_API int ONDRgetcutslack(ONDRprob prob, ONDRcut cut, double *slack) {
  return guard_prob(prob, [&] {
    NodeContext &c = require_node(prob, "getcutslack", false);
    ONDR_REQUIRE(slack, "NULL slack");
    const std::vector<double> &x = node_point(c, "getcutslack");
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    *slack = known_cut(st, cut, "getcutslack").row.slack(x);
  });
}

ONDR_API int ONDRgetcutmap(ONDRprob prob, int n, const ONDRcut cuts[], int rows[]) {
  return guard_prob(prob, [&] {
    NodeContext &c = require_node(prob, "getcutmap", false);
    ONDR_REQUIRE(n >= 0, "Negative number of cuts (%d)", n);
    ONDR_REQUIRE(n == 0 || (cuts && rows), "NULL cut or row array");
    std::vector<uint64_t> t;
    {
      CutState &st = state(prob);
      std::lock_guard<std::mutex> g(st.mu);
      t = listed_tokens(st, n, cuts, "getcutmap", false);
    }
    for (int k = 0; k < n; ++k) rows[k] = c.row_of ? c.row_of(t[(size_t)k]) : -1;
  });
}

ONDR_API int ONDRgetcutlist(ONDRprob prob, int itype, int interp, int *count, int size,
                            ONDRcut cuts[]) {
  return guard_prob(prob, [&] {
    NodeContext &c = require_node(prob, "getcutlist", false);
    check_interp(interp);
    ONDR_REQUIRE(count, "NULL count");
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    std::vector<uint64_t> all;
    if (c.resident) all = *c.resident;
    all.insert(all.end(), c.active.begin(), c.active.end());
    int k = 0;
    for (uint64_t t : all) {
      auto it = st.cuts.find(t);
      if (it == st.cuts.end() || !type_selected(it->second.row.type, itype, interp)) continue;
      if (cuts && k < size) cuts[k] = (ONDRcut)handle_of(t);
      ++k;
    }
    *count = k;
  });
}

ONDR_API int ONDRgetcpcutlist(ONDRprob prob, int itype, int interp, double delta, int *count,
                              int size, ONDRcut cuts[], double viol[]) {
  return guard_prob(prob, [&] {
    check_interp(interp);
    ONDR_REQUIRE(count, "NULL count");
    ONDR_REQUIRE(!std::isnan(delta), "The violation limit of getcpcutlist is not a number");
    NodeContext *c = current(prob);
    std::vector<double> x;
    if (c && c->x) x = *c->x;
    else if (prob->results.has_lpsol && (int)prob->results.x.size() == prob->model.ncols())
      x = prob->results.x;
    else
      fail(ERR_STATE, "getcpcutlist needs an LP solution: call it from a node callback or after a solve");
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    int k = 0;
    for (uint64_t t : st.order) {
      const PoolCut &p = st.cuts.at(t);
      if (!p.listed || !type_selected(p.row.type, itype, interp)) continue;
      double v = p.row.violation(x);
      if (v < delta) continue;
      if (k < size) {
        if (cuts) cuts[k] = (ONDRcut)handle_of(t);
        if (viol) viol[k] = v;
      }
      ++k;
    }
    *count = k;
  });
}

ONDR_API int ONDRgetcpcuts64(ONDRprob prob, const ONDRcut index[], int n, int64_t size, int type[],
                             char rtype[], int64_t mstart[], int mcols[], double dmatval[],
                             double drhs[]) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(n >= 0, "Negative number of cuts (%d)", n);
    ONDR_REQUIRE(n == 0 || index, "NULL list of %d cuts", n);
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    std::vector<const CutRow *> rows;
    for (int k = 0; k < n; ++k) rows.push_back(&known_cut(st, index[k], "getcpcuts").row);
    int64_t pos = 0;
    for (int k = 0; k < n; ++k) {
      const CutRow &r = *rows[(size_t)k];
      if (type) type[k] = r.type;
      if (rtype) rtype[k] = r.rtype;
      if (drhs) drhs[k] = r.rhs;
      if (mstart) mstart[k] = pos;
      for (const Entry &e : r.coefs) {
        if (pos < size) {
          if (mcols) mcols[pos] = e.index;
          if (dmatval) dmatval[pos] = e.value;
        }
        ++pos;
      }
    }
    if (mstart) mstart[n] = pos;
  });
}
