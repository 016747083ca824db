// ONDRestimaterowdualranges: for each row, the dual at the optimum of the
// LP (the continuous relaxation, solved in a scratch copy), then the rhs
// ranging interval of the optimal basis; the right-hand side is pushed just
// past each finite end and the LP re-solved by dual simplex (the basis
// stays dual feasible when only a right-hand side moves) within the
// iteration limit. The duals met give the estimate; a re-solve that is
// infeasible makes that side unbounded, one stopped by the limit adds
// nothing.
#include <cmath>
#include "analysis/analysis.h"
#include "controls/ids.h"
#include "env/shell.h"
#include "lp/solve.h"
#include "model/ops.h"
#include "repair/scratch.h"
#include "ondr.h"
#include "ondr_repair.h"

namespace ondr {

namespace {

void estimate(ONDRprob prob, int n, const int rows[], int iterlimit, double mind[], double maxd[]) {
  const Model &m = prob->model;
  ONDR_REQUIRE(n >= 0, "Invalid number of rows %d", n);
  ONDR_REQUIRE(n == 0 || (rows && mind && maxd), "NULL row or output array");
  ONDR_REQUIRE(iterlimit >= 0, "Invalid iteration limit %d", iterlimit);
  for (int k = 0; k < n; ++k)
    ONDR_REQUIRE(rows[k] >= 0 && rows[k] < m.nrows(),
                 "Entry %d: invalid row index %d (the problem has %d rows)", k, rows[k], m.nrows());
  if (n == 0) return;
  if (!m.qobj.empty() || has_quadratic_rows(m) || !m.nlcoefs.empty())
    fail(ERR_STATE, "Dual range estimates need a linear problem");
  Scratch s(prob);
  s.relax_integrality();
  s.optimize(false, "d");
  const Results &r = s.results();
  if (r.lpstatus != 1 || !r.has_dual)
    fail(ERR_STATE, "Dual range estimates need an optimal LP (the LP status is %d)", r.lpstatus);
  std::vector<double> y = r.dual, lo((size_t)n), up((size_t)n);
  rhs_sa(s.get(), n, rows, lo.data(), up.data());
  const int sense = m.objsense;
  ControlValues &c = s.get()->controls;
  int64_t limit0 = c.geti(id::LPITERLIMIT);
  double feastol = c.getd(id::FEASTOL);
  std::vector<double> mn((size_t)n), mx((size_t)n);
  for (int k = 0; k < n; ++k) {
    int i = rows[k];
    double y0 = y[(size_t)i];
    mn[(size_t)k] = mx[(size_t)k] = y0;
    if (m.rowtype[(size_t)i] == 'N') continue;
    double b0 = m.rhs[(size_t)i];
    for (int side = 0; side < 2; ++side) {
      double end = side ? up[(size_t)k] : lo[(size_t)k];
      if (is_inf_bound(end)) continue;
      double b = end + (side ? 1 : -1) * 10 * feastol * (1 + std::fabs(end));
      chg_rhs(s.get(), 1, &i, &b);
      if (iterlimit > 0) c.seti(id::LPITERLIMIT, iterlimit);
      s.optimize(false, "d");
      const Results &q = s.results();
      if (q.lpstatus == 1 && q.has_dual) {
        mn[(size_t)k] = std::min(mn[(size_t)k], q.dual[(size_t)i]);
        mx[(size_t)k] = std::max(mx[(size_t)k], q.dual[(size_t)i]);
      } else if (q.lpstatus == 2) {
        // Past the end the LP is infeasible: the objective's rate there is unbounded.
        if ((side == 1) == (sense > 0)) mx[(size_t)k] = kInf;
        else mn[(size_t)k] = -kInf;
      }
      c.seti(id::LPITERLIMIT, limit0);
      chg_rhs(s.get(), 1, &i, &b0);
    }
  }
  std::copy(mn.begin(), mn.end(), mind);
  std::copy(mx.begin(), mx.end(), maxd);
}

}  // namespace

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRestimaterowdualranges(ONDRprob prob, int n, const int rowIndices[],
                                       int iterationLimit, double minDualActivity[],
                                       double maxDualActivity[]) {
  return guard_prob(prob, [&] {
    estimate(prob, n, rowIndices, iterationLimit, minDualActivity, maxDualActivity);
  });
}
