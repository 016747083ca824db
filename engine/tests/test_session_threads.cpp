// Kept HiGHS instances and threads: one thread changes and re-solves its
// problem over and over (on its kept instance) while another creates,
// solves and destroys problems, whose instances are destroyed while the
// first thread's HiGHS runs. Every solve must stay right.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>
#include "check.h"
#include "lpbuild.h"

namespace {

constexpr int kLpStatus = 1010, kLpObjVal = 2001;

// maximize sum x_j over x_j <= cap_j (bounds 0..10) and one row
// sum x_j <= total: the optimum is min(total, sum cap_j).
LpBuild capped(int n, double total) {
  LpBuild b;
  std::vector<std::pair<int, double>> e;
  for (int j = 0; j < n; ++j) e.push_back({b.col(-1.0, 0.0, 10.0), 1.0});
  b.row('L', total, e);
  return b;
}

}  // namespace

TEST(destroying_instances_while_another_thread_solves) {
  ONDRinit(nullptr);
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::thread solver([&] {
    Fixture f;
    if (capped(200, 1200.0).load(f.prob)) ++bad;
    std::vector<double> ub(200, 10.0);
    for (int k = 0; k < 1000; ++k) {
      int j = (k * 37) % 200;
      char t = 'U';
      double v = (k % 3) ? 5.0 : 10.0;
      ub[(size_t)j] = v;
      ONDRchgbounds(f.prob, 1, &j, &t, &v);
      if (ONDRlpoptimize(f.prob, "")) ++bad;
      double sum = 0.0;
      for (double u : ub) sum += u;
      double expect = -std::min(1200.0, sum);
      if (intattr(f.prob, kLpStatus) != 1 || std::fabs(dblattr(f.prob, kLpObjVal) - expect) > 1e-7)
        ++bad;
    }
    done = true;
  });
  int rounds = 0;
  while (!done || rounds < 20) {
    ONDRprob p = nullptr;
    if (ONDRcreateprob(&p)) { ++bad; break; }
    if (capped(50, 100.0).load(p)) ++bad;
    if (ONDRlpoptimize(p, "")) ++bad;
    if (intattr(p, kLpStatus) != 1 || std::fabs(dblattr(p, kLpObjVal) + 100.0) > 1e-7) ++bad;
    if (ONDRdestroyprob(p)) ++bad;
    ++rounds;
  }
  solver.join();
  CHECK(bad == 0);
  CHECK(rounds >= 20);
}
