// The solver session: a problem keeps its HiGHS instance between solves and
// applies model changes to it in place. A long random sequence of changes,
// each followed by a solve, must give exactly what a problem built afresh
// from the same model gives, without rebuilding the kept instance.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>
#include "check.h"
#include "lpbuild.h"

extern "C" int ondr_internal_session_rebuilds(ONDRprob prob, int64_t *count);

namespace {

constexpr int kLpStatus = 1010, kRows = 1124, kCols = 1214, kLpObjVal = 2001;

struct Rng {
  uint64_t s;
  double next() {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return (double)(s >> 11) / 9007199254740992.0;
  }
  int below(int n) { return (int)(next() * n); }
};

int64_t rebuilds(ONDRprob p) {
  int64_t n = -1;
  ondr_internal_session_rebuilds(p, &n);
  return n;
}

// Capacity rows over 0 <= x <= 4 with negative costs: bounded, and x = 0
// is always feasible.
LpBuild random_lp(int rows, int cols, Rng &r) {
  LpBuild b;
  for (int j = 0; j < cols; ++j) b.col(-(1.0 + 9.0 * r.next()), 0.0, 4.0);
  for (int i = 0; i < rows; ++i) {
    std::vector<std::pair<int, double>> e;
    for (int j = 0; j < cols; ++j)
      if (r.next() < 0.3) e.push_back({j, 0.5 + 4.5 * r.next()});
    b.row('L', 20.0 + 40.0 * r.next(), e);
  }
  return b;
}

struct Solved {
  int status;
  double obj;
  std::vector<double> x, dual;
};

Solved solve(ONDRprob p) {
  Solved s;
  CHECK_OK(ONDRlpoptimize(p, ""));
  s.status = intattr(p, kLpStatus);
  s.obj = dblattr(p, kLpObjVal);
  if (s.status == 1) {
    s.x.resize((size_t)intattr(p, kCols));
    s.dual.resize((size_t)intattr(p, kRows));
    CHECK_OK(ONDRgetlpsol(p, s.x.data(), nullptr, s.dual.data(), nullptr));
  }
  return s;
}

// One random change of the kinds the session applies in place.
void random_change(ONDRprob p, Rng &r) {
  int n = intattr(p, kCols), m = intattr(p, kRows);
  int j = r.below(n), i = r.below(m);
  switch (r.below(11)) {
    case 0: {
      char t = "LUB"[r.below(3)];
      double v = t == 'L' ? 0.5 * r.next() : 0.5 + 3.5 * r.next();
      CHECK_OK(ONDRchgbounds(p, 1, &j, &t, &v));
      break;
    }
    case 1: {
      int idx[2] = {j, -1};
      double v[2] = {-(1.0 + 9.0 * r.next()), 10.0 * r.next()};
      CHECK_OK(ONDRchgobj(p, 2, idx, v));
      break;
    }
    case 2: CHECK_OK(ONDRchgcoef(p, i, j, r.next() < 0.2 ? 0.0 : 0.5 + 4.5 * r.next())); break;
    case 3: {
      double v = 20.0 + 40.0 * r.next();
      CHECK_OK(ONDRchgrhs(p, 1, &i, &v));
      break;
    }
    case 4: {
      std::vector<int> cols;
      std::vector<double> vals;
      for (int c = 0; c < n; ++c)
        if (r.next() < 0.3) cols.push_back(c), vals.push_back(0.5 + 4.5 * r.next());
      char t = 'L';
      double rhs = 30.0;
      int64_t start = 0;
      CHECK_OK(ONDRaddrows64(p, 1, (int64_t)cols.size(), &t, &rhs, nullptr, &start, cols.data(),
                           vals.data()));
      break;
    }
    case 5: {
      std::vector<int> rows;
      std::vector<double> vals;
      for (int k = 0; k < m; ++k)
        if (r.next() < 0.3) rows.push_back(k), vals.push_back(0.5 + 4.5 * r.next());
      double c = -(1.0 + 9.0 * r.next()), lo = 0.0, up = 4.0;
      int64_t start = 0;
      CHECK_OK(ONDRaddcols64(p, 1, (int64_t)rows.size(), &c, &start, rows.data(), vals.data(), &lo,
                             &up));
      break;
    }
    case 6: if (m > 3) CHECK_OK(ONDRdelrows(p, 1, &i)); break;
    case 7: if (n > 3) CHECK_OK(ONDRdelcols(p, 1, &j)); break;
    case 8: {
      // A range row, then back to a capacity row.
      char t = r.next() < 0.5 ? 'R' : 'L';
      CHECK_OK(ONDRchgrowtype(p, 1, &i, &t));
      if (t == 'R') {
        double rng = 10.0 + 20.0 * r.next();
        CHECK_OK(ONDRchgrhsrange(p, 1, &i, &rng));
      }
      break;
    }
    case 9: {
      // Integer types change the relaxation only through a binary's [0,1].
      char t = "CIB"[r.below(3)];
      CHECK_OK(ONDRchgcoltype(p, 1, &j, &t));
      break;
    }
    default: CHECK_OK(ONDRchgobjsense(p, r.next() < 0.2 ? -1 : 1)); break;
  }
}

void same(const Solved &a, const Solved &b) {
  CHECK(a.status == b.status);
  if (a.status != 1 || b.status != 1) return;
  CHECK_NEAR(a.obj, b.obj, 1e-7);
  CHECK(a.x.size() == b.x.size());
  for (size_t k = 0; k < a.x.size() && k < b.x.size(); ++k) CHECK_NEAR(a.x[k], b.x[k], 1e-6);
}

}  // namespace

TEST(changes_in_place_match_a_fresh_build) {
  for (uint64_t seed : {7u, 11u, 2024u}) {
    Rng r{seed};
    Fixture f;
    CHECK_OK(random_lp(25, 40, r).load(f.prob));
    solve(f.prob);
    CHECK(rebuilds(f.prob) == 1);
    for (int step = 0; step < 120; ++step) {
      random_change(f.prob, r);
      Solved kept = solve(f.prob);
      // A fresh problem from the same model (and the same start basis).
      Fixture g;
      CHECK_OK(ONDRcopyprob(g.prob, f.prob, "fresh"));
      Solved fresh = solve(g.prob);
      same(kept, fresh);
      CHECK(rebuilds(g.prob) == 1);
    }
    // Every change above was applied to the kept instance.
    CHECK(rebuilds(f.prob) == 1);
  }
}

TEST(changes_that_cannot_be_followed_rebuild) {
  Rng r{5};
  Fixture f;
  LpBuild b = random_lp(10, 12, r);
  CHECK_OK(b.load(f.prob));
  CHECK(rebuilds(f.prob) == 0);  // no session before the first solve
  Solved first = solve(f.prob);
  CHECK(rebuilds(f.prob) == 1);
  // Scaling rebuilds, and changes to a scaled model rebuild too.
  std::vector<int> rs((size_t)b.nrows(), 1), cs((size_t)b.ncols(), -2);
  CHECK_OK(ONDRscale(f.prob, rs.data(), cs.data()));
  same(solve(f.prob), first);
  CHECK(rebuilds(f.prob) == 2);
  int j = 3;
  char t = 'U';
  double v = 0.0;
  CHECK_OK(ONDRchgbounds(f.prob, 1, &j, &t, &v));
  Solved scaled = solve(f.prob);
  CHECK(rebuilds(f.prob) == 3);
  CHECK(scaled.status == 1 && std::fabs(scaled.x[3]) < 1e-9);
  // A quadratic objective term rebuilds; a load replaces everything.
  CHECK_OK(ONDRchgqobj(f.prob, 0, 0, 1.0));
  solve(f.prob);
  CHECK(rebuilds(f.prob) == 4);
  CHECK_OK(b.load(f.prob));
  same(solve(f.prob), first);
  CHECK(rebuilds(f.prob) == 5);
}

TEST(duals_after_a_mip_come_from_the_kept_instance) {
  // minimize -x - 2y, x + y <= 3.5, x - y <= 1.2, x, y integer in [0, 10]:
  // the optimum is x = 0, y = 3 (objective -6). With x and y fixed there,
  // the LP has no room left.
  Fixture f;
  LpBuild b;
  b.col(-1.0, 0.0, 10.0);
  b.col(-2.0, 0.0, 10.0);
  b.row('L', 3.5, {{0, 1.0}, {1, 1.0}});
  b.row('L', 1.2, {{0, 1.0}, {1, -1.0}});
  CHECK_OK(b.load(f.prob));
  Solved relaxed = solve(f.prob);
  int cols[2] = {0, 1};
  char types[2] = {'I', 'I'};
  CHECK_OK(ONDRchgcoltype(f.prob, 2, cols, types));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK_NEAR(dblattr(f.prob, 2003), -6.0, 1e-9);
  double x[2], dual[2], dj[2];
  CHECK_OK(ONDRgetlpsol(f.prob, x, nullptr, dual, dj));
  CHECK_NEAR(x[0], 0.0, 1e-9);
  CHECK_NEAR(x[1], 3.0, 1e-9);
  // Both rows are slack at (0, 3): no duals, the fixed columns carry the
  // costs in their reduced costs.
  CHECK_NEAR(dual[0], 0.0, 1e-9);
  CHECK_NEAR(dual[1], 0.0, 1e-9);
  CHECK_NEAR(dj[0], -1.0, 1e-9);
  CHECK_NEAR(dj[1], -2.0, 1e-9);
  // The integer columns got their own bounds back: the relaxation is as before.
  types[0] = types[1] = 'C';
  CHECK_OK(ONDRchgcoltype(f.prob, 2, cols, types));
  same(solve(f.prob), relaxed);
  CHECK(rebuilds(f.prob) == 1);
}
