// Nodes of the search tree and the store of open nodes. A node keeps only
// the bound changes made at it (branching and propagation) and points to
// its parent's; its bounds are the root's with every change on the path
// applied in order. Children share the parent's final basis, the warm start
// of their LPs.
#pragma once
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

namespace ondr {
namespace bb {

struct BoundChange {
  int col;
  double lo, up;
};

struct Delta {
  std::shared_ptr<const Delta> parent;
  std::vector<BoundChange> own;
};

struct Basis {
  std::vector<int> cols, rows;  // public status codes
  std::vector<double> x;        // a nonlinear relaxation's solution: its children's start
};

// Score of a pseudocost update: the branched column, its direction, its
// fractional distance, and the parent's objective.
struct BranchRecord {
  int col = -1;
  bool up = false;
  double dist = 0.0;
  double parent_obj = 0.0;
};

struct Node {
  int64_t id = 0;
  int64_t parent = -1;
  int depth = 0;
  double bound = 0.0;            // lower bound of the subtree (minimization form)
  std::shared_ptr<const Delta> delta;
  std::shared_ptr<const Basis> basis;  // the parent's final basis, null at the root
  BranchRecord branch;
  // Cuts of the node's LP besides the search's own (cut pool tokens, see
  // cuts/state.h), inherited by its children; null: none. A branching
  // object's rows reach the children as such cuts.
  std::shared_ptr<const std::vector<uint64_t>> cuts;
};

// The node's bounds: `lo`, `up` hold the root's on entry.
void apply_path(const Node &n, std::vector<double> &lo, std::vector<double> &up);

// Open nodes, ordered by bound and then by creation (deterministic).
class NodeQueue {
 public:
  void push(Node n);
  bool empty() const { return nodes_.empty(); }
  size_t size() const { return nodes_.size(); }
  Node pop_best();
  // The smallest bound of an open node (+inf when none).
  double best_bound() const;
  // Drops every node whose bound is at least `cutoff`; returns how many.
  size_t prune(double cutoff);

 private:
  struct Less {
    bool operator()(const Node &a, const Node &b) const {
      return a.bound < b.bound || (a.bound == b.bound && a.id < b.id);
    }
  };
  std::multiset<Node, Less> nodes_;
};

}  // namespace bb
}  // namespace ondr
