// Worker threads of the tree search through the C interface: worker
// handles announced by mipthread and retired by destroymt on their own
// threads, node callbacks on the workers' handles one at a time, the same
// tree for the same thread count, and an interrupt from a worker's callback
// stopping the whole search.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>
#include "check.h"
#include "lpbuild.h"

namespace {

// A market split problem: a tree of many nodes, and an easy feasible point.
void load_market_split(ONDRprob p, unsigned seed = 1) {
  LpBuild b;
  auto rnd = [&] { seed = seed * 1103515245u + 12345u; return (int)((seed >> 8) % 100); };
  const int m = 3, n = 24;
  for (int j = 0; j < n; ++j) b.col(0, 0, 1);
  std::vector<int> plus, minus;
  for (int i = 0; i < m; ++i) plus.push_back(b.col(1)), minus.push_back(b.col(1));
  for (int i = 0; i < m; ++i) {
    std::vector<std::pair<int, double>> e;
    int sum = 0;
    for (int j = 0; j < n; ++j) {
      int a = rnd();
      e.push_back({j, (double)a});
      sum += a;
    }
    e.push_back({plus[(size_t)i], 1});
    e.push_back({minus[(size_t)i], -1});
    b.row('E', sum / 2, e);
  }
  CHECK_OK(b.load(p));
  std::vector<int> cols;
  std::vector<char> types;
  for (int j = 0; j < n; ++j) cols.push_back(j), types.push_back('B');
  CHECK_OK(ONDRchgcoltype(p, (int)cols.size(), cols.data(), types.data()));
  CHECK_OK(ONDRsetintcontrol(p, ONDR_MIPSOLVER, 2));
}

struct Seen {
  ONDRprob main = nullptr;
  std::mutex lock;  // only for the announcements' bookkeeping below
  std::vector<std::pair<ONDRprob, std::thread::id>> started, retired;
  std::vector<std::pair<ONDRprob, std::thread::id>> events;  // node events
  int inside = 0, overlap = 0;  // callbacks running at once
  int cols_read = 0, stop_after = -1, pre = 0;
};

bool started_on(Seen &s, ONDRprob w, std::thread::id t) {
  for (auto &e : s.started)
    if (e.first == w && e.second == t) return true;
  return false;
}

void node_event(ONDRprob p, Seen &s) {
  if (++s.inside > 1) ++s.overlap;
  s.events.push_back({p, std::this_thread::get_id()});
  std::this_thread::yield();
  --s.inside;
}

void add_callbacks(ONDRprob p, Seen &s) {
  s.main = p;
  CHECK_OK(ONDRaddcbmipthread(p, [](ONDRprob h, void *d, ONDRprob w) {
    Seen &s = *(Seen *)d;
    int cols = 0;
    // The worker handle answers queries and takes changes of its own.
    if (h == s.main && ONDRgetintattrib(w, ONDR_COLS, &cols) == 0 && cols > 0) ++s.cols_read;
    ONDRsetintcontrol(w, ONDR_OUTPUTLOG, 0);
    std::lock_guard<std::mutex> g(s.lock);
    s.started.push_back({w, std::this_thread::get_id()});
  }, &s, 0));
  CHECK_OK(ONDRaddcbdestroymt(p, [](ONDRprob w, void *d) {
    Seen &s = *(Seen *)d;
    std::lock_guard<std::mutex> g(s.lock);
    s.retired.push_back({w, std::this_thread::get_id()});
  }, &s, 0));
  CHECK_OK(ONDRaddcbprenode(p, [](ONDRprob w, void *d, int *) {
    Seen &s = *(Seen *)d;
    node_event(w, s);
    if (++s.pre == s.stop_after) ONDRinterrupt(w, 9);
  }, &s, 0));
  CHECK_OK(ONDRaddcboptnode(p, [](ONDRprob w, void *d, int *) { node_event(w, *(Seen *)d); }, &s, 0));
  CHECK_OK(ONDRaddcbnodecutoff(p, [](ONDRprob w, void *d, int) { node_event(w, *(Seen *)d); }, &s, 0));
  CHECK_OK(ONDRaddcbinfnode(p, [](ONDRprob w, void *d) { node_event(w, *(Seen *)d); }, &s, 0));
}

}  // namespace

TEST(workers_announced_used_and_retired_on_their_threads) {
  Fixture f;
  load_market_split(f.prob);
  CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_THREADS, 3));
  CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MAXNODE, 300));
  Seen s;
  add_callbacks(f.prob, s);
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(s.started.size() == 3 && s.retired.size() == 3 && s.cols_read == 3);
  for (auto &e : s.retired) CHECK(started_on(s, e.first, e.second));
  for (auto &e : s.started) CHECK(e.first != f.prob && e.second != std::this_thread::get_id());
  CHECK(s.overlap == 0);
  bool all_on_workers = true;
  for (auto &e : s.events) all_on_workers &= started_on(s, e.first, e.second);
  CHECK(all_on_workers && !s.events.empty());
  CHECK(s.pre == intattr(f.prob, ONDR_NODES));
  // The worker handles are gone after the solve.
  int cols = 0;
  CHECK_FAIL(ONDRgetintattrib(s.started[0].first, ONDR_COLS, &cols));
}

TEST(the_same_thread_count_gives_the_same_tree) {
  std::vector<double> objs;
  std::vector<int> nodes;
  for (int threads : {2, 2, 2}) {
    Fixture f;
    load_market_split(f.prob, 7);
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_THREADS, threads));
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MAXNODE, 400));
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    nodes.push_back(intattr(f.prob, ONDR_NODES));
    objs.push_back(dblattr(f.prob, ONDR_MIPOBJVAL));
  }
  CHECK(nodes[0] == nodes[1] && nodes[1] == nodes[2] && nodes[0] > 1);
  CHECK(objs[0] == objs[1] && objs[1] == objs[2]);
}

TEST(an_interrupt_from_a_worker_callback_stops_every_worker) {
  Fixture f;
  load_market_split(f.prob);
  CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_THREADS, 2));
  Seen s;
  s.stop_after = 9;
  add_callbacks(f.prob, s);
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(s.pre == 9);  // no node starts after the stop
  CHECK(intattr(f.prob, ONDR_STOPSTATUS) == 9);
  CHECK(s.started.size() == 2 && s.retired.size() == 2);
}
