// Choice between HiGHS's MIP and the tree search.
#include "bb/tree.h"
#include "bb/noderelax.h"
#include "cb/registry.h"
#include "controls/ids.h"
#include "cuts/state.h"
#include "env/error.h"
#include "mip/reformulate.h"

namespace ondr {
namespace bb {

namespace {

// Callback kinds that only the tree search can call.
const cb::Kind kNodeKinds[] = {cb::k_chgbranchobject, cb::k_infnode, cb::k_newnode,
                               cb::k_nodecutoff,      cb::k_optnode, cb::k_prenode,
                               cb::k_preintsol};
// Kinds about the tree search's worker threads, which only it has.
const cb::Kind kWorkerKinds[] = {cb::k_destroymt, cb::k_mipthread};

}  // namespace

bool node_features_in_use(ONDRprob prob) {
  for (cb::Kind k : kNodeKinds)
    if (prob->callbacks.has(k)) return true;
  return cuts::wants_tree_search(prob);
}

bool use_tree_search(ONDRprob prob, LpData &highs_model) {
  // HiGHS's MIP takes linear problems only (solve_nonlinear_tree refuses
  // mipsolver 1 with the reason).
  if (has_nonlinear_content(prob->model)) return true;
  switch (prob->controls.geti(id::MIPSOLVER)) {
    case 1: highs_model = mip_model(prob->model); return false;
    case 2: return true;
    default: break;
  }
  for (cb::Kind k : kNodeKinds)
    if (prob->callbacks.has(k)) return true;
  if (cuts::wants_tree_search(prob)) return true;
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
