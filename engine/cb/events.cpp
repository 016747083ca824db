#include "cb/events.h"
#include <algorithm>
#include <cmath>
#include "env/problem.h"
#include "ondr_bo.h"

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

int fire_node_action(ONDRprob prob, Kind k) {
  int result = 0;
  each(prob, k, [&](Fn fn, void *data) {
    int infeasible = 0;
    ((ondr_cb_action)fn)(prob, data, &infeasible);
    if (!result) result = infeasible;
  });
  return result;
}

void fire_infnode(ONDRprob prob) {
  each(prob, k_infnode, [&](Fn fn, void *data) { ((ondr_cb_notify)fn)(prob, data); });
}

void fire_nodecutoff(ONDRprob prob, int node) {
  each(prob, k_nodecutoff, [&](Fn fn, void *data) { ((ondr_cb_nodecutoff)fn)(prob, data, node); });
}

void fire_newnode(ONDRprob prob, int parent, int node, int branch) {
  each(prob, k_newnode, [&](Fn fn, void *data) {
    ((ondr_cb_newnode)fn)(prob, data, parent, node, branch);
  });
}

bool notify_gap(ONDRprob prob, int sense, double primal, double dual, double t[4]) {
  double gap = std::fabs(primal - dual);
  double rel = gap / std::max(1e-10, std::fabs(primal));
  bool finite_dual = std::fabs(dual) < kInf;
  bool reached[4] = {t[0] >= 0 && rel <= t[0], t[1] >= 0 && gap <= t[1],
                     std::fabs(t[2]) < kInf && sense * (primal - t[2]) <= 0,
                     std::fabs(t[3]) < kInf && finite_dual && sense * (dual - t[3]) >= 0};
  if (!(reached[0] || reached[1] || reached[2] || reached[3])) return false;
  static const double kOff[4] = {-1, -1, kInf, kInf};
  for (int k = 0; k < 4; ++k)
    if (reached[k]) t[k] = kOff[k];
  fire_gapnotify(prob, t);
  return true;
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

ONDRbranchobject fire_chgbranchobject(ONDRprob prob, ONDRbranchobject cand) {
  ONDRbranchobject cur = cand;
  each(prob, k_chgbranchobject, [&](Fn fn, void *data) {
    ONDRbranchobject next = cur;
    ((ondr_cb_chgbranchobject)fn)(prob, data, cur, &next);
    if (next && next != cur) {
      if (cur != cand) ONDR_bo_destroy(cur);
      cur = next;
    }
  });
  return cur;
}

bool fire_preintsol(ONDRprob prob, int soltype, double *cutoff) {
  bool rejected = false;
  each(prob, k_preintsol, [&](Fn fn, void *data) {
    int reject = 0;
    ((ondr_cb_preintsol)fn)(prob, data, soltype, &reject, cutoff);
    rejected |= reject != 0;
  });
  return rejected;
}

}  // namespace cb
}  // namespace ondr
