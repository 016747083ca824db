#include "bb/lazy.h"
#include "bb/branchobj.h"

namespace ondr {
namespace bb {

namespace {

thread_local NodeContext *t_context = nullptr;

}  // namespace

void ondr_branchobj_deleter::operator()(ONDRbranchobject bo) const { delete bo; }

ContextScope::ContextScope(NodeContext &ctx) : prev_(t_context) { t_context = &ctx; }
ContextScope::~ContextScope() { t_context = prev_; }

NodeScope::~NodeScope() {
  ctx_.open = false;
  ctx_.stored.reset();
}

NodeContext *node_context(ONDRprob prob) {
  NodeContext *c = t_context;
  return c && c->prob == prob && c->open ? c : nullptr;
}

}  // namespace bb
}  // namespace ondr
