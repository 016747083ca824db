// The library's own tree search (MIPSOLVER 2) on small models: every column
// type, sets and indicator rows with infinite bounds (no big-M needed),
// infeasible and unbounded MIPs, cutoff, limits and interrupts, and
// agreement with HiGHS's MIP on a family of random knapsack-like models.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>
#include "check.h"
#include "lpbuild.h"

namespace {

const double kInfB = 1e20;

void tree(ONDRprob p) { CHECK_OK(ONDRsetintcontrol(p, ONDR_MIPSOLVER, 2)); }

void set_types(ONDRprob p, std::vector<int> cols, std::vector<char> types,
               std::vector<double> limits = {}) {
  CHECK_OK(ONDRchgcoltype(p, (int)cols.size(), cols.data(), types.data()));
  if (!limits.empty()) CHECK_OK(ONDRchgglblimit(p, (int)cols.size(), cols.data(), limits.data()));
}

void add_set(ONDRprob p, char type, std::vector<int> cols, std::vector<double> refs) {
  int64_t start[] = {0};
  CHECK_OK(ONDRaddsets64(p, 1, (int64_t)cols.size(), &type, start, cols.data(), refs.data()));
}

double mipobj(ONDRprob p) { return dblattr(p, ONDR_MIPOBJVAL); }

std::vector<double> mipx(ONDRprob p, int n) {
  std::vector<double> x((size_t)n, -999);
  CHECK_OK(ONDRgetmipsol(p, x.data(), nullptr));
  return x;
}

// Solves with the tree search; expects the status and, when optimal, the
// objective (NaN: any).
void expect(ONDRprob p, int status, double obj, const char *what) {
  tree(p);
  CHECK_OK(ONDRmipoptimize(p, ""));
  int s = intattr(p, ONDR_MIPSTATUS);
  bool any = std::isnan(obj);
  if (s != status || (status == 6 && !any && std::fabs(mipobj(p) - obj) > 1e-6))
    fprintf(stderr, "  case %s: status %d objective %.10g\n", what, s, mipobj(p));
  CHECK(s == status);
  if (status == 6 && !any) CHECK_NEAR(mipobj(p), obj, 1e-6);
}

// A market split problem (as in the HiGHS path's tests): solutions are easy
// to find and optimality is very hard to prove.
void load_market_split(ONDRprob p) {
  LpBuild b;
  unsigned seed = 1;
  auto rnd = [&] { seed = seed * 1103515245u + 12345u; return (int)((seed >> 8) % 100); };
  const int m = 4, n = 30;
  std::vector<std::vector<int>> a((size_t)m, std::vector<int>((size_t)n));
  for (auto &row : a)
    for (auto &v : row) v = rnd();
  for (int j = 0; j < n; ++j) b.col(0, 0, 1);
  std::vector<int> plus, minus;
  for (int i = 0; i < m; ++i) plus.push_back(b.col(1)), minus.push_back(b.col(1));
  for (int i = 0; i < m; ++i) {
    std::vector<std::pair<int, double>> e;
    int sum = 0;
    for (int j = 0; j < n; ++j) e.push_back({j, (double)a[(size_t)i][(size_t)j]}), sum += a[(size_t)i][(size_t)j];
    e.push_back({plus[(size_t)i], 1});
    e.push_back({minus[(size_t)i], -1});
    b.row('E', sum / 2, e);
  }
  CHECK_OK(b.load(p));
  std::vector<int> cols;
  std::vector<char> types;
  for (int j = 0; j < n; ++j) cols.push_back(j), types.push_back('B');
  set_types(p, cols, types);
}

}  // namespace

TEST(column_types_with_finite_and_infinite_bounds) {
  // min x + k*y, x + y >= 1 (y continuous), x of the given type
  struct Case {
    const char *what;
    char type;
    double lb, ub, limit, ycost, obj;
  };
  const Case cases[] = {
      {"semi-continuous used", 'S', 0, 10, 2, 3, 2},
      {"semi-continuous off", 'S', 0, 10, 2, 1.5, 1.5},
      {"semi-continuous, no upper bound", 'S', 0, kInfB, 2, 3, 2},
      {"semi-integer", 'R', 0, 10, 2.5, 3.5, 3},
      {"semi-integer, no upper bound", 'R', 0, kInfB, 2.5, 3.5, 3},
      {"integer", 'I', 0, kInfB, 0, 3, 1},
      {"partially integer below its limit", 'P', 0, kInfB, 5, 3, 1},
      {"partially integer above its limit", 'P', -kInfB, kInfB, 0.5, 3, 1},
  };
  for (const Case &c : cases) {
    Fixture f;
    LpBuild b;
    int x = b.col(1, c.lb, c.ub), y = b.col(c.ycost);
    b.row('G', c.type == 'P' && c.limit < 1 ? 0.7 : 1, {{x, 1}, {y, 1}});
    CHECK_OK(b.load(f.prob));
    if (c.type == 'I') set_types(f.prob, {x}, {c.type});
    else set_types(f.prob, {x}, {c.type}, {c.limit});
    double want = c.type == 'P' && c.limit < 1 ? 0.7 : c.obj;
    expect(f.prob, 6, want, c.what);
  }
  // min x, x semi-continuous in {0} or [-5, -2], x >= r: the gap lies below 0
  struct Below { double r; char type; double obj; };
  const Below below[] = {{-1e20, 'S', -5}, {-3, 'S', -3}, {-1, 'S', 0}, {-2.5, 'R', -2},
                         {-4.5, 'R', -4}};
  for (const Below &c : below) {
    Fixture f;
    LpBuild b;
    int x = b.col(1, -10, -2);
    if (c.r > -1e20) b.row('G', c.r, {{x, 1}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {x}, {c.type}, {-5});
    expect(f.prob, 6, c.obj, "range below zero");
  }
  {  // max x, x <= 2.45, partially integer with limit 2.5: integer 2
    Fixture f;
    LpBuild b;
    int x = b.col(1, 0, 5);
    b.row('L', 2.45, {{x, 1}});
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRchgobjsense(f.prob, -1));
    set_types(f.prob, {x}, {'P'}, {2.5});
    expect(f.prob, 6, 2, "partially integer, max");
  }
}

TEST(sets_by_set_branching_with_infinite_bounds) {
  {  // SOS1: max x1 + 2x2 + 3x3 with x1 + x2 + x3 <= 10, no upper bounds, x3 <= 0.5
    Fixture f;
    LpBuild b;
    int x1 = b.col(1, 0, kInfB), x2 = b.col(2, 0, kInfB), x3 = b.col(3, 0, kInfB);
    b.row('L', 10, {{x1, 1}, {x2, 1}, {x3, 1}});
    b.row('L', 0.5, {{x3, 1}});
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRchgobjsense(f.prob, -1));
    add_set(f.prob, '1', {x1, x2, x3}, {1, 2, 3});
    expect(f.prob, 6, 20, "SOS1");
    auto x = mipx(f.prob, 3);
    CHECK_NEAR(x[1], 10, 1e-9);
  }
  // SOS2: max 5x0 + 6x3, sum x = 1, x3 <= 0.5, free upper bounds: only
  // neighbours in reference order may be nonzero together
  struct Case { std::vector<double> refs; double obj; };
  const Case cases[] = {{{1, 2, 3, 4}, 5}, {{1, 3, 4, 2}, 5.5}, {{4, 3, 2, 1}, 5}};
  for (const Case &c : cases) {
    Fixture f;
    LpBuild b;
    int x0 = b.col(5, 0, kInfB), x1 = b.col(0, 0, kInfB), x2 = b.col(0, 0, kInfB),
        x3 = b.col(6, 0, kInfB);
    b.row('E', 1, {{x0, 1}, {x1, 1}, {x2, 1}, {x3, 1}});
    b.row('L', 0.5, {{x3, 1}});
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRchgobjsense(f.prob, -1));
    add_set(f.prob, '2', {x0, x1, x2, x3}, c.refs);
    expect(f.prob, 6, c.obj, "SOS2");
  }
  {  // a piecewise-linear cost by SOS2 weights: min f(t), f convex-breaking
    // points (0,4) (1,0) (2,3) (3,1), t = sum k w_k, t >= 2.5: best t = 3, f = 1
    Fixture f;
    LpBuild b;
    double fv[] = {4, 0, 3, 1};
    std::vector<int> w;
    for (double v : fv) w.push_back(b.col(v, 0, kInfB));
    b.row('E', 1, {{w[0], 1}, {w[1], 1}, {w[2], 1}, {w[3], 1}});
    b.row('G', 2.5, {{w[1], 1}, {w[2], 2}, {w[3], 3}});
    CHECK_OK(b.load(f.prob));
    add_set(f.prob, '2', w, {0, 1, 2, 3});
    expect(f.prob, 6, 1, "SOS2 piecewise");
  }
}

TEST(indicator_rows_by_branching_without_big_m) {
  {  // min -x + 9b, x <= 2 when b = 0, x <= 10: b = 1 gives -10 + 9 = -1, b = 0 gives -2
    Fixture f;
    LpBuild b;
    int x = b.col(-1, 0, kInfB), bin = b.col(9, 0, 1);
    int r = b.row('L', 2, {{x, 1}});
    b.row('L', 10, {{x, 1}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {bin}, {'B'});
    CHECK_OK(ONDRsetindicators(f.prob, 1, &r, &bin, std::vector<int>{-1}.data()));
    expect(f.prob, 6, -2, "indicator held at 0");
    CHECK_OK(ONDRchgobj(f.prob, 1, &bin, std::vector<double>{7}.data()));
    expect(f.prob, 6, -3, "indicator released");
  }
  {  // x + y >= 4 when b = 1 (no bounds on x, y), cost x + y + 1 - 5b
    Fixture f;
    LpBuild b;
    int x = b.col(1, 0, kInfB), y = b.col(1, 0, kInfB), bin = b.col(-5, 0, 1);
    int r = b.row('G', 4, {{x, 1}, {y, 1}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {bin}, {'B'});
    int comp = 1;
    CHECK_OK(ONDRsetindicators(f.prob, 1, &r, &bin, &comp));
    expect(f.prob, 6, -1, "indicator with free sides");
  }
  {  // min -x, x <= 2 when b = 1, x unbounded when b = 0: the MIP is unbounded
    Fixture f;
    LpBuild b;
    int x = b.col(-1, 0, kInfB), bin = b.col(0, 0, 1);
    int r = b.row('L', 2, {{x, 1}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {bin}, {'B'});
    int comp = 1;
    CHECK_OK(ONDRsetindicators(f.prob, 1, &r, &bin, &comp));
    expect(f.prob, 7, 0, "unbounded through the indicator");
    // automatic choice: HiGHS cannot take the big-M, so the tree search does
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MIPSOLVER, 0));
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 7);
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MIPSOLVER, 1));
    CHECK_FAIL(ONDRmipoptimize(f.prob, ""));
    CHECK_CONTAINS(check::lasterror(f.prob), "needs finite bounds");
  }
}

TEST(infeasible_unbounded_and_cutoff) {
  {  // 2x = 1, x integer
    Fixture f;
    LpBuild b;
    int x = b.col(1, 0, 5);
    b.row('E', 1, {{x, 2}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {x}, {'I'});
    expect(f.prob, 5, 0, "2x = 1");
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 2);
    double v[1];
    CHECK_FAIL(ONDRgetmipsol(f.prob, v, nullptr));
  }
  {  // min -x - y, x - 2y = 0, integers: unbounded
    Fixture f;
    LpBuild b;
    int x = b.col(-1), y = b.col(-1);
    b.row('E', 0, {{x, 1}, {y, -2}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {x, y}, {'I', 'I'});
    expect(f.prob, 7, 0, "unbounded");
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 5);
  }
  {  // min -x - y, 2x - 2y = 1: the relaxation is unbounded, no integer point
    Fixture f;
    LpBuild b;
    int x = b.col(-1), y = b.col(-1);
    b.row('E', 1, {{x, 2}, {y, -2}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {x, y}, {'I', 'I'});
    expect(f.prob, 5, 0, "unbounded relaxation, no point");
  }
  // max 5a + 4b + 3c, 2a + 3b + c <= 5, binaries: 9; the cutoff is in the
  // objective's own sense
  struct Case { int sense; double cutoff; int status; };
  const Case cases[] = {{-1, 8.5, 6}, {-1, 9.5, 5}, {1, -8.5, 6}, {1, -9.5, 5}};
  for (const Case &c : cases) {
    Fixture f;
    LpBuild b;
    double s = c.sense > 0 ? -1 : 1;
    int a = b.col(5 * s, 0, 1), bb = b.col(4 * s, 0, 1), cc = b.col(3 * s, 0, 1);
    b.row('L', 5, {{a, 2}, {bb, 3}, {cc, 1}});
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRchgobjsense(f.prob, c.sense));
    set_types(f.prob, {a, bb, cc}, {'B', 'B', 'B'});
    CHECK_OK(ONDRsetdblcontrol(f.prob, ONDR_MIPABSCUTOFF, c.cutoff));
    expect(f.prob, c.status, 9 * -c.sense, "cutoff");
    if (c.status == 6) {
      CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);  // the LP with the binaries fixed
      CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), 9 * -c.sense, 1e-9);
      CHECK_NEAR(dblattr(f.prob, ONDR_BESTBOUND), 9 * -c.sense, 1e-6);
    }
  }
}

TEST(limits_and_interrupt_keep_the_best_solution) {
  struct Case { const char *what; int control; double value; int stop; };
  const Case cases[] = {{"nodes", ONDR_MAXNODE, 5, 3},
                        {"solutions", ONDR_MAXMIPSOL, 1, 6},
                        {"time", ONDR_TIMELIMIT, 0.3, 1}};
  for (const Case &c : cases) {
    Fixture f;
    load_market_split(f.prob);
    if (c.control == ONDR_TIMELIMIT) CHECK_OK(ONDRsetdblcontrol(f.prob, c.control, c.value));
    else CHECK_OK(ONDRsetintcontrol(f.prob, c.control, (int)c.value));
    tree(f.prob);
    auto t0 = std::chrono::steady_clock::now();
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (intattr(f.prob, ONDR_STOPSTATUS) != c.stop)
      fprintf(stderr, "  case %s: stop %d\n", c.what, intattr(f.prob, ONDR_STOPSTATUS));
    CHECK(intattr(f.prob, ONDR_STOPSTATUS) == c.stop);
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 4);
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 4);
    mipx(f.prob, 38);
    double slack[4];
    CHECK_OK(ONDRgetmipsol(f.prob, nullptr, slack));
    for (double s : slack) CHECK_NEAR(s, 0, 1e-6);
    if (c.control == ONDR_MAXNODE) CHECK(intattr(f.prob, ONDR_NODES) == 5);
    if (c.control == ONDR_TIMELIMIT) CHECK(secs < 2);
    // the bound is a true lower bound: below the solution (minimizing)
    CHECK(dblattr(f.prob, ONDR_BESTBOUND) <= mipobj(f.prob) + 1e-9);
  }
  Fixture f;
  load_market_split(f.prob);
  tree(f.prob);
  CHECK_OK(ONDRsetdblcontrol(f.prob, ONDR_TIMELIMIT, 60));  // a safety net only
  std::atomic<bool> done{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    while (!done) {
      ONDRinterrupt(f.prob, 9);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  auto t0 = std::chrono::steady_clock::now();
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  done = true;
  stopper.join();
  CHECK(secs < 10);
  CHECK(intattr(f.prob, ONDR_STOPSTATUS) == 9);
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 4);
  mipx(f.prob, 38);
  // a huge absolute gap ends the search at its first solution: optimal
  // within the gap, and the stop status says the gap ended it
  Fixture g;
  load_market_split(g.prob);
  CHECK_OK(ONDRsetdblcontrol(g.prob, ONDR_MIPABSSTOP, 1e6));
  expect(g.prob, 6, std::nan(""), "gap");
  CHECK(intattr(g.prob, ONDR_STOPSTATUS) == 5);
}

TEST(agrees_with_highs_on_random_models) {
  // Random general-integer models with mixed rows, continuous columns and
  // both senses: the tree search and HiGHS's MIP find the same optimum.
  unsigned seed = 7;
  auto rnd = [&](int k) { seed = seed * 1103515245u + 12345u; return (int)((seed >> 8) % (unsigned)k); };
  for (int t = 0; t < 30; ++t) {
    LpBuild b;
    int n = 6 + rnd(10), m = 3 + rnd(6);
    for (int j = 0; j < n; ++j) b.col(rnd(21) - 10, 0, 1 + rnd(6));
    for (int i = 0; i < m; ++i) {
      std::vector<std::pair<int, double>> e;
      double sum = 0;
      for (int j = 0; j < n; ++j)
        if (rnd(3) == 0) {
          double a = rnd(19) - 6;
          e.push_back({j, a});
          sum += std::fabs(a);
        }
      b.row(rnd(4) == 0 ? 'G' : 'L', rnd(4) == 0 ? -1 : 0.4 * sum, e);
    }
    int sense = rnd(2) ? 1 : -1;
    double vals[2];
    int stats[2];
    for (int solver = 1; solver <= 2; ++solver) {
      Fixture f;
      CHECK_OK(b.load(f.prob));
      CHECK_OK(ONDRchgobjsense(f.prob, sense));
      std::vector<int> cols;
      std::vector<char> types;
      for (int j = 0; j < n; ++j)
        if (j % 4 != 3) cols.push_back(j), types.push_back(j % 4 == 0 ? 'B' : 'I');
      set_types(f.prob, cols, types);
      CHECK_OK(ONDRsetdblcontrol(f.prob, ONDR_MIPRELSTOP, 0));
      CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MIPSOLVER, solver));
      CHECK_OK(ONDRmipoptimize(f.prob, ""));
      stats[solver - 1] = intattr(f.prob, ONDR_MIPSTATUS);
      vals[solver - 1] = mipobj(f.prob);
    }
    if (stats[0] != stats[1] || (stats[0] == 6 && std::fabs(vals[0] - vals[1]) > 1e-6))
      fprintf(stderr, "  model %d: HiGHS %d %.10g, tree %d %.10g\n", t, stats[0], vals[0],
              stats[1], vals[1]);
    CHECK(stats[0] == stats[1]);
    if (stats[0] == 6) CHECK_NEAR(vals[0], vals[1], 1e-6);
  }
}

// Node callbacks on a limited search: prenode once per counted node, children
// numbered once each below known parents, the node LP readable in optnode,
// and an interrupt from a callback stopping the search.
TEST(node_callbacks_follow_the_search) {
  struct Seen {
    int pre = 0, opt = 0, lp_reads = 0, stop_after = -1;
    std::vector<int> known{1};
    bool numbering_ok = true;
  };
  auto prenode = [](ONDRprob p, void *d, int *) {
    Seen &s = *(Seen *)d;
    if (++s.pre == s.stop_after) ONDRinterrupt(p, 9);
  };
  auto optnode = [](ONDRprob p, void *d, int *) {
    Seen &s = *(Seen *)d;
    ++s.opt;
    std::vector<double> x(38);
    if (ONDRgetlpsol(p, x.data(), nullptr, nullptr, nullptr) == 0) ++s.lp_reads;
  };
  auto newnode = [](ONDRprob, void *d, int parent, int node, int branch) {
    Seen &s = *(Seen *)d;
    bool parent_known = std::find(s.known.begin(), s.known.end(), parent) != s.known.end();
    bool child_new = std::find(s.known.begin(), s.known.end(), node) == s.known.end();
    if (!parent_known || !child_new || branch < 0 || branch > 1) s.numbering_ok = false;
    s.known.push_back(node);
  };
  for (int stop_after : {-1, 7}) {
    Fixture f;
    load_market_split(f.prob);
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MAXNODE, 60));
    Seen s;
    s.stop_after = stop_after;
    CHECK_OK(ONDRaddcbprenode(f.prob, prenode, &s, 0));
    CHECK_OK(ONDRaddcboptnode(f.prob, optnode, &s, 0));
    CHECK_OK(ONDRaddcbnewnode(f.prob, newnode, &s, 0));
    CHECK_OK(ONDRmipoptimize(f.prob, ""));  // automatic choice: the tree search
    CHECK(s.pre == intattr(f.prob, ONDR_NODES) || (stop_after > 0 && s.pre == stop_after));
    CHECK(s.opt >= 1 && s.lp_reads == s.opt);
    CHECK(s.numbering_ok && s.known.size() >= 3);
    CHECK(intattr(f.prob, ONDR_STOPSTATUS) == (stop_after > 0 ? 9 : 3));
    if (stop_after > 0) CHECK(s.pre == stop_after);
  }
}
