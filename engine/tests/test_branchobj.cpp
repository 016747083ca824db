// Branching objects and node rows through the C interface: argument checks
// that leave the object as it was, validation statuses, the size queries,
// and the tree search branching by user objects (chgbranchobject, store),
// taking rows from callbacks (ONDRaddcuts64) and preintsol's answers.
#include <cmath>
#include <string>
#include <vector>
#include "check.h"
#include "lpbuild.h"

namespace {

std::string bo_error(ONDRbranchobject bo) {
  char buf[512] = {0};
  ONDR_bo_getlasterror(bo, nullptr, buf, 512, nullptr);
  return buf;
}

int nbounds(ONDRbranchobject bo, int ib) {
  int n = -1;
  CHECK_OK(ONDR_bo_getbounds(bo, ib, &n, 0, nullptr, nullptr, nullptr));
  return n;
}

// A two-row knapsack of 10 binaries (maximize) whose relaxation needs
// branching: optimum 192 (by enumeration), 167 without column 6.
void load_knapsack(ONDRprob p) {
  const double v[] = {29, 18, 33, 21, 35, 32, 40, 36, 33, 30};
  const double w1[] = {21, 5, 19, 29, 12, 25, 6, 10, 8, 16};
  const double w2[] = {20, 12, 17, 22, 8, 23, 12, 5, 28, 11};
  LpBuild b;
  for (double c : v) b.col(c, 0, 1);
  std::vector<std::pair<int, double>> r1, r2;
  for (int j = 0; j < 10; ++j) {
    r1.push_back({j, w1[j]});
    r2.push_back({j, w2[j]});
  }
  b.row('L', 75.5, r1);
  b.row('L', 79.5, r2);
  CHECK_OK(b.load(p));
  std::vector<int> cols;
  for (int j = 0; j < 10; ++j) cols.push_back(j);
  CHECK_OK(ONDRchgcoltype(p, 10, cols.data(), "BBBBBBBBBB"));
  CHECK_OK(ONDRchgobjsense(p, -1));
  CHECK_OK(ONDRsetintcontrol(p, ONDR_MIPSOLVER, 2));
}

TEST(bad_arguments_are_refused_and_change_nothing) {
  Fixture f;
  load_knapsack(f.prob);
  ONDRbranchobject bo = nullptr;
  CHECK_OK(ONDR_bo_create(&bo, f.prob, 1));
  CHECK_OK(ONDR_bo_addbranches(bo, 2));
  int n = 0;
  CHECK_OK(ONDR_bo_getbranches(bo, &n));
  CHECK(n == 2);
  int col = 0, bigcol = 10;
  double v = 1, nan = std::nan(""), inf = 1e20;
  CHECK_FAIL(ONDR_bo_addbounds(bo, 2, 1, "L", &col, &v));
  CHECK_CONTAINS(bo_error(bo), "Branch 2 does not exist");
  CHECK_FAIL(ONDR_bo_addbounds(bo, 0, 1, "X", &col, &v));
  CHECK_CONTAINS(bo_error(bo), "type 'X'");
  CHECK_FAIL(ONDR_bo_addbounds(bo, 0, 1, "L", &bigcol, &v));
  CHECK_CONTAINS(bo_error(bo), "out of range");
  CHECK_FAIL(ONDR_bo_addbounds(bo, 0, 1, "U", &col, &nan));
  CHECK_FAIL(ONDR_bo_addbounds(bo, 0, 1, "U", &col, &inf));
  CHECK_CONTAINS(check::lasterror(f.prob), "must be finite");
  // A bad second entry refuses the whole call.
  int cols2[] = {0, 99};
  double vals2[] = {1, 1};
  CHECK_FAIL(ONDR_bo_addbounds(bo, 0, 2, "LU", cols2, vals2));
  CHECK(nbounds(bo, 0) == 0);
  CHECK_OK(ONDR_bo_addbounds(bo, 0, 0, nullptr, nullptr, nullptr));  // no bounds is fine
  // Rows: free and ranged types, starts that do not fit.
  int starts[] = {0, 2}, rcols[] = {0, 1};
  double rvals[] = {1, 1}, rhs = 1;
  CHECK_FAIL(ONDR_bo_addrows(bo, 0, 1, 2, "N", &rhs, starts, rcols, rvals));
  CHECK_FAIL(ONDR_bo_addrows(bo, 0, 1, 2, "R", &rhs, starts, rcols, rvals));
  int bad_starts[] = {1, 2};
  CHECK_FAIL(ONDR_bo_addrows(bo, 0, 1, 2, "G", &rhs, bad_starts, rcols, rvals));
  int nr = -1, ne = -1;
  CHECK_OK(ONDR_bo_getrows(bo, 0, &nr, 0, &ne, 0, nullptr, nullptr, nullptr, nullptr, nullptr));
  CHECK(nr == 0 && ne == 0);
  CHECK_FAIL(ONDR_bo_setpreferredbranch(bo, 5));
  CHECK_FAIL(ONDR_bo_addbranches(bo, -1));
  // A handle that is no cut of the problem's pool is refused.
  ONDRcut cut = nullptr;
  CHECK_FAIL(ONDR_bo_addcuts(bo, 0, 1, &cut));
  CHECK_CONTAINS(bo_error(bo), "not a cut of this problem");
  CHECK_OK(ONDR_bo_destroy(bo));
}

TEST(validation_statuses_and_size_queries) {
  Fixture f;
  load_knapsack(f.prob);
  ONDRbranchobject bo = nullptr;
  CHECK_OK(ONDR_bo_create(&bo, f.prob, 0));
  int st = -1;
  CHECK_OK(ONDR_bo_validate(bo, &st));
  CHECK(st == 1);
  CHECK_OK(ONDR_bo_addbranches(bo, 2));
  CHECK_OK(ONDR_bo_validate(bo, &st));
  CHECK(st == 2);
  CHECK_CONTAINS(bo_error(bo), "Branch 0");
  int cols[] = {1, 1, 2};
  double vals[] = {1, 1, 0};
  CHECK_OK(ONDR_bo_addbounds(bo, 0, 3, "LUU", cols, vals));
  // Row x0 + x2 + x0 >= 1: the duplicate column is summed.
  int starts[] = {0, 3}, rcols[] = {0, 2, 0};
  double rvals[] = {1, 1, 1}, rhs = 1;
  CHECK_OK(ONDR_bo_addrows(bo, 1, 1, 3, "G", &rhs, starts, rcols, rvals));
  CHECK_OK(ONDR_bo_validate(bo, &st));
  CHECK(st == 0);
  // Counts first, then at most the sizes asked for.
  int n = 0;
  char t[3];
  int c[3];
  double v[3];
  CHECK_OK(ONDR_bo_getbounds(bo, 0, &n, 2, t, c, v));
  CHECK(n == 3 && t[0] == 'L' && t[1] == 'U' && c[1] == 1 && v[0] == 1);
  int nr = 0, ne = 0, beg[1] = {-1}, gc[2] = {-1, -1};
  char rt[1];
  double rr[1], gv[2];
  CHECK_OK(ONDR_bo_getrows(bo, 1, &nr, 1, &ne, 2, rt, rr, beg, gc, gv));
  CHECK(nr == 1 && ne == 2 && rt[0] == 'G' && rr[0] == 1 && beg[0] == 0);
  CHECK(gc[0] == 0 && gv[0] == 2 && gc[1] == 2 && gv[1] == 1);
  // Storing needs a node being processed: refused, and still ours.
  CHECK_FAIL(ONDR_bo_store(bo, &st));
  CHECK_CONTAINS(bo_error(bo), "only from a prenode, optnode or preintsol");
  int id = 0;
  CHECK_OK(ONDR_bo_getid(bo, &id));
  CHECK(id > 0);
  CHECK_OK(ONDR_bo_destroy(bo));
}

struct Run {
  int offered = 0, replaced = 0, preint = 0, rejected = 0, rows_added = 0;
  bool depth_ok = true;
  bool invalid = false;       // hand back an object with an empty branch
};

// Replaces every candidate by the same dichotomy on its first bound,
// preferring the other branch.
void swap_preferred(ONDRprob p, void *d, ONDRbranchobject cand, ONDRbranchobject *out) {
  Run *r = (Run *)d;
  ++r->offered;
  int nb = 0;
  ONDR_bo_getbranches(cand, &nb);
  ONDRbranchobject bo = nullptr;
  ONDR_bo_create(&bo, p, 1);
  ONDR_bo_addbranches(bo, nb);
  for (int k = 0; k < nb && !r->invalid; ++k) {
    int n = 0;
    ONDR_bo_getbounds(cand, k, &n, 0, nullptr, nullptr, nullptr);
    std::vector<char> t((size_t)n + 1);
    std::vector<int> c((size_t)n + 1);
    std::vector<double> v((size_t)n + 1);
    ONDR_bo_getbounds(cand, k, &n, n, t.data(), c.data(), v.data());
    ONDR_bo_addbounds(bo, k, n, t.data(), c.data(), v.data());
  }
  ONDR_bo_setpreferredbranch(bo, nb - 1);
  ++r->replaced;
  *out = bo;
}

void check_depth(ONDRprob p, void *d, int *) {
  Run *r = (Run *)d;
  int node = intattr(p, ONDR_CURRENTNODE), parent = intattr(p, ONDR_PARENTNODE);
  int depth = intattr(p, ONDR_NODEDEPTH);
  if (node < 1 || (node == 1) != (parent == 0) || (node == 1) != (depth == 0) || parent >= node)
    r->depth_ok = false;
}

// Lazy row x6 <= 0: node solutions with x6 = 1 are rejected, and the node
// branched into one child holding the row.
void forbid_a(ONDRprob p, void *d, int soltype, int *reject, double *) {
  Run *r = (Run *)d;
  ++r->preint;
  double x[10];
  ONDRgetlpsol(p, x, nullptr, nullptr, nullptr);
  if (x[6] > 0.5) {
    *reject = 1;
    ++r->rejected;
    if (soltype == 0) {
      ONDRbranchobject bo = nullptr;
      int col = 6, starts[] = {0, 1}, st = -1;
      double one = 1, zero = 0;
      ONDR_bo_create(&bo, p, 1);
      ONDR_bo_addbranches(bo, 1);
      ONDR_bo_addrows(bo, 0, 1, 1, "L", &zero, starts, &col, &one);
      if (ONDR_bo_store(bo, &st) == 0) ++r->rows_added;
      else ONDR_bo_destroy(bo);
    }
  }
}

TEST(user_branching_reaches_the_optimum) {
  Fixture f;
  load_knapsack(f.prob);
  Run r;
  CHECK_OK(ONDRaddcbchgbranchobject(f.prob, swap_preferred, &r, 0));
  CHECK_OK(ONDRaddcboptnode(f.prob, check_depth, &r, 0));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
  CHECK_NEAR(dblattr(f.prob, ONDR_MIPOBJVAL), 192, 1e-9);
  CHECK(r.offered >= 1 && r.replaced == r.offered);
  CHECK(r.depth_ok);
  CHECK(intattr(f.prob, ONDR_ACTIVENODES) == 0);
}

TEST(an_invalid_returned_object_fails_the_solve) {
  Fixture f;
  load_knapsack(f.prob);
  Run r;
  r.invalid = true;
  CHECK_OK(ONDRaddcbchgbranchobject(f.prob, swap_preferred, &r, 0));
  CHECK_FAIL(ONDRmipoptimize(f.prob, ""));
  CHECK_CONTAINS(check::lasterror(f.prob), "returned by the chgbranchobject callback is not valid");
}

TEST(preintsol_rejections_with_rows_keep_the_subtree) {
  Fixture f;
  load_knapsack(f.prob);
  Run r;
  CHECK_OK(ONDRaddcbpreintsol(f.prob, forbid_a, &r, 0));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
  CHECK_NEAR(dblattr(f.prob, ONDR_MIPOBJVAL), 167, 1e-9);
  double x[10];
  CHECK_OK(ONDRgetmipsol(f.prob, x, nullptr));
  CHECK(x[6] < 0.5);
  CHECK(r.preint >= 1 && r.rejected >= 1 && r.rows_added >= 1);
}

void lower_cutoff(ONDRprob, void *, int, int *, double *cutoff) { *cutoff = 1000; }

TEST(a_cutoff_from_preintsol_acts) {
  Fixture f;
  load_knapsack(f.prob);
  // Maximizing: nothing reaches 1000, so every solution is cut off.
  CHECK_OK(ONDRaddcbpreintsol(f.prob, lower_cutoff, nullptr, 0));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 5);
}

}  // namespace
