// Choice between HiGHS's MIP and the tree search.
#include "bb/tree.h"
#include "cb/registry.h"
#include "controls/ids.h"
#include "env/error.h"
#include "mip/reformulate.h"

namespace ondr {
namespace bb {

namespace {

// Callback kinds that only the tree search can call.
const cb::Kind kNodeKinds[] = {cb::k_chgbranchobject, cb::k_infnode, cb::k_newnode,
                               cb::k_nodecutoff,      cb::k_optnode, cb::k_prenode};
// Kinds about the tree search's worker threads, which only it has.
const cb::Kind kWorkerKinds[] = {cb::k_destroymt, cb::k_mipthread};

}  // namespace

bool use_tree_search(ONDRprob prob, LpData &highs_model) {
  switch (prob->controls.geti(id::MIPSOLVER)) {
    case 1: highs_model = mip_model(prob->model); return false;
    case 2: return true;
    default: break;
  }
  for (cb::Kind k : kNodeKinds)
    if (prob->callbacks.has(k)) return true;
  for (cb::Kind k : kWorkerKinds)
    if (prob->callbacks.has(k)) return true;
  try {
    highs_model = mip_model(prob->model);
  } catch (const Error &e) {
    if (e.code() == ERR_STATE) return true;
    throw;
  }
  return false;
}

}  // namespace bb
}  // namespace ondr
