// ONDRlpoptimize and ONDRgetlpsol.
#include "env/shell.h"
#include "controls/ids.h"
#include "analysis/presolve.h"
#include "lp/highs_run.h"
#include "lp/qpmethod.h"
#include "lp/solve.h"
#include "nlp/local.h"
#include "ondr.h"

namespace ondr {

const char *lpstatus_name(int s) {
  static const char *const names[] = {"unstarted", "optimal",   "infeasible",
                                      "cutoff",    "unfinished", "unbounded",
                                      "cutoff in dual", "unsolved", "nonconvex"};
  return s >= 0 && s <= 8 ? names[s] : "unknown";
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRlpoptimize(ONDRprob prob, const char *flags) {
  return guard_prob(prob, [&] {
    BusyScope busy(prob, cb::P_LP | cb::P_LOCAL);
    SolveFlags f = parse_flags(flags, false);
    const Model &m = prob->model;
    bool local = needs_local_solver(m) || qp_by_interior_point(prob->controls, m);
    cb::refuse_unfired(prob, local ? cb::P_LOCAL : cb::P_LP);
    begin_solve(prob);
    Stopwatch clock;
    if (local) {
      solve_quadratic_local(prob);
      prob->results.time = clock.seconds();
      return;
    }
    Results res;
    solve_relaxation(prob, f.alg, res);
    // HiGHS's active-set QP solver can stall (it stops at our iteration cap,
    // not at the user's limit) or, on degenerate problems, wrongly report a
    // convex QP unbounded or unsolved: such a QP goes to the interior-point
    // local solver, which settles it.
    bool stalled = res.lpstatus == 4 && res.stopstatus == 4 &&
                   prob->controls.geti(id::LPITERLIMIT) > qp_iteration_cap(m.ncols(), m.nrows());
    if (!m.qobj.empty() && !has_entities(m) && (stalled || res.lpstatus == 5 || res.lpstatus == 7)) {
      solve_quadratic_local(prob);
      prob->results.time = clock.seconds();
      return;
    }
    if (has_entities(m)) res.mipstatus = res.lpstatus == 1 ? 2 : 1;
    res.time = clock.seconds();
    allow_presolved_form(prob, res);
    prob->results = std::move(res);
  });
}

ONDR_API int ONDRgetlpsol(ONDRprob prob, double x[], double slack[], double dual[],
                          double dj[]) {
  return guard_prob(prob, [&] {
    // Every check first, so that a failure writes nothing.
    solution_vector(prob, ONDR_SOL_X);
    if (dual || dj) solution_vector(prob, ONDR_SOL_DUAL);
    const Results &r = prob->results;
    if (x) std::copy(r.x.begin(), r.x.end(), x);
    if (slack) std::copy(r.slack.begin(), r.slack.end(), slack);
    if (dual) std::copy(r.dual.begin(), r.dual.end(), dual);
    if (dj) std::copy(r.dj.begin(), r.dj.end(), dj);
  });
}
