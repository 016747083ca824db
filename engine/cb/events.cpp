#include "cb/events.h"
#include "env/problem.h"

namespace ondr {
namespace cb {

namespace {
constexpr int kStopUser = 9;
}

void request_stop(ONDRprob prob) {
  int none = 0;
  prob->interrupt_reason.compare_exchange_strong(none, kStopUser);
}

int fire_log(ONDRprob prob, Kind k) {
  int result = 0;
  each(prob, k, [&](Fn fn, void *data) {
    int r = ((ondr_cb_log)fn)(prob, data);
    if (!result) result = r;
  });
  if (result) request_stop(prob);
  return result;
}

int fire_bariteration(ONDRprob prob) {
  int result = 0;
  each(prob, k_bariteration, [&](Fn fn, void *data) {
    int action = 0;
    ((ondr_cb_action)fn)(prob, data, &action);
    if (!result) result = action;
  });
  if (result) request_stop(prob);
  return result;
}

void fire_intsol(ONDRprob prob) {
  each(prob, k_intsol, [&](Fn fn, void *data) { ((ondr_cb_notify)fn)(prob, data); });
}

void fire_gapnotify(ONDRprob prob, double targets[4]) {
  each(prob, k_gapnotify, [&](Fn fn, void *data) {
    ((ondr_cb_gapnotify)fn)(prob, data, &targets[0], &targets[1], &targets[2], &targets[3]);
  });
}

void fire_usersolnotify(ONDRprob prob, const char *name, int status) {
  each(prob, k_usersolnotify, [&](Fn fn, void *data) {
    ((ondr_cb_usersolnotify)fn)(prob, data, name, status);
  });
}

double fire_drcol(ONDRprob prob, int col, double value, double lo, double up) {
  double result = value < lo ? lo : value > up ? up : value;
  if (!prob || !prob->slp) return result;
  OSLPprob slp = prob->slp;
  each(prob, k_drcol, [&](Fn fn, void *data) {
    ((oslp_cb_drcol)fn)(slp, data, 0, col, &result, value, lo, up);
  });
  return result;
}

}  // namespace cb
}  // namespace ondr
