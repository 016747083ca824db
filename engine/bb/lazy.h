// Rows that hold in the subtree of a node: added by a branching object's
// branch to its child. A node keeps the rows added at it and points to its parent's,
// like its bound changes; the node LP holds the rows of the node's path
// after the model's rows and the root cuts, and changes only the part of
// the path that differs from the node solved before.
//
// While the search processes a node, the node context (one per searching
// thread) takes what callbacks hand to the search for that node: a stored
// branching object.
#pragma once
#include <memory>
#include <vector>
#include "model/store.h"
#include "ondr_base.h"

namespace ondr {
namespace bb {

class NodeLp;

// lo <= coefs . x <= up over the model's columns; one side may be infinite.
struct NodeRow {
  std::vector<Entry> coefs;
  double lo = -kInf, up = kInf;
};

struct RowDelta {
  std::shared_ptr<const RowDelta> parent;
  std::vector<NodeRow> own;
};
using RowChain = std::shared_ptr<const RowDelta>;

// `parent` with `rows` added below it (`parent` itself when there are none).
RowChain extend_rows(const RowChain &parent, std::vector<NodeRow> rows);

// The node rows a node LP holds, as its last rows.
class LocalRows {
 public:
  // Makes `lp` hold the rows of `chain` (and no other node rows).
  void install(NodeLp &lp, int model_rows, const RowChain &chain);

 private:
  std::vector<RowChain> installed_;   // the path installed, root side first
  std::vector<int> lp_rows_;          // LP rows each delta of the path takes
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
