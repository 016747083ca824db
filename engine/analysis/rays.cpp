// Primal and dual rays of the last LP, and the variable entering along the
// primal ray, read from the solver session that ran it.
#include <cmath>
#include <vector>
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "env/shell.h"
#include "lp/session.h"
#include "ondr_analysis.h"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "interfaces/highs_c_api.h"
#pragma GCC diagnostic pop

namespace ondr {

const char *lpstatus_name(int s);  // lp/lpoptimize.cpp

namespace {

enum RayKind { PRIMAL, DUAL };

// The ray of `kind` in store units; false when HiGHS has none. Throws
// ERR_STATE when the last LP did not end in the state the ray proves.
bool read_ray(ONDRprob prob, RayKind kind, std::vector<double> *out, bool must) {
  const Results &r = prob->results;
  const Model &m = prob->model;
  const char *what = kind == PRIMAL ? "No primal ray" : "No dual ray";
  int wanted = kind == PRIMAL ? 5 : 2;
  if (r.lpstatus != wanted || r.mipstatus >= 3) {
    if (!must) return false;
    fail(ERR_STATE, "%s: the last LP solve did not find the problem %s (LP status %s)", what,
         kind == PRIMAL ? "unbounded" : "infeasible", lpstatus_name(r.lpstatus));
  }
  require_idle(prob, what);
  Session &s = session_of(prob);
  void *h = s.highs().get();
  int ms = s.highs().model_status();
  int n = s.highs().ncols(), rows = s.highs().nrows();
  bool held = n == m.ncols() && rows == m.nrows() &&
              (ms == (kind == PRIMAL ? HMS_UNBOUNDED : HMS_INFEASIBLE) ||
               ms == HMS_UNBOUNDED_OR_INFEASIBLE);
  if (!held) {
    if (!must) return false;
    fail(ERR_STATE, "%s: the solver no longer holds the %s LP (solve it again)", what,
         kind == PRIMAL ? "unbounded" : "infeasible");
  }
  size_t len = (size_t)(kind == PRIMAL ? n : rows);
  std::vector<double> ray(len + 1, 0.0);
  HighsInt has = 0;
  HighsInt rc = kind == PRIMAL ? Highs_getPrimalRay(h, &has, ray.data())
                               : Highs_getDualRay(h, &has, ray.data());
  if (rc == kHighsStatusError || !has) {
    if (!must) return false;
    fail(ERR_STATE, "%s: the solver found no %s ray for the last LP", what,
         kind == PRIMAL ? "primal" : "dual");
  }
  ray.resize(len);
  // Back to store units: HiGHS's column j is x_j / colmult[j], its row i is
  // row i times rowmult[i].
  const std::vector<double> &mult = kind == PRIMAL ? s.colmult() : s.rowmult();
  for (size_t k = 0; k < mult.size() && k < len; ++k) ray[k] *= mult[k];
  if (out) *out = std::move(ray);
  return true;
}

void get_ray(ONDRprob prob, RayKind kind, double ray[], int *hasray) {
  ONDR_REQUIRE(hasray || ray, "Nothing to return: both the ray and the flag are NULL");
  std::vector<double> v;
  bool has = read_ray(prob, kind, ray ? &v : nullptr, ray != nullptr);
  if (hasray) *hasray = has ? 1 : 0;
  if (ray) std::copy(v.begin(), v.end(), ray);
}

}  // namespace

void get_primal_ray(ONDRprob prob, double ray[], int *hasray) { get_ray(prob, PRIMAL, ray, hasray); }
void get_dual_ray(ONDRprob prob, double dray[], int *hasray) { get_ray(prob, DUAL, dray, hasray); }

void get_unbvec(ONDRprob prob, int *index) {
  ONDR_REQUIRE(index, "NULL index");
  const Model &m = prob->model;
  std::vector<double> ray;
  read_ray(prob, PRIMAL, &ray, true);
  // The entering variable is the nonbasic column that moves along the ray.
  std::vector<int> cs, rs;
  bool basis = session_of(prob).get_basis(cs, rs) && cs.size() == ray.size();
  int best = -1;
  for (int pass = 0; pass < 2 && best < 0; ++pass) {
    double big = 1e-9;
    for (size_t j = 0; j < ray.size(); ++j) {
      if (pass == 0 && (!basis || cs[j] == 1)) continue;
      if (std::fabs(ray[j]) > big) big = std::fabs(ray[j]), best = (int)j;
    }
  }
  if (best < 0) fail(ERR_STATE, "No unbounded variable: the primal ray is zero");
  *index = m.nrows() + best;
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRgetprimalray(ONDRprob prob, double ray[], int *hasray) {
  return guard_prob(prob, [&] { get_primal_ray(prob, ray, hasray); });
}
ONDR_API int ONDRgetdualray(ONDRprob prob, double dray[], int *hasray) {
  return guard_prob(prob, [&] { get_dual_ray(prob, dray, hasray); });
}
ONDR_API int ONDRgetunbvec(ONDRprob prob, int *index) {
  return guard_prob(prob, [&] { get_unbvec(prob, index); });
}
