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
#include "env/shell.h"
#include "nlp/local_solver.h"

namespace ondr {

struct NlpResults {
  int status = 0;           // nlp_* codes: 0 unstarted, 1 locally optimal, ...
  int state = 0;            // NLPSTATE bits
  int solverused = 0;
  int64_t iter = 0;
  double objval = 0.0, maxinfeas = 0.0, time = 0.0;
  bool has_sol = false;
  std::vector<double> x, slack, dual, dj;
  SlpInfo slp;              // filled by SLP solves only (empty otherwise)
  // Last validation (OSLPvalidate*).
  int valid_status = 0;
  double valid_abs = 0.0, valid_rel = 0.0, kkt_stat = 0.0, kkt_compl = 0.0;
};

// A multistart job: initial values and control values that differ from
// the problem's, and the caller's object handed back to the job callbacks.
struct MsJob {
  std::string description;
  std::vector<int> cols;
  std::vector<double> values;
  std::vector<std::pair<int, int64_t>> ints;
  std::vector<std::pair<int, double>> dbls;
  void *object = nullptr;
};

// A tolerance set: 9 tolerances and the bits of the active ones.
struct TolSet {
  int status = 0;
  double tol[9] = {0};
};

// A registered user function; its number is its position in the table + 1.
// It is called as
//   double f(const double *inputs, void *funccontext, const double *deltas,
//            double *results)
// (see OSLPadduserfuncs in oslp_coefs.h).
struct UserFunc {
  std::string name;         // from OSLPaddnames kind 5, else its description
  std::string linkage;      // how it is called: "DirectC", through `address`
  int flags = 0;            // OSLP_UFCALL_* bits
  void *address = nullptr;  // set by OSLPchguserfuncaddress
  void *object = nullptr;   // set by OSLPsetuserfuncobject, never dereferenced
};

}  // namespace ondr

struct oslp_problem_s {
  ONDRprob prob = nullptr;                // the optimizer problem driven
  ondr::ControlValues controls{1};
  ondr::NlpResults results;
  std::string lasterror;
  int lasterror_code = 0;
  // Strings given to OSLPsetstring (index = position + 1) and the user
  // functions (number = position + 1). Guarded by `lock` where evaluation on
  // another thread may read them.
  std::vector<std::string> strings;
  std::vector<ondr::UserFunc> userfuncs;
  std::vector<ondr::TolSet> tolsets;      // set k is tolsets[k - 1]
  std::vector<ondr::MsJob> msjobs;        // the multistart pool, run by the next solve
  std::vector<int> hard_rows;             // rows without penalty columns (OSLPfixpenalties)
  std::vector<double> linearization;      // Jacobian values kept by OSLPupdatelinearization
  std::string uniqueprefix;
  double created = 0.0;                   // wall clock (seconds) at creation
  std::atomic<int> interrupt_reason{0};
  std::atomic<bool> solving{false};       // a nonlinear solve is running
  std::mutex lock;
};

namespace ondr {
void set_slp_error(OSLPprob s, int code, const std::string &msg);
void check_slp(OSLPprob s);
// Every change to the nonlinear content calls this: the problem leaves its
// constructed (0x1) and presolved (0x20000000) states, whose data no longer
// describe the model.
void nlp_model_changed(OSLPprob s);

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

// guard_slp for entry points that change the problem: refused while another
// thread is solving the optimizer problem behind it, and no solve starts
// until the change ends.
template <class F>
int guard_slp_mut(OSLPprob s, F &&f) {
  return guard_slp(s, [&] {
    EditScope edit(s->prob);
    f();
  });
}
}  // namespace ondr
