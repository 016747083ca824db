// C user functions for the tests, and their registration the way the
// Python module registers its evaluator.
#pragma once
#include <atomic>
#include <cmath>
#include "oslp.h"

namespace {

struct Scale {
  double k;
};
std::atomic<int> g_calls{0};

// f(a, b) = k * a^2 * b, with derivatives when asked; k from its object.
double uf_with_derivs(const double *in, void *ctx, const double *deltas, double *res) {
  ++g_calls;
  void *obj = nullptr, *fo = nullptr;
  int nargs = 0, vin = 0, der = 0, num = 0;
  if (OSLPgetfuncobject(ctx, OSLP_NLPFUNCOBJECT, &obj) || OSLPgetfuncinfo(ctx, &nargs, &vin, &der, &num) ||
      OSLPgetuserfuncobject((OSLPprob)obj, num, &fo) || nargs != 2)
    return -3.0;
  double k = static_cast<Scale *>(fo)->k;
  double v = k * in[0] * in[0] * in[1];
  if (vin) res[0] = v;
  if (der) {
    if (deltas[0] != 0) res[1] = 2 * k * in[0] * in[1];
    if (deltas[1] != 0) res[2] = k * in[0] * in[0];
  }
  return vin ? 0.0 : v;
}
// g(a, b, c) = exp(a) * sin(b) + c^3, value only; fails (-3) when c > 10.
double uf_value_only(const double *in, void *ctx, const double *, double *res) {
  int vin = 0;
  OSLPgetfuncinfo(ctx, nullptr, &vin, nullptr, nullptr);
  if (in[2] > 10) return -3.0;
  double v = std::exp(in[0]) * std::sin(in[1]) + in[2] * in[2] * in[2];
  if (vin) res[0] = v;
  return v;
}
// Returns NaN for a negative argument.
double uf_nan(const double *in, void *, const double *, double *) { return in[0] < 0 ? NAN : std::sqrt(in[0]); }

// Call bits: value and derivatives, or the value only.
const int kCallDerivs = OSLP_UFCALL_CONTEXT | OSLP_UFCALL_RESULTS | OSLP_UFCALL_DERIVS;
const int kCallValue = OSLP_UFCALL_CONTEXT | OSLP_UFCALL_RESULTS;

int register_like_module(OSLPprob slp, void *fn, void *object, int callbits) {
  int i1 = 0, i2 = 0;
  if (OSLPsetstring(slp, &i1, "ondpy_generic_user_function") || OSLPsetstring(slp, &i2, "DirectC")) return -1;
  int types[5] = {OSLP_UFDESC_STRING, OSLP_UFDESC_INPUTS, OSLP_UFDESC_CALL, OSLP_UFDESC_STRING, OSLP_UFDESC_END};
  double values[5] = {(double)i1, 1, (double)callbits, (double)i2, 0};
  if (OSLPadduserfuncs(slp, 1, types, values)) return -1;
  int number = 0;
  OSLPgetintattrib(slp, OSLP_NLPUSERFUNCS, &number);
  if (OSLPaddnames(slp, 5, "ondpy_generic_user_function", number, number)) return -1;
  if (OSLPchguserfuncaddress(slp, number, fn) || OSLPsetuserfuncobject(slp, number, object)) return -1;
  return number;
}


}  // namespace
