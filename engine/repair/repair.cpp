// Infeasibility repair (ondr_repair.h): phase 1 minimises the penalised
// violation of the penalty model (repair/penalty.h) in a scratch copy;
// phase 2, when asked, re-optimises the problem's own objective among the
// solutions whose violation is at most the minimum plus delta, starting
// from the phase 1 solution. The problem's results then describe the
// repaired solution; nothing else of the problem changes.
#include <cmath>
#include "analysis/analysis.h"
#include "controls/ids.h"
#include "env/shell.h"
#include "lp/solve.h"
#include "repair/penalty.h"
#include "repair/scratch.h"
#include "ondr.h"
#include "ondr_repair.h"

namespace ondr {

namespace {

bool infeasible(const Results &r, bool mip) {
  return mip ? r.mipstatus == 5 : (r.lpstatus == 2 || r.lpstatus == 3);
}
bool unbounded(const Results &r, bool mip) { return mip ? r.mipstatus == 7 : r.lpstatus == 5; }
bool finished(const Results &r, bool mip) { return mip ? r.mipstatus == 6 : r.lpstatus == 1; }

// The problem's results for the solution `x` of the penalty model (all its
// columns) found by the solve that left `r`; `mip`: a MIP solve.
Results results_for(ONDRprob prob, const Results &r, bool mip, const std::vector<double> &x) {
  const Model &m = prob->model;
  int n = m.ncols(), rows = m.nrows();
  Results res;
  res.simplexiter = r.simplexiter, res.bariter = r.bariter, res.nodes = r.nodes;
  res.lpstatus = r.lpstatus;
  res.stopstatus = r.stopstatus;
  std::vector<double> xs(x.begin(), x.begin() + n), slack((size_t)rows);
  calc_slacks(prob, xs.data(), slack.data());
  double obj = 0.0;
  calc_objective(prob, xs.data(), &obj);
  res.x = xs, res.slack = slack, res.has_lpsol = true, res.lpobjval = obj;
  if (r.has_dual && r.dual.size() >= (size_t)rows && r.dj.size() >= (size_t)n) {
    res.dual.assign(r.dual.begin(), r.dual.begin() + rows);
    res.dj.assign(r.dj.begin(), r.dj.begin() + n);
    res.has_dual = true;
  }
  if (mip) {
    res.lpstatus = 1;
    res.mipstatus = r.mipstatus == 6 ? 6 : 4;
    res.mipx = xs, res.mipslack = slack, res.has_mipsol = true, res.mipobjval = obj;
    res.mipsols = 1;
    res.bestbound = res.mipstatus == 6 ? obj : (m.objsense > 0 ? -kInf : kInf);
  } else if (has_entities(m)) {
    res.mipstatus = 2;  // the continuous relaxation was repaired
  }
  return res;
}

// The problem's results when the penalty model has no solution.
Results results_without(const Model &m, const Results &r, bool mip) {
  Results res;
  res.lpstatus = r.lpstatus == 1 ? 4 : r.lpstatus;
  res.mipstatus = mip ? r.mipstatus : has_entities(m) ? 1 : 0;
  res.stopstatus = r.stopstatus;
  res.simplexiter = r.simplexiter, res.nodes = r.nodes;
  return res;
}

void repair(ONDRprob prob, int *status, RepairRequest q) {
  ONDR_REQUIRE(status, "NULL status pointer");
  const Model &orig = prob->model;
  check_request(orig, q);
  Stopwatch clock;
  Scratch s(prob);
  if (q.relax) s.relax_integrality();
  PenaltyModel pm = build_penalty(s.get(), q);
  bool mip = has_entities(s.model());
  parse_flags(q.flags.c_str(), mip);  // refuses unknown letters before any solve

  s.optimize(mip, q.flags);
  Results r1 = s.results();
  int st = ONDR_REPAIR_OPTIMAL;
  if (!has_solution(r1, mip)) {
    prob->results = results_without(orig, r1, mip);
    prob->results.time = clock.seconds();
    *status = infeasible(r1, mip) ? ONDR_REPAIR_INFEASIBLE : ONDR_REPAIR_STOPPED;
    return;
  }
  std::vector<double> x = mip ? r1.mipx : r1.x;
  double vmin = violation(pm, x);
  Results final_r = r1;
  if (!finished(r1, mip)) {
    st = ONDR_REPAIR_STOPPED;
  } else if (q.phase2 == 'o') {
    // A little room above the limit for the solver's tolerances.
    double tol = 1e-7 * std::max(1.0, std::fabs(vmin));
    to_phase2(s.get(), pm, orig, vmin + q.delta + tol);
    if (mip) ONDRaddmipsol(s.get(), (int)x.size(), x.data(), nullptr, "phase1");
    s.optimize(mip, q.flags);
    const Results &r2 = s.results();
    // An unfinished LP solve has no feasible point to offer; an unfinished
    // MIP search has its incumbent, no worse than the phase 1 start.
    if (has_solution(r2, mip) && !unbounded(r2, mip) && (mip || finished(r2, mip))) {
      final_r = r2;
      x = mip ? r2.mipx : r2.x;
      if (!finished(r2, mip)) st = ONDR_REPAIR_PHASE2;
    } else {
      st = unbounded(r2, mip) ? ONDR_REPAIR_UNBOUNDED : ONDR_REPAIR_PHASE2;
    }
  }
  Results res = results_for(prob, final_r, mip, x);
  res.repairviolation = vmin;
  res.time = clock.seconds();
  prob->results = std::move(res);
  *status = st;
}

std::vector<double> vec(const double *a, int n) {
  return a ? std::vector<double>(a, a + n) : std::vector<double>();
}

RepairRequest weighted(ONDRprob prob, const double lrp[], const double grp[], const double lbp[],
                       const double ubp[], char phase2, double delta, const char *optflags) {
  const Model &m = prob->model;
  RepairRequest q;
  q.lrp = vec(lrp, m.nrows()), q.grp = vec(grp, m.nrows());
  q.lbp = vec(lbp, m.ncols()), q.ubp = vec(ubp, m.ncols());
  q.phase2 = phase2, q.delta = delta;
  q.flags = optflags ? optflags : "";
  return q;
}

}  // namespace

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRrepairinfeas(ONDRprob prob, int *status, char pflags, char oflags, char gflags,
                              double lrp, double grp, double lbp, double ubp, double delta) {
  return guard_mut(prob, [&] {
    const Model &m = prob->model;
    const double p[4] = {lrp, grp, lbp, ubp};
    const char *names[4] = {"lrp", "grp", "lbp", "ubp"};
    for (int k = 0; k < 4; ++k)
      if (!std::isfinite(p[k]) || p[k] < 0)
        fail(ERR_ARGUMENT, "Invalid penalty %s = %g: it must be a finite number >= 0", names[k], p[k]);
    if (gflags != 'g' && gflags != 'l')
      fail(ERR_ARGUMENT,
           "Invalid integrality flag '%c' (g: keep the integer columns, l: repair the "
           "continuous relaxation)", gflags);
    RepairRequest q;
    q.lrp.assign((size_t)m.nrows(), lrp), q.grp.assign((size_t)m.nrows(), grp);
    q.lbp.assign((size_t)m.ncols(), lbp), q.ubp.assign((size_t)m.ncols(), ubp);
    q.penalty = pflags, q.phase2 = oflags, q.relax = gflags == 'l', q.delta = delta;
    repair(prob, status, std::move(q));
  });
}

ONDR_API int ONDRrepairweightedinfeas(ONDRprob prob, int *status, const double lrp[],
                                      const double grp[], const double lbp[], const double ubp[],
                                      char phase2, double delta, const char *optflags) {
  return guard_mut(prob, [&] {
    repair(prob, status, weighted(prob, lrp, grp, lbp, ubp, phase2, delta, optflags));
  });
}

ONDR_API int ONDRrepairweightedinfeasbounds(ONDRprob prob, int *status, const double lrp[],
                                            const double grp[], const double lbp[],
                                            const double ubp[], const double lrb[],
                                            const double grb[], const double lbb[],
                                            const double ubb[], char phase2, double delta,
                                            const char *optflags) {
  return guard_mut(prob, [&] {
    const Model &m = prob->model;
    RepairRequest q = weighted(prob, lrp, grp, lbp, ubp, phase2, delta, optflags);
    q.lrb = vec(lrb, m.nrows()), q.grb = vec(grb, m.nrows());
    q.lbb = vec(lbb, m.ncols()), q.ubb = vec(ubb, m.ncols());
    repair(prob, status, std::move(q));
  });
}
