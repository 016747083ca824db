// MIP solving: binary, integer, semi-continuous, semi-integer and partially
// integer columns, SOS1/SOS2 sets and indicator rows (through their exact
// reformulations), statuses, limits, interrupts, cutoff and the LP results
// left by a MIP solve.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>
#include "check.h"
#include "lpbuild.h"

namespace {

void set_types(ONDRprob p, std::vector<int> cols, std::vector<char> types,
               std::vector<double> limits = {}) {
  CHECK_OK(ONDRchgcoltype(p, (int)cols.size(), cols.data(), types.data()));
  if (!limits.empty()) CHECK_OK(ONDRchgglblimit(p, (int)cols.size(), cols.data(), limits.data()));
}

void add_set(ONDRprob p, char type, std::vector<int> cols, std::vector<double> refs) {
  int64_t start[] = {0};
  CHECK_OK(ONDRaddsets64(p, 1, (int64_t)cols.size(), &type, start, cols.data(), refs.data()));
}

void indicator(ONDRprob p, int row, int col, int comp) {
  CHECK_OK(ONDRsetindicators(p, 1, &row, &col, &comp));
}

double mipobj(ONDRprob p) { return dblattr(p, ONDR_MIPOBJVAL); }

std::vector<double> mipx(ONDRprob p, int n) {
  std::vector<double> x((size_t)n, -999);
  CHECK_OK(ONDRgetmipsol(p, x.data(), nullptr));
  return x;
}

// max 5a + 4b + 3c, 2a + 3b + c <= 5, a, b, c binary: a = b = 1, value 9.
// Its LP relaxation: a = c = 1, b = 2/3, value 32/3.
LpBuild knapsack() {
  LpBuild b;
  int a = b.col(5, 0, 1), bb = b.col(4, 0, 1), c = b.col(3, 0, 1);
  b.row('L', 5, {{a, 2}, {bb, 3}, {c, 1}});
  return b;
}

void load_knapsack(ONDRprob p) {
  CHECK_OK(knapsack().load(p));
  CHECK_OK(ONDRchgobjsense(p, -1));
  set_types(p, {0, 1, 2}, {'B', 'B', 'B'});
}

// A market split problem: 4 equality rows over 30 binaries, with slack
// columns paid for in the objective. Solutions are trivial to find and
// optimality is very hard to prove, so the search runs into its limits.
LpBuild market_split() {
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
  return b;
}

void load_market_split(ONDRprob p) {
  LpBuild b = market_split();
  CHECK_OK(b.load(p));
  std::vector<int> cols;
  std::vector<char> types;
  for (int j = 0; j < 30; ++j) cols.push_back(j), types.push_back('B');
  set_types(p, cols, types);
}

}  // namespace

TEST(knapsack_mip_lp_results_and_relaxation) {
  Fixture f;
  load_knapsack(f.prob);
  CHECK_OK(ONDRmipoptimize(f.prob, nullptr));
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
  CHECK(intattr(f.prob, ONDR_STOPSTATUS) == 0);
  CHECK_NEAR(mipobj(f.prob), 9, 1e-9);
  CHECK(dblattr(f.prob, ONDR_BESTBOUND) >= 9 - 1e-6);  // maximizing: the bound is above
  CHECK(intattr(f.prob, ONDR_MIPSOLS) >= 1);
  auto x = mipx(f.prob, 3);
  CHECK(x[0] == 1 && x[1] == 1 && x[2] == 0);
  double slack[1];
  CHECK_OK(ONDRgetmipsol(f.prob, nullptr, slack));
  CHECK_NEAR(slack[0], 0, 1e-9);
  // the LP results: the LP with the integers fixed
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
  CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), 9, 1e-9);
  double lx[3], dual[1], dj[3];
  CHECK_OK(ONDRgetlpsol(f.prob, lx, nullptr, dual, dj));
  CHECK(lx[0] == 1 && lx[1] == 1 && lx[2] == 0);
  const double c[] = {5, 4, 3}, a[] = {2, 3, 1};
  for (int j = 0; j < 3; ++j) CHECK_NEAR(dj[j], c[j] - a[j] * dual[0], 1e-9);
  // the relaxation, by either entry
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 1);
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 2);
  CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), 32.0 / 3, 1e-9);
  CHECK_FAIL(ONDRgetmipsol(f.prob, lx, nullptr));
  CHECK_OK(ONDRmipoptimize(f.prob, "l"));
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 2);
  CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), 32.0 / 3, 1e-9);
  CHECK_FAIL(ONDRmipoptimize(f.prob, "z"));
  CHECK_CONTAINS(check::lasterror(f.prob), "Unknown optimize flag 'z'");
  // binaries stay within {0,1} whatever their stored bounds
  double big[] = {3, 3, 3};
  int cols[] = {0, 1, 2};
  char u[] = {'U', 'U', 'U'};
  CHECK_OK(ONDRchgbounds(f.prob, 3, cols, u, big));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK_NEAR(mipobj(f.prob), 9, 1e-9);
}

TEST(semi_continuous_and_semi_integer) {
  // min x + k*y, x + y >= 1, y >= 0 continuous, x of the given type
  struct Case {
    const char *what;
    char type;
    double lb, ub, limit, ycost, rowlo;
    double obj;
  };
  const Case cases[] = {
      {"semi-continuous used", 'S', 0, 10, 2, 3, 1, 2},
      {"semi-continuous off", 'S', 0, 10, 2, 1.5, 1, 1.5},
      {"semi-integer", 'R', 0, 10, 2.5, 3.5, 1, 3},
      {"semi-continuous, large bound", 'S', 0, 1e6, 2, 3, 1, 2},
      {"semi-integer, large bound", 'R', 0, 1e6, 2.5, 3.5, 1, 3},
      {"limit below lb: lb is the threshold", 'S', 2, 10, 1, 3, 1, 2},
      {"range below zero", 'S', -10, -2, -5, 100, -1e9, -5},
      {"range below zero, row cuts it", 'S', -10, -2, -5, 100, -3, -3},
      {"range below zero, only zero left", 'S', -10, -2, -5, 100, -1, 0},
  };
  for (const Case &c : cases) {
    Fixture f;
    LpBuild b;
    int x = b.col(1, c.lb, c.ub), y = b.col(c.ycost);
    if (c.rowlo > -1e9) b.row('G', c.rowlo, {{x, 1}, {y, c.rowlo < 0 ? 0 : 1}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {x}, {c.type}, {c.limit});
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    if (intattr(f.prob, ONDR_MIPSTATUS) != 6 || std::fabs(mipobj(f.prob) - c.obj) > 1e-6)
      fprintf(stderr, "  case %s: status %d objective %g\n", c.what, intattr(f.prob, ONDR_MIPSTATUS),
              mipobj(f.prob));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
    CHECK_NEAR(mipobj(f.prob), c.obj, 1e-6);
  }
  Fixture f;
  LpBuild b;
  b.col(1, 0, 1e20);
  CHECK_OK(b.load(f.prob));
  set_types(f.prob, {0}, {'S'}, {2});
  // HiGHS's MIP needs a finite big-M (the automatic choice takes the tree search)
  CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MIPSOLVER, 1));
  CHECK_FAIL(ONDRmipoptimize(f.prob, ""));
  CHECK_CONTAINS(check::lasterror(f.prob), "Semi-continuous column C1 has no finite upper bound");
}

TEST(partially_integer_columns) {
  // max x with a row x <= r; x partially integer: integer below 2.5,
  // continuous from 2.5 to 5
  struct Case { double lb, ub, limit, r, x; };
  const Case cases[] = {
      {0, 5, 2.5, 2.45, 2},    // below the limit: integer
      {0, 5, 2.5, 3.7, 3.7},   // above: continuous
      {0, 5, 2.5, 2.5, 2.5},   // the limit itself
      {0, 5, 0, 2.45, 2.45},   // limit at lb: continuous
      {0, 5, 7, 3.7, 3},       // limit above ub: integer
      {0.2, 5, 0.8, 0.7, 0},   // no integer below the limit, row excludes [0.8,5]: infeasible
      {-3.5, 5, 1.5, 1.2, 1},  // negative lower bound
  };
  for (const Case &c : cases) {
    Fixture f;
    LpBuild b;
    int x = b.col(1, c.lb, c.ub);
    b.row('L', c.r, {{x, 1}});
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRchgobjsense(f.prob, -1));
    set_types(f.prob, {x}, {'P'}, {c.limit});
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    if (c.lb == 0.2) {
      CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 5);
      continue;
    }
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
    CHECK_NEAR(mipx(f.prob, 1)[0], c.x, 1e-6);
  }
  Fixture f;
  LpBuild b;
  b.col(1, 0, 1e20);
  CHECK_OK(b.load(f.prob));
  set_types(f.prob, {0}, {'P'}, {3});
  // HiGHS's MIP needs a finite big-M (the automatic choice takes the tree search)
  CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MIPSOLVER, 1));
  CHECK_FAIL(ONDRmipoptimize(f.prob, ""));
  CHECK_CONTAINS(check::lasterror(f.prob), "Partially integer column C1 needs finite bounds");
}

TEST(special_ordered_sets) {
  {  // SOS1: max x1 + 2x2 + 3x3 in [0,1], x3 <= 0.5: pick x2 alone
    Fixture f;
    LpBuild b;
    int x1 = b.col(1, 0, 1), x2 = b.col(2, 0, 1), x3 = b.col(3, 0, 1);
    b.row('L', 0.5, {{x3, 1}});
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRchgobjsense(f.prob, -1));
    add_set(f.prob, '1', {x1, x2, x3}, {1, 2, 3});
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
    CHECK_NEAR(mipobj(f.prob), 2, 1e-9);
  }
  {  // SOS1 with negative members: min x + y in [-1,1] reaches only -1
    Fixture f;
    LpBuild b;
    int x = b.col(1, -1, 1), y = b.col(1, -1, 1);
    CHECK_OK(b.load(f.prob));
    add_set(f.prob, '1', {x, y}, {1, 2});
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK_NEAR(mipobj(f.prob), -1, 1e-9);
  }
  // SOS2: max 5x0 + 6x3, sum x = 1, x3 <= 0.5: the members next to each
  // other in reference order may be nonzero together
  struct Case { std::vector<double> refs; double obj; };
  const Case cases[] = {{{1, 2, 3, 4}, 5}, {{1, 3, 4, 2}, 5.5}, {{4, 3, 2, 1}, 5}};
  for (const Case &c : cases) {
    Fixture f;
    LpBuild b;
    int x0 = b.col(5, 0, 1), x1 = b.col(0, 0, 1), x2 = b.col(0, 0, 1), x3 = b.col(6, 0, 1);
    b.row('E', 1, {{x0, 1}, {x1, 1}, {x2, 1}, {x3, 1}});
    b.row('L', 0.5, {{x3, 1}});
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRchgobjsense(f.prob, -1));
    add_set(f.prob, '2', {x0, x1, x2, x3}, c.refs);
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
    CHECK_NEAR(mipobj(f.prob), c.obj, 1e-9);
    // the relaxation ignores the set
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), 5.5, 1e-9);
  }
  Fixture f;
  LpBuild b;
  b.col(1, 0, 1);
  b.col(1, 0, 1e20);
  CHECK_OK(b.load(f.prob));
  add_set(f.prob, '1', {0, 1}, {1, 2});
  // HiGHS's MIP needs a finite big-M (the automatic choice takes the tree search)
  CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MIPSOLVER, 1));
  CHECK_FAIL(ONDRmipoptimize(f.prob, ""));
  CHECK_CONTAINS(check::lasterror(f.prob), "member column C2 needs finite bounds");
}

TEST(indicator_rows) {
  // x in [0,10], b binary; row x <= 2 holds when b takes the given value
  struct Case { int comp; double xcost, bcost, obj; };
  const Case cases[] = {
      {-1, -1, 3, -7},   // held when b = 0; paying 3 for b = 1 frees x
      {-1, -1, 9, -2},
      {1, -1, -3, -10},  // held when b = 1: taking b is worth less than x
      {1, -1, -9, -11},
  };
  for (const Case &c : cases) {
    Fixture f;
    LpBuild b;
    int x = b.col(c.xcost, 0, 10), bin = b.col(c.bcost, 0, 1);
    int r = b.row('L', 2, {{x, 1}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {bin}, {'B'});
    indicator(f.prob, r, bin, c.comp);
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
    CHECK_NEAR(mipobj(f.prob), c.obj, 1e-9);
    double slack[1];
    CHECK_OK(ONDRgetmipsol(f.prob, nullptr, slack));
    CHECK_NEAR(slack[0], 2 - mipx(f.prob, 2)[0], 1e-9);  // slack of the row as stored
  }
  {  // an equality row held when b = 1, the indicator column inside the row
    // min x + y - 5b, x + y + b = 4 when b = 1: objective 3 - 5 = -2, and the
    // row's dual is the objective change per unit of rhs: 1
    Fixture f;
    LpBuild b;
    int x = b.col(1, 0, 10), y = b.col(1, 0, 10), bin = b.col(-5, 0, 1);
    int r = b.row('E', 4, {{x, 1}, {y, 1}, {bin, 1}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {bin}, {'B'});
    indicator(f.prob, r, bin, 1);
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK_NEAR(mipobj(f.prob), -2, 1e-9);
    double dual[1];
    CHECK_OK(ONDRgetlpsol(f.prob, nullptr, nullptr, dual, nullptr));
    CHECK_NEAR(dual[0], 1, 1e-9);
    // the relaxation leaves the row out: min x + y - 5b with b = 1
    CHECK_OK(ONDRlpoptimize(f.prob, ""));
    CHECK_NEAR(dblattr(f.prob, ONDR_LPOBJVAL), -5, 1e-9);
  }
  {  // failures: infinite bound, indicator column not binary
    Fixture f;
    LpBuild b;
    int x = b.col(-1, 0, 1e20), bin = b.col(0, 0, 1), z = b.col(0, 0, 5);
    int r = b.row('L', 2, {{x, 1}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {bin, z}, {'B', 'I'});
    indicator(f.prob, r, bin, 1);
    // HiGHS's MIP needs a finite big-M (the automatic choice takes the tree search)
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MIPSOLVER, 1));
    CHECK_FAIL(ONDRmipoptimize(f.prob, ""));
    CHECK_CONTAINS(check::lasterror(f.prob), "Indicator row R1 needs finite bounds");
    indicator(f.prob, r, z, 1);
    CHECK_FAIL(ONDRmipoptimize(f.prob, ""));
    CHECK_CONTAINS(check::lasterror(f.prob), "Indicator column C3 of row R1 must be binary");
  }
}

TEST(infeasible_and_unbounded_mips) {
  {  // 2x = 1 with x integer
    Fixture f;
    LpBuild b;
    int x = b.col(1, 0, 5);
    b.row('E', 1, {{x, 2}});
    CHECK_OK(b.load(f.prob));
    set_types(f.prob, {x}, {'I'});
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 5);
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 2);
    double v[1];
    CHECK_FAIL(ONDRgetmipsol(f.prob, v, nullptr));
    CHECK_CONTAINS(check::lasterror(f.prob), "no integer solution available");
  }
  for (int presolve : {1, 0}) {
    {  // min -x - y, x - 2y = 0, integers: unbounded
      Fixture f;
      LpBuild b;
      int x = b.col(-1), y = b.col(-1);
      b.row('E', 0, {{x, 1}, {y, -2}});
      CHECK_OK(b.load(f.prob));
      set_types(f.prob, {x, y}, {'I', 'I'});
      CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_PRESOLVE, presolve));
      CHECK_OK(ONDRmipoptimize(f.prob, ""));
      CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 7);
      CHECK(intattr(f.prob, ONDR_LPSTATUS) == 5);
    }
    {  // min -x - y, 2x - 2y = 1: the relaxation is unbounded, no integer point
      Fixture f;
      LpBuild b;
      int x = b.col(-1), y = b.col(-1);
      b.row('E', 1, {{x, 2}, {y, -2}});
      CHECK_OK(b.load(f.prob));
      set_types(f.prob, {x, y}, {'I', 'I'});
      CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_PRESOLVE, presolve));
      CHECK_OK(ONDRmipoptimize(f.prob, ""));
      CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 5);
    }
  }
}

TEST(cutoff_and_gap_controls) {
  struct Case { int sense; double cutoff; int status; };
  // knapsack maximized (optimum 9), and minimizing its negation (-9)
  const Case cases[] = {{-1, 8.5, 6}, {-1, 9.5, 5}, {1, -8.5, 6}, {1, -9.5, 5}, {-1, -1e20, 6}};
  for (const Case &c : cases) {
    Fixture f;
    LpBuild b = knapsack();
    if (c.sense > 0)
      for (auto &v : b.obj) v = -v;
    CHECK_OK(b.load(f.prob));
    CHECK_OK(ONDRchgobjsense(f.prob, c.sense));
    set_types(f.prob, {0, 1, 2}, {'B', 'B', 'B'});
    CHECK_OK(ONDRsetdblcontrol(f.prob, ONDR_MIPABSCUTOFF, c.cutoff));
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == c.status);
  }
  // a huge absolute gap ends the search at its first solution, which counts
  // as optimal within the gap; stopstatus says the gap ended it
  Fixture f;
  load_market_split(f.prob);
  CHECK_OK(ONDRsetdblcontrol(f.prob, ONDR_MIPABSSTOP, 1e6));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
  CHECK(intattr(f.prob, ONDR_STOPSTATUS) == 5);
  CHECK(dblattr(f.prob, ONDR_MIPRELGAP) > 0);
}

TEST(limits_and_interrupt_keep_the_best_solution) {
  struct Case { const char *what; int control; double value; int stop; };
  const Case cases[] = {
      {"nodes", ONDR_MAXNODE, 5, 3}, {"solutions", ONDR_MAXMIPSOL, 1, 6}, {"time", ONDR_TIMELIMIT, 0.3, 1}};
  for (const Case &c : cases) {
    Fixture f;
    load_market_split(f.prob);
    if (c.control == ONDR_TIMELIMIT) CHECK_OK(ONDRsetdblcontrol(f.prob, c.control, c.value));
    else CHECK_OK(ONDRsetintcontrol(f.prob, c.control, (int)c.value));
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    if (intattr(f.prob, ONDR_STOPSTATUS) != c.stop)
      fprintf(stderr, "  case %s: stop %d\n", c.what, intattr(f.prob, ONDR_STOPSTATUS));
    CHECK(intattr(f.prob, ONDR_STOPSTATUS) == c.stop);
    CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 4);
    CHECK(intattr(f.prob, ONDR_LPSTATUS) == 4);
    auto x = mipx(f.prob, 38);
    double slack[4];
    CHECK_OK(ONDRgetmipsol(f.prob, nullptr, slack));
    for (double s : slack) CHECK_NEAR(s, 0, 1e-6);  // the rows hold at the solution
    if (c.control == ONDR_MAXNODE) CHECK(intattr(f.prob, ONDR_NODES) >= 5);
  }
  Fixture f;
  load_market_split(f.prob);
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
}

TEST(mip_entry_on_continuous_problems_and_solver_choice) {
  Fixture f;
  CHECK_OK(knapsack().load(f.prob));
  CHECK_OK(ONDRchgobjsense(f.prob, -1));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
  CHECK_NEAR(mipobj(f.prob), 32.0 / 3, 1e-9);
  double dual[1];
  CHECK_OK(ONDRgetlpsol(f.prob, nullptr, nullptr, dual, nullptr));
  CHECK_NEAR(dual[0], 4.0 / 3, 1e-9);
  // HiGHS MIP (1) or the tree search (2), or the automatic choice: any
  // other value is refused when set, not when solving.
  CHECK_FAIL(ONDRsetintcontrol(f.prob, ONDR_MIPSOLVER, 3));
  CHECK_CONTAINS(check::lasterror(f.prob), "MIPSOLVER");
  CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_MIPSOLVER, 1));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(intattr(f.prob, ONDR_MIPSTATUS) == 6);
  CHECK_NEAR(mipobj(f.prob), 32.0 / 3, 1e-9);
}

TEST(every_solver_control_is_accepted_and_keeps_the_optimum) {
  // Each control set away from its default, on the LP and the MIP entry:
  // HiGHS must take the option and the optimum must not move.
  struct Case { int id; bool dbl; double value; };
  const Case cases[] = {
      {ONDR_OUTPUTLOG, false, 1},      {ONDR_PRESOLVE, false, 0},     {ONDR_THREADS, false, 1},
      {ONDR_THREADS, false, 2},        {ONDR_LPITERLIMIT, false, 1000}, {ONDR_DEFAULTALG, false, 3},
      {ONDR_MAXNODE, false, 1000},     {ONDR_MAXMIPSOL, false, 50},   {ONDR_RANDOMSEED, false, 42},
      {ONDR_SCALING, false, 0},        {ONDR_CROSSOVER, false, 0},    {ONDR_FEASTOL, true, 1e-8},
      {ONDR_OPTIMALITYTOL, true, 1e-8}, {ONDR_MIPRELSTOP, true, 0},   {ONDR_MIPABSSTOP, true, 0},
      {ONDR_TIMELIMIT, true, 100},     {ONDR_MIPTOL, true, 1e-8},     {ONDR_BARGAPSTOP, true, 1e-9},
      {ONDR_MIPABSCUTOFF, true, -1e6},  // maximizing: a cutoff below
  };
  for (const Case &c : cases) {
    for (bool mip : {false, true}) {
      Fixture f;
      if (mip) {
        load_knapsack(f.prob);
      } else {
        CHECK_OK(knapsack().load(f.prob));
        CHECK_OK(ONDRchgobjsense(f.prob, -1));
      }
      if (c.dbl) CHECK_OK(ONDRsetdblcontrol(f.prob, c.id, c.value));
      else CHECK_OK(ONDRsetintcontrol(f.prob, c.id, (int)c.value));
      int rc = mip ? ONDRmipoptimize(f.prob, "") : ONDRlpoptimize(f.prob, "");
      bool ok = rc == 0 &&
                std::fabs(dblattr(f.prob, mip ? ONDR_MIPOBJVAL : ONDR_LPOBJVAL) - (mip ? 9 : 32.0 / 3)) < 1e-6;
      if (!ok) fprintf(stderr, "  control %d = %g (%s): rc %d %s\n", c.id, c.value,
                       mip ? "MIP" : "LP", rc, check::lasterror(f.prob).c_str());
      CHECK(ok);
    }
  }
  // Changing the thread count between solves on one thread
  Fixture f;
  load_knapsack(f.prob);
  for (int threads : {2, 1, 0, 3, 1}) {
    CHECK_OK(ONDRsetintcontrol(f.prob, ONDR_THREADS, threads));
    CHECK_OK(ONDRmipoptimize(f.prob, ""));
    CHECK_NEAR(mipobj(f.prob), 9, 1e-9);
  }
}
