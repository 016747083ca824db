// The cut pool through the C interface: handles and duplicates, rows read
// back, refusals that leave the pool as it was, cuts loaded into the node
// LPs of a real search, and the entry points that need a node.
#include <cmath>
#include <string>
#include <vector>
#include "check.h"
#include "lpbuild.h"

namespace {

// max 5a + 4b + 3c, 2a + 3b + c <= 5, 4a + b + 2c <= 11, 3a + 4b + 2c <= 8,
// a, b, c integer in [0, 10]: optimum 13 at (2, 0, 1).
void load_mip(ONDRprob p) {
  LpBuild b;
  int a = b.col(5, 0, 10), bb = b.col(4, 0, 10), c = b.col(3, 0, 10);
  b.row('L', 5, {{a, 2}, {bb, 3}, {c, 1}});
  b.row('L', 11, {{a, 4}, {bb, 1}, {c, 2}});
  b.row('L', 8, {{a, 3}, {bb, 4}, {c, 2}});
  CHECK_OK(b.load(p));
  int cols[] = {0, 1, 2};
  CHECK_OK(ONDRchgcoltype(p, 3, cols, "III"));
  CHECK_OK(ONDRchgobjsense(p, -1));
}

// Two cuts: a + b <= 2 and a + c >= 0 (both valid).
int store_two(ONDRprob p, int nodupl, ONDRcut h[2]) {
  int type[] = {1, 2};
  char rt[] = {'L', 'G'};
  double rhs[] = {2, 0};
  int64_t start[] = {0, 2, 4};
  int cols[] = {0, 1, 0, 2};
  double val[] = {1, 1, 1, 1};
  return ONDRstorecuts64(p, 2, nodupl, type, rt, rhs, start, h, cols, val);
}

TEST(pool_handles_duplicates_and_rows) {
  Fixture f;
  load_mip(f.prob);
  ONDRcut h[2], d[2];
  CHECK_OK(store_two(f.prob, 0, h));
  CHECK(intattr(f.prob, ONDR_POOLCUTS) == 2);
  CHECK_OK(store_two(f.prob, 1, d));  // equal rows of equal types: the same handles
  CHECK(d[0] == h[0] && d[1] == h[1] && intattr(f.prob, ONDR_POOLCUTS) == 2);
  CHECK_OK(store_two(f.prob, 0, d));  // kept as duplicates
  CHECK(d[0] != h[0] && intattr(f.prob, ONDR_POOLCUTS) == 4);
  // Rows read back: the size query first, then a short fill.
  int64_t start[3];
  CHECK_OK(ONDRgetcpcuts64(f.prob, h, 2, 0, nullptr, nullptr, start, nullptr, nullptr, nullptr));
  CHECK(start[0] == 0 && start[1] == 2 && start[2] == 4);
  int type[2], cols[3] = {-1, -1, -1};
  char rt[2];
  double val[3], rhs[2];
  CHECK_OK(ONDRgetcpcuts64(f.prob, h, 2, 3, type, rt, start, cols, val, rhs));
  CHECK(type[0] == 1 && type[1] == 2 && rt[0] == 'L' && rt[1] == 'G' && rhs[0] == 2);
  CHECK(cols[0] == 0 && cols[1] == 1 && cols[2] == 0 && start[2] == 4);
  // Deleting by type: only type 2 cuts go; their handles are refused after.
  CHECK_OK(ONDRdelcpcuts(f.prob, 2, 1, -1, nullptr));
  CHECK(intattr(f.prob, ONDR_POOLCUTS) == 2);
  CHECK_FAIL(ONDRdelcpcuts(f.prob, 0, -1, 1, &h[1]));
  CHECK_CONTAINS(check::lasterror(f.prob), "not a cut of this problem's cut pool");
  CHECK_FAIL(ONDRdelcpcuts(f.prob, 0, 7, -1, nullptr));  // unknown interp
}

TEST(bad_cuts_change_nothing) {
  Fixture f;
  load_mip(f.prob);
  ONDRprob other = nullptr;
  CHECK_OK(ONDRcreateprob(&other));
  load_mip(other);
  ONDRcut h[2];
  CHECK_OK(store_two(other, 0, h));
  int type[] = {0, 0};
  char rt[] = {'L', 'L'};
  double rhs[] = {1, 1};
  int64_t start[] = {0, 1, 2};
  int cols[] = {0, 1};
  double nan_val[] = {1, NAN};
  ONDRcut out[2];
  CHECK_FAIL(ONDRstorecuts64(f.prob, 2, 0, type, rt, rhs, start, out, cols, nan_val));
  int far[] = {0, 3};
  double val[] = {1, 1};
  CHECK_FAIL(ONDRstorecuts64(f.prob, 2, 0, type, rt, rhs, start, out, far, val));
  CHECK_CONTAINS(check::lasterror(f.prob), "out of range");
  char badrt[] = {'L', 'X'};
  CHECK_FAIL(ONDRstorecuts64(f.prob, 2, 0, type, badrt, rhs, start, out, cols, val));
  int64_t down[] = {0, 2, 1};
  CHECK_FAIL(ONDRstorecuts64(f.prob, 2, 0, type, rt, rhs, down, out, cols, val));
  CHECK(intattr(f.prob, ONDR_POOLCUTS) == 0);
  // Handles of another problem, or no handle at all.
  int64_t st[3];
  CHECK_FAIL(ONDRgetcpcuts64(f.prob, h, 2, 0, nullptr, nullptr, st, nullptr, nullptr, nullptr));
  void *bounds = nullptr;
  int bc[] = {0};
  double bv[] = {1};
  CHECK_OK(ONDRstorebounds(other, 1, bc, "U", bv, &bounds));
  CHECK_FAIL(ONDRstorebounds(f.prob, 1, bc, "X", bv, &bounds));
  ONDRdestroyprob(other);
}

TEST(node_entry_points_need_a_node) {
  Fixture f;
  load_mip(f.prob);
  int type[] = {0};
  char rt[] = {'L'};
  double rhs[] = {1}, val[] = {1};
  int64_t start[] = {0, 1};
  int cols[] = {0};
  CHECK_FAIL(ONDRaddcuts64(f.prob, 1, type, rt, rhs, start, cols, val));
  CHECK_CONTAINS(check::lasterror(f.prob), "addcuts can only be called from a callback during the branch-and-bound");
  CHECK_FAIL(ONDRloadcuts(f.prob, 0, -1, -1, nullptr));
  CHECK_FAIL(ONDRdelcuts(f.prob, 0, 0, -1, 0.0, -1, nullptr));
  int count = 0;
  CHECK_FAIL(ONDRgetcutlist(f.prob, 0, -1, &count, 0, nullptr));
  CHECK_FAIL(ONDRsetbranchcuts(f.prob, 0, nullptr));
  void *bounds = nullptr;
  CHECK_OK(ONDRstorebounds(f.prob, 1, cols, "U", val, &bounds));
  CHECK_FAIL(ONDRsetbranchbounds(f.prob, bounds));
  // Without an LP solution the pool cannot be checked for violation.
  CHECK_FAIL(ONDRgetcpcutlist(f.prob, 0, -1, 0.0, &count, 0, nullptr, nullptr));
}

struct Seen {
  ONDRcut h[2];
  int calls = 0, listed = -1, row = -2;
  double slack = NAN, activity = NAN;
};

// At the root: loads the pool cuts; later calls read them back.
void on_optnode(ONDRprob p, void *d, int *) {
  Seen *s = (Seen *)d;
  if (s->calls++ == 0) {
    CHECK_OK(ONDRloadcuts(p, 1, 1, 2, s->h));  // only the type-1 cut a + b <= 2
    return;
  }
  if (s->listed >= 0) return;
  int count = 0;
  CHECK_OK(ONDRgetcutlist(p, 1, 1, &count, 0, nullptr));
  s->listed = count;
  CHECK_OK(ONDRgetcutmap(p, 1, s->h, &s->row));
  CHECK_OK(ONDRgetcutslack(p, s->h[0], &s->slack));
  double x[3];
  CHECK_OK(ONDRgetlpsol(p, x, nullptr, nullptr, nullptr));
  s->activity = x[0] + x[1];
}

TEST(cuts_loaded_in_a_search) {
  Fixture f;
  load_mip(f.prob);
  Seen s;
  CHECK_OK(store_two(f.prob, 0, s.h));
  CHECK_OK(ONDRaddcboptnode(f.prob, on_optnode, &s, 0));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
  CHECK_NEAR(dblattr(f.prob, ONDR_MIPOBJVAL), 13, 1e-9);
  CHECK(s.calls >= 2 && s.listed == 1);
  CHECK(s.row >= 3);  // after the model's rows
  CHECK_NEAR(s.slack, 2 - s.activity, 1e-7);
  CHECK(intattr(f.prob, ONDR_MAXNODELPROWS) >= 4);
}

TEST(strong_branching_outside_a_search_matches_each_lp) {
  Fixture f;
  load_mip(f.prob);
  int cols[] = {0, 0, 1};
  char types[] = {'U', 'L', 'B'};
  double vals[] = {1, 2, 1}, obj[3];
  int st[3];
  CHECK_OK(ONDRstrongbranch(f.prob, 3, cols, types, vals, 0, obj, st));
  for (int k = 0; k < 3; ++k) {
    ONDRprob c = nullptr;
    CHECK_OK(ONDRcreateprob(&c));
    CHECK_OK(ONDRcopyprob(c, f.prob, ""));
    int one[] = {cols[k]};
    char t[] = {types[k]};
    double v[] = {vals[k]};
    CHECK_OK(ONDRchgbounds(c, 1, one, t, v));
    CHECK_OK(ONDRlpoptimize(c, ""));
    int lps = intattr(c, ONDR_LPSTATUS);
    CHECK(st[k] == lps);
    if (lps == 1) CHECK_NEAR(obj[k], dblattr(c, ONDR_LPOBJVAL), 1e-7);
    ONDRdestroyprob(c);
  }
}

}  // namespace
