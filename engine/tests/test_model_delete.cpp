// Deleting rows, columns and sets: unsorted lists, dense renumbering in the
// old order of everything that refers to indices, and atomic failures.
#include <functional>
#include "model_helpers.h"

// Rows R0..R4, columns C0..C5. Row i holds entries (j, 10*i+j) for j = i and
// j = i+1; row i's quadratic part is (i, i+1) with value i+1; the objective
// holds (j, j) j+1 and (0, 5) 7; set 0 = {1, 3, 5}, set 1 = {0}, set 2 =
// {2, 4}; rows 1 and 3 are indicators on columns 5 and 0. Names r0.., c0..
static void build(ONDRprob p) {
  CHECK_OK(ONDRloadlp64(p, "del", 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr));
  double zeros[7] = {0};
  double obj[6] = {0, 1, 2, 3, 4, 5};
  CHECK_OK(ONDRaddcols64(p, 6, 0, obj, reinterpret_cast<const int64_t *>(zeros), nullptr, nullptr,
                         nullptr, nullptr));
  const char rt[] = {'L', 'G', 'E', 'R', 'N'};
  const double rhs[] = {0, 1, 2, 3, 4}, rng[] = {0, 0, 0, 30, 0};
  int64_t st[5];
  int ci[10];
  double v[10];
  for (int i = 0; i < 5; ++i) {
    st[i] = 2 * i;
    ci[2 * i] = i;
    ci[2 * i + 1] = i + 1;
    v[2 * i] = 10 * i + i;
    v[2 * i + 1] = 10 * i + i + 1;
  }
  CHECK_OK(ONDRaddrows64(p, 5, 10, rt, rhs, rng, st, ci, v));
  for (int i = 0; i < 5; ++i) {
    const int a[] = {i}, b[] = {i + 1};
    const double q[] = {(double)i + 1};
    CHECK_OK(ONDRaddqmatrix64(p, i, 1, a, b, q));
  }
  int q1[7], q2[7];
  double qv[7];
  for (int j = 0; j < 6; ++j) {
    q1[j] = q2[j] = j;
    qv[j] = j + 1;
  }
  q1[6] = 5;
  q2[6] = 0;
  qv[6] = 7;
  CHECK_OK(ONDRchgmqobj64(p, 7, q1, q2, qv));
  const char stp[] = {'1', '2', '1'};
  const int64_t ss[] = {0, 3, 4};
  const int sc[] = {1, 3, 5, 0, 2, 4};
  const double sr[] = {1, 2, 3, 1, 1, 2};
  CHECK_OK(ONDRaddsets64(p, 3, 6, stp, ss, sc, sr));
  const int ir[] = {1, 3}, ic[] = {5, 0}, cp[] = {1, -1};
  CHECK_OK(ONDRsetindicators(p, 2, ir, ic, cp));
  CHECK_OK(ONDRaddnames(p, 1, "r0\0r1\0r2\0r3\0r4", 0, 4));
  CHECK_OK(ONDRaddnames(p, 2, "c0\0c1\0c2\0c3\0c4\0c5", 0, 5));
  CHECK_OK(ONDRaddnames(p, 3, "s0\0s1\0s2", 0, 2));
}

static std::string names(ONDRprob p, int kind, int n) {
  std::string out;
  if (n == 0) return out;
  char buf[256];
  CHECK_OK(ONDRgetnames(p, kind, buf, 0, n - 1));
  const char *s = buf;
  for (int i = 0; i < n; ++i) {
    out += s;
    out += ' ';
    s += strlen(s) + 1;
  }
  return out;
}

TEST(delete_rows_renumbers_everything) {
  Fixture f;
  ONDRprob p = f.prob;
  build(p);
  const int del[] = {2, 0};  // unsorted
  CHECK_OK(ONDRdelrows(p, 2, del));
  CHECK(iattr(p, ONDR_ORIGINALROWS) == 3);
  CHECK(names(p, 1, 3) == "r1 r3 r4 ");
  // old rows 1, 3, 4 with their entries, types, rhs and ranges
  CHECK((get_row(p, 0) == Sparse{{1, 11}, {2, 12}}));
  CHECK((get_row(p, 1) == Sparse{{3, 33}, {4, 34}}));
  CHECK((get_row(p, 2) == Sparse{{4, 44}, {5, 45}}));
  char t[3];
  double r[3], g[3];
  CHECK_OK(ONDRgetrowtype(p, t, 0, 2));
  CHECK(t[0] == 'G' && t[1] == 'R' && t[2] == 'N');
  CHECK_OK(ONDRgetrhs(p, r, 0, 2));
  CHECK(r[0] == 1 && r[1] == 3 && r[2] == 0);
  CHECK_OK(ONDRgetrhsrange(p, g, 0, 2));
  CHECK(g[1] == 30);
  // quadratic rows follow their rows
  CHECK((get_qrow(p, 0) == std::vector<QTerm>{{1, 2, 2}}));
  CHECK((get_qrow(p, 1) == std::vector<QTerm>{{3, 4, 4}}));
  CHECK((get_qrow(p, 2) == std::vector<QTerm>{{4, 5, 5}}));
  int qr[3], nq = 0;
  CHECK_OK(ONDRgetqrows(p, &nq, qr));
  CHECK(nq == 3 && qr[0] == 0 && qr[2] == 2);
  // indicators follow their rows
  int ic[3], cp[3];
  CHECK_OK(ONDRgetindicators(p, ic, cp, 0, 2));
  CHECK(ic[0] == 5 && cp[0] == 1 && ic[1] == 0 && cp[1] == -1 && ic[2] == -1 && cp[2] == 0);
  // the columns see the new row numbers
  CHECK((get_col(p, 4) == Sparse{{1, 34}, {2, 44}}));
  // deleting an indicator row takes its indicator
  const int d1[] = {0};
  CHECK_OK(ONDRdelrows(p, 1, d1));
  CHECK(iattr(p, ONDR_INDICATORS) == 1);
}

TEST(delete_cols_renumbers_everything) {
  Fixture f;
  ONDRprob p = f.prob;
  build(p);
  const int del[] = {5, 2, 3};
  CHECK_OK(ONDRdelcols(p, 3, del));
  CHECK(iattr(p, ONDR_ORIGINALCOLS) == 3);
  CHECK(names(p, 2, 3) == "c0 c1 c4 ");
  double o[3];
  CHECK_OK(ONDRgetobj(p, o, 0, 2));
  CHECK(o[0] == 0 && o[1] == 1 && o[2] == 4);
  // rows keep the surviving entries with new column numbers
  CHECK((get_row(p, 0) == Sparse{{0, 0}, {1, 1}}));
  CHECK((get_row(p, 1) == Sparse{{1, 11}}));
  CHECK((get_row(p, 2) == Sparse{}));
  CHECK((get_row(p, 3) == Sparse{{2, 34}}));
  CHECK((get_row(p, 4) == Sparse{{2, 44}}));
  CHECK(iattr(p, ONDR_ELEMS) == 5);
  // quadratic objective: diagonal of 0, 1, 4; (0,5) went with column 5
  CHECK((get_qobj(p) == std::vector<QTerm>{{0, 0, 1}, {1, 1, 2}, {2, 2, 5}}));
  // quadratic rows: (0,1) stays, (1,2),(2,3),(3,4),(4,5) lose a column
  CHECK((get_qrow(p, 0) == std::vector<QTerm>{{0, 1, 1}}));
  CHECK(iattr(p, ONDR_QCONSTRAINTS) == 1);
  // sets lose members but stay: {1}, {0}, {2}
  int ne, ns, sc[6];
  char stp[3];
  int64_t ss[4];
  double sr[6];
  CHECK_OK(ONDRgetglobal64(p, &ne, &ns, nullptr, nullptr, nullptr, stp, ss, sc, sr));
  CHECK(ns == 3 && iattr(p, ONDR_SETMEMBERS) == 3);
  CHECK(ss[1] == 1 && sc[0] == 1 && sr[0] == 1);
  CHECK(ss[2] == 2 && sc[1] == 0);
  CHECK(ss[3] == 3 && sc[2] == 2 && sr[2] == 2);
  // the indicator on column 5 is gone; the one on column 0 stays
  int ic[5], cp[5];
  CHECK_OK(ONDRgetindicators(p, ic, cp, 0, 4));
  CHECK(ic[1] == -1 && cp[1] == 0 && ic[3] == 0 && cp[3] == -1);
  CHECK(iattr(p, ONDR_INDICATORS) == 1);
  // types follow their columns
  const int i2[] = {2};
  const char t2[] = {'I'};
  CHECK_OK(ONDRchgcoltype(p, 1, i2, t2));
  const int d[] = {0};
  CHECK_OK(ONDRdelcols(p, 1, d));
  char t[2];
  CHECK_OK(ONDRgetcoltype(p, t, 0, 1));
  CHECK(t[0] == 'C' && t[1] == 'I');
}

TEST(delete_sets_renumbers) {
  Fixture f;
  ONDRprob p = f.prob;
  build(p);
  const int del[] = {0};
  CHECK_OK(ONDRdelsets(p, 1, del));
  CHECK(iattr(p, ONDR_SETS) == 2 && iattr(p, ONDR_SETMEMBERS) == 3);
  CHECK(names(p, 3, 2) == "s1 s2 ");
  int ns, sc[3];
  char stp[2];
  int64_t ss[3];
  CHECK_OK(ONDRgetglobal64(p, nullptr, &ns, nullptr, nullptr, nullptr, stp, ss, sc, nullptr));
  CHECK(ns == 2 && stp[0] == '2' && sc[0] == 0 && sc[1] == 2 && sc[2] == 4);
  int idx = -1;
  CHECK_OK(ONDRgetindex(p, 3, "s2", &idx));
  CHECK(idx == 1);
}

TEST(delete_failures_change_nothing) {
  struct Case {
    const char *name;
    std::function<int(ONDRprob)> call;
    const char *message;
  };
  std::vector<Case> cases = {
      {"row repeat", [](ONDRprob p) { const int d[] = {3, 1, 3}; return ONDRdelrows(p, 3, d); }, "Row 3 appears twice"},
      {"row range", [](ONDRprob p) { const int d[] = {0, 5}; return ONDRdelrows(p, 2, d); }, "Row index 5 out of range"},
      {"row negative", [](ONDRprob p) { const int d[] = {-1}; return ONDRdelrows(p, 1, d); }, "Row index -1 out of range"},
      {"col repeat", [](ONDRprob p) { const int d[] = {0, 0}; return ONDRdelcols(p, 2, d); }, "Column 0 appears twice"},
      {"col range", [](ONDRprob p) { const int d[] = {1, 6}; return ONDRdelcols(p, 2, d); }, "Column index 6 out of range"},
      {"set range", [](ONDRprob p) { const int d[] = {3}; return ONDRdelsets(p, 1, d); }, "Set index 3 out of range"},
      {"set repeat", [](ONDRprob p) { const int d[] = {2, 2}; return ONDRdelsets(p, 2, d); }, "Set 2 appears twice"},
      {"NULL list", [](ONDRprob p) { return ONDRdelcols(p, 1, nullptr); }, "NULL array"},
  };
  for (auto &c : cases) {
    Fixture f;
    build(f.prob);
    std::string before = snapshot(f.prob) + names(f.prob, 1, 5) + names(f.prob, 2, 6);
    CHECK(c.call(f.prob) != 0);
    CHECK_CONTAINS(check::lasterror(f.prob), c.message);
    std::string after = snapshot(f.prob) + names(f.prob, 1, 5) + names(f.prob, 2, 6);
    if (after != before) fprintf(stderr, "  case '%s' changed the model\n", c.name);
    CHECK(after == before);
  }
  // empty lists are fine
  Fixture f;
  build(f.prob);
  CHECK_OK(ONDRdelrows(f.prob, 0, nullptr));
  CHECK_OK(ONDRdelcols(f.prob, -1, nullptr));
  CHECK(iattr(f.prob, ONDR_ORIGINALROWS) == 5 && iattr(f.prob, ONDR_ORIGINALCOLS) == 6);
}

TEST(delete_everything) {
  Fixture f;
  ONDRprob p = f.prob;
  build(p);
  const int all[] = {4, 3, 2, 1, 0, 5};
  CHECK_OK(ONDRdelcols(p, 6, all));
  CHECK_OK(ONDRdelrows(p, 5, all));
  CHECK(iattr(p, ONDR_ORIGINALROWS) == 0 && iattr(p, ONDR_ORIGINALCOLS) == 0 && iattr(p, ONDR_ELEMS) == 0 &&
        iattr(p, ONDR_QELEMS) == 0 && iattr(p, ONDR_QCONSTRAINTS) == 0 && iattr(p, ONDR_INDICATORS) == 0);
  // and build again on the empty problem
  const char rt[] = {'L'};
  CHECK_OK(ONDRaddrows64(p, 1, 0, rt, nullptr, nullptr, nullptr, nullptr, nullptr));
  CHECK(names(p, 1, 1) == "R1 ");
}
