// Bases, rays, ranging and basis solves of the analysis entry points,
// checked against values worked out by hand and against dense algebra.
#include <algorithm>
#include <string>
#include "check.h"
#include "lpbuild.h"

namespace {

// min -x - y  s.t.  x + 2y <= 4,  3x + y <= 6,  z <= 10,  x, y >= 0, z = 1.
// Optimum x = 1.6, y = 1.2; duals -0.4 and -0.2.
LpBuild small_lp() {
  LpBuild b;
  int x = b.col(-1), y = b.col(-1), z = b.col(0, 1, 1);
  b.row('L', 4, {{x, 1}, {y, 2}});
  b.row('L', 6, {{x, 3}, {y, 1}});
  b.row('L', 10, {{z, 1}});
  return b;
}

void solve(ONDRprob p, const LpBuild &b, bool presolve) {
  CHECK_OK(b.load(p));
  CHECK_OK(ONDRsetintcontrol(p, ONDR_PRESOLVE, presolve ? 1 : 0));
  CHECK_OK(ONDRlpoptimize(p, ""));
  CHECK(intattr(p, ONDR_LPSTATUS) == 1);
}

// Dense basis matrix in pivot order (slack i: e_i; column j: A_j).
std::vector<std::vector<double>> basis_matrix(const LpBuild &b, const std::vector<int> &piv) {
  int m = b.nrows();
  std::vector<std::vector<double>> B((size_t)m, std::vector<double>((size_t)m, 0.0));
  for (int k = 0; k < m; ++k) {
    int p = piv[(size_t)k];
    if (p < m) B[(size_t)p][(size_t)k] = 1.0;
    else
      for (auto &e : b.cols[(size_t)(p - m)]) B[(size_t)e.first][(size_t)k] = e.second;
  }
  return B;
}

}  // namespace

TEST(basis_statuses_and_reload_take_no_iterations) {
  Fixture f;
  LpBuild b = small_lp();
  int rs[3], cs[3];
  CHECK_FAIL(ONDRgetbasis(f.prob, rs, cs));
  CHECK_OK(b.load(f.prob));
  CHECK_FAIL(ONDRgetbasis(f.prob, rs, cs));
  CHECK_CONTAINS(check::lasterror(f.prob), "No basis available");
  solve(f.prob, b, false);
  CHECK_OK(ONDRgetbasis(f.prob, rs, cs));
  CHECK(cs[0] == 1 && cs[1] == 1);
  CHECK(rs[0] == 2 && rs[1] == 2 && rs[2] == 1);  // binding 'L' rows sit at their upper end
  Fixture g;
  CHECK_OK(b.load(g.prob));
  int bad[3] = {0, 4, 1};
  CHECK_FAIL(ONDRloadbasis(g.prob, bad, cs));
  CHECK_CONTAINS(check::lasterror(g.prob), "Basis status 4 of row 1");
  CHECK_OK(ONDRloadbasis(g.prob, rs, cs));
  CHECK_OK(ONDRlpoptimize(g.prob, ""));
  CHECK(intattr(g.prob, ONDR_LPSTATUS) == 1);
  CHECK(intattr(g.prob, ONDR_SIMPLEXITER) == 0);
}

TEST(btran_and_ftran_solve_with_the_basis_matrix) {
  Fixture f;
  LpBuild b = small_lp();
  double v[3] = {1, 2, 3};
  CHECK_OK(b.load(f.prob));
  CHECK_FAIL(ONDRbtran(f.prob, v));
  CHECK_CONTAINS(check::lasterror(f.prob), "there is no basis");
  solve(f.prob, b, false);
  std::vector<int> piv(3);
  CHECK_OK(ONDRgetpivotorder(f.prob, piv.data()));
  auto B = basis_matrix(b, piv);
  double r[3] = {1, -2, 0.5};
  double x[3] = {1, -2, 0.5}, y[3] = {1, -2, 0.5};
  CHECK_OK(ONDRftran(f.prob, x));
  CHECK_OK(ONDRbtran(f.prob, y));
  for (int i = 0; i < 3; ++i) {
    double bx = 0, bty = 0;
    for (int k = 0; k < 3; ++k) bx += B[i][k] * x[k], bty += B[k][i] * y[k];
    CHECK_NEAR(bx, r[i], 1e-9);   // B x = r
    CHECK_NEAR(bty, r[i], 1e-9);  // B'y = r
  }
  double nan[3] = {0, std::nan(""), 0};
  CHECK_FAIL(ONDRftran(f.prob, nan));
  double kappa = 0;
  CHECK_OK(ONDRbasisstability(f.prob, 0, 1, 0, &kappa));
  CHECK(kappa >= 1.0);
  CHECK_FAIL(ONDRbasisstability(f.prob, 5, 1, 0, &kappa));
}

TEST(ranging_matches_the_hand_computed_ranges) {
  Fixture f;
  LpBuild b = small_lp();
  CHECK_OK(b.load(f.prob));
  int cols[2] = {0, 1}, rows[3] = {0, 1, 2};
  double lo[3], up[3];
  CHECK_FAIL(ONDRobjsa(f.prob, 2, cols, lo, up));
  CHECK_CONTAINS(check::lasterror(f.prob), "not an optimal LP solve");
  solve(f.prob, b, true);
  CHECK_OK(ONDRobjsa(f.prob, 2, cols, lo, up));
  CHECK_NEAR(lo[0], -3, 1e-9);
  CHECK_NEAR(up[0], -0.5, 1e-9);
  CHECK_NEAR(lo[1], -2, 1e-9);
  CHECK_NEAR(up[1], -1.0 / 3, 1e-9);
  CHECK_OK(ONDRrhssa(f.prob, 3, rows, lo, up));
  // x = (2 b1 - b0) / 5 and y = (3 b0 - b1) / 5 stay >= 0.
  CHECK_NEAR(lo[0], 2, 1e-9);
  CHECK_NEAR(up[0], 12, 1e-9);
  CHECK_NEAR(lo[1], 2, 1e-9);
  CHECK_NEAR(up[1], 12, 1e-9);
  CHECK_NEAR(lo[2], 1, 1e-9);
  CHECK(up[2] >= 1e20);
  int badrow[1] = {7};
  CHECK_FAIL(ONDRrhssa(f.prob, 1, badrow, lo, up));
}

TEST(rays_are_farkas_certificates) {
  Fixture f;
  // Unbounded: min -x - y, x - y <= 1, x, y >= 0.
  LpBuild u;
  int x = u.col(-1), y = u.col(-1);
  u.row('L', 1, {{x, 1}, {y, -1}});
  CHECK_OK(u.load(f.prob));
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 5);
  int has = -1;
  double d[2];
  CHECK_OK(ONDRgetprimalray(f.prob, nullptr, &has));
  CHECK(has == 1);
  CHECK_OK(ONDRgetprimalray(f.prob, d, &has));
  CHECK(d[0] >= -1e-9 && d[1] >= -1e-9);     // stays within x, y >= 0
  CHECK(d[0] - d[1] <= 1e-9);                 // and within the row
  CHECK(-d[0] - d[1] < -1e-9);                // the objective decreases
  int unb = -1;
  CHECK_OK(ONDRgetunbvec(f.prob, &unb));
  CHECK(unb >= 1 && unb <= 2);
  double y1[1];
  CHECK_OK(ONDRgetdualray(f.prob, nullptr, &has));
  CHECK(has == 0);
  CHECK_FAIL(ONDRgetdualray(f.prob, y1, &has));
  CHECK_CONTAINS(check::lasterror(f.prob), "did not find the problem infeasible");

  // Infeasible: x + y <= 1, x + 2y >= 3, x - y >= 2, x, y >= 0.
  LpBuild n;
  x = n.col(1), y = n.col(1);
  n.row('L', 1, {{x, 1}, {y, 1}});
  n.row('G', 3, {{x, 1}, {y, 2}});
  n.row('G', 2, {{x, 1}, {y, -1}});
  CHECK_OK(n.load(f.prob));
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 2);
  double r[3];
  CHECK_OK(ONDRgetdualray(f.prob, r, &has));
  CHECK(has == 1);
  // Either sign of the certificate: L rows one way, G rows the other, the
  // columns' combination A'y never pushing x, y >= 0 and the bound sum of
  // the wrong sign.
  double s = r[0] <= 1e-12 && r[1] >= -1e-12 && r[2] >= -1e-12 ? 1.0 : -1.0;
  CHECK(s * r[0] <= 1e-9 && s * r[1] >= -1e-9 && s * r[2] >= -1e-9);
  double ax = s * (r[0] + r[1] + r[2]), ay = s * (r[0] + 2 * r[1] - r[2]);
  CHECK(ax <= 1e-9 && ay <= 1e-9);
  CHECK(s * (r[0] * 1 + r[1] * 3 + r[2] * 2) > 1e-9);
  CHECK_FAIL(ONDRgetprimalray(f.prob, d, &has));
}

TEST(calculations_agree_with_the_solver) {
  Fixture f;
  LpBuild b = small_lp();
  solve(f.prob, b, false);
  double x[3], slack[3], dual[3], dj[3], s2[3], dj2[3], obj = 0, v = 1;
  CHECK_OK(ONDRgetlpsol(f.prob, x, slack, dual, dj));
  CHECK_OK(ONDRcalcobjective(f.prob, x, &obj));
  CHECK_NEAR(obj, dblattr(f.prob, ONDR_LPOBJVAL), 1e-9);
  CHECK_OK(ONDRcalcslacks(f.prob, x, s2));
  CHECK_OK(ONDRcalcreducedcosts(f.prob, dual, nullptr, dj2));
  for (int i = 0; i < 3; ++i) CHECK_NEAR(s2[i], slack[i], 1e-9);
  for (int j = 0; j < 3; ++j) CHECK_NEAR(dj2[j], dj[j], 1e-9);
  for (int prop = 0; prop <= 4; ++prop) {
    CHECK_OK(ONDRcalcsolinfo(f.prob, x, dual, prop, &v));
    CHECK(v <= 1e-9);
  }
  double off[3] = {3, 0, 1};  // row 1 is 3 over its rhs 6
  CHECK_OK(ONDRcalcsolinfo(f.prob, off, dual, 0, &v));
  CHECK_NEAR(v, 3, 1e-12);
  CHECK_FAIL(ONDRcalcsolinfo(f.prob, off, dual, 9, &v));
  int nv = -1, ns = -1, nd = -1, ndj = -1;
  CHECK_OK(ONDRgetinfeas(f.prob, &nv, &ns, &nd, &ndj, nullptr, nullptr, nullptr, nullptr));
  CHECK(nv == 0 && ns == 0 && nd == 0 && ndj == 0);
}

TEST(presolved_form_of_an_instance) {
  std::string path = std::string(ONDR_INSTANCE_DIR) + "/afiro.mps";
  if (std::string(ONDR_INSTANCE_DIR).empty()) {
    printf("  (no instances: skipped)\n");
    return;
  }
  Fixture f;
  CHECK_OK(ONDRreadprob(f.prob, path.c_str(), ""));
  int rows = intattr(f.prob, ONDR_ORIGINALROWS), cols = intattr(f.prob, ONDR_ORIGINALCOLS);
  std::vector<int> rm((size_t)rows), cm((size_t)cols);
  CHECK_FAIL(ONDRgetpresolvemap(f.prob, rm.data(), cm.data()));
  CHECK_CONTAINS(check::lasterror(f.prob), "not in a presolved form");
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  int prow = intattr(f.prob, ONDR_ROWS), pcol = intattr(f.prob, ONDR_COLS);
  CHECK(prow < rows && pcol < cols && prow > 0);
  CHECK_OK(ONDRgetpresolvemap(f.prob, rm.data(), cm.data()));
  std::vector<int> seen(cm.begin(), cm.begin() + pcol);
  std::sort(seen.begin(), seen.end());
  CHECK(std::unique(seen.begin(), seen.end()) == seen.end() && seen.front() >= 0 &&
        seen.back() < cols);
  // The presolved problem has the original's optimal objective.
  std::vector<double> px((size_t)pcol), ps((size_t)prow), pd((size_t)prow), pdj((size_t)pcol);
  CHECK_OK(ONDRgetpresolvesol(f.prob, px.data(), ps.data(), pd.data(), pdj.data()));
  std::vector<int> prs((size_t)prow), pcs((size_t)pcol);
  CHECK_OK(ONDRgetpresolvebasis(f.prob, prs.data(), pcs.data()));
  CHECK(std::count(prs.begin(), prs.end(), 1) + std::count(pcs.begin(), pcs.end(), 1) == prow);
  // Basis solves work in the presolved space while it is held.
  std::vector<double> v((size_t)prow, 1.0);
  CHECK_OK(ONDRftran(f.prob, v.data()));
  // A loaded presolved basis becomes the start of the next solve.
  CHECK_OK(ONDRloadpresolvebasis(f.prob, prs.data(), pcs.data()));
  CHECK_OK(ONDRpostsolve(f.prob));
  CHECK(intattr(f.prob, ONDR_ROWS) == rows && intattr(f.prob, ONDR_COLS) == cols);
  CHECK_FAIL(ONDRgetpresolvesol(f.prob, px.data(), nullptr, nullptr, nullptr));
  double obj = dblattr(f.prob, ONDR_LPOBJVAL);
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), obj, 1e-7);
  CHECK(intattr(f.prob, ONDR_SIMPLEXITER) == 0);
}

TEST(loadlpsol_and_fixglobals) {
  Fixture f;
  LpBuild b = small_lp();
  solve(f.prob, b, false);
  double x[3], slack[3];
  CHECK_OK(ONDRgetlpsol(f.prob, x, slack, nullptr, nullptr));
  Fixture g;
  CHECK_OK(b.load(g.prob));
  int status = -1;
  CHECK_OK(ONDRloadlpsol(g.prob, x, slack, nullptr, nullptr, &status));
  CHECK(status == 0);
  CHECK_OK(ONDRlpoptimize(g.prob, ""));
  CHECK(intattr(g.prob, ONDR_SIMPLEXITER) == 0);
  CHECK_OK(ONDRloadlpsol(g.prob, nullptr, nullptr, nullptr, nullptr, &status));
  CHECK_FAIL(ONDRfixglobals(g.prob, 1));
  CHECK_CONTAINS(check::lasterror(g.prob), "no integer solution");
  int col = 0;
  char t = 'I';
  CHECK_OK(ONDRchgcoltype(g.prob, 1, &col, &t));
  CHECK_OK(ONDRmipoptimize(g.prob, ""));
  double mx[3];
  CHECK_OK(ONDRgetmipsol(g.prob, mx, nullptr));
  CHECK_OK(ONDRfixglobals(g.prob, 1));
  double lo = -1, up = -1;
  CHECK_OK(ONDRgetlb(g.prob, &lo, 0, 0));
  CHECK_OK(ONDRgetub(g.prob, &up, 0, 0));
  CHECK(lo == up && lo == std::round(mx[0]));
}
