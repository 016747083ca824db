// Ctrl-C during a solve. The SIGINT handler is process-wide: only a solve
// on the main thread installs it (and restores the previous one when it
// ends). The handler only counts signals; every running solve has a
// watcher thread that turns a new count into an interrupt request to its
// library problem, so one Ctrl-C stops every solve running at that moment.
// The main thread's solve then raises KeyboardInterrupt; solves on other
// threads just return with their interrupted status.
#pragma once
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>
#include "problem/problem.h"

class InterruptWatch {
 public:
  // Starts watching; call with the interpreter lock held.
  InterruptWatch(ProblemObject *p, bool nonlinear);
  ~InterruptWatch() { stop(); }
  InterruptWatch(const InterruptWatch &) = delete;
  InterruptWatch &operator=(const InterruptWatch &) = delete;
  // Ends the watch (idempotent, needs no interpreter lock). True when
  // Ctrl-C was pressed during the solve and this solve runs on the main
  // thread, so the caller raises KeyboardInterrupt.
  bool stop();
  // Records the interpreter's main thread (at module import).
  static void set_main_thread();

 private:
  void watch();
  ONDRprob prob_;
  OSLPprob slp_;
  bool nonlinear_;
  bool main_ = false, installed_ = false, running_ = false, done_ = false, stopped_ = false;
  bool seen_ = false;
  long start_count_ = 0;
  PyOS_sighandler_t old_ = nullptr;
  std::thread watcher_;
  std::mutex m_;
  std::condition_variable cv_;
};
