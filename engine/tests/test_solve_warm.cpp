// Warm starts: an LP re-solve starts from the basis of the previous solve,
// carried through changes to the model, through loads as KEEPBASIS says,
// and through ONDRcopyprob. A re-solve must need fewer simplex iterations
// than a cold solve of the same problem and must give the same answer,
// whatever the changes did to the basis.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>
#include "check.h"
#include "io_util.h"
#include "lpbuild.h"

namespace {

constexpr int kLpStatus = ONDR_LPSTATUS, kSimplexIter = ONDR_SIMPLEXITER,
              kRows = ONDR_ORIGINALROWS, kCols = ONDR_ORIGINALCOLS;
constexpr int kLpObjVal = ONDR_LPOBJVAL, kKeepBasis = ONDR_KEEPBASIS;

// Deterministic pseudo-random numbers: the tests must not vary between runs.
struct Rng {
  uint64_t s;
  double next() {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return (double)(s >> 11) / 9007199254740992.0;
  }
  int below(int n) { return (int)(next() * n); }
};

// A feasible, bounded LP: maximize a positive profit (minimize its
// negative) over 0 <= x <= 4 within capacity rows (L, at most 12 entries of
// at most 5, capacity at least 20), with every tenth row a demand (G, 6
// entries of at least 1, at least 1). x = 0.2 everywhere is feasible.
LpBuild random_lp(int rows, int cols, uint64_t seed) {
  Rng r{seed};
  LpBuild b;
  for (int j = 0; j < cols; ++j) b.col(-(1.0 + 9.0 * r.next()), 0.0, 4.0);
  for (int i = 0; i < rows; ++i) {
    bool demand = i % 10 == 0;
    int n = demand ? 6 : 6 + r.below(7);
    std::vector<std::pair<int, double>> e;
    for (int k = 0; k < n; ++k) {
      int c = r.below(cols);
      bool dup = false;
      for (auto &p : e) dup = dup || p.first == c;
      if (!dup) e.push_back({c, demand ? 1.0 + r.next() : 0.5 + 4.5 * r.next()});
    }
    if (demand) b.row('G', 1.0, e);
    else b.row('L', 20.0 + 40.0 * r.next(), e);
  }
  return b;
}

struct Run {
  int status;
  double obj;
  int iters;
};

Run lpsolve(ONDRprob p) {
  CHECK_OK(ONDRlpoptimize(p, ""));
  return {intattr(p, kLpStatus), dblattr(p, kLpObjVal), intattr(p, kSimplexIter)};
}

// The same model solved from scratch: written out and read into a fresh
// problem, which has no basis to start from.
Run cold(ONDRprob p) {
  io_test::TempDir tmp;
  std::string file = tmp.path("cold.mps");
  CHECK_OK(ONDRwriteprob(p, file.c_str(), ""));
  Fixture g;
  CHECK_OK(ONDRreadprob(g.prob, file.c_str(), ""));
  return lpsolve(g.prob);
}

std::vector<double> lpx(ONDRprob p) {
  std::vector<double> x((size_t)intattr(p, kCols));
  CHECK_OK(ONDRgetlpsol(p, x.data(), nullptr, nullptr, nullptr));
  return x;
}
std::vector<double> lpslack(ONDRprob p) {
  std::vector<double> s((size_t)intattr(p, kRows));
  CHECK_OK(ONDRgetlpsol(p, nullptr, s.data(), nullptr, nullptr));
  return s;
}

// The column with the largest value (basic in any optimal basis of this
// model, whose columns are all bounded by 4, unless it sits at 4).
int largest(const std::vector<double> &x, double below = 3.999) {
  int best = 0;
  for (int j = 0; j < (int)x.size(); ++j)
    if (x[(size_t)j] < below && x[(size_t)j] > x[(size_t)best]) best = j;
  return best;
}
// The first row whose slack is zero (a binding row).
int binding_row(const std::vector<double> &s, int skip = 0) {
  for (int i = 0; i < (int)s.size(); ++i)
    if (std::fabs(s[(size_t)i]) < 1e-9 && skip-- == 0) return i;
  return 0;
}

void check_same(const Run &warm, const Run &ref, const char *what) {
  CHECK(warm.status == ref.status);
  CHECK_NEAR(warm.obj, ref.obj, 1e-8);
  if (warm.status != ref.status || std::fabs(warm.obj - ref.obj) > 1e-8 * (1 + std::fabs(ref.obj)))
    fprintf(stderr, "  after: %s\n", what);
}

}  // namespace

TEST(a_resolve_after_a_change_starts_from_the_last_basis) {
  // One change each, on a 300-row model; the warm re-solve must give the
  // cold solve's optimum in fewer iterations.
  struct Change {
    const char *what;
    std::function<void(ONDRprob, const std::vector<double> &, const std::vector<double> &)> apply;
  };
  const Change changes[] = {
      {"objective coefficient",
       [](ONDRprob p, const std::vector<double> &x, const std::vector<double> &) {
         int j = largest(x);
         double c = 0.0;
         CHECK_OK(ONDRgetobj(p, &c, j, j));
         c *= 0.3;
         CHECK_OK(ONDRchgobj(p, 1, &j, &c));
       }},
      {"upper bound",
       [](ONDRprob p, const std::vector<double> &x, const std::vector<double> &) {
         int j = largest(x, 5.0);
         double u = x[(size_t)j] / 2;
         CHECK_OK(ONDRchgbounds(p, 1, &j, "U", &u));
       }},
      {"right-hand side",
       [](ONDRprob p, const std::vector<double> &, const std::vector<double> &s) {
         int i = binding_row(s, 1);
         double b = 0.0;
         CHECK_OK(ONDRgetrhs(p, &b, i, i));
         b *= 0.8;
         CHECK_OK(ONDRchgrhs(p, 1, &i, &b));
       }},
  };
  LpBuild lp = random_lp(300, 400, 7);
  for (const Change &c : changes) {
    Fixture f;
    CHECK_OK(lp.load(f.prob));
    Run first = lpsolve(f.prob);
    CHECK(first.status == 1);
    c.apply(f.prob, lpx(f.prob), lpslack(f.prob));
    Run warm = lpsolve(f.prob);
    Run ref = cold(f.prob);
    check_same(warm, ref, c.what);
    CHECK(warm.iters < ref.iters);
    printf("  %s: cold %d iterations (first solve %d), warm %d\n", c.what, ref.iters,
           first.iters, warm.iters);
  }
}

TEST(an_instance_resolve_starts_from_the_last_basis) {
  std::string file = io_test::instance_dir() + "/25fv47.mps";
  if (io_test::instance_dir().empty() || io_test::slurp(file).empty()) {
    printf("  skipped: no instance folder\n");
    return;
  }
  Fixture f;
  CHECK_OK(ONDRreadprob(f.prob, file.c_str(), ""));
  Run first = lpsolve(f.prob);
  CHECK(first.status == 1);
  CHECK_NEAR(first.obj, 5.5018458883e+03, 1e-6);
  int j = largest(lpx(f.prob), 1e30);
  double c = 0.0;
  CHECK_OK(ONDRgetobj(f.prob, &c, j, j));
  double nc = c + 0.5 * (std::fabs(c) + 1);
  CHECK_OK(ONDRchgobj(f.prob, 1, &j, &nc));
  Run warm = lpsolve(f.prob);
  Run ref = cold(f.prob);
  check_same(warm, ref, "25fv47 objective change");
  CHECK(warm.iters < ref.iters);
  printf("  25fv47: cold %d iterations, warm %d\n", ref.iters, warm.iters);
}

TEST(results_stay_right_through_additions_and_deletions) {
  // Each step changes the model so that the carried basis needs fitting
  // (a status naming a vanished bound) or repair (too many or too few
  // basic entries); every warm re-solve must match a cold solve.
  struct Step {
    const char *what;
    std::function<void(ONDRprob)> apply;
  };
  const Step steps[] = {
      {"rows cutting off the optimum",
       [](ONDRprob p) {
         std::vector<double> x = lpx(p);
         std::vector<int64_t> start;
         std::vector<int> cols;
         std::vector<double> vals, rhs;
         for (int r = 0; r < 5; ++r) {
           start.push_back((int64_t)cols.size());
           double act = 0.0;
           for (int k = 0; k < 15; ++k) {
             int j = (r * 37 + k * 11) % (int)x.size();
             cols.push_back(j);
             vals.push_back(1.0);
             act += x[(size_t)j];
           }
           rhs.push_back(0.7 * act);
         }
         CHECK_OK(ONDRaddrows64(p, 5, (int64_t)cols.size(), "LLLLL", rhs.data(), nullptr,
                                start.data(), cols.data(), vals.data()));
       }},
      {"columns at each kind of bound",
       [](ONDRprob p) {
         // [0,4]; (-inf, 2] (starts at its upper bound); free (starts at
         // zero, costs nothing). Entries only in capacity rows: nothing
         // becomes unbounded, whichever rows go later.
         const double obj[] = {-3.0, -2.0, 0.0}, lo[] = {0.0, -1e20, -1e20},
                      up[] = {4.0, 2.0, 1e20};
         const int64_t start[] = {0, 3, 6};
         const int rows[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
         const double vals[] = {1, 2, 3, 1, 1, 1, 2, 2, 2};
         CHECK_OK(ONDRaddcols64(p, 3, 9, obj, start, rows, vals, lo, up));
       }},
      {"binding rows deleted",
       [](ONDRprob p) {
         std::vector<double> s = lpslack(p);
         std::vector<int> del;
         for (int k = 0; k < 8; ++k) del.push_back(binding_row(s, k));
         CHECK_OK(ONDRdelrows(p, (int)del.size(), del.data()));
       }},
      {"basic columns deleted",
       [](ONDRprob p) {
         std::vector<double> x = lpx(p);
         std::vector<int> del;
         for (int j = 0; j < (int)x.size() && del.size() < 8; ++j)
           if (x[(size_t)j] > 1e-6 && x[(size_t)j] < 4 - 1e-6) del.push_back(j);
         CHECK(del.size() == 8);
         CHECK_OK(ONDRdelcols(p, (int)del.size(), del.data()));
       }},
      {"lower bounds of columns at zero removed",
       [](ONDRprob p) {
         std::vector<double> x = lpx(p);
         std::vector<int> idx;
         for (int j = 0; j < (int)x.size() && idx.size() < 5; ++j)
           if (std::fabs(x[(size_t)j]) < 1e-9) idx.push_back(j);
         std::vector<double> b(idx.size(), -1e20);
         std::string types(idx.size(), 'L');
         CHECK_OK(ONDRchgbounds(p, (int)idx.size(), idx.data(), types.c_str(), b.data()));
       }},
      {"binding rows made free or equal",
       [](ONDRprob p) {
         std::vector<double> s = lpslack(p);
         int idx[] = {binding_row(s, 0), binding_row(s, 1)};
         CHECK_OK(ONDRchgrowtype(p, 2, idx, "NE"));
       }},
      {"scaling",
       [](ONDRprob p) {
         std::vector<int> rs((size_t)intattr(p, kRows)), cs((size_t)intattr(p, kCols));
         for (size_t i = 0; i < rs.size(); ++i) rs[i] = (int)(i % 5) - 2;
         for (size_t j = 0; j < cs.size(); ++j) cs[j] = (int)(j % 3) - 1;
         CHECK_OK(ONDRscale(p, rs.data(), cs.data()));
       }},
      {"every row deleted",
       [](ONDRprob p) {
         std::vector<int> all((size_t)intattr(p, kRows));
         for (size_t i = 0; i < all.size(); ++i) all[i] = (int)i;
         CHECK_OK(ONDRdelrows(p, (int)all.size(), all.data()));
       }},
  };
  Fixture f;
  CHECK_OK(random_lp(300, 400, 11).load(f.prob));
  CHECK(lpsolve(f.prob).status == 1);
  int warm_total = 0, cold_total = 0;
  for (const Step &s : steps) {
    s.apply(f.prob);
    Run warm = lpsolve(f.prob);
    Run ref = cold(f.prob);
    check_same(warm, ref, s.what);
    CHECK(warm.status == 1);
    warm_total += warm.iters;
    cold_total += ref.iters;
  }
  CHECK(warm_total < cold_total);
  printf("  %zu steps: cold %d iterations, warm %d\n", sizeof steps / sizeof steps[0],
         cold_total, warm_total);
}

TEST(keepbasis_decides_what_a_same_size_load_keeps) {
  // The problem is loaded again with one objective coefficient changed,
  // through ONDRloadlp and through ONDRreadprob. With KEEPBASIS 1 the
  // re-solve starts warm; with 0 it is exactly the cold solve.
  LpBuild a = random_lp(300, 400, 23), b = a;
  b.obj[17] *= 0.2;
  b.obj[230] *= 3.0;
  io_test::TempDir tmp;
  std::string file = tmp.path("b.mps");
  Run ref;
  {
    Fixture g;
    CHECK_OK(b.load(g.prob));
    ref = lpsolve(g.prob);
    CHECK_OK(ONDRwriteprob(g.prob, file.c_str(), ""));
  }
  for (int keep : {1, 0}) {
    for (bool from_file : {false, true}) {
      Fixture f;
      CHECK_OK(ONDRsetintcontrol(f.prob, kKeepBasis, keep));
      CHECK_OK(a.load(f.prob));
      CHECK(lpsolve(f.prob).status == 1);
      if (from_file) CHECK_OK(ONDRreadprob(f.prob, file.c_str(), ""));
      else CHECK_OK(b.load(f.prob));
      Run r = lpsolve(f.prob);
      check_same(r, ref, from_file ? "read" : "load");
      if (keep) CHECK(r.iters < ref.iters);
      else CHECK(r.iters == ref.iters);
      printf("  KEEPBASIS %d, %s: %d iterations (cold %d)\n", keep,
             from_file ? "ONDRreadprob" : "ONDRloadlp", r.iters, ref.iters);
    }
  }
}

TEST(a_basis_that_no_longer_fits_is_dropped_by_a_load) {
  // KEEPBASIS 1, but the new problem has one row more, or one column
  // fewer: the solve runs cold (same iterations as a fresh problem) and
  // right.
  LpBuild a = random_lp(300, 400, 31);
  LpBuild more_rows = a, fewer_cols = random_lp(300, 399, 31);
  more_rows.row('L', 30.0, {{1, 1.0}, {2, 1.0}, {3, 1.0}});
  for (const LpBuild *b : {&more_rows, &fewer_cols}) {
    Run ref;
    {
      Fixture g;
      CHECK_OK(b->load(g.prob));
      ref = lpsolve(g.prob);
    }
    Fixture f;
    CHECK_OK(a.load(f.prob));
    CHECK(lpsolve(f.prob).status == 1);
    CHECK_OK(b->load(f.prob));
    Run r = lpsolve(f.prob);
    check_same(r, ref, "a load of another size");
    CHECK(r.iters == ref.iters);
  }
}

TEST(a_copy_starts_from_the_basis_of_its_source) {
  Fixture f, g;
  CHECK_OK(random_lp(300, 400, 41).load(f.prob));
  Run first = lpsolve(f.prob);
  CHECK_OK(ONDRcopyprob(g.prob, f.prob, "copy"));
  Run again = lpsolve(g.prob);
  check_same(again, first, "copy");
  CHECK(again.iters == 0);
  // The copy's basis is its own: changing the source does not reach it.
  int del[] = {0, 1, 2};
  CHECK_OK(ONDRdelcols(f.prob, 3, del));
  CHECK(lpsolve(g.prob).iters == 0);
}

TEST(mip_solves_keep_right_with_a_warm_basis_around) {
  // After a MIP solve the LP with the integers fixed leaves its basis for
  // the next solve. Here one column is semi-continuous with a range below 0
  // (0 or within [-5, -2]), which the MIP model negates: its status must be
  // turned round on the way in and out. LP and MIP solves alternate with
  // changes; each must match a cold solve.
  Fixture f;
  CHECK_OK(random_lp(60, 80, 53).load(f.prob));
  std::vector<int> ints;
  for (int j = 0; j < 20; ++j) ints.push_back(j);
  CHECK_OK(ONDRchgcoltype(f.prob, 20, ints.data(), std::string(20, 'I').c_str()));
  const double obj = 1.0, lo = -5.0, up = -2.0, lim = -5.0;
  const int64_t start[] = {0};
  const int row = 1;
  const double one = 1.0;
  CHECK_OK(ONDRaddcols64(f.prob, 1, 1, &obj, start, &row, &one, &lo, &up));
  int sc = 80;
  CHECK_OK(ONDRchgcoltype(f.prob, 1, &sc, "S"));
  CHECK_OK(ONDRchgglblimit(f.prob, 1, &sc, &lim));

  auto mip_cold = [](ONDRprob p) {
    io_test::TempDir tmp;
    std::string file = tmp.path("mip.mps");
    CHECK_OK(ONDRwriteprob(p, file.c_str(), ""));
    Fixture g;
    CHECK_OK(ONDRreadprob(g.prob, file.c_str(), ""));
    CHECK_OK(ONDRmipoptimize(g.prob, ""));
    return dblattr(g.prob, ONDR_MIPOBJVAL);
  };
  bool used_below_zero = false;
  for (int round = 0; round < 3; ++round) {
    Run lp = lpsolve(f.prob);
    check_same(lp, cold(f.prob), "an LP solve between MIP solves");
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
    CHECK_NEAR(dblattr(f.prob, ONDR_MIPOBJVAL), mip_cold(f.prob), 1e-6);
    std::vector<double> x((size_t)intattr(f.prob, kCols));
    CHECK_OK(ONDRgetmipsol(f.prob, x.data(), nullptr));
    CHECK(x[80] == 0.0 || (x[80] >= -5 - 1e-9 && x[80] <= -2 + 1e-9));
    used_below_zero = used_below_zero || x[80] < -1;
    int j = largest(x, 3.5);
    double c = 0.0;
    CHECK_OK(ONDRgetobj(f.prob, &c, j, j));
    c *= 0.5;
    CHECK_OK(ONDRchgobj(f.prob, 1, &j, &c));
  }
  CHECK(used_below_zero);  // the negated column took part
}
