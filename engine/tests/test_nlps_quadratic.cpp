// Quadratically constrained and nonconvex quadratic problems: solved by the
// optimizer (ONDRlpoptimize routes them to the local solver) and by the
// nonlinear layer with both local solvers; statuses tell convex from
// nonconvex; duals and reduced costs are checked against the objective's
// change when a rhs or a bound moves.
#include <cmath>
#include <functional>
#include "nlps_helpers.h"

namespace {

// HS43 (Rosen-Suzuki): convex objective, three convex quadratic rows
// (written as >= rows with concave left-hand sides). f* = -44 at (0,1,2,-1).
Qcqp hs43() {
  Qcqp q(4);
  q.qobj = {{0, 0, 1}, {1, 1, 1}, {2, 2, 2}, {3, 3, 1}};
  q.obj = {-5, -5, -21, 7};
  auto &r1 = q.row('G', -8);
  r1.lin = {{0, -1}, {1, 1}, {2, -1}, {3, 1}};
  r1.quad = {{0, 0, -1}, {1, 1, -1}, {2, 2, -1}, {3, 3, -1}};
  auto &r2 = q.row('G', -10);
  r2.lin = {{0, 1}, {3, 1}};
  r2.quad = {{0, 0, -1}, {1, 1, -2}, {2, 2, -1}, {3, 3, -2}};
  auto &r3 = q.row('G', -5);
  r3.lin = {{0, -2}, {1, 1}, {3, 1}};
  r3.quad = {{0, 0, -2}, {1, 1, -1}, {2, 2, -1}};
  return q;
}

// HS18: a bilinear >= row and a >= row of a convex form, both nonconvex
// sets. f* = 5 at (sqrt(250), sqrt(2.5)).
Qcqp hs18() {
  Qcqp q(2);
  q.lb = {2, 0};
  q.ub = {50, 50};
  q.qobj = {{0, 0, 0.01}, {1, 1, 1}};
  q.row('G', 25).quad = {{0, 1, 1}};
  q.row('G', 25).quad = {{0, 0, 1}, {1, 1, 1}};
  return q;
}

// Maximize a concave objective over the unit disc: convex.
// max -(x-1)^2 - (y-2)^2 = -x^2 - y^2 + 2x + 4y - 5; optimum -(sqrt(5)-1)^2.
Qcqp disc_max() {
  Qcqp q(2);
  q.qobj = {{0, 0, -1}, {1, 1, -1}};
  q.obj = {2, 4};
  q.objconst = -5;
  q.sense = -1;
  q.row('L', 1).quad = {{0, 0, 1}, {1, 1, 1}};
  return q;
}

// The unit disc and x + y >= 3 do not meet.
Qcqp disc_infeasible() {
  Qcqp q(2);
  q.obj = {1, 1};
  q.row('L', 1).quad = {{0, 0, 1}, {1, 1, 1}};
  q.row('G', 3).lin = {{0, 1}, {1, 1}};
  return q;
}

// min x + y on the unit circle (an equality row): nonconvex, -sqrt(2).
Qcqp circle() {
  Qcqp q(2, -2, -0.1);
  q.obj = {1, 1};
  q.row('E', 1).quad = {{0, 0, 1}, {1, 1, 1}};
  return q;
}

// min (x-2)^2 + (y-1)^2 in the unit disc with x <= 0.5: the bound binds.
Qcqp disc_bound() {
  Qcqp q(2);
  q.ub[0] = 0.5;
  q.qobj = {{0, 0, 1}, {1, 1, 1}};
  q.obj = {-4, -2};
  q.objconst = 5;
  q.row('L', 1).quad = {{0, 0, 1}, {1, 1, 1}};
  return q;
}

struct Case {
  const char *name;
  std::function<Qcqp()> make;
  int lpstatus;   // through ONDRlpoptimize
  int nlpstatus;  // through OSLPnlpoptimize (Ipopt)
  double fstar;   // NAN: not checked
};

const Case kCases[] = {
    {"hs43", hs43, 1, 2, -44.0},
    {"hs18", hs18, 8, 1, 5.0},
    {"disc_max", disc_max, 1, 2, -std::pow(std::sqrt(5.0) - 1, 2)},
    {"disc_infeasible", disc_infeasible, 2, 3, NAN},
    {"circle", circle, 8, 1, -std::sqrt(2.0)},
    {"disc_bound", disc_bound, 1, 2, NAN},
};

double solve_lp_obj(const Qcqp &q, const std::function<void(ONDRprob)> &change) {
  Fixture f;
  q.load(f.prob);
  change(f.prob);
  if (ONDRlpoptimize(f.prob, nullptr) != 0 || lpstatus(f.prob) != 1) return NAN;
  return lpobj(f.prob);
}

}  // namespace

TEST(optimizer_routes_quadratic_rows_to_the_local_solver) {
  for (const Case &c : kCases) {
    Fixture f;
    CHECK_OK(c.make().load(f.prob));
    CHECK_OK(ONDRlpoptimize(f.prob, nullptr));
    if (lpstatus(f.prob) != c.lpstatus) fprintf(stderr, "  case %s\n", c.name);
    CHECK(lpstatus(f.prob) == c.lpstatus);
    if (!std::isnan(c.fstar)) CHECK_NEAR(lpobj(f.prob), c.fstar, 1e-6);
    if (c.lpstatus == 1 || c.lpstatus == 8) {
      Sol s = lpsol(f.prob);
      CHECK((int)s.x.size() == c.make().n);
    }
  }
}

TEST(nonlinear_layer_agrees_with_the_optimizer) {
  for (const Case &c : kCases) {
    for (int solver : {1, 2}) {
      SlpFixture f;
      Qcqp q = c.make();
      CHECK_OK(q.load(f.prob));
      CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPSOLVER, solver));
      // the nonlinear layer keeps its own sense: copy the optimizer's
      int os = 1;
      ONDRgetintattrib(f.prob, ONDR_OBJSENSE, &os);
      CHECK_OK(OSLPsetdblcontrol(f.slp, OSLP_NLPOBJSENSE, (double)os));
      int rc = OSLPnlpoptimize(f.slp, nullptr);
      CHECK(rc == 0);
      int st = nlpstatus(f.slp);
      bool ok = c.nlpstatus == 3 ? (st == 3 || st == 4) : st == c.nlpstatus;
      if (!ok) fprintf(stderr, "  case %s solver %d: status %d (%s)\n", c.name, solver, st,
                       slp_error(f.slp).c_str());
      CHECK(ok);
      if (c.nlpstatus == 3) continue;
      Fixture g;
      q.load(g.prob);
      ONDRlpoptimize(g.prob, nullptr);
      Sol a = slpsol(f.slp), b = lpsol(g.prob);
      CHECK_NEAR(nlpobj(f.slp), lpobj(g.prob), 1e-5);
      for (size_t j = 0; j < a.x.size(); ++j) {
        CHECK_NEAR(a.x[j], b.x[j], 1e-4);
        CHECK_NEAR(a.dj[j], b.dj[j], 1e-3);
      }
      for (size_t i = 0; i < a.slack.size(); ++i) {
        CHECK_NEAR(a.slack[i], b.slack[i], 1e-4);
        CHECK_NEAR(a.dual[i], b.dual[i], 1e-3);
      }
    }
  }
}

TEST(duals_are_the_objective_change_per_unit_of_rhs) {
  // Active rows of convex problems: the dual must match a finite difference
  // of the optimal objective, whatever the sense and the row type.
  struct Probe {
    const char *name;
    std::function<Qcqp()> make;
    int row;
  } probes[] = {{"hs43 row 0", hs43, 0}, {"hs43 row 2", hs43, 2}, {"disc_max", disc_max, 0},
                {"disc_bound", disc_bound, 0}};
  for (const Probe &p : probes) {
    Qcqp q = p.make();
    Fixture f;
    q.load(f.prob);
    CHECK_OK(ONDRlpoptimize(f.prob, nullptr));
    Sol s = lpsol(f.prob);
    double base = lpobj(f.prob), h = 1e-4, rhs = q.rows[p.row].rhs + h;
    double moved = solve_lp_obj(q, [&](ONDRprob pr) { ONDRchgrhs(pr, 1, &p.row, &rhs); });
    double fd = (moved - base) / h;
    if (std::fabs(fd - s.dual[p.row]) > 1e-3 * (1 + std::fabs(fd)))
      fprintf(stderr, "  %s: dual %g, finite difference %g\n", p.name, s.dual[p.row], fd);
    CHECK_NEAR(s.dual[p.row], fd, 1e-3);
    CHECK(std::fabs(s.dual[p.row]) > 1e-3);  // the probe is an active row
  }
}

TEST(reduced_cost_is_the_objective_change_per_unit_of_bound) {
  Qcqp q = disc_bound();
  Fixture f;
  q.load(f.prob);
  CHECK_OK(ONDRlpoptimize(f.prob, nullptr));
  Sol s = lpsol(f.prob);
  CHECK_NEAR(s.x[0], 0.5, 1e-6);  // at its upper bound
  double base = lpobj(f.prob), h = -1e-4, ub = 0.5 + h;
  int col = 0;
  char u = 'U';
  double moved = solve_lp_obj(q, [&](ONDRprob pr) { ONDRchgbounds(pr, 1, &col, &u, &ub); });
  CHECK_NEAR(s.dj[0], (moved - base) / h, 1e-3);
  // slack = rhs - activity
  CHECK_NEAR(s.slack[0], 1 - (s.x[0] * s.x[0] + s.x[1] * s.x[1]), 1e-9);
}

TEST(nonconvex_objective_gives_a_local_solution) {
  // min -(x - 0.3)^2 on [0, 1]: local minima at both ends.
  Qcqp q(1, 0, 1);
  q.qobj = {{0, 0, -1}};
  q.obj = {0.6};
  q.objconst = -0.09;
  Fixture f;
  CHECK_OK(q.load(f.prob));
  CHECK_OK(ONDRlpoptimize(f.prob, nullptr));
  CHECK(lpstatus(f.prob) == 8);
  Sol s = lpsol(f.prob);
  CHECK(std::fabs(s.x[0]) < 1e-6 || std::fabs(s.x[0] - 1) < 1e-6);
  CHECK_NEAR(lpobj(f.prob), -(s.x[0] - 0.3) * (s.x[0] - 0.3), 1e-9);
}

TEST(local_infeasibility_of_a_nonconvex_problem_is_not_called_infeasible) {
  // x*y = 9 and x^2 + y^2 = 25 from (0, 0), where both rows have no slope:
  // the local solver stalls, yet the problem has solutions.
  Qcqp q(2);
  q.row('E', 9).quad = {{0, 1, 1}};
  q.row('E', 25).quad = {{0, 0, 1}, {1, 1, 1}};
  Fixture f;
  CHECK_OK(q.load(f.prob));
  CHECK_OK(ONDRlpoptimize(f.prob, nullptr));
  int st = lpstatus(f.prob);
  CHECK(st == 7 || st == 8);  // unsolved, or a solution found after all
  if (st == 8) {
    Sol s = lpsol(f.prob);
    CHECK_NEAR(s.x[0] * s.x[1], 9, 1e-5);
  }
}

TEST(integer_columns_get_the_continuous_relaxation_from_lpoptimize) {
  // max x + y in the unit disc with x binary: the relaxation treats x in [0,1].
  Qcqp q(2, 0, INF);
  q.obj = {-1, -1};
  q.row('L', 1).quad = {{0, 0, 1}, {1, 1, 1}};
  Fixture f;
  CHECK_OK(q.load(f.prob));
  int col = 0;
  char t = 'B';
  CHECK_OK(ONDRchgcoltype(f.prob, 1, &col, &t));
  CHECK_OK(ONDRlpoptimize(f.prob, nullptr));
  CHECK(lpstatus(f.prob) == 1);
  CHECK_NEAR(lpobj(f.prob), -std::sqrt(2.0), 1e-6);
  // the nonlinear layer solves it by the tree search: x = 1, y = 0 (or the
  // reverse); no formulas and convex rows, so globally optimal
  OSLPprob s;
  CHECK_OK(OSLPcreateprob(&s, &f.prob));
  CHECK_OK(OSLPnlpoptimize(s, nullptr));
  CHECK(nlpstatus(s) == 2);
  double x[2];
  CHECK_OK(OSLPgetslpsol(s, x, nullptr, nullptr, nullptr));
  CHECK_NEAR(x[0] + x[1], 1.0, 1e-3);  // y = sqrt(1 - x^2) is steep at x = 1
  CHECK(std::fabs(x[0] - std::round(x[0])) < 1e-6);
  OSLPdestroyprob(s);
}
