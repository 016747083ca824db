// The ratio test of a variable entering the current basis. Variables are
// the columns x and one logical l_i = -a_i.x per row, so that A x + l = 0
// and the basis matrix has the unit column e_i for a basic logical; the
// logical's bounds are those of the row, negated and swapped.
#include <cmath>
#include <vector>
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "env/shell.h"
#include "model/basis.h"
#include "ondr_analysis.h"

namespace ondr {

namespace {

struct Space {
  int n, m;
  std::vector<double> lo, up, cost, value;  // by variable: columns 0..n-1, logicals n..n+m-1
  std::vector<int> status;
};

// Nonbasic value of a variable of status s within [lo, up].
double rest_value(int s, double lo, double up) {
  if (s == BS_LOWER && lo > -kInf) return lo;
  if (s == BS_UPPER && up < kInf) return up;
  if (lo > 0) return lo;
  if (up < 0) return up;
  return 0.0;
}

Space make_space(const BasisSolver &b) {
  const LpView &lp = *b.lp;
  Space s;
  s.n = lp.ncols();
  s.m = lp.nrows();
  for (int j = 0; j < s.n; ++j) {
    s.lo.push_back(lp.lo[(size_t)j]);
    s.up.push_back(lp.up[(size_t)j]);
    s.cost.push_back(lp.cost[(size_t)j] * lp.sense);
    s.status.push_back(b.cstat[(size_t)j]);
  }
  for (int i = 0; i < s.m; ++i) {
    s.lo.push_back(lp.rup[(size_t)i] >= kInf ? -kInf : -lp.rup[(size_t)i]);
    s.up.push_back(lp.rlo[(size_t)i] <= -kInf ? kInf : -lp.rlo[(size_t)i]);
    s.cost.push_back(0.0);
    // Row status 0 (activity at its lower end) is the logical at its upper.
    int st = b.rstat[(size_t)i];
    s.status.push_back(st == BS_LOWER ? BS_UPPER : st == BS_UPPER ? BS_LOWER : st);
  }
  s.value.assign(s.lo.size(), 0.0);
  for (size_t k = 0; k < s.value.size(); ++k)
    if (s.status[k] != BS_BASIC) s.value[k] = rest_value(s.status[k], s.lo[k], s.up[k]);
  return s;
}

// Column of variable k of [A I], dense.
std::vector<double> column(const LpView &lp, const Space &s, int k) {
  std::vector<double> c((size_t)s.m + 1, 0.0);
  if (k >= s.n) {
    c[(size_t)(k - s.n)] = 1.0;
  } else {
    for (int e = lp.a.start[(size_t)k]; e < lp.a.start[(size_t)k + 1]; ++e)
      c[(size_t)lp.a.index[(size_t)e]] = lp.a.value[(size_t)e];
  }
  return c;
}

// Variable index (columns first) of a pivot-order number (rows first).
int var_of(int p, int n, int m) { return p < m ? n + p : p - m; }
int pivot_of(int k, int n, int m) { return k >= n ? k - n : m + k; }

}  // namespace

void get_pivots(ONDRprob prob, int in, int outlist[], double x[], double *objective, int *npiv,
                int maxpiv) {
  ONDR_REQUIRE(maxpiv >= 0, "Negative maxpiv %d", maxpiv);
  ONDR_REQUIRE(outlist || maxpiv == 0, "NULL outlist");
  BasisSolver b = basis_solver(prob, "No pivots");
  const LpView &lp = *b.lp;
  Space s = make_space(b);
  int n = s.n, m = s.m;
  ONDR_REQUIRE(in >= 0 && in < n + m,
               "Entering variable %d out of range (0..%d: rows' slacks, then rows + column)", in,
               n + m - 1);
  int q = var_of(in, n, m);
  if (s.status[(size_t)q] == BS_BASIC)
    fail(ERR_ARGUMENT, "Variable %d is basic: only a nonbasic variable can enter", in);
  std::vector<int> order = m ? b.pivot_order() : std::vector<int>();
  std::vector<int> basic((size_t)m);
  for (int k = 0; k < m; ++k) basic[(size_t)k] = var_of(order[(size_t)k], n, m);
  // Basic values: B z_B = -N z_N.
  std::vector<double> rhs((size_t)m + 1, 0.0);
  for (size_t k = 0; k < s.value.size(); ++k) {
    if (s.status[k] == BS_BASIC || s.value[k] == 0.0) continue;
    std::vector<double> c = column(lp, s, (int)k);
    for (int i = 0; i < m; ++i) rhs[(size_t)i] -= c[(size_t)i] * s.value[k];
  }
  if (m) {
    std::vector<double> zb = b.solve(rhs);
    for (int k = 0; k < m; ++k) s.value[(size_t)basic[(size_t)k]] = zb[(size_t)k];
  }
  std::vector<double> w = m ? b.solve(column(lp, s, q)) : std::vector<double>();
  // Reduced cost of q (minimization form) decides the direction of a
  // superbasic or free variable.
  double dq = s.cost[(size_t)q];
  for (int k = 0; k < m; ++k) dq -= s.cost[(size_t)basic[(size_t)k]] * w[(size_t)k];
  int st = s.status[(size_t)q];
  double dir = st == BS_LOWER ? 1.0 : st == BS_UPPER ? -1.0 : dq <= 0 ? 1.0 : -1.0;
  // Ratio test: basic k moves by -dir * w_k per unit step.
  const double eps = 1e-9;
  std::vector<std::pair<double, int>> limits;  // (step, variable)
  for (int k = 0; k < m; ++k) {
    double delta = -dir * w[(size_t)k];
    int v = basic[(size_t)k];
    double z = s.value[(size_t)v], t = kInf;
    if (delta > eps && s.up[(size_t)v] < kInf) t = (s.up[(size_t)v] - z) / delta;
    if (delta < -eps && s.lo[(size_t)v] > -kInf) t = (s.lo[(size_t)v] - z) / delta;
    if (t < kInf) limits.push_back({std::max(t, 0.0), v});
  }
  if (s.lo[(size_t)q] > -kInf && s.up[(size_t)q] < kInf)
    limits.push_back({s.up[(size_t)q] - s.lo[(size_t)q], q});  // a bound flip
  double step = kInf;
  for (auto &l : limits) step = std::min(step, l.first);
  int count = 0;
  if (step < kInf) {
    for (auto &l : limits)
      if (l.first <= step + 1e-9 * (1.0 + step) && count < maxpiv)
        outlist[count++] = pivot_of(l.second, n, m);
    s.value[(size_t)q] += dir * step;
    for (int k = 0; k < m; ++k) s.value[(size_t)basic[(size_t)k]] -= dir * step * w[(size_t)k];
  }
  if (npiv) *npiv = count;
  double obj = lp.offset;
  for (int j = 0; j < n; ++j) obj += lp.cost[(size_t)j] * s.value[(size_t)j];
  if (objective) *objective = obj;
  if (x) {
    // Slacks (rhs - activity, activity = -l), no spare rows, then columns.
    for (int i = 0; i < m; ++i) x[i] = lp.slack_of(i, -s.value[(size_t)(n + i)]);
    for (int j = 0; j < n; ++j) x[m + j] = s.value[(size_t)j];
  }
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRgetpivots(ONDRprob prob, int in, int outlist[], double x[], double *objective,
                           int *npiv, int maxpiv) {
  return guard_prob(prob, [&] { get_pivots(prob, in, outlist, x, objective, npiv, maxpiv); });
}
