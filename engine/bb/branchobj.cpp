#include "bb/branchobj.h"
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include "env/error.h"

namespace ondr {
namespace bb {

namespace {
std::atomic<int> g_next_id{1};
}

ONDRbranchobject make_branchobj(ONDRprob prob, int isoriginal) {
  ONDR_REQUIRE(prob, "A branching object needs a problem");
  auto *bo = new ondr_branchobj_s;
  bo->prob = prob;
  bo->isoriginal = isoriginal ? 1 : 0;
  bo->id = g_next_id.fetch_add(1);
  return bo;
}

int validate_branchobj(const ondr_branchobj_s &bo, std::string &why) {
  if (bo.branches.empty()) {
    why = "The branching object has no branch";
    return 1;
  }
  for (size_t i = 0; i < bo.branches.size(); ++i)
    if (bo.branches[i].empty()) {
      why = format("Branch %zu of the branching object has no bound, row or cut", i);
      return 2;
    }
  if (bo.preferred < 0 || (size_t)bo.preferred >= bo.branches.size()) {
    why = format("The preferred branch %d of the branching object does not exist", bo.preferred);
    return 3;
  }
  why.clear();
  return 0;
}

ONDRbranchobject candidate_of(ONDRprob prob, const Branching &b, const std::vector<double> &lo,
                              const std::vector<double> &up) {
  OwnedBranchObject bo(make_branchobj(prob, 1));
  bo->branches.resize(b.children.size());
  for (size_t k = 0; k < b.children.size(); ++k) {
    BoBranch &br = bo->branches[k];
    for (const BoundChange &c : b.children[k]) {
      size_t j = (size_t)c.col;
      if (c.lo != lo[j] && !is_inf_bound(c.lo)) {
        br.btype.push_back('L');
        br.bcol.push_back(c.col);
        br.bval.push_back(c.lo);
      }
      if (c.up != up[j] && !is_inf_bound(c.up)) {
        br.btype.push_back('U');
        br.bcol.push_back(c.col);
        br.bval.push_back(c.up);
      }
    }
    if (k < b.cuts.size())
      for (uint64_t t : b.cuts[k]) br.cuts.push_back((ONDRcut)(uintptr_t)t);
    if (k < b.rows.size())
      for (const NodeRow &r : b.rows[k]) {
        bool lo_side = !is_inf_bound(r.lo), up_side = !is_inf_bound(r.up);
        if (lo_side && up_side && r.lo == r.up) {
          br.rows.push_back({'E', r.lo, r.coefs});
          continue;
        }
        if (lo_side) br.rows.push_back({'G', r.lo, r.coefs});
        if (up_side) br.rows.push_back({'L', r.up, r.coefs});
      }
  }
  bo->preferred = b.preferred >= 0 && (size_t)b.preferred < b.children.size() ? b.preferred : 0;
  return bo.release();
}

NodeRow node_row(char type, double rhs, std::vector<Entry> coefs) {
  NodeRow r;
  r.coefs = std::move(coefs);
  if (type == 'G' || type == 'E') r.lo = rhs;
  if (type == 'L' || type == 'E') r.up = rhs;
  return r;
}

Branching branching_of(const ondr_branchobj_s &bo, const std::vector<double> &lo,
                       const std::vector<double> &up) {
  Branching b;
  b.col = -1;
  b.preferred = bo.preferred;
  b.children.resize(bo.branches.size());
  b.rows.resize(bo.branches.size());
  b.cuts.resize(bo.branches.size());
  for (size_t k = 0; k < bo.branches.size(); ++k) {
    const BoBranch &br = bo.branches[k];
    std::vector<BoundChange> &ch = b.children[k];
    // One change per column, tightening the node's bounds.
    for (size_t i = 0; i < br.btype.size(); ++i) {
      int j = br.bcol[i];
      auto it = std::find_if(ch.begin(), ch.end(), [j](const BoundChange &c) { return c.col == j; });
      if (it == ch.end()) {
        ch.push_back({j, lo[(size_t)j], up[(size_t)j]});
        it = ch.end() - 1;
      }
      if (br.btype[i] == 'L') it->lo = std::max(it->lo, br.bval[i]);
      else it->up = std::min(it->up, br.bval[i]);
    }
    for (const BoRow &r : br.rows) b.rows[k].push_back(node_row(r.type, r.rhs, r.coefs));
    for (ONDRcut c : br.cuts) b.cuts[k].push_back((uint64_t)(uintptr_t)c);
  }
  return b;
}

bool empty_range(const std::vector<double> &lo, const std::vector<double> &up) {
  for (size_t j = 0; j < lo.size(); ++j)
    if (lo[j] > up[j]) return true;
  return false;
}

bool UserBranching::accepts(const NodeEvents &ev, int soltype, const SearchOutcome &out,
                            double &cutoff) {
  if (!ev.preintsol) return true;
  double cut = std::min(out.has_incumbent ? out.value : kInf, cutoff), before = cut;
  int reject = ev.preintsol(soltype, cut);
  if (cut != before) cutoff = is_inf_bound(cut) || std::isnan(cut) ? kInf : cut;
  return reject == 0;
}

Branching UserBranching::branching(const NodeEvents &ev, const Node &node, const Branching &b,
                                   const std::vector<double> &lo, const std::vector<double> &up) {
  ONDRprob prob = ctx_.prob;
  OwnedBranchObject cand(ctx_.stored ? ctx_.stored.release() : candidate_of(prob, b, lo, up));
  OwnedBranchObject given;
  ondr_branchobj_s *use = cand.get();
  if (ev.chgbranchobject) {
    ONDRbranchobject r = ev.chgbranchobject(node, cand.get());
    if (r && r != cand.get()) {
      given.reset(r);  // handed over: the search owns it
      use = r;
    }
  }
  const char *whose = use == cand.get() ? "for the node" : "returned by the chgbranchobject callback";
  std::string why;
  if (validate_branchobj(*use, why)) fail(ERR_ARGUMENT, "The branching object %s is not valid: %s", whose, why.c_str());
  if (use->prob != prob) fail(ERR_ARGUMENT, "The branching object %s belongs to another problem", whose);
  // Its columns were checked against the model when they were added.
  int n = (int)lo.size();
  for (const BoBranch &br : use->branches)
    for (int j : br.bcol)
      if (j >= n) fail(ERR_ARGUMENT, "The branching object %s names column %d of %d", whose, j, n);
  return branching_of(*use, lo, up);
}

}  // namespace bb
}  // namespace ondr
