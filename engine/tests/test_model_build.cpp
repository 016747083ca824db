// Building a model: the loaders and the additions, each checked through the
// getters, and their failures checked to leave the model as it was.
#include <cmath>
#include <functional>
#include <limits>
#include "model_helpers.h"

static const double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(load_everything_reads_back) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  CHECK(iattr(p, ONDR_ORIGINALROWS) == 3 && iattr(p, ONDR_ORIGINALCOLS) == 4);
  CHECK(iattr(p, ONDR_ELEMS) == 6);
  CHECK((get_row(p, 0) == Sparse{{0, 1}, {1, 2}}));
  CHECK((get_row(p, 1) == Sparse{{1, 3}, {2, 1}}));
  CHECK((get_col(p, 0) == Sparse{{0, 1}, {2, 1}}));
  char rt[3];
  double rng[3];
  CHECK_OK(ONDRgetrowtype(p, rt, 0, 2));
  CHECK(rt[0] == 'L' && rt[1] == 'R' && rt[2] == 'E');
  CHECK_OK(ONDRgetrhsrange(p, rng, 0, 2));
  CHECK(rng[0] == 1e20 && rng[1] == 3 && rng[2] == 0);
  // quadratic objective: (0,0) 2 and the pair (0,1) given as (1,0)
  double q = 0;
  CHECK_OK(ONDRgetqobj(p, 0, 1, &q));
  CHECK(q == 1);
  CHECK_OK(ONDRgetqobj(p, 1, 0, &q));
  CHECK(q == 1);
  CHECK((get_qobj(p) == std::vector<QTerm>{{0, 0, 2}, {0, 1, 1}, {1, 0, 1}}));
  CHECK(iattr(p, ONDR_QELEMS) == 2);
  CHECK((get_qrow(p, 0) == std::vector<QTerm>{{0, 1, 0.5}}));
  CHECK(iattr(p, ONDR_QCONSTRAINTS) == 1);
  char ct[4];
  CHECK_OK(ONDRgetcoltype(p, ct, 0, 3));
  CHECK(ct[0] == 'C' && ct[3] == 'I');
  CHECK(iattr(p, ONDR_MIPENTS) == 1 && iattr(p, ONDR_SETS) == 1 && iattr(p, ONDR_SETMEMBERS) == 2);
  char name[64];
  CHECK_OK(ONDRgetprobname(p, name, 64));
  CHECK(std::string(name) == "small");
}

TEST(load_replaces_everything) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  const int r[] = {0};
  const int c[] = {0}, cmp[] = {1};
  CHECK_OK(ONDRsetindicators(p, 1, r, c, cmp));
  CHECK_OK(ONDRaddnames(p, 2, "x", 0, 0));
  const char rt[] = {'G'};
  const double rhs[] = {1};
  CHECK_OK(ONDRloadlp64(p, "again", 1, 1, rt, rhs, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr));
  CHECK(iattr(p, ONDR_ORIGINALROWS) == 1 && iattr(p, ONDR_ORIGINALCOLS) == 1 && iattr(p, ONDR_SETS) == 0 &&
        iattr(p, ONDR_MIPENTS) == 0 && iattr(p, ONDR_QELEMS) == 0 &&
        iattr(p, ONDR_QCONSTRAINTS) == 0 && iattr(p, ONDR_INDICATORS) == 0);
  char name[64];
  CHECK_OK(ONDRgetnames(p, 2, name, 0, 0));
  CHECK(std::string(name) == "C1");
}

TEST(load_global_entities_and_limits) {
  Fixture f;
  ONDRprob p = f.prob;
  const int64_t st[] = {0, 0, 0, 0, 0, 0};
  const double ub[] = {9, 9, 9, 5, 1.1};
  const char gt[] = {'B', 'I', 'S', 'R', 'P'};
  const int gc[] = {4, 3, 2, 1, 0};
  const double lim[] = {0, 0, 2, 3, 4};
  CHECK_OK(ONDRloadglobal64(p, "g", 5, 0, nullptr, nullptr, nullptr, nullptr, st, nullptr,
                            nullptr, nullptr, nullptr, ub, 5, 0, gt, gc, lim, nullptr, nullptr,
                            nullptr, nullptr));
  int ne = 0, ns = -1;
  char t[5];
  int cols[5];
  double l[5];
  CHECK_OK(ONDRgetglobal64(p, &ne, &ns, t, cols, l, nullptr, nullptr, nullptr, nullptr));
  CHECK(ne == 5 && ns == 0);
  // entities come back in column order with their limits
  CHECK(t[0] == 'P' && cols[0] == 0 && l[0] == 4);
  CHECK(t[1] == 'R' && l[1] == 3 && t[2] == 'S' && l[2] == 2);
  CHECK(t[4] == 'B' && cols[4] == 4);
  double u = 0;
  CHECK_OK(ONDRgetub(p, &u, 4, 4));
  CHECK(u == 1.1);  // binary keeps its bounds as given
  // no limits at all: the columns load with limit 0
  CHECK_OK(ONDRloadglobal64(p, "g", 5, 0, nullptr, nullptr, nullptr, nullptr, st, nullptr,
                            nullptr, nullptr, nullptr, ub, 5, 0, gt, gc, nullptr, nullptr,
                            nullptr, nullptr, nullptr));
  CHECK(iattr(p, ONDR_MIPENTS) == 5);
}

// Each case starts from the small model and makes one bad load.
struct BadCase {
  const char *name;
  std::function<int(ONDRprob)> call;
  const char *message;
};

TEST(bad_loads_change_nothing) {
  static const char rt[] = {'L', 'E'};
  static const double rhs[] = {1, 2};
  static const int64_t st[] = {0, 1, 2};
  static const int ri[] = {0, 1};
  static const double v[] = {1, 1};
  auto lp = [](ONDRprob p, const char *t, const int *r, const double *val, const double *lb) {
    return ONDRloadlp64(p, "bad", 2, 2, t, rhs, nullptr, nullptr, st, nullptr, r, val, lb,
                        nullptr);
  };
  static const char badt[] = {'L', 'X'};
  static const int badri[] = {0, 2};
  static const double nanv[] = {1, NaN}, nanlb[] = {0, NaN};
  static const int q1[] = {0}, q2[] = {5};
  static const double qv[] = {1}, qnan[] = {NaN};
  static const int q0[] = {0};
  static const int qr[] = {7};
  static const int64_t qn[] = {1}, qneg[] = {-1};
  static const char gt[] = {'I'}, gbad[] = {'C'}, g2[] = {'I', 'B'};
  static const int gc[] = {3}, gc2[] = {1, 1}, gc0[] = {0};
  static const char s1[] = {'1'}, s3[] = {'3'};
  static const int64_t ss[] = {0, 2};
  static const int sc[] = {0, 0}, sc2[] = {0, 9}, scok[] = {0, 1};
  static const double sr[] = {1, 2};
  std::vector<BadCase> cases = {
      {"row type", [&](ONDRprob p) { return lp(p, badt, ri, v, nullptr); }, "Invalid row type 'X'"},
      {"row index", [&](ONDRprob p) { return lp(p, rt, badri, v, nullptr); }, "Row index 2 out of range"},
      {"NaN value", [&](ONDRprob p) { return lp(p, rt, ri, nanv, nullptr); }, "is NaN"},
      {"NaN bound", [&](ONDRprob p) { return lp(p, rt, ri, v, nanlb); }, "Bound of column 1 is NaN"},
      {"q column", [&](ONDRprob p) {
         return ONDRloadqp64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                             nullptr, 1, q1, q2, qv); }, "(0, 5)"},
      {"q NaN", [&](ONDRprob p) {
         return ONDRloadqp64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                             nullptr, 1, q0, q0, qnan); }, "is NaN"},
      {"q arrays missing", [&](ONDRprob p) {
         return ONDRloadqp64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                             nullptr, 1, q0, nullptr, qv); }, "NULL array"},
      {"q row index", [&](ONDRprob p) {
         return ONDRloadqcqp64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                               nullptr, -1, nullptr, nullptr, nullptr, 1, qr, qn, q0, q0, qv); }, "Row index 7"},
      {"q row count", [&](ONDRprob p) {
         return ONDRloadqcqp64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                               nullptr, 0, nullptr, nullptr, nullptr, 1, q0, qneg, q0, q0, qv); }, "Invalid number of quadratic terms"},
      {"entity column", [&](ONDRprob p) {
         return ONDRloadglobal64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                                 nullptr, 1, 0, gt, gc, nullptr, nullptr, nullptr, nullptr, nullptr); }, "Column index 3 out of range"},
      {"entity type", [&](ONDRprob p) {
         return ONDRloadglobal64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                                 nullptr, 1, 0, gbad, gc0, nullptr, nullptr, nullptr, nullptr, nullptr); }, "Invalid global entity type 'C'"},
      {"entity twice", [&](ONDRprob p) {
         return ONDRloadglobal64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                                 nullptr, 2, 0, g2, gc2, nullptr, nullptr, nullptr, nullptr, nullptr); }, "appears twice"},
      {"set type", [&](ONDRprob p) {
         return ONDRloadglobal64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                                 nullptr, 0, 1, nullptr, nullptr, nullptr, s3, ss, scok, sr); }, "Invalid type '3' of set 0"},
      {"set member twice", [&](ONDRprob p) {
         return ONDRloadglobal64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                                 nullptr, 0, 1, nullptr, nullptr, nullptr, s1, ss, sc, sr); }, "Column 0 appears twice in set 0"},
      {"set member range", [&](ONDRprob p) {
         return ONDRloadglobal64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                                 nullptr, 0, 1, nullptr, nullptr, nullptr, s1, ss, sc2, sr); }, "Column index 9 out of range in set 0"},
      {"set refs missing", [&](ONDRprob p) {
         return ONDRloadglobal64(p, "b", 2, 2, rt, rhs, nullptr, nullptr, st, nullptr, ri, v, nullptr,
                                 nullptr, 0, 1, nullptr, nullptr, nullptr, s1, ss, scok, nullptr); }, "reference values missing"},
  };
  for (auto &c : cases) {
    Fixture f;
    load_small(f.prob);
    std::string before = snapshot(f.prob);
    int rc = c.call(f.prob);
    if (rc == 0) fprintf(stderr, "  case '%s' succeeded\n", c.name);
    CHECK(rc != 0);
    CHECK_CONTAINS(check::lasterror(f.prob), c.message);
    CHECK_SAME(before, f.prob);
  }
}

TEST(addrows_reads_the_module_conventions) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  // One row given with a single start entry; an 'N' row whose rhs is
  // garbage; an 'L' row whose range is garbage; an explicit 0.0 entry that
  // must stay; a column given twice that adds up.
  const char rt[] = {'E', 'N', 'L', 'R'};
  const double rhs[] = {0, NaN, 7, 5}, rng[] = {NaN, NaN, -4, 2};
  const int64_t st[] = {0, 1, 2, 4};  // no entry for the end of the last row
  const int ci[] = {0, 3, 1, 1, 2, 0};
  const double v[] = {0.0, 2, 1, 1, 5, 6};
  CHECK_OK(ONDRaddrows64(p, 4, 6, rt, rhs, rng, st, ci, v));
  CHECK(iattr(p, ONDR_ORIGINALROWS) == 7);
  CHECK((get_row(p, 3) == Sparse{{0, 0.0}}));
  CHECK((get_row(p, 4) == Sparse{{3, 2}}));
  CHECK((get_row(p, 5) == Sparse{{1, 2}}));
  CHECK((get_row(p, 6) == Sparse{{0, 6}, {2, 5}}));
  double r[4], g[4];
  CHECK_OK(ONDRgetrhs(p, r, 3, 6));
  CHECK(r[0] == 0 && r[1] == 0 && r[2] == 7 && r[3] == 5);
  CHECK_OK(ONDRgetrhsrange(p, g, 3, 6));
  CHECK(g[0] == 0 && g[2] == 1e20 && g[3] == 2);
  int ic[4], cp[4];
  CHECK_OK(ONDRgetindicators(p, ic, cp, 3, 6));
  CHECK(ic[0] == -1 && cp[0] == 0);
  // the single-start indicator row form
  const char e[] = {'G'};
  const double one[] = {1};
  const int64_t s0[] = {0};
  const int c2[] = {2, 1};
  const double v2[] = {1, 1};
  CHECK_OK(ONDRaddrows64(p, 1, 2, e, one, nullptr, s0, c2, v2));
  CHECK((get_row(p, 7) == Sparse{{1, 1}, {2, 1}}));
  // nothing to add
  CHECK_OK(ONDRaddrows64(p, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
  CHECK(iattr(p, ONDR_ORIGINALROWS) == 8);
}

TEST(bad_addrows_change_nothing) {
  const char rt[] = {'L', 'L'}, bad[] = {'L', 'Q'};
  const double rhs[] = {1, 1}, nanrhs[] = {1, NaN}, negrng[] = {0, -1};
  const char rr[] = {'L', 'R'};
  const int64_t st[] = {0, 1}, down[] = {0, 2}, first1[] = {1, 1}, over[] = {0, 3};
  const int ci[] = {0, 1}, badci[] = {0, 4};
  const double v[] = {1, 1}, inf[] = {1, INFINITY};
  std::vector<BadCase> cases = {
      {"type", [&](ONDRprob p) { return ONDRaddrows64(p, 2, 2, bad, rhs, nullptr, st, ci, v); }, "Invalid row type 'Q' for new row 5"},
      {"column", [&](ONDRprob p) { return ONDRaddrows64(p, 2, 2, rt, rhs, nullptr, st, badci, v); }, "Column index 4 out of range in new row 5"},
      {"NaN rhs", [&](ONDRprob p) { return ONDRaddrows64(p, 2, 2, rt, nanrhs, nullptr, st, ci, v); }, "Right-hand side of new row 5 is NaN"},
      {"negative range", [&](ONDRprob p) { return ONDRaddrows64(p, 2, 2, rr, rhs, negrng, st, ci, v); }, "Invalid range -1 of new row 5"},
      {"infinite value", [&](ONDRprob p) { return ONDRaddrows64(p, 2, 2, rt, rhs, nullptr, st, ci, inf); }, "is infinite"},
      {"starts exceed nnz", [&](ONDRprob p) { return ONDRaddrows64(p, 2, 2, rt, rhs, nullptr, over, ci, v); }, "exceeds the number of elements 2"},
      {"first start", [&](ONDRprob p) { return ONDRaddrows64(p, 2, 2, rt, rhs, nullptr, first1, ci, v); }, "must be 0"},
      {"starts decrease", [&](ONDRprob p) { return ONDRaddrows64(p, 2, 1, rt, rhs, nullptr, down, ci, v); }, "exceeds"},
      {"NULL types", [&](ONDRprob p) { return ONDRaddrows64(p, 2, 2, nullptr, rhs, nullptr, st, ci, v); }, "Row types missing"},
      {"NULL matrix", [&](ONDRprob p) { return ONDRaddrows64(p, 2, 2, rt, rhs, nullptr, st, nullptr, v); }, "Matrix arrays missing"},
      {"NULL starts", [&](ONDRprob p) { return ONDRaddrows64(p, 2, 2, rt, rhs, nullptr, nullptr, ci, v); }, "Start array missing"},
      {"negative count", [&](ONDRprob p) { return ONDRaddrows64(p, -1, 0, rt, rhs, nullptr, st, ci, v); }, "Invalid number of rows -1"},
      {"entries without rows", [&](ONDRprob p) { return ONDRaddrows64(p, 0, 2, rt, rhs, nullptr, st, ci, v); }, "2 nonzeros given for 0 rows"},
  };
  for (auto &c : cases) {
    Fixture f;
    load_small(f.prob);
    // one extra row first, so the new rows start at 4
    const char e[] = {'E'};
    CHECK_OK(ONDRaddrows64(f.prob, 1, 0, e, nullptr, nullptr, nullptr, nullptr, nullptr));
    std::string before = snapshot(f.prob);
    int rc = c.call(f.prob);
    if (rc == 0) fprintf(stderr, "  case '%s' succeeded\n", c.name);
    CHECK(rc != 0);
    CHECK_CONTAINS(check::lasterror(f.prob), c.message);
    CHECK_SAME(before, f.prob);
  }
}

TEST(addcols_nnz_is_authoritative) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  // The way variables are added: count+1 zero doubles serve as objective and
  // as starts, no matrix arrays.
  double zeros[4] = {0, 0, 0, 0};
  const double lb[] = {-1, 0, 2}, ub[] = {1, 1e30, 3};
  CHECK_OK(ONDRaddcols64(p, 3, 0, zeros, reinterpret_cast<const int64_t *>(zeros), nullptr,
                         nullptr, lb, ub));
  CHECK(iattr(p, ONDR_ORIGINALCOLS) == 7);
  char t[3];
  CHECK_OK(ONDRgetcoltype(p, t, 4, 6));
  CHECK(t[0] == 'C' && t[1] == 'C' && t[2] == 'C');
  double u[3];
  CHECK_OK(ONDRgetub(p, u, 4, 6));
  CHECK(u[1] == 1e20);
  // The last start is never read: 3 entries, whatever start[2] says.
  const double obj[] = {1, 2};
  const int64_t st[] = {0, 2, 99};
  const int ri[] = {2, 0, 1};
  const double v[] = {5, 6, 0.0};
  CHECK_OK(ONDRaddcols64(p, 2, 3, obj, st, ri, v, nullptr, nullptr));
  CHECK((get_col(p, 7) == Sparse{{0, 6}, {2, 5}}));
  CHECK((get_col(p, 8) == Sparse{{1, 0.0}}));
  CHECK((get_row(p, 0) == Sparse{{0, 1}, {1, 2}, {7, 6}}));
  // a row listed twice within one column adds up
  const int64_t s1[] = {0};
  const int r2[] = {1, 1};
  const double v2[] = {1, 2};
  CHECK_OK(ONDRaddcols64(p, 1, 2, nullptr, s1, r2, v2, nullptr, nullptr));
  CHECK((get_col(p, 9) == Sparse{{1, 3}}));
}

TEST(bad_addcols_change_nothing) {
  const double obj[] = {1, 1, 1}, nanobj[] = {NaN, 1}, nanlb[] = {0, NaN};
  const int64_t st[] = {0, 1, 2}, over[] = {0, 3}, down[] = {0, 2, 1};
  const int ri[] = {0, 1}, badri[] = {0, 3};
  const double v[] = {1, 1}, nanv[] = {1, NaN};
  std::vector<BadCase> cases = {
      {"row", [&](ONDRprob p) { return ONDRaddcols64(p, 2, 2, obj, st, badri, v, nullptr, nullptr); }, "Row index 3 out of range in new column 5"},
      {"NaN value", [&](ONDRprob p) { return ONDRaddcols64(p, 2, 2, obj, st, ri, nanv, nullptr, nullptr); }, "is NaN"},
      {"NaN obj", [&](ONDRprob p) { return ONDRaddcols64(p, 2, 2, nanobj, st, ri, v, nullptr, nullptr); }, "Objective coefficient of new column 4 is NaN"},
      {"NaN bound", [&](ONDRprob p) { return ONDRaddcols64(p, 2, 2, obj, st, ri, v, nanlb, nullptr); }, "Bound of new column 5 is NaN"},
      {"start beyond nnz", [&](ONDRprob p) { return ONDRaddcols64(p, 2, 2, obj, over, ri, v, nullptr, nullptr); }, "Start 3 of column 1 exceeds"},
      {"starts decrease", [&](ONDRprob p) { return ONDRaddcols64(p, 3, 2, obj, down, ri, v, nullptr, nullptr); }, "below the start"},
      {"NULL rows", [&](ONDRprob p) { return ONDRaddcols64(p, 2, 2, obj, st, nullptr, v, nullptr, nullptr); }, "Matrix arrays missing"},
      {"negative nnz", [&](ONDRprob p) { return ONDRaddcols64(p, 2, -2, obj, st, ri, v, nullptr, nullptr); }, "Invalid number of nonzeros -2"},
  };
  for (auto &c : cases) {
    Fixture f;
    load_small(f.prob);
    std::string before = snapshot(f.prob);
    int rc = c.call(f.prob);
    if (rc == 0) fprintf(stderr, "  case '%s' succeeded\n", c.name);
    CHECK(rc != 0);
    CHECK_CONTAINS(check::lasterror(f.prob), c.message);
    CHECK_SAME(before, f.prob);
  }
}

TEST(addsets_with_one_start) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  const char t[] = {'2'};
  const int64_t st[] = {0};
  const int c[] = {3, 0, 2};
  const double r[] = {1, 2, 3};
  CHECK_OK(ONDRaddsets64(p, 1, 3, t, st, c, r));
  CHECK(iattr(p, ONDR_SETS) == 2 && iattr(p, ONDR_ORIGINALSETS) == 2 && iattr(p, ONDR_SETMEMBERS) == 5);
  int ne, ns;
  char gt[2], stp[2];
  int gc[2], sc[5];
  double gl[2], sr[5];
  int64_t ss[3];
  CHECK_OK(ONDRgetglobal64(p, &ne, &ns, gt, gc, gl, stp, ss, sc, sr));
  CHECK(ns == 2 && stp[1] == '2' && ss[1] == 2 && ss[2] == 5);
  CHECK(sc[2] == 3 && sc[3] == 0 && sc[4] == 2 && sr[4] == 3);
  // failures name the index the set would get
  std::string before = snapshot(p);
  const int bad[] = {3, 3};
  CHECK_FAIL(ONDRaddsets64(p, 1, 2, t, st, bad, r));
  CHECK_CONTAINS(check::lasterror(p), "Column 3 appears twice in set 2");
  const char t9[] = {'9'};
  CHECK_FAIL(ONDRaddsets64(p, 1, 3, t9, st, c, r));
  CHECK_CONTAINS(check::lasterror(p), "Invalid type '9' of set 2");
  const double nanr[] = {1, NaN, 2};
  CHECK_FAIL(ONDRaddsets64(p, 1, 3, t, st, c, nanr));
  CHECK_CONTAINS(check::lasterror(p), "Reference value of column 0 in set 2 is NaN");
  CHECK_SAME(before, p);
}

TEST(addqmatrix_adds_terms) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  // Row 0 already holds (0,1) 0.5. Add (1,0) 1 (either order), (2,2) 3
  // twice (merged), and (3,1) 4.
  const int a[] = {1, 2, 2, 3}, b[] = {0, 2, 2, 1};
  const double v[] = {1, 3, 3, 4};
  CHECK_OK(ONDRaddqmatrix64(p, 0, 4, a, b, v));
  CHECK((get_qrow(p, 0) == std::vector<QTerm>{{0, 1, 1.5}, {1, 3, 4}, {2, 2, 6}}));
  double q = 0;
  CHECK_OK(ONDRgetqrowcoeff(p, 0, 3, 1, &q));
  CHECK(q == 4);
  // terms that cancel disappear
  const int c[] = {0}, d[] = {1};
  const double m[] = {-1.5};
  CHECK_OK(ONDRaddqmatrix64(p, 0, 1, c, d, m));
  CHECK((get_qrow(p, 0) == std::vector<QTerm>{{1, 3, 4}, {2, 2, 6}}));
  // a new quadratic row
  CHECK_OK(ONDRaddqmatrix64(p, 2, 1, c, d, v));
  CHECK(iattr(p, ONDR_QCONSTRAINTS) == 2);
  int n = 0, rows[3];
  CHECK_OK(ONDRgetqrows(p, &n, nullptr));
  CHECK(n == 2);
  CHECK_OK(ONDRgetqrows(p, &n, rows));
  CHECK(rows[0] == 0 && rows[1] == 2);
  // failures
  std::string before = snapshot(p);
  const int bad[] = {0, 7};
  CHECK_FAIL(ONDRaddqmatrix64(p, 0, 2, bad, bad, v));
  CHECK_CONTAINS(check::lasterror(p), "(7, 7)");
  CHECK_FAIL(ONDRaddqmatrix64(p, 3, 1, c, d, v));
  CHECK_CONTAINS(check::lasterror(p), "Row index 3 out of range");
  CHECK_FAIL(ONDRaddqmatrix64(p, -1, 1, c, d, v));
  const double nanv[] = {NaN};
  CHECK_FAIL(ONDRaddqmatrix64(p, 0, 1, c, d, nanv));
  CHECK_SAME(before, p);
}
