// Primal and dual infeasibilities of the last LP solution, in the model's
// own units or in those of the model scaled by ONDRscale's exponents.
#include <algorithm>
#include <cmath>
#include <vector>
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "controls/ids.h"
#include "env/shell.h"
#include "ondr_analysis.h"

namespace ondr {

namespace {

bool at(double v, double b, double tol) {
  return !is_inf_bound(b) && std::fabs(v - b) <= tol * (1.0 + std::fabs(b));
}

// How far v lies outside [lo, up].
double violation(double v, double lo, double up) { return std::max({lo - v, v - up, 0.0}); }

// Whether a price p (a reduced cost or a dual, as if minimizing) has the
// wrong sign for a value v within [lo, up]: at lower it must be >= 0, at
// upper <= 0, between its bounds 0; a fixed value may have any price.
bool wrong_price(double p, double v, double lo, double up, double ftol, double dtol) {
  bool l = at(v, lo, ftol), u = at(v, up, ftol);
  if (l && u) return false;
  if (l) return p < -dtol;
  if (u) return p > dtol;
  return std::fabs(p) > dtol;
}

// Multiplier 2^e of exponent k of `e` (1 when there is none).
double pow2(const std::vector<int> &e, size_t k) { return k < e.size() ? std::ldexp(1.0, e[k]) : 1.0; }

struct Lists {
  std::vector<int> x, slack, dual, dj;
};

Lists find_infeasibilities(ONDRprob prob, bool scaled) {
  const Model &m = prob->model;
  const Results &r = solution_of(prob, "No infeasibilities to report", false);
  double ftol = prob->controls.getd(id::FEASTOL), dtol = prob->controls.getd(id::OPTIMALITYTOL);
  LpView v = store_view(m);
  Lists out;
  int s = m.objsense;
  for (int j = 0; j < m.ncols(); ++j) {
    bool integer = m.coltype[(size_t)j] != 'C';
    double cm = scaled && !integer ? pow2(m.colscale, (size_t)j) : 1.0;
    double x = r.x[(size_t)j], lo = v.lo[(size_t)j], up = v.up[(size_t)j];
    if (violation(x, lo, up) / cm > ftol) out.x.push_back(j);
    if (r.has_dual && wrong_price(r.dj[(size_t)j] * s * cm, x, lo, up, ftol, dtol / cm))
      out.dj.push_back(j);
  }
  for (int i = 0; i < m.nrows(); ++i) {
    double rm = scaled ? pow2(m.rowscale, (size_t)i) : 1.0;
    double b = m.rowtype[(size_t)i] == 'N' ? 0.0 : m.rhs[(size_t)i];
    double act = b - r.slack[(size_t)i], lo = v.rlo[(size_t)i], up = v.rup[(size_t)i];
    if (violation(act, lo, up) * rm > ftol) out.slack.push_back(i);
    if (r.has_dual && wrong_price(r.dual[(size_t)i] * s / rm, act, lo, up, ftol / rm, dtol))
      out.dual.push_back(i);
  }
  return out;
}

}  // namespace

void get_infeas(ONDRprob prob, bool scaled, int *npv, int *nps, int *nds, int *ndv, int mx[],
                int mslack[], int mdual[], int mdj[]) {
  Lists l = find_infeasibilities(prob, scaled);
  struct Out {
    const std::vector<int> &list;
    int *count;
    int *array;
  };
  for (const Out &o : {Out{l.x, npv, mx}, Out{l.slack, nps, mslack}, Out{l.dual, nds, mdual},
                       Out{l.dj, ndv, mdj}}) {
    if (o.count) *o.count = (int)o.list.size();
    if (o.array) std::copy(o.list.begin(), o.list.end(), o.array);
  }
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRgetinfeas(ONDRprob prob, int *npv, int *nps, int *nds, int *ndv, int mx[],
                           int mslack[], int mdual[], int mdj[]) {
  return guard_prob(prob, [&] { get_infeas(prob, false, npv, nps, nds, ndv, mx, mslack, mdual, mdj); });
}
ONDR_API int ONDRgetscaledinfeas(ONDRprob prob, int *npv, int *nps, int *nds, int *ndv, int mx[],
                                 int mslack[], int mdual[], int mdj[]) {
  return guard_prob(prob, [&] { get_infeas(prob, true, npv, nps, nds, ndv, mx, mslack, mdual, mdj); });
}
