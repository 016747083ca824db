// Building and trimming a model of a million nonzeros through many small
// additions: each addition must cost in proportion to its own size, and a
// deletion in proportion to the model, so this runs in well under a second
// (a cost growing with the model per call would take minutes).
#include <chrono>
#include <vector>
#include "model_helpers.h"

TEST(many_small_additions_stay_fast) {
  Fixture f;
  ONDRprob p = f.prob;
  auto t0 = std::chrono::steady_clock::now();
  const int ncols = 200000, batch = 100;
  std::vector<double> zeros(batch + 1, 0.0);
  std::vector<double> ub(batch, 1.0);
  for (int c = 0; c < ncols; c += batch)
    CHECK_OK(ONDRaddcols64(p, batch, 0, zeros.data(), reinterpret_cast<const int64_t *>(zeros.data()),
                           nullptr, nullptr, nullptr, ub.data()));
  // 200000 rows of 5 entries in batches of 1000
  const int nrows = 200000, rb = 1000, per = 5;
  std::vector<char> rt(rb, 'L');
  std::vector<double> rhs(rb, 1.0), val(rb * per, 1.0);
  std::vector<int64_t> st(rb + 1);
  std::vector<int> ci(rb * per);
  for (int r0 = 0; r0 < nrows; r0 += rb) {
    for (int i = 0; i < rb; ++i) {
      st[i] = i * per;
      for (int k = 0; k < per; ++k) ci[i * per + k] = ((r0 + i) * 7 + k * 40009) % ncols;
    }
    CHECK_OK(ONDRaddrows64(p, rb, rb * per, rt.data(), rhs.data(), nullptr, st.data(), ci.data(),
                           val.data()));
  }
  // 20000 single rows (as indicator rows come)
  const char e[] = {'E'};
  const int64_t s0[] = {0};
  const int one[] = {3};
  const double v1[] = {2.0};
  for (int i = 0; i < 20000; ++i) CHECK_OK(ONDRaddrows64(p, 1, 1, e, v1, nullptr, s0, one, v1));
  // 50000 columns of 4 entries in batches of 10
  std::vector<int64_t> cs(11);
  std::vector<int> ri(40);
  std::vector<double> cv(40, -1.0), obj(10, 1.0);
  for (int c0 = 0; c0 < 50000; c0 += 10) {
    for (int j = 0; j < 10; ++j) {
      cs[j] = 4 * j;
      for (int k = 0; k < 4; ++k) ri[4 * j + k] = ((c0 + j) * 13 + k * 50021) % nrows;
    }
    CHECK_OK(ONDRaddcols64(p, 10, 40, obj.data(), cs.data(), ri.data(), cv.data(), nullptr,
                           nullptr));
  }
  CHECK(iattr(p, ONDR_ELEMS) == nrows * per + 20000 + 200000);
  // single coefficient changes and reads
  for (int i = 0; i < 20000; ++i) CHECK_OK(ONDRchgcoef(p, i, (i * 31) % ncols, 0.5));
  // one big deletion each way, unsorted
  std::vector<int> del;
  for (int i = 0; i < 5000; ++i) del.push_back((i * 7919) % nrows);
  CHECK_OK(ONDRdelrows(p, (int)del.size(), del.data()));
  CHECK_OK(ONDRdelcols(p, (int)del.size(), del.data()));
  CHECK(iattr(p, ONDR_ORIGINALROWS) == nrows + 20000 - 5000);
  CHECK(iattr(p, ONDR_ORIGINALCOLS) == ncols + 50000 - 5000);
  int64_t n = 0;
  CHECK_OK(ONDRgetcols64(p, nullptr, nullptr, nullptr, 0, &n, 0, iattr(p, ONDR_ORIGINALCOLS) - 1));
  CHECK(n == iattr(p, ONDR_ELEMS));
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  printf("  built and trimmed in %.2f s\n", secs);
  CHECK(secs < 20.0);
}
