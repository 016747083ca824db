// The Ctrl-C watcher of solves (see interrupt.h).
#include "problem/interrupt.h"
#include <atomic>
#include <chrono>

namespace {

// Lock-free, so safe to touch from the signal handler.
std::atomic<long> g_sigint_count{0};
static_assert(std::atomic<long>::is_always_lock_free, "signal counter must be lock-free");
std::thread::id g_main_thread = std::this_thread::get_id();

constexpr int kStopCtrlC = 2;

extern "C" void on_sigint(int) { g_sigint_count.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

void InterruptWatch::set_main_thread() { g_main_thread = std::this_thread::get_id(); }

InterruptWatch::InterruptWatch(ProblemObject *p, bool nonlinear)
    : prob_(p->prob), slp_(p->slpprob), nonlinear_(nonlinear) {
  main_ = std::this_thread::get_id() == g_main_thread;
  start_count_ = g_sigint_count.load();
  if (main_) {
    old_ = PyOS_setsig(SIGINT, on_sigint);
    installed_ = true;
  }
  try {
    watcher_ = std::thread([this] { watch(); });
    running_ = true;
  } catch (...) {
    // Without a watcher the solve still runs; Ctrl-C is then only reported
    // after it returns.
  }
}

bool InterruptWatch::stop() {
  if (!stopped_) {
    stopped_ = true;
    if (running_) {
      {
        std::lock_guard<std::mutex> g(m_);
        done_ = true;
      }
      cv_.notify_all();
      watcher_.join();
      running_ = false;
    }
    if (installed_) {
      PyOS_setsig(SIGINT, old_);
      installed_ = false;
    }
    if (g_sigint_count.load() != start_count_) seen_ = true;
  }
  return main_ && seen_;
}

void InterruptWatch::watch() {
  std::unique_lock<std::mutex> lk(m_);
  bool sent = false;
  while (!done_) {
    cv_.wait_for(lk, std::chrono::milliseconds(20));
    if (!sent && g_sigint_count.load() != start_count_) {
      if (nonlinear_ && slp_) OSLPinterrupt(slp_, kStopCtrlC);
      else ONDRinterrupt(prob_, kStopCtrlC);
      sent = true;
    }
  }
}
