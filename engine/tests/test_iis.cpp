// IIS search through the C interface: sets found on small LPs and MIPs
// checked by re-solving, the two-call readers, numbering, the state errors
// and that a search leaves the problem as it was.
#include <string>
#include <vector>
#include "check.h"
#include "lpbuild.h"

namespace {

// x, y <= 1; c0: x + y >= 5; c1: x + y + z <= 1; c2: z >= 3; c3: z + x <= 10.
// Four IIS: {c0, ub x, ub y}, {c1, c2, lb x, lb y}, {c0, c1, lb z}, {c0, c1, c2}.
LpBuild four_iis() {
  LpBuild b;
  int x = b.col(1, 0, 1), y = b.col(1, 0, 1), z = b.col(0);
  b.row('G', 5, {{x, 1}, {y, 1}});
  b.row('L', 1, {{x, 1}, {y, 1}, {z, 1}});
  b.row('G', 3, {{z, 1}});
  b.row('L', 10, {{z, 1}, {x, 1}});
  return b;
}

struct Data {
  int rows = 0, cols = 0;
  std::vector<int> r, c;
  std::vector<char> rt, ct;
  std::vector<double> y, d;
};

Data data(ONDRprob p, int num) {
  Data s;
  CHECK_OK(ONDRgetiisdata(p, num, &s.rows, &s.cols, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr));
  s.r.resize((size_t)s.rows);
  s.rt.resize((size_t)s.rows);
  s.y.resize((size_t)s.rows);
  s.c.resize((size_t)s.cols);
  s.ct.resize((size_t)s.cols);
  s.d.resize((size_t)s.cols);
  CHECK_OK(ONDRgetiisdata(p, num, &s.rows, &s.cols, s.r.data(), s.c.data(), s.rt.data(),
                          s.ct.data(), s.y.data(), s.d.data(), nullptr, nullptr));
  return s;
}

// Solves `b` with only the sides of `s` (all of them, or all but member
// `skip`, counting row sides then column bounds) and returns whether it is
// feasible.
bool feasible_with(const LpBuild &b, const Data &s, int skip, bool mip) {
  LpBuild t = b;
  for (double &c : t.obj) c = 0;
  std::vector<char> type(t.rowtype.size(), 'N');
  int k = 0;
  for (size_t i = 0; i < s.r.size(); ++i, ++k)
    if (k != skip) type[(size_t)s.r[i]] = b.rowtype[(size_t)s.r[i]];
  t.rowtype = type;
  std::vector<double> lb(t.lb.size(), -1e20), ub(t.ub.size(), 1e20);
  for (size_t j = 0; j < s.c.size(); ++j, ++k) {
    if (k == skip) continue;
    int c = s.c[j];
    if (s.ct[j] == 'L') lb[(size_t)c] = b.lb[(size_t)c];
    if (s.ct[j] == 'U') ub[(size_t)c] = b.ub[(size_t)c];
  }
  t.lb = lb;
  t.ub = ub;
  Fixture f;
  CHECK_OK(t.load(f.prob));
  if (mip) {
    std::vector<int> idx{0};
    std::vector<char> ty{'I'};
    CHECK_OK(ONDRchgcoltype(f.prob, 1, idx.data(), ty.data()));
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    return intattr(f.prob, ONDR_MIPSTATUS) == 6;
  }
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  return intattr(f.prob, ONDR_LPSTATUS) == 1;
}

void check_irreducible(const LpBuild &b, const Data &s, bool mip = false) {
  CHECK(!feasible_with(b, s, -1, mip));
  for (int k = 0; k < s.rows + s.cols; ++k) CHECK(feasible_with(b, s, k, mip));
}

}  // namespace

TEST(four_iis_found_in_turn_and_all_irreducible) {
  Fixture f;
  LpBuild b = four_iis();
  CHECK_OK(b.load(f.prob));
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  int status = -1, count = -1;
  CHECK_OK(ONDRiisstatus(f.prob, &count, nullptr, nullptr, nullptr, nullptr));
  CHECK(count == 0);
  CHECK_OK(ONDRiisfirst(f.prob, 1, &status));
  CHECK(status == 0);
  while (status == 0) CHECK_OK(ONDRiisnext(f.prob, &status));
  CHECK(status == 1);
  CHECK_OK(ONDRiisstatus(f.prob, &count, nullptr, nullptr, nullptr, nullptr));
  CHECK(count == 5);  // the initial subsystem and four IIS
  std::vector<int> rs((size_t)count), cs((size_t)count);
  std::vector<double> sum((size_t)count);
  CHECK_OK(ONDRiisstatus(f.prob, &count, rs.data(), cs.data(), sum.data(), nullptr));
  for (int k = 1; k < count; ++k) {
    Data s = data(f.prob, k);
    CHECK(s.rows == rs[(size_t)k] && s.cols == cs[(size_t)k]);
    check_irreducible(b, s);
    // Farkas: d = -A'y, and the sides weighted by y and d sum to suminfeas.
    double gap = 0;
    for (size_t i = 0; i < s.r.size(); ++i) gap += s.y[i] * b.rhs[(size_t)s.r[i]];
    for (size_t j = 0; j < s.c.size(); ++j) {
      int c = s.c[j];
      double aty = 0;
      for (auto &e : b.cols[(size_t)c])
        for (size_t i = 0; i < s.r.size(); ++i)
          if (s.r[i] == e.first) aty += e.second * s.y[i];
      CHECK_NEAR(s.d[j], -aty, 1e-9);
      gap += s.d[j] * (s.ct[j] == 'L' ? b.lb[(size_t)c] : b.ub[(size_t)c]);
    }
    CHECK(sum[(size_t)k] > 0);
    CHECK_NEAR(gap, sum[(size_t)k], 1e-7);
  }
  // The problem's own state is untouched.
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 2);
  CHECK_FAIL(ONDRgetiisdata(f.prob, 5, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr));
  CHECK_CONTAINS(check::lasterror(f.prob), "out of range");
}

TEST(integrality_alone) {
  // 2x = 1 with x integer, x in [0, 5]: the row alone is the IIS.
  Fixture f;
  LpBuild b;
  int x = b.col(0, 0, 5), y = b.col(0, 0, 5);
  b.row('E', 1, {{x, 2}});
  b.row('L', 8, {{x, 1}, {y, 1}});
  CHECK_OK(b.load(f.prob));
  std::vector<int> idx{x};
  std::vector<char> ty{'I'};
  CHECK_OK(ONDRchgcoltype(f.prob, 1, idx.data(), ty.data()));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 5);
  int status = -1;
  CHECK_OK(ONDRiisfirst(f.prob, 1, &status));
  CHECK(status == 0);
  Data s = data(f.prob, 1);
  CHECK(s.rows == 1 && s.r[0] == 0 && s.cols == 0);
  CHECK(s.rt[0] == 'E');
  // Each side of the equality row is needed, so it counts as both members.
  LpBuild t = b;
  CHECK(!feasible_with(t, s, -1, true));
  CHECK_OK(ONDRiisnext(f.prob, &status));
  CHECK(status == 1);
}

TEST(state_errors) {
  Fixture f;
  LpBuild b = four_iis();
  CHECK_OK(b.load(f.prob));
  int status = -1;
  CHECK_FAIL(ONDRiisfirst(f.prob, 1, &status));
  CHECK_CONTAINS(check::lasterror(f.prob), "has not been solved");
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  CHECK_FAIL(ONDRiisfirst(f.prob, 3, &status));
  CHECK_CONTAINS(check::lasterror(f.prob), "Unknown IIS mode 3");
  CHECK_FAIL(ONDRiisnext(f.prob, &status));
  CHECK_CONTAINS(check::lasterror(f.prob), "No IIS");
  CHECK_OK(ONDRiisfirst(f.prob, 0, &status));
  CHECK(status == 0);
  int count = 0;
  CHECK_OK(ONDRiisstatus(f.prob, &count, nullptr, nullptr, nullptr, nullptr));
  CHECK(count == 1);  // mode 0 stops at the initial subsystem
  CHECK_FAIL(ONDRiiswrite(f.prob, 0, "/tmp/ondr_iis_bad.lp", 5, ""));
  CHECK_CONTAINS(check::lasterror(f.prob), "Unknown IIS file type 5");
  // A change of the model discards the sets.
  std::vector<int> idx{2};
  std::vector<double> rhs{0.0};
  CHECK_OK(ONDRchgrhs(f.prob, 1, idx.data(), rhs.data()));
  CHECK_FAIL(ONDRiisisolations(f.prob, 0));
  // A feasible problem has no IIS.
  Fixture g;
  LpBuild ok;
  int x = ok.col(1);
  ok.row('G', 1, {{x, 1}});
  CHECK_OK(ok.load(g.prob));
  CHECK_OK(ONDRlpoptimize(g.prob, ""));
  CHECK_FAIL(ONDRiisfirst(g.prob, 1, &status));
  CHECK_CONTAINS(check::lasterror(g.prob), "did not find the problem infeasible");
}
