// Infeasibility repair, refinement, row presolve, dual range estimates and
// the tuner through the C interface: results against values worked out by
// hand, the problem left as it was, and refusals that change nothing.
#include <cstdio>
#include <string>
#include <vector>
#include "check.h"
#include "lpbuild.h"

namespace {

// x + y >= 25, 2x + y <= 18, x, y in [0, 10]; min x + 2y. Infeasible: the
// bounds and the cap row keep x + y at most 14.
LpBuild infeasible() {
  LpBuild b;
  int x = b.col(1, 0, 10), y = b.col(2, 0, 10);
  b.row('G', 25, {{x, 1}, {y, 1}});
  b.row('L', 18, {{x, 2}, {y, 1}});
  return b;
}

struct Started {
  ONDRprob p = nullptr;
  Started() {
    ONDRinit(nullptr);
    ONDRcreateprob(&p);
  }
  ~Started() {
    ONDRdestroyprob(p);
    ONDRfree();
  }
};

std::vector<double> bounds(ONDRprob p, bool upper) {
  std::vector<double> v(2);
  upper ? ONDRgetub(p, v.data(), 0, 1) : ONDRgetlb(p, v.data(), 0, 1);
  return v;
}

}  // namespace

TEST(repair_finds_the_minimum_and_keeps_the_model) {
  Started s;
  CHECK_OK(infeasible().load(s.p));
  int st = -1;
  // Only the cover row may be violated: 11 short, at weight 2.
  std::vector<double> grp{2, 0};
  CHECK_OK(ONDRrepairweightedinfeas(s.p, &st, nullptr, grp.data(), nullptr, nullptr, 'f', 0, ""));
  CHECK(st == ONDR_REPAIR_OPTIMAL);
  double v = 0;
  CHECK_OK(ONDRgetdblattrib(s.p, ONDR_REPAIRVIOLATION, &v));
  CHECK_NEAR(v, 22, 1e-7);
  // Phase 2 with 4 of room (2 of violation): x + 2y least with x + y >= 12,
  // 2x + y <= 18, at x = y = 6.
  CHECK_OK(ONDRrepairweightedinfeas(s.p, &st, nullptr, grp.data(), nullptr, nullptr, 'o', 4, ""));
  CHECK(st == ONDR_REPAIR_OPTIMAL);
  std::vector<double> x(2), slack(2);
  CHECK_OK(ONDRgetlpsol(s.p, x.data(), slack.data(), nullptr, nullptr));
  CHECK_NEAR(x[0] + x[1], 12, 1e-6);
  CHECK_NEAR(x[0], 6, 1e-6);
  CHECK_NEAR(slack[0], 25 - 12, 1e-6);
  // The model is untouched.
  CHECK(intattr(s.p, ONDR_ORIGINALCOLS) == 2 && intattr(s.p, ONDR_ORIGINALROWS) == 2);
  CHECK(bounds(s.p, false) == std::vector<double>({0, 0}));
  CHECK(bounds(s.p, true) == std::vector<double>({10, 10}));
  std::vector<double> obj(2);
  CHECK_OK(ONDRgetobj(s.p, obj.data(), 0, 1));
  CHECK(obj == std::vector<double>({1, 2}));
}

TEST(repair_refusals_leave_the_results) {
  Started s;
  CHECK_OK(infeasible().load(s.p));
  CHECK_OK(ONDRlpoptimize(s.p, ""));
  int st = -1;
  CHECK_FAIL(ONDRrepairinfeas(s.p, &st, 'c', 'o', 'g', -1, 1, 0, 0, 0));
  CHECK_CONTAINS(check::lasterror(s.p), "Invalid penalty lrp");
  CHECK_FAIL(ONDRrepairinfeas(s.p, nullptr, 'c', 'o', 'g', 1, 1, 0, 0, 0));
  CHECK_FAIL(ONDRrepairinfeas(s.p, &st, 'c', 'o', 'g', 1, 1, 0, 0, 0.0 / 0.0));
  std::vector<double> lim{-1, 1};
  CHECK_FAIL(ONDRrepairweightedinfeasbounds(s.p, &st, nullptr, nullptr, nullptr, nullptr, lim.data(),
                                            nullptr, nullptr, nullptr, 'f', 0, ""));
  CHECK(intattr(s.p, ONDR_LPSTATUS) == 2);
  CHECK(st == -1);
}

TEST(refine_presolverow_and_dual_ranges) {
  Started s;
  LpBuild b;
  int x = b.col(-3, 0, 1), y = b.col(-2, 0, 1);
  b.row('L', 4, {{x, 3}, {y, 2}});
  CHECK_OK(b.load(s.p));
  const char t[2] = {'B', 'B'};
  const int idx[2] = {0, 1};
  CHECK_OK(ONDRchgcoltype(s.p, 2, idx, t));
  std::vector<double> sol{0, 1}, out(2);
  int st = -1;
  CHECK_OK(ONDRrefinemipsol(s.p, 0, "", sol.data(), out.data(), &st));
  CHECK(st == ONDR_REFINE_IMPROVED);
  CHECK_NEAR(out[0], 1, 1e-9);
  int count = 0, cols[2] = {-1, -1};
  double vals[2] = {0, 0}, rhs = 0;
  const double a[2] = {3, 2};
  CHECK_OK(ONDRpresolverow(s.p, 'L', 2, idx, a, 4, 2, &count, cols, vals, &rhs, &st));
  CHECK(st == ONDR_PRESOLVEROW_OK && count == 2);
  CHECK_NEAR(vals[0], 1, 1e-12);
  CHECK_NEAR(vals[1], 1, 1e-12);
  CHECK_NEAR(rhs, 1, 1e-12);
  CHECK_FAIL(ONDRpresolverow(s.p, 'L', 2, idx, a, 4, -1, &count, cols, vals, &rhs, &st));
  // Every column gains 1 per unit of the row: its dual is -1.
  double lo = 0, up = 0;
  const int row = 0;
  CHECK_OK(ONDRestimaterowdualranges(s.p, 1, &row, 0, &lo, &up));
  CHECK(lo <= -1 + 1e-9 && up >= -1 - 1e-9);
  const int bad = 5;
  CHECK_FAIL(ONDRestimaterowdualranges(s.p, 1, &bad, 0, &lo, &up));
}

TEST(tuner_method_round_trip) {
  Started s;
  CHECK_OK(infeasible().load(s.p));
  std::string f = "/tmp/ondr_test_repair_method.txt";
  FILE *fp = fopen(f.c_str(), "w");
  fputs("# two controls\nSCALING 0 1\nDEFAULTALG 2 3\n", fp);
  fclose(fp);
  CHECK_OK(ONDRtunerreadmethod(s.p, f.c_str()));
  std::string g = f + ".out";
  CHECK_OK(ONDRtunerwritemethod(s.p, g.c_str()));
  CHECK_OK(ONDRtunerreadmethod(s.p, g.c_str()));
  CHECK_OK(ONDRsetdblcontrol(s.p, ONDR_TUNERMAXTIME, 5));
  CHECK_OK(ONDRtune(s.p, "l"));
  int alg = 0;
  CHECK_OK(ONDRgetintcontrol(s.p, ONDR_DEFAULTALG, &alg));
  CHECK(alg >= 1 && alg <= 3);
  CHECK_FAIL(ONDRtune(s.p, "?"));
  CHECK_FAIL(ONDRtunerreadmethod(s.p, "/nonexistent/method"));
  remove(f.c_str());
  remove(g.c_str());
}
