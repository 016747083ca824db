// LP solving: statuses, sign conventions, algorithms, limits, interrupts,
// log lines and the lifetime of results.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include <unistd.h>
#include "check.h"
#include "lpbuild.h"

namespace {

// The LP worked by hand (minimizing):
//   x in [0,4] cost 2, y >= 0 cost 3, z in [0,10] cost 1, t >= 0 cost 5,
//   s in [0,2] cost -3
//   r0 G 2 : x + y + t          r1 L 1 : x - y + s
//   r2 E 3 : x + z              r3 R [1,10] : x + y + z
//   r4 N   : x + 2y + 3z
// Optimum: s = 2 (at its upper bound), t = 0, x = 0.5, y = 1.5, z = 2.5,
// objective 2. Duals (objective change per unit rhs increase): r0 2,
// r1 -1, r2 1, r3 0, r4 0. Reduced costs: t 5 - 2 = 3, s -3 - (-1) = -2.
LpBuild hand_lp(double sign = 1.0) {
  LpBuild b;
  int x = b.col(2 * sign, 0, 4), y = b.col(3 * sign), z = b.col(1 * sign, 0, 10);
  int t = b.col(5 * sign), s = b.col(-3 * sign, 0, 2);
  b.row('G', 2, {{x, 1}, {y, 1}, {t, 1}});
  b.row('L', 1, {{x, 1}, {y, -1}, {s, 1}});
  b.row('E', 3, {{x, 1}, {z, 1}});
  b.row('R', 10, {{x, 1}, {y, 1}, {z, 1}}, 9);
  b.row('N', 0, {{x, 1}, {y, 2}, {z, 3}});
  return b;
}

void check_hand_solution(ONDRprob p, double sign) {
  CHECK(intattr(p, ONDR_LPSTATUS) == 1);
  CHECK(intattr(p, ONDR_STOPSTATUS) == 0);
  CHECK_NEAR(dblattr(p, ONDR_LPOBJVAL), 2 * sign, 1e-9);
  double x[5], slack[5], dual[5], dj[5];
  CHECK_OK(ONDRgetlpsol(p, x, slack, dual, dj));
  const double ex[] = {0.5, 1.5, 2.5, 0, 2};
  const double es[] = {0, 0, 0, 10 - 4.5, -(0.5 + 3 + 7.5)};
  const double ey[] = {2, -1, 1, 0, 0};
  const double ed[] = {0, 0, 0, 3, -2};
  for (int k = 0; k < 5; ++k) {
    CHECK_NEAR(x[k], ex[k], 1e-7);
    CHECK_NEAR(slack[k], es[k], 1e-7);
    CHECK_NEAR(dual[k], sign * ey[k], 1e-7);
    CHECK_NEAR(dj[k], sign * ed[k], 1e-7);
  }
}

}  // namespace

TEST(hand_lp_signs_minimize_and_maximize) {
  for (double sign : {1.0, -1.0}) {
    Fixture f;
    CHECK_OK(hand_lp(sign).load(f.prob));
    if (sign < 0) CHECK_OK(ONDRchgobjsense(f.prob, -1));
    CHECK_OK(ONDRlpoptimize(f.prob, nullptr));
    check_hand_solution(f.prob, sign);
  }
}

TEST(dual_is_objective_change_per_rhs_change) {
  // Resolve with each binding row's rhs moved by a small step: the optimal
  // objective moves by dual * step, in either sense.
  for (double sign : {1.0, -1.0}) {
    for (int row = 0; row < 3; ++row) {
      Fixture f;
      LpBuild b = hand_lp(sign);
      CHECK_OK(b.load(f.prob));
      if (sign < 0) CHECK_OK(ONDRchgobjsense(f.prob, -1));
      CHECK_OK(ONDRlpoptimize(f.prob, ""));
      double obj0 = dblattr(f.prob, ONDR_LPOBJVAL), dual[5];
      CHECK_OK(ONDRgetlpsol(f.prob, nullptr, nullptr, dual, nullptr));
      const double step = 0.01;
      b.rhs[(size_t)row] += step;
      CHECK_OK(b.load(f.prob));
      if (sign < 0) CHECK_OK(ONDRchgobjsense(f.prob, -1));
      CHECK_OK(ONDRlpoptimize(f.prob, ""));
      CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL) - obj0, dual[row] * step, 1e-9);
    }
  }
}

TEST(every_algorithm_gives_the_same_solution) {
  struct Case { const char *flags; int defaultalg; };
  const Case cases[] = {{"", 1}, {"d", 1}, {"p", 1}, {"b", 1}, {"n", 1}, {"pd", 1},
                        {nullptr, 2}, {nullptr, 3}, {nullptr, 4}, {"", 4}};
  for (const Case &c : cases) {
    Fixture f;
    CHECK_OK(hand_lp().load(f.prob));
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_DEFAULTALG, c.defaultalg));
    CHECK_OK(ONDRlpoptimize(f.prob, c.flags));
    check_hand_solution(f.prob, 1.0);
    if (c.defaultalg == 4 || (c.flags && strchr(c.flags, 'b')))
      CHECK(intattr(f.prob, ONDR_BARITER) > 0);  // barrier iterations counted
  }
  Fixture f;
  CHECK_OK(hand_lp().load(f.prob));
  CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_PRESOLVE, 0));  // without presolve: simplex iterations
  CHECK_OK(ONDRlpoptimize(f.prob, "p"));
  CHECK(intattr(f.prob, ONDR_SIMPLEXITER) > 0);
  CHECK(dblattr(f.prob, ONDR_SOLVETIME) >= 0.0);
}

TEST(barrier_without_crossover) {
  Fixture f;
  CHECK_OK(hand_lp().load(f.prob));
  CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_CROSSOVER, 0));
  CHECK_OK(ONDRlpoptimize(f.prob, "b"));
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
  CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), 2.0, 1e-6);
  double x[5];
  CHECK_OK(ONDRgetlpsol(f.prob, x, nullptr, nullptr, nullptr));
  CHECK_NEAR(x[1], 1.5, 1e-5);
}

TEST(infeasible_and_unbounded) {
  struct Case { const char *what; int presolve; const char *flags; };
  const Case cases[] = {{"presolve", 1, ""}, {"no presolve dual", 0, "d"},
                        {"no presolve primal", 0, "p"}, {"barrier", 1, "b"}};
  for (const Case &c : cases) {
    {  // x + y <= 1, x + y >= 2
      Fixture f;
      LpBuild b;
      int x = b.col(1), y = b.col(1);
      b.row('L', 1, {{x, 1}, {y, 1}});
      b.row('G', 2, {{x, 1}, {y, 1}});
      CHECK_OK(b.load(f.prob));
      CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_PRESOLVE, c.presolve));
      CHECK_OK(ONDRlpoptimize(f.prob, c.flags));
      if (intattr(f.prob, ONDR_LPSTATUS) != 2) fprintf(stderr, "  case %s\n", c.what);
      CHECK(intattr(f.prob, ONDR_LPSTATUS) == 2);
    }
    {  // min -x - y, x - y <= 1
      Fixture f;
      LpBuild b;
      int x = b.col(-1), y = b.col(-1);
      b.row('L', 1, {{x, 1}, {y, -1}});
      CHECK_OK(b.load(f.prob));
      CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_PRESOLVE, c.presolve));
      CHECK_OK(ONDRlpoptimize(f.prob, c.flags));
      if (intattr(f.prob, ONDR_LPSTATUS) != 5) fprintf(stderr, "  case %s\n", c.what);
      CHECK(intattr(f.prob, ONDR_LPSTATUS) == 5);
    }
  }
  {  // both primal and dual infeasible: reported infeasible
    Fixture f;
    LpBuild b;
    int x = b.col(-1, -1e20, 1e20), y = b.col(0, -1e20, 1e20);
    b.row('G', 1, {{y, 1}});
    b.row('L', 0, {{y, 1}});
    (void)x;
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 2);
  }
  {  // inconsistent column bounds
    Fixture f;
    LpBuild b;
    b.col(1, 2, 1);
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 2);
  }
}

TEST(empty_problems) {
  {
    Fixture f;
    CHECK_OK(ONDRloadlp(f.prob, "empty", 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr, nullptr));
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
    CHECK(dblattr(f.prob, ONDR_LPOBJVAL) == 0.0);
    CHECK_OK(ONDRgetlpsol(f.prob, nullptr, nullptr, nullptr, nullptr));
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
    CHECK(dblattr(f.prob, ONDR_MIPOBJVAL) == 0.0);
  }
  {  // rows but no columns: feasible exactly when 0 satisfies every row
    for (double rhs : {-1.0, 1.0}) {
      Fixture f;
      const char rt[] = {'L', 'N'};
      double b[] = {rhs, 5};
      CHECK_OK(ONDRloadlp(f.prob, "rows", 0, 2, rt, b, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr));
      CHECK_OK(ONDRlpoptimize(f.prob, ""));
      CHECK(intattr(f.prob, ONDR_LPSTATUS) == (rhs < 0 ? 2 : 1));
      double slack[2];
      CHECK_OK(ONDRgetlpsol(f.prob, nullptr, slack, nullptr, nullptr));
      CHECK(slack[0] == rhs && slack[1] == 0.0);
    }
  }
}

TEST(single_solution_entries_match_the_whole_vectors) {
  Fixture f;
  int idx[3] = {4, 0, 2};
  double v[3] = {0, 0, 0};
  CHECK_FAIL(ONDRgetsolvalues(f.prob, ONDR_SOL_X, 0, nullptr, nullptr));
  CHECK_CONTAINS(check::lasterror(f.prob), "has not been solved");
  CHECK_OK(hand_lp().load(f.prob));
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  double x[5], slack[5], dual[5], dj[5];
  CHECK_OK(ONDRgetlpsol(f.prob, x, slack, dual, dj));
  const double *whole[] = {x, slack, dual, dj};
  for (int which = ONDR_SOL_X; which <= ONDR_SOL_DJ; ++which) {
    CHECK_OK(ONDRgetsolvalues(f.prob, which, 3, idx, v));
    for (int k = 0; k < 3; ++k) CHECK(v[k] == whole[which][idx[k]]);
  }
  CHECK_FAIL(ONDRgetsolvalues(f.prob, ONDR_SOL_MIPX, 1, idx, v));  // an LP solve has no integer solution
  int bad[2] = {1, 5};
  v[0] = -7;
  CHECK_FAIL(ONDRgetsolvalues(f.prob, ONDR_SOL_SLACK, 2, bad, v));
  CHECK_CONTAINS(check::lasterror(f.prob), "invalid row index 5");
  CHECK(v[0] == -7);  // nothing written on failure
  CHECK_FAIL(ONDRgetsolvalues(f.prob, 6, 1, idx, v));
  double one = 1;
  int col = 0;
  CHECK_OK(ONDRchgobj(f.prob, 1, &col, &one));  // a change discards the results
  CHECK_FAIL(ONDRgetsolvalues(f.prob, ONDR_SOL_X, 1, idx, v));
}

TEST(results_describe_the_last_solve_only) {
  Fixture f;
  double x[5];
  CHECK_FAIL(ONDRgetlpsol(f.prob, x, nullptr, nullptr, nullptr));
  CHECK_CONTAINS(check::lasterror(f.prob),
                 "no solution available: the problem has not been solved");
  CHECK_FAIL(ONDRgetmipsol(f.prob, x, nullptr));
  CHECK_CONTAINS(check::lasterror(f.prob),
                 "no solution available: the problem has not been solved");
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 0);
  LpBuild b = hand_lp();
  CHECK_OK(b.load(f.prob));
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
  CHECK_FAIL(ONDRgetmipsol(f.prob, x, nullptr));  // an LP solve has no integer solution
  // bad flags fail before anything is discarded
  CHECK_FAIL(ONDRlpoptimize(f.prob, "q"));
  CHECK_CONTAINS(check::lasterror(f.prob), "Unknown optimize flag 'q'");
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
  CHECK_FAIL(ONDRlpoptimize(f.prob, "l"));  // relaxation-only is a MIP flag
  // a new load discards the results
  CHECK_OK(b.load(f.prob));
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 0);
  CHECK_FAIL(ONDRgetlpsol(f.prob, x, nullptr, nullptr, nullptr));
  CHECK_CONTAINS(check::lasterror(f.prob), "has not been solved");
  // an infeasible solve replaces an optimal one
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  b.rhs[1] = -100;  // x - y + s <= -100 with x + y + t >= 2 ... and y free above
  b.ub[1] = 1;      // y <= 1 makes it infeasible
  CHECK_OK(b.load(f.prob));
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 2);
  CHECK(dblattr(f.prob, ONDR_LPOBJVAL) != 2.0 || intattr(f.prob, ONDR_LPSTATUS) != 1);
}

namespace {

// A transportation problem big enough to take a while: n sources with
// supply, n sinks with demand, pseudo-random costs.
LpBuild transport(int n) {
  LpBuild b;
  unsigned seed = 12345;
  auto rnd = [&] { seed = seed * 1103515245u + 12345u; return (seed >> 8) % 1000; };
  std::vector<std::vector<int>> x((size_t)n, std::vector<int>((size_t)n));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) x[(size_t)i][(size_t)j] = b.col(1.0 + (double)rnd());
  for (int i = 0; i < n; ++i) {
    std::vector<std::pair<int, double>> e;
    for (int j = 0; j < n; ++j) e.push_back({x[(size_t)i][(size_t)j], 1.0});
    b.row('L', 100.0 + (double)(rnd() % 50), e);
  }
  for (int j = 0; j < n; ++j) {
    std::vector<std::pair<int, double>> e;
    for (int i = 0; i < n; ++i) e.push_back({x[(size_t)i][(size_t)j], 1.0});
    b.row('G', 90.0, e);
  }
  return b;
}

}  // namespace

TEST(limits_stop_with_a_status) {
  LpBuild b = transport(60);
  {
    Fixture f;
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_PRESOLVE, 0));
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_LPITERLIMIT, 5));
    CHECK_OK(ONDRlpoptimize(f.prob, "d"));
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 4);
    CHECK(intattr(f.prob, ONDR_STOPSTATUS) == 4);
    CHECK(intattr(f.prob, ONDR_SIMPLEXITER) <= 5);
    std::vector<double> x((size_t)b.ncols());
    CHECK_OK(ONDRgetlpsol(f.prob, x.data(), nullptr, nullptr, nullptr));
    // the limit is lifted for the next solve
    CHECK_OK(ONDRsetdefaultcontrol(f.prob, ONDR_LPITERLIMIT));
    CHECK_OK(ONDRlpoptimize(f.prob, "d"));
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
    CHECK(intattr(f.prob, ONDR_STOPSTATUS) == 0);
  }
  {
    Fixture f;
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRsetdblcontrol(f.prob, ONDR_TIMELIMIT, 0.0));
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 4);
    CHECK(intattr(f.prob, ONDR_STOPSTATUS) == 1);
  }
}

TEST(interrupt_from_another_thread) {
  LpBuild b = transport(150);
  Fixture f;
  CHECK_OK(b.load(f.prob));
  CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_PRESOLVE, 0));
  CHECK_OK(ONDRsetdblcontrol(f.prob, ONDR_TIMELIMIT, 60.0));  // a safety net only
  std::atomic<bool> done{false};
  std::thread stopper([&] {
    while (!done) {
      ONDRinterrupt(f.prob, 9);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  CHECK_OK(ONDRlpoptimize(f.prob, "p"));
  done = true;
  stopper.join();
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 4);
  CHECK(intattr(f.prob, ONDR_STOPSTATUS) == 9);
  std::vector<double> x((size_t)b.ncols());
  CHECK_OK(ONDRgetlpsol(f.prob, x.data(), nullptr, nullptr, nullptr));
  // a pending request does not outlive its solve
  CHECK_OK(ONDRinterrupt(f.prob, 9));
  CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_PRESOLVE, 1));
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
  CHECK(intattr(f.prob, ONDR_STOPSTATUS) == 0);
}

TEST(log_lines_follow_outputlog) {
  for (int on : {0, 1}) {
    Fixture f;
    char path[] = "/tmp/ondr_lplogXXXXXX";
    int fd = mkstemp(path);
    CHECK(fd >= 0);
    close(fd);
    CHECK_OK(hand_lp().load(f.prob));
    CHECK_OK(ONDRsetlogfile(f.prob, path));
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_OUTPUTLOG, on));
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    if (on) {
      CHECK_CONTAINS(text.str(), "Optimal");
      CHECK(text.str().find("\n\n\n") == std::string::npos);
    } else {
      CHECK(text.str().empty());
    }
    ONDRsetlogfile(f.prob, "");
    remove(path);
  }
}

TEST(objective_constant_and_user_scaling) {
  for (double sign : {1.0, -1.0}) {
    Fixture f;
    LpBuild b = hand_lp(sign);
    CHECK_OK(b.load(f.prob));
    if (sign < 0) CHECK_OK(ONDRchgobjsense(f.prob, -1));
    int idx[] = {-1};
    double negc[] = {-7.5};  // objective constant 7.5, stored negated
    CHECK_OK(ONDRchgobj(f.prob, 1, idx, negc));
    int rs[] = {3, -2, 5, 0, 1}, cs[] = {-4, 2, 0, 6, -1};
    CHECK_OK(ONDRscale(f.prob, rs, cs));
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), 2 * sign + 7.5, 1e-9);
    // the solution comes back in the problem's own units
    double x[5], slack[5], dual[5], dj[5];
    CHECK_OK(ONDRgetlpsol(f.prob, x, slack, dual, dj));
    const double ex[] = {0.5, 1.5, 2.5, 0, 2}, ey[] = {2, -1, 1, 0, 0}, ed[] = {0, 0, 0, 3, -2};
    for (int k = 0; k < 5; ++k) {
      CHECK_NEAR(x[k], ex[k], 1e-7);
      CHECK_NEAR(dual[k], sign * ey[k], 1e-7);
      CHECK_NEAR(dj[k], sign * ed[k], 1e-7);
    }
    CHECK_NEAR(slack[3], 5.5, 1e-7);
  }
}

TEST(every_model_change_discards_the_results) {
  struct Change { const char *what; std::function<int(ONDRprob)> apply; };
  int c0[] = {0}, r0[] = {0};
  double one[] = {1.0}, zero[] = {0.0};
  char up[] = {'U'}, ctype[] = {'I'}, rtype[] = {'G'};
  const Change changes[] = {
      {"chgobj", [&](ONDRprob p) { return ONDRchgobj(p, 1, c0, one); }},
      {"objective constant", [&](ONDRprob p) { int m1[] = {-1}; return ONDRchgobj(p, 1, m1, one); }},
      {"chgobjsense", [&](ONDRprob p) { return ONDRchgobjsense(p, -1); }},
      {"chgbounds", [&](ONDRprob p) { return ONDRchgbounds(p, 1, c0, up, one); }},
      {"chgrhs", [&](ONDRprob p) { return ONDRchgrhs(p, 1, r0, one); }},
      {"chgrowtype", [&](ONDRprob p) { return ONDRchgrowtype(p, 1, r0, rtype); }},
      {"chgcoef", [&](ONDRprob p) { return ONDRchgcoef(p, 0, 0, 2.0); }},
      {"chgmcoef", [&](ONDRprob p) { return ONDRchgmcoef(p, 1, r0, c0, one); }},
      {"chgcoltype", [&](ONDRprob p) { return ONDRchgcoltype(p, 1, c0, ctype); }},
      {"chgqobj", [&](ONDRprob p) { return ONDRchgqobj(p, 0, 0, 1.0); }},
      {"chgmqobj", [&](ONDRprob p) { return ONDRchgmqobj(p, 1, c0, c0, one); }},
      {"delqmatrix objective", [&](ONDRprob p) { return ONDRdelqmatrix(p, -1); }},
      {"addrows", [&](ONDRprob p) {
         int64_t st[] = {0};
         return ONDRaddrows64(p, 1, 1, rtype, zero, nullptr, st, c0, one);
       }},
      {"addcols", [&](ONDRprob p) {
         int64_t st[] = {0};
         return ONDRaddcols64(p, 1, 0, one, st, nullptr, nullptr, zero, one);
       }},
      {"delrows", [&](ONDRprob p) { return ONDRdelrows(p, 1, r0); }},
      {"delcols", [&](ONDRprob p) { return ONDRdelcols(p, 1, c0); }},
  };
  for (const Change &c : changes) {
    Fixture f;
    CHECK_OK(hand_lp().load(f.prob));
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
    int rc = c.apply(f.prob);
    if (rc) fprintf(stderr, "  %s: %s\n", c.what, check::lasterror(f.prob).c_str());
    CHECK(rc == 0);
    if (intattr(f.prob, ONDR_LPSTATUS) != 0) fprintf(stderr, "  %s left the results\n", c.what);
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 0);
    CHECK_FAIL(ONDRgetlpsol(f.prob, nullptr, nullptr, nullptr, nullptr));
  }
  // a failed change leaves them
  Fixture f;
  CHECK_OK(hand_lp().load(f.prob));
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  int bad[] = {99};
  CHECK_FAIL(ONDRchgobj(f.prob, 1, bad, one));
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
}
