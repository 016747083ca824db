// The nonlinear optimizer's controls and state: limits, interrupts from
// another thread, flags, solution reads before and after changes,
// concurrent solves (Ipopt is serialized), and the log through the message
// path.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>
#include "nlps_helpers.h"

namespace {

// A separable convex problem with one quadratic row whose optimum is in the
// interior of every column's range: slow for SLP when large.
Qcqp spread(int n) {
  Qcqp q(n, -10, 10);
  auto &r = q.row('L', (double)n);
  for (int j = 0; j < n; ++j) {
    q.qobj.push_back({j, j, 1.0 + (j % 7)});
    q.obj[j] = -(double)(j % 5);
    r.quad.push_back({j, j, 1.0});
    r.lin.push_back({j, 0.1});
  }
  return q;
}

}  // namespace

TEST(limits_end_the_solve_unfinished_with_the_point_reached) {
  struct Limit {
    int solver;
    int ctrl;        // control id
    double value;
  } limits[] = {{1, OSLP_NLPITERLIMIT, 2}, {2, OSLP_NLPITERLIMIT, 2},
                {1, OSLP_NLPTIMELIMIT, 0.0}, {2, OSLP_NLPTIMELIMIT, 0.0}};
  for (const Limit &l : limits) {
    SlpFixture f;
    CHECK_OK(spread(50).load(f.prob));
    CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPSOLVER, l.solver));
    if (l.ctrl == OSLP_NLPITERLIMIT) CHECK_OK(OSLPsetintcontrol(f.slp, l.ctrl, (int)l.value));
    else CHECK_OK(OSLPsetdblcontrol(f.slp, l.ctrl, l.value));
    CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));
    CHECK(nlpstatus(f.slp) == 6);
    Sol s = slpsol(f.slp);
    CHECK(s.x.size() == 50);
    int it = -1;
    OSLPgetintattrib(f.slp, OSLP_NLPITER, &it);
    if (l.ctrl == OSLP_NLPITERLIMIT) CHECK(it <= 3);
  }
  // the optimizer's local solve says unfinished (4) and why (iteration limit 4)
  Fixture g;
  spread(50).load(g.prob);
  CHECK_OK(ONDRsetintcontrol(g.prob, ONDR_LPITERLIMIT, 2));
  CHECK_OK(ONDRlpoptimize(g.prob, nullptr));
  CHECK(lpstatus(g.prob) == 4);
  int stop = -1;
  ONDRgetintattrib(g.prob, ONDR_STOPSTATUS, &stop);
  CHECK(stop == 4);
}

TEST(interrupt_from_another_thread_stops_the_solve) {
  for (int solver : {1, 2}) {
    SlpFixture f;
    CHECK_OK(spread(3000).load(f.prob));
    CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPSOLVER, solver));
    CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPITERLIMIT, 1000000));
    CHECK_OK(OSLPsetdblcontrol(f.slp, OSLP_NLPOPTTOL, 1e-12));
    std::atomic<bool> done{false};
    std::thread t([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      while (!done.load()) {
        OSLPinterrupt(f.slp, 9);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
    auto t0 = std::chrono::steady_clock::now();
    int rc = OSLPnlpoptimize(f.slp, nullptr);
    done = true;
    t.join();
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    CHECK(rc == 0);
    CHECK(nlpstatus(f.slp) == 6);
    CHECK(secs < 20);
    // a stale interrupt does not stop the next solve
    CHECK_OK(OSLPinterrupt(f.slp, 9));
    CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPSOLVER, 1));
    CHECK_OK(OSLPsetdblcontrol(f.slp, OSLP_NLPOPTTOL, 1e-6));
    CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));
    CHECK(nlpstatus(f.slp) == 2);
  }
  SlpFixture f;
  CHECK_FAIL(OSLPinterrupt(f.slp, 0));
  CHECK_FAIL(OSLPinterrupt(nullptr, 9));
}

TEST(flags_and_solution_reads) {
  SlpFixture f;
  double x[2];
  CHECK_FAIL(OSLPgetslpsol(f.slp, x, nullptr, nullptr, nullptr));
  CHECK_CONTAINS(slp_error(f.slp), "not been solved");
  Qcqp q(2, -INF, INF);
  q.qobj = {{0, 0, 1}, {1, 1, 1}};
  q.obj = {-2, -4};
  q.row('L', 1).quad = {{0, 0, 1}, {1, 1, 1}};
  CHECK_OK(q.load(f.prob));
  CHECK_FAIL(OSLPnlpoptimize(f.slp, "zz"));
  CHECK_CONTAINS(slp_error(f.slp), "Unknown flags");
  CHECK_OK(OSLPnlpoptimize(f.slp, ""));
  CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));
  CHECK(nlpstatus(f.slp) == 2);
  CHECK_NEAR(nlpobj(f.slp), 1 - 2 * std::sqrt(5.0), 1e-6);
  // any subset of the arrays
  CHECK_OK(OSLPgetslpsol(f.slp, x, nullptr, nullptr, nullptr));
  CHECK_NEAR(x[0], 1 / std::sqrt(5.0), 1e-6);
  double dual[1];
  CHECK_OK(OSLPgetslpsol(f.slp, nullptr, nullptr, dual, nullptr));
  CHECK(dual[0] < 0);  // a binding <= row of a minimization
  // a column added since the solve: the solution no longer fits
  double lb = 0, ub = 1, c = 0;
  int64_t st = 0;
  CHECK_OK(ONDRaddcols64(f.prob, 1, 0, &c, &st, nullptr, nullptr, &lb, &ub));
  CHECK_FAIL(OSLPgetslpsol(f.slp, x, nullptr, nullptr, nullptr));
  CHECK_CONTAINS(slp_error(f.slp), "changed since");
  // the nonlinear layer's sense is its own control
  CHECK_OK(OSLPsetdblcontrol(f.slp, OSLP_NLPOBJSENSE, -1.0));
  CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));
  CHECK(nlpstatus(f.slp) == 1);  // maximizing a convex function: only locally optimal
  CHECK_NEAR(nlpobj(f.slp), 1 + 2 * std::sqrt(5.0), 1e-6);
}

TEST(concurrent_solves_are_serialized_and_correct) {
  const int kThreads = 4;
  std::vector<int> status(kThreads, -1);
  std::vector<double> obj(kThreads, NAN);
  std::vector<std::thread> ts;
  ONDRinit(nullptr);
  for (int k = 0; k < kThreads; ++k)
    ts.emplace_back([&, k] {
      ONDRprob p;
      OSLPprob s;
      ONDRcreateprob(&p);
      OSLPcreateprob(&s, &p);
      Qcqp q = spread(40 + k);
      q.load(p);
      OSLPsetintcontrol(s, OSLP_NLPSOLVER, 1 + k % 2);
      if (OSLPnlpoptimize(s, nullptr) == 0) status[k] = nlpstatus(s);
      obj[k] = nlpobj(s);
      OSLPdestroyprob(s);
      ONDRdestroyprob(p);
    });
  for (auto &t : ts) t.join();
  for (int k = 0; k < kThreads; ++k) {
    CHECK(status[k] == 2);
    // the same problem solved alone
    SlpFixture f;
    spread(40 + k).load(f.prob);
    OSLPnlpoptimize(f.slp, nullptr);
    CHECK_NEAR(obj[k], nlpobj(f.slp), 1e-5);
  }
}

TEST(log_lines_go_through_the_message_path) {
  SlpFixture f;
  CHECK_OK(spread(5).load(f.prob));
  char name[] = "/tmp/ondr_nlps_logXXXXXX";
  int fd = mkstemp(name);
  CHECK(fd >= 0);
  close(fd);
  CHECK_OK(ONDRsetlogfile(f.prob, name));
  for (int solver : {1, 2}) {
    CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPSOLVER, solver));
    CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPLOG, 1));
    CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));
  }
  std::ifstream in(name);
  std::stringstream ss;
  ss << in.rdbuf();
  std::string text = ss.str();
  CHECK_CONTAINS(text, "local solver Ipopt");
  CHECK_CONTAINS(text, "local solver SLP");
  CHECK_CONTAINS(text, "Nonlinear solve ended: locally optimal");
  CHECK_CONTAINS(text, "HiGHS");  // SLP's LP log, echoed with the nonlinear log
  // quiet unless asked
  CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPLOG, 0));
  size_t before = text.size();
  CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));
  std::ifstream in2(name);
  std::stringstream ss2;
  ss2 << in2.rdbuf();
  CHECK(ss2.str().size() == before);
  remove(name);
}

TEST(an_options_file_in_the_working_directory_is_ignored) {
  // Ipopt would read ipopt.opt from the working directory: a stray file
  // there must not change the solve (nor print around the message path).
  char dir[] = "/tmp/ondr_nlps_optXXXXXX";
  CHECK(mkdtemp(dir) != nullptr);
  char old[4096];
  CHECK(getcwd(old, sizeof old) != nullptr);
  CHECK(chdir(dir) == 0);
  FILE *f = fopen("ipopt.opt", "w");
  fprintf(f, "max_iter 1\nprint_level 12\n");
  fclose(f);
  SlpFixture s;
  CHECK_OK(spread(20).load(s.prob));
  CHECK_OK(OSLPsetintcontrol(s.slp, OSLP_NLPSOLVER, 1));
  CHECK_OK(OSLPnlpoptimize(s.slp, nullptr));
  CHECK(nlpstatus(s.slp) == 2);
  remove("ipopt.opt");
  CHECK(chdir(old) == 0);
  rmdir(dir);
}

TEST(slp_steps_respect_a_columns_initial_step_bound) {
  SlpFixture f;
  CHECK_OK(spread(5).load(f.prob));
  double sb = 1e-3;
  CHECK_OK(OSLPchgvar(f.slp, 4, nullptr, &sb, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr, nullptr));
  CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPSOLVER, 2));
  CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPITERLIMIT, 3));  // three LP steps: bounds at most double twice
  CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));
  CHECK(nlpstatus(f.slp) == 6);
  Sol s = slpsol(f.slp);
  CHECK(std::fabs(s.x[4]) <= 4 * sb * (1 + 1e-9));  // from 0, its optimum being near 0.4
  CHECK(std::fabs(s.x[3]) > 20 * sb);               // the others move by the default bound
}
