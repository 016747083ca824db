// C entry points of the callback registry: per kind add/remove (optimizer)
// or set (nonlinear), generated from the kind lists, and the global message
// handlers.
#include "cb/registry.h"
#include "env/environment.h"
#include "env/shell.h"
#include "nlp/slpprob.h"

namespace ondr {
namespace cb {
namespace {

// A worker problem of the tree search shares its owner's callbacks.
Registry &owner_registry(ONDRprob prob) {
  return (prob->search_owner ? prob->search_owner : prob)->callbacks;
}

int add(ONDRprob prob, Kind k, Fn fn, void *data, int priority) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(fn, "NULL %s callback function", info(k).name);
    check_may_register(prob);
    owner_registry(prob).add(k, fn, data, priority);
  });
}

int remove(ONDRprob prob, Kind k, Fn fn, void *data) {
  return guard_prob(prob, [&] {
    check_may_register(prob);
    if (!owner_registry(prob).remove(k, fn, data))
      fail(ERR_ARGUMENT, "No %s callback with this function and data is registered", info(k).name);
  });
}

int set(OSLPprob s, Kind k, Fn fn, void *data) {
  return guard_slp(s, [&] {
    ONDR_REQUIRE(fn, "NULL %s callback function", info(k).name);
    check_may_register(s->prob);
    s->prob->callbacks.set(k, fn, data);
  });
}

}  // namespace
}  // namespace cb
}  // namespace ondr

using namespace ondr;

#define ONDR_CB_DEFINE_OPT(name, type)                                              \
  ONDR_API int ONDRaddcb##name(ONDRprob prob, type f, void *data, int priority) {   \
    return cb::add(prob, cb::k_##name, (cb::Fn)f, data, priority);                  \
  }                                                                                 \
  ONDR_API int ONDRremovecb##name(ONDRprob prob, type f, void *data) {              \
    return cb::remove(prob, cb::k_##name, (cb::Fn)f, data);                         \
  }
#define ONDR_CB_DEFINE_NLP(name, type)                               \
  ONDR_API int OSLPsetcb##name(OSLPprob s, type f, void *data) {     \
    return cb::set(s, cb::k_##name, (cb::Fn)f, data);                \
  }
ONDR_CB_OPTIMIZER_KINDS(ONDR_CB_DEFINE_OPT)
ONDR_CB_NONLINEAR_KINDS(ONDR_CB_DEFINE_NLP)

ONDR_API int ONDR_ge_addcbmsghandler(ondr_ge_msghandler f, void *data, int priority) {
  return guard_env([&] {
    if (!started()) fail(ERR_NOTSTARTED, "The library has not been started (ONDRinit)");
    ONDR_REQUIRE(f, "NULL message handler");
    cb::add_handler(f, data, priority);
  });
}

ONDR_API int ONDR_ge_removecbmsghandler(ondr_ge_msghandler f, void *data) {
  return guard_env([&] {
    if (!cb::remove_handler(f, data))
      fail(ERR_ARGUMENT, "No message handler with this function and data is registered");
  });
}
