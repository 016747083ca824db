#include "env/environment.h"
#include <cstdio>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <unordered_set>
#include "controls/ids.h"
#include "env/shell.h"
#include "ondr.h"

namespace ondr {

namespace {
std::mutex g_lock;                       // guards the registries below
bool g_started = false;
int g_checked = 1;
std::atomic<bool> g_messages{true};
// One line at a time on the shared outputs (stdout, stderr, log files shared
// by several problems): lines from solver threads of different problems
// never interleave.
std::mutex g_out_lock;
std::unordered_set<ONDRprob> g_probs;
std::unordered_set<OSLPprob> g_slps;
std::condition_variable g_edits_done;   // signalled when a change ends
thread_local int t_edits = 0;           // changes in progress on this thread
}  // namespace

bool started() {
  std::lock_guard<std::mutex> g(g_lock);
  return g_started;
}
void register_problem(ONDRprob p) {
  std::lock_guard<std::mutex> g(g_lock);
  g_probs.insert(p);
}
void unregister_problem(ONDRprob p) {
  std::lock_guard<std::mutex> g(g_lock);
  if (g_probs.count(p) && p->busy.load())
    fail(ERR_STATE, "The problem is being solved: it cannot be destroyed until the solve returns");
  g_probs.erase(p);
}
bool problem_alive(ONDRprob p) {
  std::lock_guard<std::mutex> g(g_lock);
  return g_probs.count(p) != 0;
}
void register_slp(OSLPprob s) {
  std::lock_guard<std::mutex> g(g_lock);
  g_slps.insert(s);
}
void unregister_slp(OSLPprob s, ONDRprob driven) {
  std::lock_guard<std::mutex> g(g_lock);
  if (g_slps.count(s) && g_probs.count(driven) && driven->busy.load())
    fail(ERR_STATE, "The problem is being solved: it cannot be destroyed until the solve returns");
  g_slps.erase(s);
}
bool slp_alive(OSLPprob s) {
  std::lock_guard<std::mutex> g(g_lock);
  return g_slps.count(s) != 0;
}
std::unique_lock<std::mutex> hold_if_alive(ONDRprob p) {
  std::unique_lock<std::mutex> g(g_lock);
  if (!g_probs.count(p)) g.unlock();
  return g;
}
std::unique_lock<std::mutex> hold_if_alive(OSLPprob s) {
  std::unique_lock<std::mutex> g(g_lock);
  if (!g_slps.count(s)) g.unlock();
  return g;
}

void begin_edit(ONDRprob p) {
  std::lock_guard<std::mutex> g(g_lock);
  if (p->busy.load() && p->busy_owner != std::this_thread::get_id())
    fail(ERR_STATE, "The problem is being solved: it cannot be changed until the solve returns");
  ++p->editors;
  ++t_edits;
}

void end_edit(ONDRprob p) {
  std::lock_guard<std::mutex> g(g_lock);
  --p->editors;
  --t_edits;
  g_edits_done.notify_all();
}

void acquire_busy(ONDRprob p) {
  std::unique_lock<std::mutex> g(g_lock);
  if (!g_probs.count(p)) fail(ERR_ARGUMENT, "Problem handle is not a live problem");
  if (p->busy.load())
    fail(ERR_STATE, "The problem is already being solved (by another thread or a callback)");
  // Changes on other threads are short: wait for them. This thread's own
  // (a solve started from inside a change) cannot end first.
  g_edits_done.wait(g, [&] { return !g_probs.count(p) || p->editors <= t_edits; });
  if (!g_probs.count(p)) fail(ERR_ARGUMENT, "Problem handle is not a live problem");
  if (p->busy.load())
    fail(ERR_STATE, "The problem is already being solved (by another thread or a callback)");
  p->busy_owner = std::this_thread::get_id();
  p->busy.store(true);
}

void release_busy(ONDRprob p) {
  std::lock_guard<std::mutex> g(g_lock);
  p->busy.store(false);
  p->busy_owner = std::thread::id();
}

bool busy_elsewhere(ONDRprob p) {
  if (!p->busy.load()) return false;
  std::lock_guard<std::mutex> g(g_lock);
  return p->busy.load() && p->busy_owner != std::this_thread::get_id();
}

void emit_message(ONDRprob prob, int msgtype, const std::string &text, int code) {
  if (!prob || !g_messages.load()) return;
  // The problem's output settings are read under its lock: a callback or
  // ONDRsetlogfile may change them while solver threads print.
  std::string logfile;
  bool shown;
  {
    std::lock_guard<std::mutex> g(prob->lock);
    if (code > 0) {
      auto it = prob->msgstatus.find(code);
      if (it != prob->msgstatus.end() && it->second == 0) return;
    }
    logfile = prob->logfile;
    shown = prob->controls.geti(id::OUTPUTLOG) || msgtype == 4;
  }
  cb::fire_message(prob, msgtype, text.c_str(), (int)text.size());
  std::lock_guard<std::mutex> g(g_out_lock);
  if (!logfile.empty()) {
    if (FILE *f = fopen(logfile.c_str(), "a")) {
      fprintf(f, "%s\n", text.c_str());
      fclose(f);
    }
  }
  if (shown) {
    FILE *out = msgtype >= 3 ? stderr : stdout;
    fprintf(out, "%s\n", text.c_str());
    fflush(out);
  }
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRinit(const char *) {
  std::lock_guard<std::mutex> g(g_lock);
  g_started = true;
  return 0;
}

ONDR_API int ONDRfree(void) {
  std::unordered_set<ONDRprob> probs;
  std::unordered_set<OSLPprob> slps;
  {
    std::lock_guard<std::mutex> g(g_lock);
    if (!g_started) return 0;
    for (ONDRprob p : g_probs)
      if (p->busy.load()) {
        set_global_error(ERR_STATE, "A problem is being solved: the library cannot be stopped until the solve returns");
        return ERR_STATE;
      }
    probs.swap(g_probs);
    slps.swap(g_slps);
    g_started = false;
  }
  for (OSLPprob s : slps) destroy_slp_record(s);
  for (ONDRprob p : probs) destroy_problem_record(p);
  return 0;
}

ONDR_API int ONDRenablemessages(int enable) {
  g_messages.store(enable != 0);
  return 0;
}

ONDR_API int ONDRgetversion(char *version) {
  if (!version) return ERR_ARGUMENT;
  snprintf(version, 32, "%s", "0.1.0");
  return 0;
}

ONDR_API int ONDRgetbanner(char *banner) {
  if (!banner) return ERR_ARGUMENT;
  snprintf(banner, 528, "%s",
           "Ondrel solver library 0.1.0: LP, MIP and QP by HiGHS, nonlinear problems by "
           "Ipopt and successive linear programming");
  return 0;
}

ONDR_API int ONDRgetcheckedmode(int *checkedmode) {
  if (!checkedmode) return ERR_ARGUMENT;
  std::lock_guard<std::mutex> g(g_lock);
  *checkedmode = g_checked;
  return 0;
}

ONDR_API int ONDRsetcheckedmode(int checkedmode) {
  std::lock_guard<std::mutex> g(g_lock);
  g_checked = checkedmode ? 1 : 0;
  return 0;
}

ONDR_API int ONDRinterrupt(ONDRprob prob, int reason) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(reason > 0, "Invalid interrupt reason %d", reason);
    prob->interrupt_reason.store(reason);
  });
}

ONDR_API int ONDRsetlogfile(ONDRprob prob, const char *filename) {
  return guard_prob(prob, [&] {
    std::string name = filename ? filename : "";
    if (!name.empty()) {
      FILE *f = fopen(name.c_str(), "a");
      if (!f) fail(ERR_FILE, "Cannot open log file '%s'", name.c_str());
      fclose(f);
    }
    std::lock_guard<std::mutex> g(prob->lock);
    prob->logfile = name;
  });
}

ONDR_API int ONDRsetmessagestatus(ONDRprob prob, int errcode, int status) {
  return guard_prob(prob, [&] {
    std::lock_guard<std::mutex> g(prob->lock);
    prob->msgstatus[errcode] = status ? 1 : 0;
  });
}

ONDR_API int ONDRgetmessagestatus(ONDRprob prob, int errcode, int *status) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(status, "NULL status argument");
    std::lock_guard<std::mutex> g(prob->lock);
    auto it = prob->msgstatus.find(errcode);
    *status = it == prob->msgstatus.end() ? 1 : it->second;
  });
}
