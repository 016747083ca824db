// Changing parts of a stored model: every change read back through the
// getters, every bad call leaving the model as it was.
#include <functional>
#include <limits>
#include "model_helpers.h"

static const double NaN = std::numeric_limits<double>::quiet_NaN();

struct BadCase {
  const char *name;
  std::function<int(ONDRprob)> call;
  const char *message;
};

// Runs each case on a fresh small model: it must fail with the message and
// change nothing.
static void run_bad(const std::vector<BadCase> &cases) {
  for (auto &c : cases) {
    Fixture f;
    load_small(f.prob);
    std::string before = snapshot(f.prob);
    int rc = c.call(f.prob);
    if (rc == 0) fprintf(stderr, "  case '%s' succeeded\n", c.name);
    CHECK(rc != 0);
    std::string err = check::lasterror(f.prob);
    if (err.find(c.message) == std::string::npos)
      fprintf(stderr, "  case '%s': message \"%s\"\n", c.name, err.c_str());
    CHECK_CONTAINS(err, c.message);
    CHECK_SAME(before, f.prob);
  }
}

TEST(column_types_and_limits) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  const int idx[] = {0, 1, 2, 3};
  const char t[] = {'B', 'S', 'R', 'P'};
  CHECK_OK(ONDRchgcoltype(p, 4, idx, t));
  char got[4];
  CHECK_OK(ONDRgetcoltype(p, got, 0, 3));
  CHECK(got[0] == 'B' && got[1] == 'S' && got[2] == 'R' && got[3] == 'P');
  double ub = 0;
  CHECK_OK(ONDRgetub(p, &ub, 0, 0));
  CHECK(ub == 10);  // binary keeps the stored bound
  CHECK(iattr(p, ONDR_MIPENTS) == 4);
  const double lim[] = {2, 3, 4};
  CHECK_OK(ONDRchgglblimit(p, 3, idx + 1, lim));
  int ne;
  char gt[4];
  int gc[4];
  double gl[4];
  CHECK_OK(ONDRgetglobal64(p, &ne, nullptr, gt, gc, gl, nullptr, nullptr, nullptr, nullptr));
  CHECK(ne == 4 && gl[0] == 0 && gl[1] == 2 && gl[2] == 3 && gl[3] == 4);
  const char c[] = {'C'};
  CHECK_OK(ONDRchgcoltype(p, 1, idx, c));
  CHECK(iattr(p, ONDR_MIPENTS) == 3);
  run_bad({
      {"type letter", [](ONDRprob p) { const int i[] = {0, 1}; const char t[] = {'I', 'Z'}; return ONDRchgcoltype(p, 2, i, t); }, "Invalid column type 'Z' for column 1"},
      {"type index", [](ONDRprob p) { const int i[] = {0, 4}; const char t[] = {'I', 'I'}; return ONDRchgcoltype(p, 2, i, t); }, "Column index 4 out of range"},
      {"limit of continuous", [](ONDRprob p) { const int i[] = {0}; const double l[] = {1}; return ONDRchgglblimit(p, 1, i, l); }, "Column 0 of type 'C' has no limit"},
      {"limit NaN", [](ONDRprob p) {
         const int i[] = {0}; const char t[] = {'S'}; ONDRchgcoltype(p, 1, i, t);
         const char c[] = {'C'};
         const double l[] = {NaN}; int rc = ONDRchgglblimit(p, 1, i, l);
         ONDRchgcoltype(p, 1, i, c);
         return rc; }, "Limit of column 0 is NaN"},
  });
}

TEST(indicators) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  const int rows[] = {0, 2}, cols[] = {3, 1}, comps[] = {1, -1};
  CHECK_OK(ONDRsetindicators(p, 2, rows, cols, comps));
  int ic[3], cp[3];
  CHECK_OK(ONDRgetindicators(p, ic, cp, 0, 2));
  CHECK(ic[0] == 3 && cp[0] == 1 && ic[1] == -1 && cp[1] == 0 && ic[2] == 1 && cp[2] == -1);
  CHECK(iattr(p, ONDR_INDICATORS) == 2);
  // n = -1 with NULL arrays: nothing to do
  CHECK_OK(ONDRsetindicators(p, -1, nullptr, nullptr, nullptr));
  CHECK(iattr(p, ONDR_INDICATORS) == 2);
  // 0 removes (the column is then ignored)
  const int r0[] = {0}, junk[] = {99}, zero[] = {0};
  CHECK_OK(ONDRsetindicators(p, 1, r0, junk, zero));
  CHECK_OK(ONDRgetindicators(p, ic, nullptr, 0, 0));
  CHECK(ic[0] == -1 && iattr(p, ONDR_INDICATORS) == 1);
  run_bad({
      {"flag", [](ONDRprob p) { const int r[] = {0}, c[] = {1}, f[] = {2}; return ONDRsetindicators(p, 1, r, c, f); }, "Invalid indicator flag 2 for row 0"},
      {"row", [](ONDRprob p) { const int r[] = {0, 3}, c[] = {1, 1}, f[] = {1, 1}; return ONDRsetindicators(p, 2, r, c, f); }, "Row index 3 out of range"},
      {"column", [](ONDRprob p) { const int r[] = {0, 1}, c[] = {1, 4}, f[] = {1, -1}; return ONDRsetindicators(p, 2, r, c, f); }, "Column index 4 out of range as indicator of row 1"},
      {"NULL arrays", [](ONDRprob p) { const int r[] = {0}; return ONDRsetindicators(p, 1, r, nullptr, nullptr); }, "NULL array"},
      {"count -2", [](ONDRprob p) { return ONDRsetindicators(p, -2, nullptr, nullptr, nullptr); }, "Invalid number of indicators -2"},
  });
}

TEST(objective_linear_constant_sense) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  // index -1 holds minus the objective constant
  const int idx[] = {-1, 2, 2};
  const double v[] = {-5, 7, 8};
  CHECK_OK(ONDRchgobj(p, 3, idx, v));
  CHECK(dattr(p, ONDR_OBJCONSTANT) == 5);
  double o[4];
  CHECK_OK(ONDRgetobj(p, o, 0, 3));
  CHECK(o[0] == 1 && o[2] == 8);  // repeated index: the last value
  CHECK_OK(ONDRchgobjsense(p, -1));
  CHECK(iattr(p, ONDR_OBJSENSE) == -1);
  CHECK_OK(ONDRchgobjsense(p, 1));
  CHECK(iattr(p, ONDR_OBJSENSE) == 1);
  run_bad({
      {"sense", [](ONDRprob p) { return ONDRchgobjsense(p, 0); }, "Invalid objective sense 0"},
      {"index", [](ONDRprob p) { const int i[] = {0, -2}; const double v[] = {1, 1}; return ONDRchgobj(p, 2, i, v); }, "Column index -2 out of range"},
      {"NaN", [](ONDRprob p) { const int i[] = {0, 1}; const double v[] = {1, NaN}; return ONDRchgobj(p, 2, i, v); }, "Objective coefficient of column 1 is NaN"},
      {"constant", [](ONDRprob p) { const int i[] = {-1}; const double v[] = {INFINITY}; return ONDRchgobj(p, 1, i, v); }, "Objective constant is infinite"},
  });
}

TEST(quadratic_objective_round_trip) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  // set (2,3) as (3,2), change (0,0), remove (1,0) by setting 0
  const int a[] = {3, 0, 1}, b[] = {2, 0, 0};
  const double v[] = {4, 6, 0};
  CHECK_OK(ONDRchgmqobj64(p, 3, a, b, v));
  CHECK((get_qobj(p) == std::vector<QTerm>{{0, 0, 6}, {2, 3, 4}, {3, 2, 4}}));
  CHECK(iattr(p, ONDR_QELEMS) == 2);
  // the pairs getmqobj returns are taken back as they are
  auto terms = get_qobj(p);
  std::vector<int> c1, c2;
  std::vector<double> val;
  for (auto &t : terms) {
    c1.push_back(t.i);
    c2.push_back(t.j);
    val.push_back(t.v * 2);
  }
  CHECK_OK(ONDRchgmqobj(p, (int)c1.size(), c1.data(), c2.data(), val.data()));
  CHECK((get_qobj(p) == std::vector<QTerm>{{0, 0, 12}, {2, 3, 8}, {3, 2, 8}}));
  // and setting every returned pair to 0 empties the quadratic objective
  std::vector<double> zeros(c1.size(), 0.0);
  CHECK_OK(ONDRchgmqobj64(p, (int64_t)c1.size(), c1.data(), c2.data(), zeros.data()));
  CHECK(get_qobj(p).empty() && iattr(p, ONDR_QELEMS) == 0);
  // a single coefficient: the same matrix entry
  CHECK_OK(ONDRchgqobj(p, 1, 3, 2.5));
  double q = 0;
  CHECK_OK(ONDRgetqobj(p, 3, 1, &q));
  CHECK(q == 2.5);
  CHECK_OK(ONDRchgqobj(p, 3, 1, 0));
  CHECK(iattr(p, ONDR_QELEMS) == 0);
  CHECK_OK(ONDRchgmqobj64(p, -1, nullptr, nullptr, nullptr));
  run_bad({
      {"column", [](ONDRprob p) { const int a[] = {0, 4}, b[] = {0, 0}; const double v[] = {1, 1}; return ONDRchgmqobj64(p, 2, a, b, v); }, "(4, 0)"},
      {"NaN", [](ONDRprob p) { const int a[] = {0, 1}, b[] = {0, 1}; const double v[] = {0, NaN}; return ONDRchgmqobj(p, 2, a, b, v); }, "is NaN"},
      {"single", [](ONDRprob p) { return ONDRchgqobj(p, 0, 9, 1); }, "Column index 9 out of range"},
      {"NULL", [](ONDRprob p) { const int a[] = {0}; return ONDRchgmqobj(p, 1, a, a, nullptr); }, "NULL array"},
  });
}

TEST(rows_types_rhs_ranges) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  const int idx[] = {0, 2};
  const char t[] = {'R', 'N'};
  CHECK_OK(ONDRchgrowtype(p, 2, idx, t));
  const double rhs[] = {8, 1e30};
  CHECK_OK(ONDRchgrhs(p, 2, idx, rhs));
  const double rng[] = {2.5};
  CHECK_OK(ONDRchgrhsrange(p, 1, idx, rng));
  char got[3];
  double r[3], g[3];
  CHECK_OK(ONDRgetrowtype(p, got, 0, 2));
  CHECK(got[0] == 'R' && got[2] == 'N');
  CHECK_OK(ONDRgetrhs(p, r, 0, 2));
  CHECK(r[0] == 8 && r[2] == 1e20);  // beyond infinity is infinity
  CHECK_OK(ONDRgetrhsrange(p, g, 0, 2));
  CHECK(g[0] == 2.5 && g[1] == 3 && g[2] == 1e20);
  run_bad({
      {"type", [](ONDRprob p) { const int i[] = {0, 1}; const char t[] = {'E', 'x'}; return ONDRchgrowtype(p, 2, i, t); }, "Invalid row type 'x' for row 1"},
      {"rhs NaN", [](ONDRprob p) { const int i[] = {0, 1}; const double v[] = {1, NaN}; return ONDRchgrhs(p, 2, i, v); }, "Right-hand side of row 1 is NaN"},
      {"rhs row", [](ONDRprob p) { const int i[] = {0, 3}; const double v[] = {1, 1}; return ONDRchgrhs(p, 2, i, v); }, "Row index 3 out of range"},
      {"range of L row", [](ONDRprob p) { const int i[] = {1, 0}; const double v[] = {1, 1}; return ONDRchgrhsrange(p, 2, i, v); }, "Row 0 is of type 'L', not a range row"},
      {"negative range", [](ONDRprob p) { const int i[] = {1}; const double v[] = {-1}; return ONDRchgrhsrange(p, 1, i, v); }, "Invalid range -1 of row 1"},
  });
}

TEST(bounds) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  const int idx[] = {0, 1, 2, 3, 3};
  const char t[] = {'L', 'U', 'B', 'F', 'U'};
  const double b[] = {-1e25, 3, 4, 2, 9};
  CHECK_OK(ONDRchgbounds(p, 5, idx, t, b));
  double l[4], u[4];
  CHECK_OK(ONDRgetlb(p, l, 0, 3));
  CHECK_OK(ONDRgetub(p, u, 0, 3));
  CHECK(l[0] == -1e20 && u[0] == 10);
  CHECK(l[1] == 0 && u[1] == 3);
  CHECK(l[2] == 4 && u[2] == 4);
  CHECK(l[3] == 2 && u[3] == 9);  // applied in order
  run_bad({
      {"letter", [](ONDRprob p) { const int i[] = {0, 1}; const char t[] = {'L', 'G'}; const double b[] = {0, 0}; return ONDRchgbounds(p, 2, i, t, b); }, "Invalid bound type 'G' for column 1"},
      {"NaN", [](ONDRprob p) { const int i[] = {0, 1}; const char t[] = {'L', 'U'}; const double b[] = {0, NaN}; return ONDRchgbounds(p, 2, i, t, b); }, "Bound of column 1 is NaN"},
      {"index", [](ONDRprob p) { const int i[] = {0, 7}; const char t[] = {'L', 'U'}; const double b[] = {0, 0}; return ONDRchgbounds(p, 2, i, t, b); }, "Column index 7 out of range"},
  });
}

TEST(matrix_coefficients) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  // change, insert in the middle of a row, remove with 0, repeated entry
  const int r[] = {0, 0, 1, 2, 2};
  const int c[] = {1, 3, 1, 1, 1};
  const double v[] = {5, 6, 0, 7, 8};
  CHECK_OK(ONDRchgmcoef(p, 5, r, c, v));
  CHECK((get_row(p, 0) == Sparse{{0, 1}, {1, 5}, {3, 6}}));
  CHECK((get_row(p, 1) == Sparse{{2, 1}}));
  CHECK((get_row(p, 2) == Sparse{{0, 1}, {1, 8}, {3, 1}}));
  CHECK_OK(ONDRchgcoef(p, 1, 0, -2));
  double d = 0;
  CHECK_OK(ONDRgetcoef(p, 1, 0, &d));
  CHECK(d == -2);
  CHECK_OK(ONDRgetcoef(p, 1, 3, &d));
  CHECK(d == 0);
  CHECK_OK(ONDRchgcoef(p, 1, 0, 0));
  CHECK((get_col(p, 0) == Sparse{{0, 1}, {2, 1}}));
  run_bad({
      {"row", [](ONDRprob p) { const int r[] = {0, 3}, c[] = {0, 0}; const double v[] = {1, 1}; return ONDRchgmcoef(p, 2, r, c, v); }, "Row index 3 out of range in coefficient 1"},
      {"col", [](ONDRprob p) { const int r[] = {0, 1}, c[] = {0, -1}; const double v[] = {1, 1}; return ONDRchgmcoef(p, 2, r, c, v); }, "Column index -1 out of range in coefficient 1"},
      {"NaN", [](ONDRprob p) { const int r[] = {0, 1}, c[] = {0, 0}; const double v[] = {1, NaN}; return ONDRchgmcoef(p, 2, r, c, v); }, "Value of coefficient (1, 0) is NaN"},
      {"single", [](ONDRprob p) { return ONDRchgcoef(p, 0, 4, 1); }, "Column index 4 out of range"},
      {"get NULL", [](ONDRprob p) { return ONDRgetcoef(p, 0, 0, nullptr); }, "NULL value pointer"},
  });
}

TEST(quadratic_row_coefficients) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  // row 0 holds (0,1) 0.5; row 1 has no quadratic part yet
  CHECK_OK(ONDRchgqrowcoeff(p, 1, 3, 2, 1.5));
  CHECK_OK(ONDRchgqrowcoeff(p, 0, 1, 0, 4));
  CHECK((get_qrow(p, 1) == std::vector<QTerm>{{2, 3, 1.5}}));
  double q = 0;
  CHECK_OK(ONDRgetqrowcoeff(p, 0, 0, 1, &q));
  CHECK(q == 4);
  CHECK(iattr(p, ONDR_QCONSTRAINTS) == 2);
  // the matrix of a row in column form, both triangles
  int st[5], ci[4], n = -1;
  double v[4];
  CHECK_OK(ONDRgetqrowqmatrix(p, 1, nullptr, nullptr, nullptr, 0, &n, 0, 3));
  CHECK(n == 2);
  CHECK_OK(ONDRgetqrowqmatrix(p, 1, st, ci, v, 4, &n, 0, 3));
  CHECK(st[0] == 0 && st[2] == 0 && st[3] == 1 && st[4] == 2 && ci[0] == 3 && ci[1] == 2 && v[1] == 1.5);
  // zero removes, and a row left without terms is no longer quadratic
  CHECK_OK(ONDRchgqrowcoeff(p, 1, 2, 3, 0));
  CHECK(iattr(p, ONDR_QCONSTRAINTS) == 1);
  CHECK_OK(ONDRchgqrowcoeff(p, 1, 2, 3, 0));  // removing what is not there
  // delqmatrix: a row, then the objective
  CHECK_OK(ONDRdelqmatrix(p, 0));
  CHECK(iattr(p, ONDR_QCONSTRAINTS) == 0 && iattr(p, ONDR_QELEMS) == 2);
  CHECK_OK(ONDRdelqmatrix(p, -1));
  CHECK(iattr(p, ONDR_QELEMS) == 0);
  run_bad({
      {"row", [](ONDRprob p) { return ONDRchgqrowcoeff(p, 3, 0, 0, 1); }, "Row index 3 out of range"},
      {"col", [](ONDRprob p) { return ONDRchgqrowcoeff(p, 0, 0, 4, 1); }, "Column index 4 out of range"},
      {"NaN", [](ONDRprob p) { return ONDRchgqrowcoeff(p, 0, 0, 0, NaN); }, "is NaN"},
      {"delqmatrix row", [](ONDRprob p) { return ONDRdelqmatrix(p, -2); }, "Row index -2 out of range"},
  });
}

TEST(scaling_is_stored_and_checked) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  const int rs[] = {1, 0, -2}, cs[] = {0, 3, 0, 0};
  CHECK_OK(ONDRscale(p, rs, cs));
  CHECK_OK(ONDRscale(p, nullptr, nullptr));
  // the model as the getters show it is unscaled, and rows and columns can
  // still be added and deleted
  const char e[] = {'E'};
  CHECK_OK(ONDRaddrows64(p, 1, 0, e, nullptr, nullptr, nullptr, nullptr, nullptr));
  const int d[] = {1};
  CHECK_OK(ONDRdelcols(p, 1, d));
  CHECK((get_row(p, 0) == Sparse{{0, 1}}));
  run_bad({
      {"row exponent", [](ONDRprob p) { const int rs[] = {0, 65, 0}; return ONDRscale(p, rs, nullptr); }, "Scale exponent 65 of row 1 out of range"},
      {"column exponent", [](ONDRprob p) { const int cs[] = {0, 0, 0, -70}; return ONDRscale(p, nullptr, cs); }, "Scale exponent -70 of column 3"},
  });
}
