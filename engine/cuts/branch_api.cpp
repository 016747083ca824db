// Stored bound sets and strong branching: ONDRstorebounds,
// ONDRsetbranchbounds, ONDRstrongbranch, ONDRstrongbranchcb.
#include <cmath>
#include <map>
#include "bb/model.h"
#include "bb/nodelp.h"
#include "bb/propagate.h"
#include "cuts/node.h"
#include "cuts/state.h"
#include "env/shell.h"
#include "lp/lpdata.h"
#include "ondr.h"

namespace ondr {
namespace cuts {
namespace {

constexpr double kPosInf = 1e300;

void check_bound_changes(const Model &m, int n, const int cols[], const char type[],
                         const double val[], const char *what) {
  ONDR_REQUIRE(n >= 0, "%s: negative number of bounds (%d)", what, n);
  ONDR_REQUIRE(n == 0 || (cols && type && val), "%s: NULL bound arrays", what);
  for (int k = 0; k < n; ++k) {
    ONDR_REQUIRE(cols[k] >= 0 && cols[k] < m.ncols(), "%s: column index %d of bound %d out of range [0, %d)",
                 what, cols[k], k, m.ncols());
    ONDR_REQUIRE(type[k] == 'L' || type[k] == 'U' || type[k] == 'B',
                 "%s: invalid bound type '%c' of bound %d (expected L, U or B)", what, type[k], k);
    ONDR_REQUIRE(!std::isnan(val[k]), "%s: bound %d is not a number", what, k);
  }
}

// Sets bound type t of column j in (lo, up) to v.
void set_bound(std::vector<double> &lo, std::vector<double> &up, int j, char t, double v) {
  double b = v >= kInf ? kInf : v <= -kInf ? -kInf : v;
  if (t == 'L' || t == 'B') lo[(size_t)j] = b;
  if (t == 'U' || t == 'B') up[(size_t)j] = b;
}

int lp_status(bb::LpStatus s) {
  switch (s) {
    case bb::LpStatus::Optimal: return 1;
    case bb::LpStatus::Infeasible: return 2;
    case bb::LpStatus::Cutoff: return 3;
    case bb::LpStatus::IterLimit: return 4;
    case bb::LpStatus::Unbounded: return 5;
    default: return 7;
  }
}

void strong(ONDRprob prob, int n, const int ind[], const char type[], const double val[],
            int itrlimit, double obj[], int status[], int (*cb)(ONDRprob, void *, int), void *ctx,
            const char *what) {
  const Model &m = prob->model;
  check_bound_changes(m, n, ind, type, val, what);
  ONDR_REQUIRE(n == 0 || (obj && status), "%s: NULL output arrays", what);
  if (n == 0) return;
  NodeContext *c = current(prob);
  std::unique_ptr<bb::BbModel> own_bm;
  std::unique_ptr<bb::NodeLp> own_lp;
  std::unique_ptr<BusyScope> busy;
  bb::NodeLp *lp;
  std::vector<double> lo, up;
  int sense;
  const bb::BbModel *bm;
  if (c && c->lp) {
    lp = c->lp;
    lo = *c->lo;
    up = *c->up;
    sense = c->sense;
    bm = c->bm;
  } else {
    // Outside a search: the problem's continuous relaxation, solved first
    // for the basis every branch starts from.
    busy.reset(new BusyScope(prob, ~0u));
    own_bm.reset(new bb::BbModel(bb::build_model(m)));
    bm = own_bm.get();
    own_lp.reset(new bb::NodeLp(prob, *bm, prob->controls, [prob] { return prob->interrupt_reason.load(); }));
    lp = own_lp.get();
    lo = bm->lp.collo;
    up = bm->lp.colup;
    std::vector<double> rlo, rup;
    bb::node_row_bounds(*bm, lo, up, rlo, rup);
    lp->set_row_bounds(rlo, rup);
    sense = bm->sense;
    bb::LpStatus s = lp->solve(kPosInf);
    if (s != bb::LpStatus::Optimal && s != bb::LpStatus::Infeasible && s != bb::LpStatus::Unbounded)
      fail(ERR_SOLVER, "%s: the LP relaxation could not be solved", what);
  }
  std::shared_ptr<bb::Basis> start = lp->basis();
  Results saved = prob->results;
  int k = 0;
  try {
    for (; k < n; ++k) {
      std::vector<double> l = lo, u = up;
      set_bound(l, u, ind[k], type[k], val[k]);
      lp->set_col_bounds(l, u);
      if (start) lp->set_basis(*start);
      bb::LpStatus s = lp->solve(kPosInf, itrlimit > 0 ? itrlimit : 0);
      status[k] = lp_status(s);
      if (s == bb::LpStatus::Optimal || s == bb::LpStatus::IterLimit) obj[k] = sense * lp->objective();
      else if (s == bb::LpStatus::Infeasible) obj[k] = sense * kInf;
      else if (s == bb::LpStatus::Unbounded) obj[k] = -sense * kInf;
      else obj[k] = 0.0;
      if (!cb) continue;
      Results &r = prob->results;
      if (s == bb::LpStatus::Optimal || s == bb::LpStatus::IterLimit) {
        r.x = lp->x();
        r.slack = store_slacks(m, r.x);
        r.lpobjval = obj[k];
        r.has_lpsol = true;
        r.lpstatus = status[k];
      } else {
        r.has_lpsol = false;
        r.lpstatus = status[k];
      }
      r.has_dual = false;
      if (cb(prob, ctx, k) != 0) {
        ++k;
        break;
      }
    }
  } catch (...) {
    prob->results = saved;
    lp->set_col_bounds(lo, up);
    throw;
  }
  for (int j = k; j < n; ++j) {
    status[j] = 7;
    obj[j] = 0.0;
  }
  prob->results = saved;
  lp->set_col_bounds(lo, up);
  if (start) lp->set_basis(*start);
  if (c && c->restore) c->restore();
}

}  // namespace
}  // namespace cuts
}  // namespace ondr

using namespace ondr;
using namespace ondr::cuts;

ONDR_API int ONDRstorebounds(ONDRprob prob, int n, const int mcols[], const char type[],
                             const double bds[], void **handle) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(handle, "NULL handle pointer");
    check_bound_changes(prob->model, n, mcols, type, bds, "storebounds");
    BoundSet b;
    for (int k = 0; k < n; ++k) {
      b.cols.push_back(mcols[k]);
      b.type.push_back(type[k]);
      b.val.push_back(bds[k]);
    }
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    uint64_t t = new_token();
    st.bounds.emplace(t, std::move(b));
    *handle = handle_of(t);
  });
}

ONDR_API int ONDRsetbranchbounds(ONDRprob prob, void *handle) {
  return guard_prob(prob, [&] {
    NodeContext &c = require_node(prob, "setbranchbounds", true);
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    auto it = st.bounds.find(token_of(handle));
    if (!handle || it == st.bounds.end())
      fail(ERR_ARGUMENT, "setbranchbounds: the object given is not a set of bounds stored for this problem");
    const BoundSet &b = it->second;
    std::vector<double> lo = *c.lo, up = *c.up;
    std::map<int, int> touched;
    for (size_t k = 0; k < b.cols.size(); ++k) {
      int j = b.cols[k];
      if (j < 0 || j >= (int)lo.size())
        fail(ERR_STATE, "setbranchbounds: the stored bounds name a column the problem no longer has");
      set_bound(lo, up, j, b.type[k], b.val[k]);
      touched[j] = 1;
    }
    UserBranch u;
    for (const auto &kv : touched) u.bounds.push_back({kv.first, lo[(size_t)kv.first], up[(size_t)kv.first]});
    c.branches.push_back(std::move(u));
  });
}

ONDR_API int ONDRstrongbranch(ONDRprob prob, int n, const int mbndind[], const char cbndtype[],
                              const double dbndval[], int itrlimit, double dsbobjval[],
                              int msbstatus[]) {
  return guard_prob(prob, [&] {
    strong(prob, n, mbndind, cbndtype, dbndval, itrlimit, dsbobjval, msbstatus, nullptr, nullptr,
           "strongbranch");
  });
}

ONDR_API int ONDRstrongbranchcb(ONDRprob prob, int n, const int mbndind[], const char cbndtype[],
                                const double dbndval[], int itrlimit, double dsbobjval[],
                                int msbstatus[], int (*solvecb)(ONDRprob, void *, int),
                                void *ctx) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(solvecb, "strongbranchcb: NULL callback");
    strong(prob, n, mbndind, cbndtype, dbndval, itrlimit, dsbobjval, msbstatus, solvecb, ctx,
           "strongbranchcb");
  });
}
