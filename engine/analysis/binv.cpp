// Solves with the basis matrix, the pivot order, and a condition estimate
// of the basis (see ondr_analysis.h for the index spaces).
#include <cmath>
#include <vector>
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "env/shell.h"
#include "ondr_analysis.h"

namespace ondr {

namespace {

std::vector<double> input(const double vec[], int m, const char *what) {
  ONDR_REQUIRE(vec || m == 0, "%s: NULL vector", what);
  for (int k = 0; k < m; ++k)
    ONDR_REQUIRE(std::isfinite(vec[k]), "%s: entry %d is not a finite number", what, k);
  std::vector<double> v(vec, vec + m);
  v.push_back(0.0);  // HiGHS never reads past m; keeps data() valid for m = 0
  return v;
}

}  // namespace

void btran(ONDRprob prob, double vec[]) {
  BasisSolver b = basis_solver(prob, "Cannot btran");
  int m = b.nrows();
  std::vector<double> v = input(vec, m, "Cannot btran");
  if (m == 0) return;
  std::vector<double> y = b.solve_transposed(v);
  std::copy(y.begin(), y.end(), vec);
}

void ftran(ONDRprob prob, double vec[]) {
  BasisSolver b = basis_solver(prob, "Cannot ftran");
  int m = b.nrows();
  std::vector<double> v = input(vec, m, "Cannot ftran");
  if (m == 0) return;
  std::vector<double> x = b.solve(v);
  std::copy(x.begin(), x.end(), vec);
}

void get_pivot_order(ONDRprob prob, int mpiv[]) {
  BasisSolver b = basis_solver(prob, "No pivot order");
  if (b.nrows() == 0) return;
  ONDR_REQUIRE(mpiv, "NULL pivot order array");
  std::vector<int> order = b.pivot_order();
  std::copy(order.begin(), order.end(), mpiv);
}

namespace {

// Norm `norm` (0 infinity, 1 one, 2 Frobenius) of the m x m matrix whose
// k-th column is col(k).
template <class F>
double matrix_norm(int m, int norm, F &&col) {
  std::vector<double> rowsum((size_t)m, 0.0);
  double best = 0.0, frob = 0.0;
  for (int k = 0; k < m; ++k) {
    std::vector<double> c = col(k);
    double s = 0.0;
    for (int i = 0; i < m; ++i) {
      double a = std::fabs(c[(size_t)i]);
      s += a;
      rowsum[(size_t)i] += a;
      frob += a * a;
    }
    best = std::max(best, s);
  }
  if (norm == 1) return best;
  if (norm == 2) return std::sqrt(frob);
  double inf = 0.0;
  for (double s : rowsum) inf = std::max(inf, s);
  return inf;
}

}  // namespace

void basis_stability(ONDRprob prob, int type, int norm, int ifscaled, double *value) {
  ONDR_REQUIRE(value, "NULL value");
  ONDR_REQUIRE(type >= 0 && type <= 2,
               "Unknown stability type %d (0 condition number, 1 norm of the inverse, 2 norm of "
               "the basis)", type);
  ONDR_REQUIRE(norm >= 0 && norm <= 2, "Unknown norm %d (0 infinity, 1 one, 2 Frobenius)", norm);
  ONDR_REQUIRE(ifscaled == 0 || ifscaled == 1, "ifscaled must be 0 or 1, not %d", ifscaled);
  // The problem is not scaled by ONDRscale here (basis_solver refuses that),
  // so the scaled and the unscaled basis are the same matrix.
  BasisSolver b = basis_solver(prob, "No basis stability");
  int m = b.nrows();
  if (m == 0) {
    *value = 0.0;
    return;
  }
  std::vector<int> order = b.pivot_order();
  const LpView &lp = *b.lp;
  auto basis_col = [&](int k) {
    std::vector<double> c((size_t)m, 0.0);
    int p = order[(size_t)k];
    if (p < m) {
      c[(size_t)p] = 1.0;
    } else {
      int j = p - m;
      for (int e = lp.a.start[(size_t)j]; e < lp.a.start[(size_t)j + 1]; ++e)
        c[(size_t)lp.a.index[(size_t)e]] = lp.a.value[(size_t)e];
    }
    return c;
  };
  auto inverse_col = [&](int k) {
    std::vector<double> e((size_t)m + 1, 0.0);
    e[(size_t)k] = 1.0;
    return b.solve(e);
  };
  double nb = type == 1 ? 1.0 : matrix_norm(m, norm, basis_col);
  double ni = type == 2 ? 1.0 : matrix_norm(m, norm, inverse_col);
  *value = nb * ni;
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRbtran(ONDRprob prob, double vec[]) {
  return guard_prob(prob, [&] { btran(prob, vec); });
}
ONDR_API int ONDRftran(ONDRprob prob, double vec[]) {
  return guard_prob(prob, [&] { ftran(prob, vec); });
}
ONDR_API int ONDRgetpivotorder(ONDRprob prob, int mpiv[]) {
  return guard_prob(prob, [&] { get_pivot_order(prob, mpiv); });
}
ONDR_API int ONDRbasisstability(ONDRprob prob, int type, int norm, int ifscaled, double *value) {
  return guard_prob(prob, [&] { basis_stability(prob, type, norm, ifscaled, value); });
}
