// Callback registry of a problem and the dispatcher every solver path calls.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>
#include "ondr_cb.h"

namespace ondr {
namespace cb {

// Kinds in the order of the public tables: optimizer kinds 0-17, then the
// nonlinear kinds 18-35.
enum Kind : int {
#define ONDR_CB_ENUM(name, type) k_##name,
  ONDR_CB_OPTIMIZER_KINDS(ONDR_CB_ENUM) ONDR_CB_NONLINEAR_KINDS(ONDR_CB_ENUM)
#undef ONDR_CB_ENUM
  kKindCount
};

// Solver paths, as bits: the LP optimizer on HiGHS (simplex, barrier), the
// MIP optimizer call (HiGHS MIP search, or HiGHS on its relaxation), the
// local solver of non-convex quadratic problems, the nonlinear layer, the
// engine's own tree search of the MIP call.
enum Path : unsigned { P_LP = 1, P_MIP = 2, P_LOCAL = 4, P_NLP = 8, P_TREE = 16 };
constexpr unsigned kOptimizerPaths = P_LP | P_MIP | P_LOCAL | P_TREE;

struct KindInfo {
  const char *name;
  bool nonlinear;  // set on the nonlinear handle, which it receives
  unsigned paths;  // the solver paths that call it; others refuse it at solve start
};
const KindInfo &info(Kind k);

using Fn = void (*)();

struct Entry {
  Fn fn;
  void *data;
  int priority;
  std::atomic<bool> removed{false};  // taken out while a dispatch held it
};
using EntryList = std::vector<std::shared_ptr<Entry>>;

// Per kind: entries in priority order, equal priorities in registration
// order. Calls never run under the lock: a dispatch takes a snapshot and
// skips entries removed meanwhile, so callbacks may add and remove.
class Registry {
 public:
  void add(Kind k, Fn fn, void *data, int priority);
  void set(Kind k, Fn fn, void *data);     // replaces whatever the kind had
  bool remove(Kind k, Fn fn, void *data);  // false when the pair is not there
  void clear_nonlinear();
  EntryList snapshot(Kind k) const;
  bool has(Kind k) const;

 private:
  mutable std::mutex lock_;
  EntryList lists_[kKindCount];
};

// Throws ERR_STATE naming the first registered kind that none of `paths`
// calls (nonlinear kinds count only when the nonlinear layer solves).
void refuse_unfired(ONDRprob prob, unsigned paths);
// The name of a registered kind that only the SLP local solver calls, or
// null when there is none.
const char *slp_only_registered(ONDRprob prob);
// Registration is refused while another thread solves the problem, unless
// the calling thread runs one of its callbacks.
void check_may_register(ONDRprob prob);

// each(prob, k, call): runs `call(fn, data)` for every live entry of `k`,
// marking the thread as inside a callback of `prob` (defined below).

// Firing points. The int-returning nonlinear kinds return the first
// nonzero result of their callbacks (0 when none is registered).
void fire_message(ONDRprob prob, int msgtype, const char *text, int len);
int fire_nlp(ONDRprob prob, Kind k);          // plain (handle, data) kinds
int fire_nlp_col(ONDRprob prob, Kind k, int col);
int fire_nlp_rowcol(ONDRprob prob, Kind k, int row, int col);
// A nonlinear event whose nonzero result means stop: asks the solve to stop
// (stop_user) and returns true.
bool fire_nlp_stop(ONDRprob prob, Kind k);
// End of an SLP iteration: itervar for each of `ncols` columns, then
// iterend; true when iterend asks to stop.
bool fire_iteration_end(ONDRprob prob, int ncols);

// Global message handlers.
void add_handler(ondr_ge_msghandler f, void *data, int priority);
bool remove_handler(ondr_ge_msghandler f, void *data);
void fire_handlers(ONDRprob prob, int msgtype, const char *text);

// Marks the calling thread as running a callback of `p` for its lifetime.
struct InCallback {
  explicit InCallback(ONDRprob p);
  ~InCallback();
  InCallback(const InCallback &) = delete;
  InCallback &operator=(const InCallback &) = delete;
  ONDRprob prev;
};
const Registry &registry_of(ONDRprob prob);

template <class F>
void each(ONDRprob prob, Kind k, F &&call) {
  if (!prob) return;
  EntryList list = registry_of(prob).snapshot(k);
  if (list.empty()) return;
  InCallback inside(prob);
  for (const auto &e : list)
    if (!e->removed.load()) call(e->fn, e->data);
}

}  // namespace cb
}  // namespace ondr
