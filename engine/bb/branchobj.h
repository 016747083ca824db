// Branching objects (ondr_bo.h): branches of bounds, rows and cuts, their
// checks, and their conversion from and to the search's branching.
#pragma once
#include <string>
#include <vector>
#include "bb/branch.h"
#include "bb/lazy.h"
#include "bb/nodelp.h"
#include "bb/search.h"
#include "env/problem.h"

struct BoRow {
  char type;                        // 'L', 'G' or 'E'
  double rhs;
  std::vector<ondr::Entry> coefs;
};

struct BoBranch {
  std::vector<char> btype;          // 'L' or 'U'
  std::vector<int> bcol;
  std::vector<double> bval;
  std::vector<BoRow> rows;
  std::vector<ONDRcut> cuts;
  bool empty() const { return btype.empty() && rows.empty() && cuts.empty(); }
};

struct ondr_branchobj_s {
  ONDRprob prob = nullptr;
  int isoriginal = 1;
  int id = 0;
  int priority = 0;
  int preferred = 0;
  std::vector<BoBranch> branches;
  std::string lasterror;
  int lasterror_code = 0;
};

namespace ondr {
namespace bb {

// A new object for `prob` (throws on a null problem).
ONDRbranchobject make_branchobj(ONDRprob prob, int isoriginal);

// Status of ONDR_bo_validate (0 valid) and the reason when not.
int validate_branchobj(const ondr_branchobj_s &bo, std::string &why);

// The search's branching `b` of a node with bounds (lo, up) as a new
// branching object: per child, the bounds it tightens.
ONDRbranchobject candidate_of(ONDRprob prob, const Branching &b, const std::vector<double> &lo,
                              const std::vector<double> &up);

// The branching of a valid object at a node with bounds (lo, up): each
// branch's bounds tighten the node's (a branch that empties a column's
// range makes an infeasible child), its rows become the child's rows.
Branching branching_of(const ondr_branchobj_s &bo, const std::vector<double> &lo,
                       const std::vector<double> &up);

// A row of a branch or a cut as a node row.
NodeRow node_row(char type, double rhs, std::vector<Entry> coefs);

// Whether some column's range is empty (lo > up).
bool empty_range(const std::vector<double> &lo, const std::vector<double> &up);

// The search's side of user branching: the node context callbacks store
// branching objects into, preintsol's verdicts, chgbranchobject's
// replacements.
class UserBranching {
 public:
  NodeContext &context() { return ctx_; }
  NodeContext &context(ONDRprob prob) {
    ctx_.prob = prob;
    return ctx_;
  }
  // preintsol on a candidate of type `soltype`: whether it may be kept;
  // `cutoff` (minimization form, kInf none) takes the callback's new one.
  bool accepts(const NodeEvents &ev, int soltype, const SearchOutcome &out, double &cutoff);
  // Whether the node's branching comes from the user.
  bool replaces(const NodeEvents &ev) const { return ctx_.stored || ev.chgbranchobject; }
  bool stored() const { return (bool)ctx_.stored; }
  // The user's branching of a node with bounds (lo, up): the stored object
  // or the search's own `b`, offered to chgbranchobject. Throws when the
  // object to use is not valid.
  Branching branching(const NodeEvents &ev, const Node &node, const Branching &b,
                      const std::vector<double> &lo, const std::vector<double> &up);

 private:
  NodeContext ctx_;
};

}  // namespace bb
}  // namespace ondr
