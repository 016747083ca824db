#include "cuts/node.h"
#include "env/error.h"

namespace ondr {
namespace cuts {

namespace {
thread_local NodeContext *t_ctx = nullptr;
}

NodeContext *current(ONDRprob prob) { return t_ctx && t_ctx->prob == prob ? t_ctx : nullptr; }

NodeContext &require_node(ONDRprob prob, const char *what, bool open) {
  NodeContext *c = current(prob);
  if (!c) fail(ERR_STATE, "%s can only be called from a callback during the branch-and-bound", what);
  if (open && !c->open)
    fail(ERR_STATE, "%s can only be called from a prenode or optnode callback", what);
  return *c;
}

ContextScope::ContextScope(NodeContext *ctx) : prev_(t_ctx) { t_ctx = ctx; }
ContextScope::~ContextScope() { t_ctx = prev_; }

}  // namespace cuts
}  // namespace ondr
