// The node the tree search is processing, as the cut and branching entry
// points see it while a node callback runs on this thread: its cuts, its
// LP solution, the children asked for, and its LP for strong branching.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>
#include "bb/node.h"
#include "env/problem.h"

namespace ondr {
namespace bb {
class NodeLp;
struct BbModel;
}  // namespace bb
namespace cuts {

// A child a node callback gave: bound changes and cuts of its subtree.
struct UserBranch {
  std::vector<bb::BoundChange> bounds;
  std::vector<uint64_t> cuts;
};

struct NodeContext {
  ONDRprob prob = nullptr;
  bool open = false;                 // cuts and children may be changed (prenode, optnode)
  bool changed = false;              // `active` was changed by a callback
  std::vector<uint64_t> active;      // the node's cuts (tokens)
  const std::vector<uint64_t> *resident = nullptr;  // the separators' cuts, in every node LP
  const std::vector<double> *x = nullptr;  // the node's LP solution, once solved
  double obj = 0.0;                  // its objective (minimization form)
  int sense = 1;
  std::vector<UserBranch> branches;
  bb::NodeLp *lp = nullptr;          // holds the node's bounds and rows
  const bb::BbModel *bm = nullptr;
  const std::vector<double> *lo = nullptr, *up = nullptr;  // the node's column bounds
  std::function<int(uint64_t)> row_of;     // LP row of a cut, -1 none
  std::function<void()> restore;           // puts the node's LP back after strong branching
};

// The context of `prob` on this thread (null: no node callback is running).
NodeContext *current(ONDRprob prob);
// The context or a failure "<what> can only be called from a callback
// during the branch-and-bound"; `open`: also refused outside the prenode
// and optnode callbacks.
NodeContext &require_node(ONDRprob prob, const char *what, bool open);

// Makes `ctx` this thread's context for the scope's lifetime.
class ContextScope {
 public:
  explicit ContextScope(NodeContext *ctx);
  ~ContextScope();
  ContextScope(const ContextScope &) = delete;
  ContextScope &operator=(const ContextScope &) = delete;
 private:
  NodeContext *prev_;
};

}  // namespace cuts
}  // namespace ondr
