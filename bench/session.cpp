// Change-and-resolve cycles on one problem: each cycle changes one column
// bound and one cost, then solves the LP again. "kept" lets the problem's
// solver session apply the changes to its HiGHS instance; "rebuilt" makes
// the session rebuild its instance before every solve (an empty rescale
// replaces nothing in the model but forces the rebuild), as every solve did
// before the session existed. Built and run by bench/session.sh.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include "ondr.h"

namespace {

struct Rng {
  uint64_t s;
  double next() {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return (double)(s >> 11) / 9007199254740992.0;
  }
  int below(int n) { return (int)(next() * n); }
};

// Capacity rows over 0 <= x <= 4 with negative costs, 5 entries per column.
void load(ONDRprob p, int rows, int cols, Rng &r) {
  std::vector<double> obj, lb(cols, 0.0), ub(cols, 4.0), rhs(rows), val;
  std::vector<char> type(rows, 'L');
  std::vector<int> start{0}, ind;
  for (int i = 0; i < rows; ++i) rhs[i] = 20.0 + 40.0 * r.next();
  for (int j = 0; j < cols; ++j) {
    obj.push_back(-(1.0 + 9.0 * r.next()));
    for (int k = 0; k < 5; ++k) {
      ind.push_back((j * 5 + k * 7919) % rows);
      val.push_back(0.5 + 4.5 * r.next());
    }
    start.push_back((int)ind.size());
  }
  // Entries of one column in distinct rows (rows >= 5 * 7919 apart mod rows).
  if (ONDRloadlp(p, "bench", cols, rows, type.data(), rhs.data(), nullptr, obj.data(),
                 start.data(), nullptr, ind.data(), val.data(), lb.data(), ub.data()))
    std::exit(1);
}

double cycles(int rows, int cols, int n, bool rebuild) {
  ONDRprob p;
  ONDRcreateprob(&p);
  Rng r{42};
  load(p, rows, cols, r);
  ONDRlpoptimize(p, "");
  auto t0 = std::chrono::steady_clock::now();
  for (int k = 0; k < n; ++k) {
    int j = r.below(cols);
    char t = 'U';
    double v = 0.5 + 3.5 * r.next(), c = -(1.0 + 9.0 * r.next());
    ONDRchgbounds(p, 1, &j, &t, &v);
    ONDRchgobj(p, 1, &j, &c);
    if (rebuild) ONDRscale(p, nullptr, nullptr);
    if (ONDRlpoptimize(p, "")) std::exit(1);
  }
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  ONDRdestroyprob(p);
  return s;
}

}  // namespace

int main(int argc, char **argv) {
  int n = argc > 1 ? std::atoi(argv[1]) : 200;
  ONDRinit(nullptr);
  printf("%-16s %8s %12s %12s %8s\n", "size (rows x cols)", "cycles", "kept (ms)", "rebuilt (ms)",
         "ratio");
  const int sizes[][2] = {{100, 150}, {2000, 3000}};
  for (const auto &sz : sizes) {
    double kept = cycles(sz[0], sz[1], n, false), rebuilt = cycles(sz[0], sz[1], n, true);
    printf("%5d x %-10d %8d %12.1f %12.1f %8.2f\n", sz[0], sz[1], n, 1e3 * kept, 1e3 * rebuilt,
           rebuilt / kept);
  }
  ONDRfree();
  return 0;
}
