// User functions: registration (C interface) and calling them with
// derivatives.
#include "nlp/userfunc.h"
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include "controls/ids.h"
#include "env/environment.h"
#include "env/shell.h"
#include "model/ops.h"
#include "nlp/slp_ops.h"
#include "oslp.h"

namespace ondr {

void user_function_error(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  char buf[1024];
  vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  throw UserFunctionError(ERR_GENERAL, buf);
}

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string point_text(const double *x, int n) {
  std::string s = "(";
  for (int i = 0; i < n && i < 8; ++i) s += format(i ? ", %g" : "%g", x[i]);
  if (n > 8) s += ", ...";
  return s + ")";
}

// One call of the function. `want_derivs`: ask for derivatives; those given
// are written to grad[k], the others left NaN.
double call_once(const UserFuncTable &t, int number, const double *x, int n, bool want_derivs,
                 double *grad, std::vector<double> &results, std::vector<double> &deltas) {
  const UserFunc &f = t.get(number);
  const bool derivs = want_derivs && (f.flags & OSLP_UFCALL_DERIVS);
  results.assign((size_t)n + 1, kNaN);
  deltas.assign((size_t)n + 1, 0.0);
  if (derivs) {
    for (int k = 0; k < n; ++k) deltas[k] = 1e-6 * std::max(1.0, std::fabs(x[k]));
    deltas[n] = 1e-6;  // spare entry: never an argument
  }
  FuncContext ctx;
  ctx.slp = t.slp;
  ctx.number = number;
  ctx.nargs = n;
  ctx.value_in_results = (f.flags & OSLP_UFCALL_RESULTS) ? 1 : 0;
  ctx.derivatives = derivs ? 1 : 0;
  double ret = reinterpret_cast<UserFuncPtr>(f.address)(x, &ctx, deltas.data(), results.data());
  double v;
  if (!std::isnan(results[0])) {
    v = results[0];
  } else {
    if (std::isnan(ret) || ret == -3.0)
      user_function_error("user function '%s' (number %d) reported an error at %s", f.name.c_str(), number,
           point_text(x, n).c_str());
    v = ret;
  }
  if (!std::isfinite(v))
    user_function_error("user function '%s' (number %d) gave a value that is not finite at %s", f.name.c_str(),
         number, point_text(x, n).c_str());
  if (grad)
    for (int k = 0; k < n; ++k) grad[k] = derivs ? results[k + 1] : kNaN;
  return v;
}

}  // namespace

UserFuncTable UserFuncTable::of(OSLPprob s) {
  UserFuncTable t;
  t.slp = s;
  if (s) {
    std::lock_guard<std::mutex> g(s->lock);
    t.funcs = s->userfuncs;
  }
  return t;
}

const UserFunc &UserFuncTable::get(int number) const {
  if (number < 1 || number > (int)funcs.size())
    user_function_error("user function %d is not registered", number);
  const UserFunc &f = funcs[number - 1];
  if (!f.address) user_function_error("user function '%s' (number %d) has no address", f.name.c_str(), number);
  return f;
}

double call_user_function(const UserFuncTable &t, int number, const double *x, int n, double *grad,
                          double *hess) {
  std::vector<double> results, deltas, xs(x, x + n);
  double v = call_once(t, number, x, n, grad != nullptr, grad, results, deltas);
  if (!grad) return v;
  const UserFunc &f = t.get(number);
  auto value_at = [&](const std::vector<double> &p) {
    return call_once(t, number, p.data(), n, false, nullptr, results, deltas);
  };
  bool analytic = true;
  for (int k = 0; k < n; ++k) {
    if (std::isfinite(grad[k])) continue;
    analytic = false;
    // Central difference, step ~ cube root of the machine precision.
    double h = 6e-6 * std::max(1.0, std::fabs(x[k]));
    xs[k] = x[k] + h;
    double fp = value_at(xs);
    xs[k] = x[k] - h;
    double fm = value_at(xs);
    xs[k] = x[k];
    grad[k] = (fp - fm) / (2 * h);
  }
  if (!hess) return v;
  std::vector<double> gp(n), gm(n);
  if (analytic) {
    // Differences of the function's own derivatives.
    for (int k = 0; k < n; ++k) {
      double h = 6e-6 * std::max(1.0, std::fabs(x[k]));
      xs[k] = x[k] + h;
      call_once(t, number, xs.data(), n, true, gp.data(), results, deltas);
      xs[k] = x[k] - h;
      call_once(t, number, xs.data(), n, true, gm.data(), results, deltas);
      xs[k] = x[k];
      for (int l = 0; l < n; ++l) {
        if (!std::isfinite(gp[l]) || !std::isfinite(gm[l]))
          user_function_error("user function '%s' (number %d) stopped giving derivatives near %s", f.name.c_str(),
               number, point_text(x, n).c_str());
        hess[l * n + k] = (gp[l] - gm[l]) / (2 * h);
      }
    }
    for (int k = 0; k < n; ++k)
      for (int l = 0; l < k; ++l) hess[k * n + l] = hess[l * n + k] = 0.5 * (hess[k * n + l] + hess[l * n + k]);
    return v;
  }
  // Second differences of values, step ~ fourth root of the machine precision.
  std::vector<double> h(n);
  for (int k = 0; k < n; ++k) {
    h[k] = 1e-4 * std::max(1.0, std::fabs(x[k]));
    xs[k] = x[k] + h[k];
    double fp = value_at(xs);
    xs[k] = x[k] - h[k];
    double fm = value_at(xs);
    xs[k] = x[k];
    hess[k * n + k] = (fp - 2 * v + fm) / (h[k] * h[k]);
    for (int l = 0; l < k; ++l) {
      double s[4];
      int i = 0;
      for (int a : {1, -1})
        for (int b : {1, -1}) {
          xs[k] = x[k] + a * h[k];
          xs[l] = x[l] + b * h[l];
          s[i++] = value_at(xs);
        }
      xs[k] = x[k];
      xs[l] = x[l];
      hess[k * n + l] = hess[l * n + k] = (s[0] - s[1] - s[2] + s[3]) / (4 * h[k] * h[l]);
    }
  }
  return v;
}

}  // namespace ondr

using namespace ondr;

namespace {

UserFunc &user_func(OSLPprob s, int number) {
  ONDR_REQUIRE(number >= 1 && number <= (int)s->userfuncs.size(),
               "Invalid user function number %d (the problem has %d)", number, (int)s->userfuncs.size());
  return s->userfuncs[number - 1];
}

const std::string &string_at(OSLPprob s, double index) {
  ONDR_REQUIRE(index >= 1 && index <= (double)s->strings.size() && index == std::floor(index),
               "Invalid string index %g in a user function description (%d strings stored)", index,
               (int)s->strings.size());
  return s->strings[(size_t)index - 1];
}

FuncContext *context_of(void *funccontext) {
  auto *c = static_cast<FuncContext *>(funccontext);
  if (!c || c->magic != FuncContext::kMagic)
    fail(ERR_ARGUMENT, "Not a function context (only valid inside a user function call)");
  return c;
}

}  // namespace

namespace ondr {

void slp_setstring(OSLPprob s, int *index, const char *text) {
  ONDR_REQUIRE(index && text, "NULL argument to OSLPsetstring");
  std::lock_guard<std::mutex> g(s->lock);
  for (size_t i = 0; i < s->strings.size(); ++i)
    if (s->strings[i] == text) {
      *index = (int)i + 1;
      return;
    }
  s->strings.push_back(text);
  *index = (int)s->strings.size();
}

void slp_adduserfuncs(OSLPprob s, int nfuncs, const int type[], const double value[]) {
  ONDR_REQUIRE(nfuncs >= 0, "Invalid number of user functions %d", nfuncs);
  if (nfuncs == 0) return;
  ONDR_REQUIRE(type && value, "NULL user function description");
  std::vector<UserFunc> add;
  size_t p = 0;
  for (int i = 0; i < nfuncs; ++i) {
    UserFunc f;
    f.flags = OSLP_UFCALL_CONTEXT | OSLP_UFCALL_RESULTS;
    int nstrings = 0;
    for (;; ++p) {
      ONDR_REQUIRE(p < 100000, "User function description %d has no end item (type 0)", i + 1);
      int t = type[p];
      double v = value[p];
      if (t == OSLP_UFDESC_END) {
        ++p;
        break;
      }
      switch (t) {
        case OSLP_UFDESC_STRING:
          if (nstrings == 0) f.name = string_at(s, v);
          else if (nstrings == 1) f.linkage = string_at(s, v);
          else fail(ERR_ARGUMENT, "User function description %d has more than two strings", i + 1);
          ++nstrings;
          break;
        case OSLP_UFDESC_CALL:
          ONDR_REQUIRE(v == std::floor(v) && v >= 0 &&
                           ((int)v & ~(OSLP_UFCALL_CONTEXT | OSLP_UFCALL_RESULTS | OSLP_UFCALL_DERIVS)) == 0,
                       "User function description %d: unknown call bits %g", i + 1, v);
          f.flags = (int)v;
          break;
        case OSLP_UFDESC_INPUTS:
          ONDR_REQUIRE(v == 1, "User function description %d: input layout %g is not supported (1: an array of doubles)",
                       i + 1, v);
          break;
        default:
          fail(ERR_ARGUMENT, "User function description %d: unknown item type %d", i + 1, t);
      }
    }
    if (f.linkage.empty()) f.linkage = "DirectC";
    ONDR_REQUIRE(f.linkage == "DirectC",
                 "User function description %d: linkage \"%s\" is not supported (only \"DirectC\")", i + 1,
                 f.linkage.c_str());
    add.push_back(std::move(f));
  }
  std::lock_guard<std::mutex> g(s->lock);
  s->userfuncs.insert(s->userfuncs.end(), add.begin(), add.end());
}

void slp_addnames(OSLPprob s, int kind, const char *names, int first, int last) {
  if (kind >= 1 && kind <= 3) {
    add_names(s->prob, kind, names, first, last);
    return;
  }
  ONDR_REQUIRE(kind == 5, "Invalid name kind %d (1 rows, 2 columns, 3 sets, 5 user functions)", kind);
  ONDR_REQUIRE(names, "NULL names");
  int n = (int)s->userfuncs.size();
  ONDR_REQUIRE(first >= 1 && last <= n && first <= last + 1,
               "Invalid range %d..%d of user functions (numbers 1..%d)", first, last, n);
  std::vector<std::string> v;
  const char *p = names;
  for (int i = first; i <= last; ++i) {
    v.push_back(p);
    p += v.back().size() + 1;
  }
  std::lock_guard<std::mutex> g(s->lock);
  for (int i = first; i <= last; ++i) s->userfuncs[i - 1].name = v[i - first];
}

void slp_chguserfuncaddress(OSLPprob s, int number, void *address) {
  std::lock_guard<std::mutex> g(s->lock);
  user_func(s, number).address = address;
}

void slp_setuserfuncobject(OSLPprob s, int number, void *object) {
  std::lock_guard<std::mutex> g(s->lock);
  user_func(s, number).object = object;
}

void slp_getuserfuncobject(OSLPprob s, int number, void **object) {
  ONDR_REQUIRE(object, "NULL object pointer");
  std::lock_guard<std::mutex> g(s->lock);
  *object = user_func(s, number).object;
}

void slp_getfuncobject(void *funccontext, int pid, void **object) {
  ONDR_REQUIRE(object, "NULL object pointer");
  FuncContext *c = context_of(funccontext);
  if (pid == id::NLPFUNCOBJECT) *object = c->slp;
  else if (pid == id::NLPOPTIMIZER) *object = c->slp ? c->slp->prob : nullptr;
  else fail(ERR_ARGUMENT, "Unknown function object id %d (%d: nonlinear problem, %d: optimizer problem)", pid,
              id::NLPFUNCOBJECT, id::NLPOPTIMIZER);
}

void slp_getfuncinfo(void *funccontext, int *nargs, int *valueinresults, int *derivatives, int *number) {
  FuncContext *c = context_of(funccontext);
  if (nargs) *nargs = c->nargs;
  if (valueinresults) *valueinresults = c->value_in_results;
  if (derivatives) *derivatives = c->derivatives;
  if (number) *number = c->number;
}

}  // namespace ondr
