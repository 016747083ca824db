// Rows of a branch, and the node context: while the search processes a
// node, the context (one per searching thread) takes what callbacks hand to
// the search for that node, a stored branching object. (The rows a branch
// adds reach its child as cuts of the search: bb/search.cpp.)
#pragma once
#include <memory>
#include <vector>
#include "model/store.h"
#include "ondr_base.h"

namespace ondr {
namespace bb {

// lo <= coefs . x <= up over the model's columns; one side may be infinite.
struct NodeRow {
  std::vector<Entry> coefs;
  double lo = -kInf, up = kInf;
};

struct ondr_branchobj_deleter {
  void operator()(ONDRbranchobject bo) const;
};
using OwnedBranchObject = std::unique_ptr<struct ondr_branchobj_s, ondr_branchobj_deleter>;

// What callbacks hand to the search for the node being processed.
struct NodeContext {
  ONDRprob prob = nullptr;
  bool open = false;                 // a node is being processed
  OwnedBranchObject stored;          // branching object for the node
  int stored_priority = 0;
};

// Makes `ctx` the context of `prob` on this thread for the scope's life.
class ContextScope {
 public:
  explicit ContextScope(NodeContext &ctx);
  ~ContextScope();
  ContextScope(const ContextScope &) = delete;
  ContextScope &operator=(const ContextScope &) = delete;

 private:
  NodeContext *prev_;
};

// Opens the context for one node; closing forgets what was not taken.
class NodeScope {
 public:
  explicit NodeScope(NodeContext &ctx) : ctx_(ctx) { ctx_.open = true; }
  ~NodeScope();
  NodeScope(const NodeScope &) = delete;
  NodeScope &operator=(const NodeScope &) = delete;

 private:
  NodeContext &ctx_;
};

// The open node context of `prob` on this thread, or null.
NodeContext *node_context(ONDRprob prob);

}  // namespace bb
}  // namespace ondr
