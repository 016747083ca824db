#include "bb/events.h"
#include <array>
#include <cmath>
#include <memory>
#include "cb/events.h"
#include "controls/ids.h"
#include "lp/lpdata.h"

namespace ondr {
namespace bb {

namespace {

int number(const Node &n) { return (int)(n.id + 1); }

// User's sense of a minimization-form value; infinities stay infinite.
double user_value(int sense, double v) {
  if (std::fabs(v) >= kInf) return v > 0 ? sense * kInf : -sense * kInf;
  return sense * v;
}

// Writes the search's state into the results the callbacks read.
void publish(ONDRprob prob, int sense, const SearchView &v, int64_t &shown_solutions) {
  const Model &m = prob->model;
  Results &r = prob->results;
  r.nodes = v.nodes;
  r.mipsols = v.solutions;
  r.bestbound = user_value(sense, v.bound);
  r.mipstatus = v.has_incumbent ? 4 : 3;
  if (v.has_incumbent && v.solutions != shown_solutions &&
      v.incumbent->size() == (size_t)m.ncols()) {
    r.mipx = *v.incumbent;
    r.mipslack = store_slacks(m, r.mipx);
    r.mipobjval = sense * v.value;
    r.has_mipsol = true;
    shown_solutions = v.solutions;
  }
  r.currentnode = v.node;
  r.parentnode = v.parent;
  r.nodedepth = v.depth;
  r.activenodes = v.active;
  r.has_dual = false;
  if (v.lp_x && v.lp_x->size() == (size_t)m.ncols()) {
    r.x = *v.lp_x;
    r.slack = store_slacks(m, r.x);
    r.lpobjval = sense * v.lp_obj;
    r.has_lpsol = true;
    r.lpstatus = 1;
  } else {
    r.has_lpsol = false;
    r.lpstatus = 4;
  }
}

}  // namespace

NodeEvents node_events(ONDRprob prob, const BbModel &bm) {
  NodeEvents ev;
  const cb::Registry &reg = cb::registry_of(prob);
  int sense = bm.sense;
  bool any = false;
  if (reg.has(cb::k_prenode)) {
    ev.prenode = [prob](const Node &) { return cb::fire_node_action(prob, cb::k_prenode); };
    any = true;
  }
  if (reg.has(cb::k_optnode)) {
    ev.optnode = [prob](const Node &) { return cb::fire_node_action(prob, cb::k_optnode); };
    any = true;
  }
  if (reg.has(cb::k_infnode)) {
    ev.infnode = [prob](const Node &) { cb::fire_infnode(prob); };
    any = true;
  }
  if (reg.has(cb::k_nodecutoff)) {
    ev.nodecutoff = [prob](const Node &n) { cb::fire_nodecutoff(prob, number(n)); };
    any = true;
  }
  if (reg.has(cb::k_newnode)) {
    ev.newnode = [prob](const Node &parent, const Node &child, int branch) {
      cb::fire_newnode(prob, number(parent), number(child), branch);
    };
    any = true;
  }
  if (reg.has(cb::k_intsol)) {
    ev.intsol = [prob](const std::vector<double> &, double) { cb::fire_intsol(prob); };
    any = true;
  }
  if (reg.has(cb::k_gapnotify)) {
    const ControlValues &c = prob->controls;
    auto targets = std::make_shared<std::array<double, 4>>(std::array<double, 4>{
        c.getd(id::MIPRELGAPNOTIFY), c.getd(id::MIPABSGAPNOTIFY), c.getd(id::MIPABSGAPNOTIFYOBJ),
        c.getd(id::MIPABSGAPNOTIFYBOUND)});
    ev.progress = [prob, sense, targets](double value, double bound) {
      std::array<double, 4> t = *targets;
      bool touches = false;
      for (int k = 0; k < 4; ++k) touches |= k < 2 ? t[k] >= 0 : std::fabs(t[k]) < kInf;
      if (!touches) return;
      if (cb::notify_gap(prob, sense, sense * value, user_value(sense, bound), t.data()))
        *targets = t;
    };
    any = true;
  }
  if (reg.has(cb::k_chgbranchobject)) {
    ev.chgbranchobject = [prob](const Node &, ONDRbranchobject cand) {
      return cb::fire_chgbranchobject(prob, cand);
    };
    any = true;
  }
  if (reg.has(cb::k_preintsol)) {
    ev.preintsol = [prob, sense](int soltype, double &cutoff) {
      double user = user_value(sense, cutoff);
      double before = user;
      int reject = cb::fire_preintsol(prob, soltype, &user) ? 1 : 0;
      if (user != before) cutoff = std::fabs(user) >= kInf || std::isnan(user) ? kInf : sense * user;
      return reject;
    };
    any = true;
  }
  if (any) {
    auto shown = std::make_shared<int64_t>(-1);
    ev.publish = [prob, sense, shown](const SearchView &v) { publish(prob, sense, v, *shown); };
  }
  return ev;
}

}  // namespace bb
}  // namespace ondr
