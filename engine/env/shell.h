// The shells around every C entry point: run the C++ work, turn exceptions
// into a status and a last-error text. `guard_prob` records the error on the
// problem (and in the global record), `guard_env` only in the global record.
#pragma once
#include <new>
#include "env/error.h"
#include "env/problem.h"

namespace ondr {

void set_problem_error(ONDRprob prob, int code, const std::string &msg);
// Throws unless the library is started and `prob` is a live problem.
void check_problem(ONDRprob prob);

template <class F>
int guard_env(F &&f) {
  try {
    f();
    return OK;
  } catch (const Error &e) {
    set_global_error(e.code(), e.what());
    return e.code();
  } catch (const std::bad_alloc &) {
    set_global_error(ERR_MEMORY, "Out of memory");
    return ERR_MEMORY;
  } catch (const std::exception &e) {
    set_global_error(ERR_GENERAL, e.what());
    return ERR_GENERAL;
  }
}

// Throws ERR_STATE when another thread is solving `prob`: used by every
// entry point that changes or destroys the problem.
void check_not_busy(ONDRprob prob);

// Marks a problem as being solved for the scope's lifetime; throws
// ERR_STATE when it already is, or when a registered callback kind is called
// by none of the solver `paths` the solve may take (cb/registry.h).
class BusyScope {
 public:
  explicit BusyScope(ONDRprob prob, unsigned paths = cb::kOptimizerPaths);
  ~BusyScope();
  BusyScope(const BusyScope &) = delete;
  BusyScope &operator=(const BusyScope &) = delete;
 private:
  ONDRprob prob_;
};

// A change of the problem for the scope's lifetime (see begin_edit in
// env/environment.h); throws ERR_STATE while another thread solves it.
class EditScope {
 public:
  explicit EditScope(ONDRprob prob);
  ~EditScope();
  EditScope(const EditScope &) = delete;
  EditScope &operator=(const EditScope &) = delete;
 private:
  ONDRprob prob_;
};

template <class F>
int guard_prob(ONDRprob prob, F &&f);

// guard_prob for entry points that change the problem: refused while
// another thread is solving it, and no solve starts until the change ends.
template <class F>
int guard_mut(ONDRprob prob, F &&f) {
  return guard_prob(prob, [&] {
    EditScope edit(prob);
    f();
  });
}

template <class F>
int guard_prob(ONDRprob prob, F &&f) {
  try {
    check_problem(prob);
    f();
    return OK;
  } catch (const Error &e) {
    set_problem_error(prob, e.code(), e.what());
    return e.code();
  } catch (const std::bad_alloc &) {
    set_problem_error(prob, ERR_MEMORY, "Out of memory");
    return ERR_MEMORY;
  } catch (const std::exception &e) {
    set_problem_error(prob, ERR_GENERAL, e.what());
    return ERR_GENERAL;
  }
}

}  // namespace ondr
