// A problem being solved on one thread refuses every change from the others:
// optimizer and nonlinear mutators, destroy and library stop all fail with
// ERR_STATE, the model stays as it was, and everything works once the solve
// has returned.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>
#include "lpbuild.h"
#include "model_helpers.h"
#include "oslp.h"

namespace {

constexpr int kErrState = 35;

// A market-split problem: equality rows with pseudo-random coefficients over
// binaries. Branch and bound needs far longer than the test runs, so the
// solve is still going while the other threads call in; it is stopped with
// ONDRinterrupt (and a time limit as a backstop).
void load_market_split(ONDRprob p, int m, int n) {
  LpBuild b;
  for (int j = 0; j < n; ++j) b.col(0.0, 0.0, 1.0);
  uint32_t seed = 12345;
  for (int i = 0; i < m; ++i) {
    Sparse row;
    double sum = 0;
    for (int j = 0; j < n; ++j) {
      seed = seed * 1103515245u + 12345u;
      double a = (double)((seed >> 16) % 100);
      row.push_back({j, a});
      sum += a;
    }
    b.row('E', std::floor(sum / 2), row);
  }
  CHECK_OK(b.load(p, "split"));
  std::vector<int> idx(n);
  std::vector<char> type(n, 'B');
  for (int j = 0; j < n; ++j) idx[j] = j;
  CHECK_OK(ONDRchgcoltype(p, n, idx.data(), type.data()));
}

// Waits until a harmless change (the objective sense it already has) is
// refused: the solve has marked the problem busy.
bool wait_busy(ONDRprob p) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < until) {
    if (ONDRchgobjsense(p, 1) == kErrState) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

// A market-split solve running on a thread of its own until stop().
struct BackgroundSolve {
  ONDRprob p;
  std::atomic<int> rc{-1};
  std::thread th;
  explicit BackgroundSolve(ONDRprob prob) : p(prob) {
    th = std::thread([this] { rc = ONDRmipoptimize(p, ""); });
  }
  int stop() {
    ONDRinterrupt(p, 1);
    if (th.joinable()) th.join();
    return rc.load();
  }
  ~BackgroundSolve() { stop(); }
};

struct Call {
  const char *name;
  std::function<int()> fn;
};

}  // namespace

TEST(mutators_refused_while_another_thread_solves) {
  ONDRinit(nullptr);
  ONDRprob p = nullptr;
  CHECK_OK(ONDRcreateprob(&p));
  load_market_split(p, 5, 40);
  CHECK_OK(ONDRsetdblcontrol(p, 7005, 60.0));  // TIMELIMIT: backstop only
  OSLPprob s = nullptr;
  CHECK_OK(OSLPcreateprob(&s, &p));
  double one = 1.0;
  CHECK_OK(OSLPchgccoef(s, 0, 0, &one, "2"));
  const std::string before = snapshot(p);

  BackgroundSolve solve(p);
  CHECK(wait_busy(p));

  int idx0 = 0, rowidx = 0, colidx = 0, sidx = 0;
  double v = 1.0;
  char bt = 'U', ct = 'C';
  const int uftype[] = {0};
  const double ufval[] = {0};
  const std::vector<Call> refused = {
      {"ONDRchgobj", [&] { return ONDRchgobj(p, 1, &idx0, &v); }},
      {"ONDRchgbounds", [&] { return ONDRchgbounds(p, 1, &idx0, &bt, &v); }},
      {"ONDRchgcoltype", [&] { return ONDRchgcoltype(p, 1, &idx0, &ct); }},
      {"ONDRchgcoef", [&] { return ONDRchgcoef(p, 0, 0, 3.0); }},
      {"ONDRdelrows", [&] { return ONDRdelrows(p, 1, &idx0); }},
      {"ONDRdelcols", [&] { return ONDRdelcols(p, 1, &idx0); }},
      {"ONDRsetintcontrol", [&] { return ONDRsetintcontrol(p, 8001, 1); }},
      {"ONDRsetdblcontrol", [&] { return ONDRsetdblcontrol(p, 7001, 1e-5); }},
      {"ONDRsetdefaultcontrol", [&] { return ONDRsetdefaultcontrol(p, 7005); }},
      {"ONDRsetdefaults", [&] { return ONDRsetdefaults(p); }},
      {"ONDRfree", [&] { return ONDRfree(); }},
      {"OSLPaddcoefs", [&] {
         const int fstart[] = {0};
         const int type[] = {3, 0};  // a constant, END
         const double val[] = {5.0, 0};
         return OSLPaddcoefs(s, 1, &rowidx, &colidx, &v, fstart, 1, type, val);
       }},
      {"OSLPloadcoefs", [&] { return OSLPloadcoefs(s, 0, nullptr, nullptr, nullptr, nullptr, 1, nullptr, nullptr); }},
      {"OSLPdelcoefs", [&] { return OSLPdelcoefs(s, 1, &rowidx, &colidx); }},
      {"OSLPchgcoef", [&] { return OSLPchgcoef(s, 0, 0, &v, 1, nullptr, nullptr); }},
      {"OSLPchgccoef", [&] { return OSLPchgccoef(s, 0, 1, &v, "3"); }},
      {"OSLPcopyprob", [&] { return OSLPcopyprob(s, s, nullptr); }},
      {"OSLPcopycontrols", [&] { return OSLPcopycontrols(s, s); }},
      {"OSLPsetintcontrol", [&] { return OSLPsetintcontrol(s, 12401, 7); }},
      {"OSLPsetdblcontrol", [&] { return OSLPsetdblcontrol(s, 12100, 1e-3); }},
      {"OSLPsetstrcontrol", [&] { return OSLPsetstrcontrol(s, 12401, "x"); }},
      {"OSLPsetdefaultcontrol", [&] { return OSLPsetdefaultcontrol(s, 12401); }},
      {"OSLPsetdefaults", [&] { return OSLPsetdefaults(s); }},
      {"OSLPsetstring", [&] { return OSLPsetstring(s, &sidx, "f"); }},
      {"OSLPadduserfuncs", [&] { return OSLPadduserfuncs(s, 1, uftype, ufval); }},
      {"OSLPaddnames", [&] { return OSLPaddnames(s, 2, "x0", 0, 0); }},
      {"OSLPchguserfuncaddress", [&] { return OSLPchguserfuncaddress(s, 1, nullptr); }},
      {"OSLPsetuserfuncobject", [&] { return OSLPsetuserfuncobject(s, 1, nullptr); }},
      {"OSLPchgvar", [&] {
         return OSLPchgvar(s, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &v, nullptr, nullptr,
                           nullptr, nullptr, nullptr);
       }},
      {"OSLPdelvars", [&] { return OSLPdelvars(s, 1, &idx0); }},
      {"OSLPchgrowstatus", [&] { return OSLPchgrowstatus(s, 0, &idx0); }},
      {"OSLPunconstruct", [&] { return OSLPunconstruct(s); }},
      {"OSLPpostsolve", [&] { return OSLPpostsolve(s); }},
      {"OSLPnlpoptimize", [&] { return OSLPnlpoptimize(s, ""); }},
      {"OSLPdestroyprob", [&] { return OSLPdestroyprob(s); }},
      {"OSLPcreateprob", [&] {
         OSLPprob s2 = nullptr;
         return OSLPcreateprob(&s2, &p);
       }},
  };
  // Called from a thread of their own, as a second user of the library would.
  std::vector<int> rcs(refused.size(), -1);
  std::vector<std::string> texts(refused.size());
  std::thread other([&] {
    for (size_t i = 0; i < refused.size(); ++i) {
      rcs[i] = refused[i].fn();
      texts[i] = check::lasterror(nullptr);
    }
  });
  other.join();
  for (size_t i = 0; i < refused.size(); ++i) {
    if (rcs[i] != kErrState || texts[i].find("being solved") == std::string::npos)
      fprintf(stderr, "  %s while solving: rc %d, \"%s\"\n", refused[i].name, rcs[i], texts[i].c_str());
    CHECK(rcs[i] == kErrState);
    CHECK_CONTAINS(texts[i], "being solved");
  }

  // Reading stays open while the solve runs.
  int rows = 0, ncoef = -1, iv = -1;
  CHECK_OK(ONDRgetintattrib(p, 1124, &rows));
  CHECK(rows == 5);
  CHECK_OK(OSLPgetcoefs(s, &ncoef, nullptr, nullptr));
  CHECK(ncoef == 1);
  CHECK_OK(OSLPgetintcontrol(s, 12401, &iv));
  CHECK_OK(ONDRgetintcontrol(p, 8001, &iv));
  CHECK(snapshot(p) == before);

  CHECK(solve.stop() == 0);
  CHECK(snapshot(p) == before);

  // After the solve every change goes through again.
  CHECK_OK(ONDRchgobj(p, 1, &idx0, &v));
  CHECK_OK(OSLPsetintcontrol(s, 12401, 7));
  CHECK_OK(OSLPdelcoefs(s, 1, &rowidx, &colidx));
  CHECK_OK(OSLPdestroyprob(s));
  CHECK_OK(ONDRdestroyprob(p));
}

TEST(destroy_and_stop_refused_while_another_thread_solves) {
  ONDRinit(nullptr);
  ONDRprob p = nullptr;
  CHECK_OK(ONDRcreateprob(&p));
  load_market_split(p, 5, 40);
  CHECK_OK(ONDRsetdblcontrol(p, 7005, 60.0));
  {
    BackgroundSolve solve(p);
    CHECK(wait_busy(p));
    int rc_destroy = -1, rc_free = -1;
    std::string t_destroy, t_free;
    std::thread other([&] {
      rc_destroy = ONDRdestroyprob(p);
      t_destroy = check::lasterror(nullptr);
      rc_free = ONDRfree();
      t_free = check::lasterror(nullptr);
    });
    other.join();
    CHECK(rc_destroy == kErrState);
    CHECK_CONTAINS(t_destroy, "cannot be destroyed until the solve returns");
    CHECK(rc_free == kErrState);
    CHECK_CONTAINS(t_free, "cannot be stopped until the solve returns");
    CHECK(solve.stop() == 0);
  }
  int rows = 0;
  CHECK_OK(ONDRgetintattrib(p, 1124, &rows));  // still alive and whole
  CHECK(rows == 5);
  CHECK_OK(ONDRdestroyprob(p));
}
