// Several threads using the library at once: last-error texts stay with the
// thread that failed, and solves with output on run side by side while other
// threads change output settings.
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>
#include "lpbuild.h"
#include "check.h"
#include "oslp.h"

namespace {

constexpr int kThreads = 8;

// min sum c_j x_j, x integer in [0, 10], sum x_j >= k: a MIP whose log
// has a few lines; its optimum is k * min c.
void load_small_mip(ONDRprob p, double k) {
  LpBuild b;
  for (int j = 0; j < 6; ++j) b.col(1.0 + j, 0.0, 10.0);
  b.row('G', k, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}});
  b.row('L', 2 * k + 3, {{0, 2}, {1, 1}, {3, 1}});
  CHECK_OK(b.load(p, "small"));
  int idx[6] = {0, 1, 2, 3, 4, 5};
  char type[6] = {'I', 'I', 'I', 'I', 'I', 'I'};
  CHECK_OK(ONDRchgcoltype(p, 6, idx, type));
}

}  // namespace

TEST(last_error_text_stays_with_its_thread) {
  // Every thread fails over and over with a text of its own, on one shared
  // problem and without one; each reads back exactly its own text every time.
  Fixture f;
  std::atomic<int> wrong{0}, ok_calls{0};
  std::vector<std::thread> ts;
  for (int t = 0; t < kThreads; ++t)
    ts.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        std::string name = "/nonexistent-dir/thread-" + std::to_string(t) + "-" + std::to_string(i);
        std::string want = "Cannot open log file '" + name + "'";
        bool with_problem = i % 2 == 0;
        int rc = with_problem ? ONDRsetlogfile(f.prob, name.c_str())
                              : OSLPgetintattrib(nullptr, 0, nullptr);
        if (!with_problem) want = "Nonlinear problem handle is NULL";
        char buf[512] = {0};
        int code = -1, nbytes = -1;
        ONDR_ge_getlasterror(&code, buf, sizeof buf, &nbytes);
        if (rc == 0 || want != buf || nbytes != (int)want.size() + 1 || code != rc) ++wrong;
        // The problem's own record holds one whole text of some thread.
        if (with_problem) {
          char pb[512] = {0};
          if (ONDRgetlasterror(f.prob, pb) == 0 && std::string(pb).rfind("Cannot open log file '/nonexistent-dir/thread-", 0) == 0)
            ++ok_calls;
          else
            ++wrong;
        }
      }
    });
  for (auto &t : ts) t.join();
  CHECK(wrong.load() == 0);
  CHECK(ok_calls.load() == kThreads * 150);
  // The main thread has not failed since the fixture: its own text is unaffected.
  CHECK(check::lasterror(nullptr).find("thread-") == std::string::npos);
}

TEST(solves_with_output_on_run_side_by_side) {
  // Each thread solves its own problem with the log shown and written to a
  // file, while another thread keeps switching messages and the log files.
  ONDRinit(nullptr);
  const int n = 4;
  std::vector<ONDRprob> probs(n, nullptr);
  std::vector<std::string> logs(n);
  for (int t = 0; t < n; ++t) {
    CHECK_OK(ONDRcreateprob(&probs[t]));
    load_small_mip(probs[t], 3.0 + t);
    CHECK_OK(ONDRsetintcontrol(probs[t], 8001, 1));  // OUTPUTLOG
    logs[t] = "/tmp/ondr_threads_log_" + std::to_string(t) + ".txt";
    std::remove(logs[t].c_str());
    CHECK_OK(ONDRsetlogfile(probs[t], logs[t].c_str()));
  }
  std::atomic<bool> done{false};
  std::thread toggler([&] {
    int k = 0;
    while (!done.load()) {
      ONDRenablemessages(k % 3 != 0);
      // Re-pointing a log file is allowed during the solve (same file here).
      ONDRsetlogfile(probs[k % n], logs[k % n].c_str());
      ++k;
      std::this_thread::yield();
    }
  });
  std::vector<int> rcs(n, -1);
  std::vector<double> objs(n, -1);
  std::vector<std::thread> solvers;
  for (int t = 0; t < n; ++t)
    solvers.emplace_back([&, t] {
      int rc = 0;
      for (int rep = 0; rep < 3 && rc == 0; ++rep) rc = ONDRmipoptimize(probs[t], "");
      rcs[t] = rc;
      ONDRgetdblattrib(probs[t], 2003, &objs[t]);  // MIPOBJVAL
    });
  for (auto &s : solvers) s.join();
  done = true;
  toggler.join();
  ONDRenablemessages(1);
  for (int t = 0; t < n; ++t) {
    CHECK(rcs[t] == 0);
    CHECK_NEAR(objs[t], 3.0 + t, 1e-9);
    std::remove(logs[t].c_str());
    CHECK_OK(ONDRdestroyprob(probs[t]));
  }
}

TEST(nonlinear_solves_with_log_on_run_side_by_side) {
  // min (x - t)^2 over x in [-10, 10], on a problem per thread, with the
  // iteration log on: each thread gets its own optimum.
  ONDRinit(nullptr);
  const int n = 3;
  std::vector<ONDRprob> probs(n, nullptr);
  std::vector<OSLPprob> slps(n, nullptr);
  for (int t = 0; t < n; ++t) {
    CHECK_OK(ONDRcreateprob(&probs[t]));
    LpBuild b;
    b.col(0.0, -10.0, 10.0);
    b.col(1.0, -1e20, 1e20);                 // objective epigraph variable y
    b.row('G', 0.0, {{1, 1.0}});             // y - (x - t)^2 >= 0
    CHECK_OK(b.load(probs[t], "nl"));
    CHECK_OK(OSLPcreateprob(&slps[t], &probs[t]));
    std::string d = "(C1 - " + std::to_string(t) + ")";
    std::string f = "-" + d + " * " + d;
    double one = 1.0;
    int unit = -1;
    CHECK_OK(OSLPgetintattrib(slps[t], 12013, &unit));  // NLPUNITCOLUMN
    CHECK_OK(OSLPchgccoef(slps[t], 0, unit, &one, f.c_str()));
    CHECK_OK(OSLPsetintcontrol(slps[t], 12402, 1));  // NLPLOG
  }
  std::vector<int> rcs(n, -1);
  std::vector<std::thread> ts;
  for (int t = 0; t < n; ++t) ts.emplace_back([&, t] { rcs[t] = OSLPnlpoptimize(slps[t], ""); });
  for (auto &t : ts) t.join();
  for (int t = 0; t < n; ++t) {
    CHECK(rcs[t] == 0);
    std::vector<double> x(8, 0.0);
    CHECK_OK(OSLPgetslpsol(slps[t], x.data(), nullptr, nullptr, nullptr));
    CHECK_NEAR(x[0], (double)t, 1e-4);
    CHECK_OK(OSLPdestroyprob(slps[t]));
    CHECK_OK(ONDRdestroyprob(probs[t]));
  }
}
