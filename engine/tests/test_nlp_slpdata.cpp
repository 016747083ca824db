// The SLP's own data through the C interface: derivative factors, row
// weights and SLP variables follow row and column deletions; tolerance set
// numbers follow set deletions; the information area's layout.
#include <cstring>
#include "nlp_fixture.h"

using namespace nlt;

TEST(factors_and_weights_follow_deletions) {
  NlpFixture f(3, 3);
  double w = 4.0, df = 0.5, df2 = 2.0, v;
  CHECK_OK(OSLPchgrowwt(f.slp, 2, &w));
  CHECK_OK(OSLPchgdf(f.slp, 2, 2, &df));
  CHECK_OK(OSLPchgdf(f.slp, 0, 1, &df2));
  double sb = 0.25;
  CHECK_OK(OSLPchgvar(f.slp, 2, nullptr, nullptr, &sb, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr));
  int row = 1, col = 1;
  CHECK_OK(ONDRdelrows(f.prob, 1, &row));   // row 2 becomes row 1; the factor of row 1 goes
  CHECK_OK(OSLPgetrowwt(f.slp, 1, &v));
  CHECK(v == 4.0);
  CHECK_OK(OSLPgetdf(f.slp, 2, 1, &v));
  CHECK(v == 0.5);
  CHECK_OK(OSLPgetdf(f.slp, 0, 0, &v));
  CHECK(v == 1.0);
  CHECK_OK(ONDRdelcols(f.prob, 1, &col));   // column 2 becomes column 1
  CHECK_OK(OSLPgetdf(f.slp, 1, 1, &v));
  CHECK(v == 0.5);
  double got = 0;
  CHECK_OK(OSLPgetvar(f.slp, 1, nullptr, nullptr, &got, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
  CHECK(got == 0.25);
  CHECK_FAIL(OSLPgetrowwt(f.slp, 2, &v));
}

TEST(tolerance_set_numbers_follow_deletions) {
  NlpFixture f(3, 1);
  std::vector<double> tols(27);
  for (int k = 0; k < 27; ++k) tols[k] = k / 9 + 1;  // set s holds s everywhere
  CHECK_OK(OSLPloadtolsets(f.slp, 3, tols.data()));
  int vt[3] = {0, 0, 0}, dr[3] = {-1, -1, -1}, seq[3] = {0, 0, 0}, ts[3] = {1, 2, 3}, cols[3] = {0, 1, 2};
  double iv[3] = {0, 0, 0}, isb[3] = {0, 0, 0};
  CHECK_OK(OSLPloadvars(f.slp, 3, cols, vt, dr, seq, ts, iv, isb));
  int del = 2;
  CHECK_OK(OSLPdeltolsets(f.slp, 1, &del));
  int t[3];
  for (int j = 0; j < 3; ++j)
    CHECK_OK(OSLPgetvar(f.slp, j, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &t[j], nullptr,
                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
  CHECK(t[0] == 1 && t[1] == 0 && t[2] == 2);
  int status = 0;
  double got[9];
  CHECK_OK(OSLPgettolset(f.slp, 2, &status, got));
  CHECK(got[0] == 3.0 && status == 0x1ff);
  // A refused load changes nothing.
  tols[5] = -1;
  CHECK_FAIL(OSLPloadtolsets(f.slp, 3, tols.data()));
  int n = 0;
  CHECK_OK(OSLPgetintattrib(f.slp, OSLP_NLPTOLSETS, &n));
  CHECK(n == 2);
}

TEST(information_area_layout) {
  NlpFixture f(1, 1);
  // min x with exp(x) <= 3 and x in [-5, 5], solved by SLP.
  double lb = -5, ub = 5;
  int c0 = 0;
  char bt[2] = {'L', 'U'};
  int cc[2] = {0, 0};
  double bv[2] = {lb, ub};
  CHECK_OK(ONDRchgbounds(f.prob, 2, cc, bt, bv));
  CHECK_OK(f.add(0, f.unit(), 1.0, fn(OSLP_IFUN_EXP, col(0))));
  double one = 1.0;
  CHECK_OK(ONDRchgobj(f.prob, 1, &c0, &one));
  double rhs = 3.0;
  int r0 = 0;
  CHECK_OK(ONDRchgrhs(f.prob, 1, &r0, &rhs));
  int solver = 2;
  CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPSOLVER, solver));
  unsigned char info[16];
  CHECK_FAIL(OSLPgetrowinfo(f.slp, 1, 0, info));   // no solution yet
  CHECK_OK(OSLPnlpoptimize(f.slp, ""));
  CHECK_OK(OSLPgetrowinfo(f.slp, OSLP_ROWINFO_PENALTYCOLUMNPLUS, 0, info));
  int kind, ival;
  std::memcpy(&kind, info + 8, sizeof kind);
  std::memcpy(&ival, info, sizeof ival);
  CHECK(kind == 1 && ival >= 1);
  CHECK_OK(OSLPgetcolinfo(f.slp, OSLP_COLINFO_VALUE, 0, info));
  double x;
  std::memcpy(&kind, info + 8, sizeof kind);
  std::memcpy(&x, info, sizeof x);
  CHECK(kind == 2 && std::fabs(x + 5.0) < 1e-6);   // min x: at its lower bound
  CHECK_FAIL(OSLPgetcolinfo(f.slp, 9, 0, info));
}
