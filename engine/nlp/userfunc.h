// Calling user functions during evaluation: the function context the callee
// sees, its value, and its first and second derivatives (its own where it
// gives them, central differences otherwise). No global state: safe on any
// thread as long as the callee is.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "env/error.h"
#include "nlp/slpprob.h"

namespace ondr {

using UserFuncPtr = double (*)(const double *inputs, void *funccontext, const double *deltas,
                               double *results);

// The user functions an evaluation may call: a copy of a problem's table.
struct UserFuncTable {
  OSLPprob slp = nullptr;
  std::vector<UserFunc> funcs;  // number = index + 1
  // Copies the table of `s` (NULL: an empty table).
  static UserFuncTable of(OSLPprob s);
  // The function of that number; throws when there is none or it cannot be
  // called.
  const UserFunc &get(int number) const;
};

// What OSLPgetfuncobject / OSLPgetfuncinfo read during one call.
struct FuncContext {
  static constexpr uint32_t kMagic = 0x4655434e;
  uint32_t magic = kMagic;
  OSLPprob slp = nullptr;
  int number = 0;
  int nargs = 0;
  int value_in_results = 0;
  int derivatives = 0;
};

// A user function failed (reported an error, gave no finite value, cannot be
// called): an evaluation error after which a solve should stop, as the
// function may not be called again. Every message contains "user function".
class UserFunctionError : public Error {
 public:
  using Error::Error;
};
[[noreturn]] void user_function_error(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// Evaluates user function `number` at x (n arguments). `grad` (n, NULL-ok)
// gets the first derivatives, `hess` (n*n, row-major, NULL-ok, needs grad)
// the second derivatives. Throws Error naming the function when it fails or
// gives a value that is not finite.
double call_user_function(const UserFuncTable &t, int number, const double *x, int n, double *grad,
                          double *hess);

}  // namespace ondr
