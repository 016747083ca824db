// The record behind an OSLPprob handle: a nonlinear layer driving one
// optimizer problem. The nonlinear coefficients themselves live in the
// optimizer problem's Model, so that row and column deletions renumber them.
#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <vector>
#include "controls/values.h"
#include "env/error.h"
#include "env/problem.h"

namespace ondr {

struct NlpResults {
  int status = 0;           // nlp_* codes: 0 unstarted, 1 locally optimal, ...
  int state = 0;            // NLPSTATE bits
  int solverused = 0;
  int64_t iter = 0;
  double objval = 0.0, maxinfeas = 0.0, time = 0.0;
  bool has_sol = false;
  std::vector<double> x, slack, dual, dj;
};

}  // namespace ondr

struct oslp_problem_s {
  ONDRprob prob = nullptr;                // the optimizer problem driven
  ondr::ControlValues controls{1};
  ondr::NlpResults results;
  std::string lasterror;
  int lasterror_code = 0;
  std::atomic<int> interrupt_reason{0};
  std::atomic<bool> solving{false};       // a nonlinear solve is running
  std::mutex lock;
};

namespace ondr {
void set_slp_error(OSLPprob s, int code, const std::string &msg);
void check_slp(OSLPprob s);

template <class F>
int guard_slp(OSLPprob s, F &&f) {
  try {
    check_slp(s);
    f();
    return OK;
  } catch (const Error &e) {
    set_slp_error(s, e.code(), e.what());
    return e.code();
  } catch (const std::bad_alloc &) {
    set_slp_error(s, ERR_MEMORY, "Out of memory");
    return ERR_MEMORY;
  } catch (const std::exception &e) {
    set_slp_error(s, ERR_GENERAL, e.what());
    return ERR_GENERAL;
  }
}
}  // namespace ondr
