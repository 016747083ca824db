// The per-problem callback registry, the global message handlers and the
// dispatcher.
#include "cb/registry.h"
#include <algorithm>
#include "env/environment.h"
#include "env/error.h"
#include "env/problem.h"
#include "nlp/slpprob.h"

namespace ondr {
namespace cb {

namespace {
// One row per kind: the solver paths that call it.
constexpr unsigned LP = P_LP, MIP = P_MIP, NLP = P_NLP, TREE = P_TREE,
                   ANY = P_LP | P_MIP | P_LOCAL | P_NLP | P_TREE;
const KindInfo kKinds[kKindCount] = {
    {"bariteration", false, LP | MIP},   {"barlog", false, LP | MIP},
    {"chgbranchobject", false, TREE},    {"cutlog", false, MIP},
    {"destroymt", false, TREE},          {"gapnotify", false, MIP | TREE},
    {"globallog", false, MIP},           {"infnode", false, TREE},
    {"intsol", false, MIP | TREE},       {"lplog", false, LP | MIP},
    {"message", false, ANY},             {"mipthread", false, TREE},
    {"newnode", false, TREE},            {"nodecutoff", false, TREE},
    {"optnode", false, TREE},            {"preintsol", false, TREE},
    {"prenode", false, TREE},            {"usersolnotify", false, MIP},
    {"cascadeend", true, NLP},           {"cascadestart", true, NLP},
    {"cascadevar", true, NLP},           {"cascadevarfail", true, NLP},
    {"coefevalerror", true, NLP},        {"construct", true, NLP},
    {"destroy", true, NLP},              {"drcol", true, NLP},
    {"formula", true, 0},                {"iterend", true, NLP},
    {"iterstart", true, NLP},            {"itervar", true, NLP},
    {"msjobend", true, NLP},             {"msjobstart", true, NLP},
    {"mswinner", true, NLP},             {"slpend", true, NLP},
    {"slpnode", true, 0},                {"slpstart", true, NLP},
};

constexpr int kStopUser = 9;

thread_local ONDRprob t_in_callback = nullptr;

std::mutex g_handler_lock;
EntryList g_handlers;

void insert_sorted(EntryList &l, std::shared_ptr<Entry> e) {
  auto at = std::upper_bound(l.begin(), l.end(), e->priority,
                             [](int p, const std::shared_ptr<Entry> &x) { return p < x->priority; });
  l.insert(at, std::move(e));
}

std::shared_ptr<Entry> make_entry(Fn fn, void *data, int priority) {
  auto e = std::make_shared<Entry>();
  e->fn = fn;
  e->data = data;
  e->priority = priority;
  return e;
}

bool remove_from(EntryList &l, Fn fn, void *data) {
  for (auto it = l.begin(); it != l.end(); ++it)
    if ((*it)->fn == fn && (*it)->data == data) {
      (*it)->removed.store(true);
      l.erase(it);
      return true;
    }
  return false;
}
}  // namespace

const KindInfo &info(Kind k) { return kKinds[k]; }

void Registry::add(Kind k, Fn fn, void *data, int priority) {
  auto e = make_entry(fn, data, priority);
  std::lock_guard<std::mutex> g(lock_);
  insert_sorted(lists_[k], std::move(e));
}

void Registry::set(Kind k, Fn fn, void *data) {
  auto e = make_entry(fn, data, 0);
  std::lock_guard<std::mutex> g(lock_);
  for (auto &old : lists_[k]) old->removed.store(true);
  lists_[k].clear();
  lists_[k].push_back(std::move(e));
}

bool Registry::remove(Kind k, Fn fn, void *data) {
  std::lock_guard<std::mutex> g(lock_);
  return remove_from(lists_[k], fn, data);
}

void Registry::clear_nonlinear() {
  std::lock_guard<std::mutex> g(lock_);
  for (int k = 0; k < kKindCount; ++k)
    if (kKinds[k].nonlinear) {
      for (auto &e : lists_[k]) e->removed.store(true);
      lists_[k].clear();
    }
}

EntryList Registry::snapshot(Kind k) const {
  std::lock_guard<std::mutex> g(lock_);
  return lists_[k];
}

bool Registry::has(Kind k) const {
  std::lock_guard<std::mutex> g(lock_);
  return !lists_[k].empty();
}

const Registry &registry_of(ONDRprob prob) {
  return (prob->search_owner ? prob->search_owner : prob)->callbacks;
}

InCallback::InCallback(ONDRprob p) : prev(t_in_callback) { t_in_callback = p; }
InCallback::~InCallback() { t_in_callback = prev; }

const char *slp_only_registered(ONDRprob prob) {
  for (Kind k : {k_iterstart, k_iterend, k_itervar, k_cascadestart, k_cascadeend, k_cascadevar, k_cascadevarfail})
    if (prob->callbacks.has(k)) return kKinds[k].name;
  return nullptr;
}

void refuse_unfired(ONDRprob prob, unsigned paths) {
  bool nonlinear_path = prob->slp && prob->slp->solving.load();
  for (int k = 0; k < kKindCount; ++k) {
    const KindInfo &ki = kKinds[k];
    if ((ki.paths & paths) || (ki.nonlinear && !nonlinear_path) || !prob->callbacks.has((Kind)k))
      continue;
    fail(ERR_STATE, "The %s callback is not called by this solver path; remove it before solving",
         ki.name);
  }
}

void check_may_register(ONDRprob prob) {
  // A callback on a worker of prob's tree search runs for prob too.
  bool inside = t_in_callback == prob || (t_in_callback && t_in_callback->search_owner == prob);
  if (busy_elsewhere(prob) && !inside)
    fail(ERR_STATE, "The problem is being solved by another thread: its callbacks cannot change "
                    "until the solve returns");
}

void fire_message(ONDRprob prob, int msgtype, const char *text, int len) {
  each(prob, k_message, [&](Fn fn, void *data) {
    ((ondr_cb_message)fn)(prob, data, text, len, msgtype);
  });
  fire_handlers(prob, msgtype, text);
}

int fire_nlp(ONDRprob prob, Kind k) {
  int result = 0;
  if (!prob || !prob->slp) return 0;
  each(prob, k, [&](Fn fn, void *data) {
    int r = ((oslp_cb_plain)fn)(prob->slp, data);
    if (!result) result = r;
  });
  return result;
}

int fire_nlp_col(ONDRprob prob, Kind k, int col) {
  int result = 0;
  if (!prob || !prob->slp) return 0;
  each(prob, k, [&](Fn fn, void *data) {
    int r = ((oslp_cb_col)fn)(prob->slp, data, col);
    if (!result) result = r;
  });
  return result;
}

int fire_nlp_rowcol(ONDRprob prob, Kind k, int row, int col) {
  int result = 0;
  if (!prob || !prob->slp) return 0;
  each(prob, k, [&](Fn fn, void *data) {
    int r = ((oslp_cb_rowcol)fn)(prob->slp, data, row, col);
    if (!result) result = r;
  });
  return result;
}

bool fire_nlp_stop(ONDRprob prob, Kind k) {
  if (fire_nlp(prob, k) == 0) return false;
  prob->interrupt_reason.store(kStopUser);
  return true;
}

bool fire_iteration_end(ONDRprob prob, int ncols) {
  if (!prob) return false;
  if (prob->callbacks.has(k_itervar))
    for (int j = 0; j < ncols; ++j) fire_nlp_col(prob, k_itervar, j);
  return fire_nlp_stop(prob, k_iterend);
}

void add_handler(ondr_ge_msghandler f, void *data, int priority) {
  auto e = make_entry((Fn)f, data, priority);
  std::lock_guard<std::mutex> g(g_handler_lock);
  insert_sorted(g_handlers, std::move(e));
}

bool remove_handler(ondr_ge_msghandler f, void *data) {
  std::lock_guard<std::mutex> g(g_handler_lock);
  return remove_from(g_handlers, (Fn)f, data);
}

void fire_handlers(ONDRprob prob, int msgtype, const char *text) {
  EntryList list;
  {
    std::lock_guard<std::mutex> g(g_handler_lock);
    list = g_handlers;
  }
  // The thread id is an opaque token: the address of a thread-local.
  static thread_local char thread_token;
  for (const auto &e : list)
    if (!e->removed.load())
      ((ondr_ge_msghandler)e->fn)(prob, e->data, &thread_token, text, msgtype, 0);
}

}  // namespace cb
}  // namespace ondr
