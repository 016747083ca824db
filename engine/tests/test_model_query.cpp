// The getters: the two-call size protocol of the sparse queries, ranges,
// and the counts the module uses to choose between LP and MIP.
#include <vector>
#include "model_helpers.h"

TEST(sparse_size_protocol) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  // first call: all arrays NULL gives the count of the range
  int64_t n = -1;
  CHECK_OK(ONDRgetrows64(p, nullptr, nullptr, nullptr, 0, &n, 0, 2));
  CHECK(n == 6);
  CHECK_OK(ONDRgetrows64(p, nullptr, nullptr, nullptr, 0, &n, 1, 2));
  CHECK(n == 4);
  CHECK_OK(ONDRgetcols64(p, nullptr, nullptr, nullptr, 0, &n, 1, 1));
  CHECK(n == 2);
  // second call with room for fewer: fills exactly that many, starts capped
  int64_t st[4] = {-1, -1, -1, -1};
  int ci[3] = {-1, -1, -1};
  double v[3] = {0, 0, 0};
  CHECK_OK(ONDRgetrows64(p, st, ci, v, 3, &n, 0, 2));
  CHECK(n == 6);
  CHECK(st[0] == 0 && st[1] == 2 && st[2] == 3 && st[3] == 3);
  CHECK(ci[0] == 0 && ci[1] == 1 && ci[2] == 1 && v[2] == 3);
  // columns, full
  int64_t cs[5];
  int ri[6];
  double cv[6];
  CHECK_OK(ONDRgetcols64(p, cs, ri, cv, 6, &n, 0, 3));
  CHECK(n == 6 && cs[0] == 0 && cs[1] == 2 && cs[2] == 4 && cs[3] == 5 && cs[4] == 6);
  CHECK(ri[0] == 0 && ri[1] == 2 && ri[2] == 0 && ri[3] == 1 && cv[3] == 3);
  // starts alone, with no room for entries
  CHECK_OK(ONDRgetcols64(p, cs, nullptr, nullptr, 0, &n, 0, 3));
  CHECK(cs[4] == 6);
  // an empty range
  CHECK_OK(ONDRgetrows64(p, st, ci, v, 3, &n, 2, 1));
  CHECK(n == 0 && st[0] == 0);
  // the 32-bit quadratic objective getter
  int qn = -1, qs[5], qc[3];
  double qv[3];
  CHECK_OK(ONDRgetmqobj(p, nullptr, nullptr, nullptr, 0, &qn, 0, 3));
  CHECK(qn == 3);
  CHECK_OK(ONDRgetmqobj(p, qs, qc, qv, 2, &qn, 0, 3));
  CHECK(qs[0] == 0 && qs[1] == 2 && qs[2] == 2 && qs[4] == 2);
  CHECK(qc[0] == 0 && qv[0] == 2 && qc[1] == 1 && qv[1] == 1);
  CHECK_OK(ONDRgetmqobj(p, nullptr, nullptr, nullptr, 0, &qn, 1, 1));
  CHECK(qn == 1);
  // triplets and quadratic rows: count first
  int tn = -1;
  CHECK_OK(ONDRgetqrowqmatrixtriplets(p, 1, &tn, nullptr, nullptr, nullptr));
  CHECK(tn == 0);
  int nr = -1;
  CHECK_OK(ONDRgetqrows(p, &nr, nullptr));
  CHECK(nr == 1);
}

TEST(bad_queries) {
  Fixture f;
  ONDRprob p = f.prob;
  load_small(p);
  int64_t n;
  int64_t st[4];
  int ci[4];
  double v[4];
  CHECK_FAIL(ONDRgetrows64(p, nullptr, nullptr, nullptr, 0, &n, 0, 3));
  CHECK_CONTAINS(check::lasterror(p), "Invalid range 0..3 of rows (the problem has 3)");
  CHECK_FAIL(ONDRgetcols64(p, nullptr, nullptr, nullptr, 0, &n, -1, 0));
  CHECK_FAIL(ONDRgetrows64(p, st, ci, v, -1, &n, 0, 0));
  CHECK_CONTAINS(check::lasterror(p), "Invalid maximum number of coefficients -1");
  double d[4];
  CHECK_FAIL(ONDRgetobj(p, d, 0, 4));
  CHECK_FAIL(ONDRgetlb(p, nullptr, 0, 1));
  CHECK_CONTAINS(check::lasterror(p), "NULL output array");
  CHECK_OK(ONDRgetlb(p, nullptr, 1, 0));  // empty range: nothing to write
  CHECK_FAIL(ONDRgetqrowqmatrix(p, 3, nullptr, nullptr, nullptr, 0, nullptr, 0, 0));
  CHECK_FAIL(ONDRgetqrowqmatrixtriplets(p, 0, nullptr, nullptr, nullptr, nullptr));
  CHECK_FAIL(ONDRgetqobj(p, 0, 4, d));
  CHECK_FAIL(ONDRgetrowtype(nullptr, nullptr, 0, 0));
}

TEST(mip_counts) {
  Fixture f;
  ONDRprob p = f.prob;
  CHECK_OK(ONDRloadlp(p, "noname", 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr, nullptr, nullptr));
  CHECK(iattr(p, ONDR_SETS) == 0 && iattr(p, ONDR_MIPENTS) == 0);
  double z[3] = {0, 0, 0};
  CHECK_OK(ONDRaddcols64(p, 2, 0, z, reinterpret_cast<const int64_t *>(z), nullptr, nullptr,
                         nullptr, nullptr));
  CHECK(iattr(p, ONDR_SETS) == 0 && iattr(p, ONDR_MIPENTS) == 0);
  const int i[] = {1};
  const char b[] = {'B'}, c[] = {'C'};
  CHECK_OK(ONDRchgcoltype(p, 1, i, b));
  CHECK(iattr(p, ONDR_MIPENTS) == 1);
  CHECK_OK(ONDRchgcoltype(p, 1, i, c));
  CHECK(iattr(p, ONDR_MIPENTS) == 0);
  const char t[] = {'1'};
  const int64_t s[] = {0};
  const int m[] = {0, 1};
  const double r[] = {1, 2};
  CHECK_OK(ONDRaddsets64(p, 1, 2, t, s, m, r));
  CHECK(iattr(p, ONDR_SETS) == 1 && iattr(p, ONDR_SETMEMBERS) == 2);
  const int d[] = {0};
  CHECK_OK(ONDRdelsets(p, 1, d));
  CHECK(iattr(p, ONDR_SETS) == 0);
}
