#include "env/error.h"
#include <cstdio>
#include <mutex>
#include "env/shell.h"
#include "env/environment.h"

namespace ondr {

std::string format(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  char buf[1024];
  vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  return buf;
}

void fail(int code, const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  char buf[1024];
  vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  throw Error(code, buf);
}

namespace {
// The last error of a failure without a problem, one record per thread: two
// threads failing at once each read back their own text, never the other's
// or a mix of both.
thread_local int t_err_code = 0;
thread_local std::string t_err_text;
}  // namespace

void set_global_error(int code, const std::string &msg) {
  t_err_code = code;
  t_err_text = msg;
}
void clear_global_error() { set_global_error(0, ""); }
int global_error_code() { return t_err_code; }
std::string global_error_text() { return t_err_text; }

void set_problem_error(ONDRprob prob, int code, const std::string &msg) {
  if (prob) {
    auto live = hold_if_alive(prob);
    if (live.owns_lock()) {
      std::lock_guard<std::mutex> g(prob->lock);
      prob->lasterror = msg;
      prob->lasterror_code = code;
    }
  }
  set_global_error(code, msg);
}

void check_problem(ONDRprob prob) {
  if (!started()) fail(ERR_NOTSTARTED, "The library has not been started (ONDRinit)");
  if (!prob) fail(ERR_ARGUMENT, "Problem handle is NULL");
  if (!problem_alive(prob)) fail(ERR_ARGUMENT, "Problem handle is not a live problem");
}

void check_not_busy(ONDRprob prob) {
  if (busy_elsewhere(prob))
    fail(ERR_STATE, "The problem is being solved: it cannot be changed until the solve returns");
}

BusyScope::BusyScope(ONDRprob prob, unsigned paths) : prob_(prob) {
  acquire_busy(prob);
  try {
    cb::refuse_unfired(prob, paths);
  } catch (...) {
    release_busy(prob);
    throw;
  }
}
BusyScope::~BusyScope() { release_busy(prob_); }
EditScope::EditScope(ONDRprob prob) : prob_(prob) { begin_edit(prob); }
EditScope::~EditScope() { end_edit(prob_); }

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRgetlasterror(ONDRprob prob, char *errmsg) {
  if (!errmsg) return ERR_ARGUMENT;
  errmsg[0] = 0;
  auto live = hold_if_alive(prob);
  if (!prob || !live.owns_lock()) {
    set_global_error(ERR_ARGUMENT, "Problem handle is not a live problem");
    return ERR_ARGUMENT;
  }
  std::lock_guard<std::mutex> g(prob->lock);
  snprintf(errmsg, ONDR_MAXMESSAGELENGTH, "%s", prob->lasterror.c_str());
  return 0;
}

ONDR_API int ONDR_ge_getlasterror(int *msgcode, char *msg, int maxbytes, int *nbytes) {
  std::string t = global_error_text();
  if (msgcode) *msgcode = global_error_code();
  if (nbytes) *nbytes = (int)t.size() + 1;
  if (msg && maxbytes > 0) snprintf(msg, (size_t)maxbytes, "%s", t.c_str());
  return 0;
}
