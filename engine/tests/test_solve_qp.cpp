// Quadratic objectives: the once-per-pair convention reaching HiGHS, duals
// and reduced costs of a QP worked by hand, the convexity test, and the
// problems that must go to the nonlinear layer instead.
#include <cmath>
#include <vector>
#include "check.h"
#include "lpbuild.h"

namespace {

void set_q(ONDRprob p, std::vector<int> i, std::vector<int> j, std::vector<double> v) {
  CHECK_OK(ONDRchgmqobj64(p, (int64_t)v.size(), i.data(), j.data(), v.data()));
}

// A convex problem is solved by HiGHS; a non-convex one is handed to the
// nonlinear layer, which either reports a local solution (lpstatus 8) or,
// while it is not built in, fails with its message.
bool went_to_local_solver(ONDRprob p, int rc) {
  if (rc != 0) return check::lasterror(p).find("nonlinear solver") != std::string::npos;
  return intattr(p, ONDR_LPSTATUS) == 8;
}

}  // namespace

TEST(hand_qp_with_a_binding_row) {
  // min x^2 + xy + y^2 - x + 4, x + y >= 1, x and y free:
  // 0.5 x'Qx with Q = [[2,1],[1,2]]: pairs (0,0,2), (0,1,1), (1,1,2).
  // Stationarity 2x + y - 1 = u, x + 2y = u with x + y = 1 gives x = 1,
  // y = 0, u = 1, objective 4; reduced costs c + Qx - A'u = 0.
  for (bool reversed : {false, true}) {
    Fixture f;
    LpBuild b;
    int x = b.col(-1, -1e20, 1e20), y = b.col(0, -1e20, 1e20);
    b.row('G', 1, {{x, 1}, {y, 1}});
    CHECK_OK(b.load(f.prob));
    if (reversed) set_q(f.prob, {0, 1, 1}, {0, 0, 1}, {2, 1, 2});
    else set_q(f.prob, {0, 0, 1}, {0, 1, 1}, {2, 1, 2});
    int idx[] = {-1};
    double negc[] = {-4};
    CHECK_OK(ONDRchgobj(f.prob, 1, idx, negc));
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
    CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), 4.0, 1e-7);
    double xv[2], slack[1], dual[1], dj[2];
    CHECK_OK(ONDRgetlpsol(f.prob, xv, slack, dual, dj));
    CHECK_NEAR(xv[0], 1.0, 1e-6);
    CHECK_NEAR(xv[1], 0.0, 1e-6);
    CHECK_NEAR(slack[0], 0.0, 1e-6);
    CHECK_NEAR(dual[0], 1.0, 1e-6);
    CHECK_NEAR(dj[0], 0.0, 1e-6);
    CHECK_NEAR(dj[1], 0.0, 1e-6);
  }
}

TEST(unconstrained_qp_and_concave_maximum) {
  {  // min x^2 + xy + y^2 - x: x = 2/3, y = -1/3, objective -1/3
    Fixture f;
    LpBuild b;
    b.col(-1, -1e20, 1e20);
    b.col(0, -1e20, 1e20);
    CHECK_OK(b.load(f.prob));
    set_q(f.prob, {0, 0, 1}, {0, 1, 1}, {2, 1, 2});
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), -1.0 / 3, 1e-7);
    double x[2];
    CHECK_OK(ONDRgetlpsol(f.prob, x, nullptr, nullptr, nullptr));
    CHECK_NEAR(x[0], 2.0 / 3, 1e-6);
    CHECK_NEAR(x[1], -1.0 / 3, 1e-6);
  }
  {  // max -x^2 - y^2 + x + y, x + y <= 0.5: x = y = 0.25, objective 0.375,
     // dual 0.5 (objective gain per unit of rhs), reduced costs 0
    Fixture f;
    LpBuild b;
    int x = b.col(1, -1e20, 1e20), y = b.col(1, -1e20, 1e20);
    b.row('L', 0.5, {{x, 1}, {y, 1}});
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRchgobjsense(f.prob, -1));
    set_q(f.prob, {0, 1}, {0, 1}, {-2, -2});
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
    CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), 0.375, 1e-7);
    double xv[2], dual[1], dj[2];
    CHECK_OK(ONDRgetlpsol(f.prob, xv, nullptr, dual, dj));
    CHECK_NEAR(xv[0], 0.25, 1e-6);
    CHECK_NEAR(dual[0], 0.5, 1e-6);
    CHECK_NEAR(dj[1], 0.0, 1e-6);
    // the same through the MIP entry: no integer columns, so a QP solve
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
    CHECK_NEAR(dblattr(f.prob, ONDR_MIPOBJVAL), 0.375, 1e-7);
  }
}

TEST(convexity_decides_who_solves) {
  struct Case {
    const char *what;
    int sense;
    std::vector<int> i, j;
    std::vector<double> v;
    bool convex;
  };
  const Case cases[] = {
      {"diagonal", 1, {0, 1, 2}, {0, 1, 2}, {1, 2, 3}, true},
      {"negative diagonal", 1, {0, 1}, {0, 1}, {1, -1}, false},
      {"convex but maximized", -1, {0}, {0}, {2}, false},
      {"concave maximized", -1, {0, 0, 1}, {0, 1, 1}, {-2, -1, -2}, true},
      {"singular (x+y)^2", 1, {0, 0, 1}, {0, 1, 1}, {2, 2, 2}, true},
      {"indefinite, positive diagonal", 1, {0, 0, 1}, {0, 1, 1}, {1, 2, 1}, false},
      {"zero pivot, nonzero column", 1, {0, 0, 1}, {0, 1, 1}, {0, 1, 5}, false},
      {"singular 3x3 (zero last pivot)", 1, {0, 0, 0, 1, 1, 2}, {0, 1, 2, 1, 2, 2},
       {1, .5, .5, 1, -.5, 1}, true},
      {"indefinite 3x3", 1, {0, 0, 0, 1, 1, 2}, {0, 1, 2, 1, 2, 2}, {1, .9, .9, 1, -.9, 1}, false},
      {"convex block and indefinite block", 1, {0, 0, 1, 2, 2, 3}, {0, 1, 1, 2, 3, 3},
       {2, 1, 2, 1, 3, 1}, false},
      {"off-diagonal only", 1, {0}, {1}, {1}, false},
  };
  for (const Case &c : cases) {
    Fixture f;
    LpBuild b;
    for (int k = 0; k < 4; ++k) b.col(1, -10, 10);
    CHECK_OK(b.load(f.prob));
    if (c.sense < 0) CHECK_OK(ONDRchgobjsense(f.prob, -1));
    set_q(f.prob, c.i, c.j, c.v);
    int rc = ONDRlpoptimize(f.prob, "");
    bool ok = c.convex ? rc == 0 && intattr(f.prob, ONDR_LPSTATUS) == 1 : went_to_local_solver(f.prob, rc);
    if (!ok) fprintf(stderr, "  case %s: rc %d, %s\n", c.what, rc, check::lasterror(f.prob).c_str());
    CHECK(ok);
  }
}

TEST(convexity_of_large_matrices) {
  // Tridiagonal n x n with diagonal d and off-diagonals -1: positive
  // semidefinite exactly when d >= 2 cos(pi / (n + 1)); dense B'B with B
  // 30 x 60 is semidefinite and singular, B'B - 0.01 I is indefinite.
  const int n = 4000;
  for (double d : {2.0, 1.99}) {
    Fixture f;
    LpBuild b;
    for (int k = 0; k < n; ++k) b.col(1, -1, 1);
    CHECK_OK(b.load(f.prob));
    std::vector<int> i, j;
    std::vector<double> v;
    for (int k = 0; k < n; ++k) {
      i.push_back(k), j.push_back(k), v.push_back(d);
      if (k + 1 < n) i.push_back(k), j.push_back(k + 1), v.push_back(-1);
    }
    set_q(f.prob, i, j, v);
    int rc = ONDRlpoptimize(f.prob, "");
    if (d >= 2) CHECK(rc == 0 && intattr(f.prob, ONDR_LPSTATUS) == 1);
    else CHECK(went_to_local_solver(f.prob, rc));
  }
  for (double shift : {0.0, -0.01}) {
    const int m = 30, k = 60;
    std::vector<double> B((size_t)(m * k));
    unsigned seed = 7;
    for (auto &x : B) {
      seed = seed * 1103515245u + 12345u;
      x = ((seed >> 8) % 2001) / 1000.0 - 1.0;
    }
    Fixture f;
    LpBuild b;
    for (int c = 0; c < k; ++c) b.col(0, -1, 1);
    CHECK_OK(b.load(f.prob));
    std::vector<int> i, j;
    std::vector<double> v;
    for (int p = 0; p < k; ++p)
      for (int q = p; q < k; ++q) {
        double s = 0;
        for (int r = 0; r < m; ++r) s += B[(size_t)(r * k + p)] * B[(size_t)(r * k + q)];
        if (p == q) s += shift;
        i.push_back(p), j.push_back(q), v.push_back(s);
      }
    set_q(f.prob, i, j, v);
    int rc = ONDRlpoptimize(f.prob, "");
    if (shift == 0.0) CHECK(rc == 0 && intattr(f.prob, ONDR_LPSTATUS) == 1);
    else CHECK(went_to_local_solver(f.prob, rc));
  }
}

TEST(quadratic_rows_and_integer_quadratics) {
  {  // a quadratic row goes to the nonlinear layer
    Fixture f;
    LpBuild b;
    int x = b.col(-1, 0, 10), y = b.col(-1, 0, 10);
    b.row('L', 4, {{x, 0}, {y, 0}});
    CHECK_OK(b.load(f.prob));
    int c1[] = {0, 1}, c2[] = {0, 1};
    double q[] = {1, 1};
    CHECK_OK(ONDRaddqmatrix64(f.prob, 0, 2, c1, c2, q));
    // x^2 + y^2 <= 4 is convex: the local solution is optimal.
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
    // with an integer column the tree search solves it over node NLPs:
    // x = 1, y = sqrt(3); the relaxations are convex, so it is optimal
    int col[] = {0};
    char t[] = {'I'};
    CHECK_OK(ONDRchgcoltype(f.prob, 1, col, t));
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
    CHECK_NEAR(dblattr(f.prob, ONDR_MIPOBJVAL), -1 - std::sqrt(3.0), 1e-5);
  }
  {  // MIQP: node QPs on HiGHS
    Fixture f;
    LpBuild b;
    b.col(-1, 0, 10);
    CHECK_OK(b.load(f.prob));
    set_q(f.prob, {0}, {0}, {1.5});
    int col[] = {0};
    char t[] = {'I'};
    CHECK_OK(ONDRchgcoltype(f.prob, 1, col, t));
    // min 0.75 x^2 - x: the relaxation's x = 2/3, the integer optimum x = 1
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
    CHECK_NEAR(dblattr(f.prob, ONDR_MIPOBJVAL), -0.25, 1e-7);
    // HiGHS's MIP cannot take it: refused with the reason
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MIPSOLVER, 1));
    CHECK_FAIL(ONDRmipoptimize(f.prob, ""));
    CHECK_CONTAINS(check::lasterror(f.prob), "mipsolver 1");
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MIPSOLVER, 0));
    // the relaxation is a convex QP: min 0.75 x^2 - x at x = 2/3
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), -1.0 / 3, 1e-7);
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 2);
  }
}
