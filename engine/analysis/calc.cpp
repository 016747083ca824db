// Values computed for vectors the caller gives: objective, slacks, reduced
// costs and the quality measures of a solution.
#include <cmath>
#include <vector>
#include "analysis/analysis.h"
#include "analysis/state.h"
#include "controls/ids.h"
#include "env/shell.h"
#include "ondr_analysis.h"

namespace ondr {

namespace {

void check_vector(const double v[], int n, const char *what) {
  ONDR_REQUIRE(v || n == 0, "NULL %s", what);
  for (int k = 0; k < n; ++k)
    ONDR_REQUIRE(std::isfinite(v[k]), "Entry %d of the %s is not a finite number", k, what);
}

// Row activities a_i.x plus the quadratic parts x'Qx.
std::vector<double> activities(const Model &m, const double x[]) {
  std::vector<double> act((size_t)m.nrows(), 0.0);
  for (int i = 0; i < m.nrows(); ++i)
    for (const Entry &e : m.rows[(size_t)i]) act[(size_t)i] += e.value * x[e.index];
  for (const auto &q : m.qrows)
    for (const auto &t : q.second) {
      int a = t.first.first, b = t.first.second;
      act[(size_t)q.first] += (a == b ? 1.0 : 2.0) * t.second * x[a] * x[b];
    }
  return act;
}

double rhs_of(const Model &m, int i) { return m.rowtype[(size_t)i] == 'N' ? 0.0 : m.rhs[(size_t)i]; }

// c + Qx - A'y - sum_i y_i grad(x'Q_i x); x may be NULL without quadratic parts.
std::vector<double> reduced_costs(const Model &m, const double y[], const double x[]) {
  std::vector<double> d(m.obj);
  for (int i = 0; i < m.nrows(); ++i)
    for (const Entry &e : m.rows[(size_t)i]) d[(size_t)e.index] -= y[i] * e.value;
  if (!x) return d;
  for (const auto &t : m.qobj) {
    int a = t.first.first, b = t.first.second;
    d[(size_t)a] += t.second * x[b];
    if (a != b) d[(size_t)b] += t.second * x[a];
  }
  for (const auto &q : m.qrows)
    for (const auto &t : q.second) {
      int a = t.first.first, b = t.first.second;
      double yi = y[q.first];
      d[(size_t)a] -= yi * 2.0 * t.second * x[b];
      if (a != b) d[(size_t)b] -= yi * 2.0 * t.second * x[a];
    }
  return d;
}

bool has_quadratic(const Model &m) {
  if (!m.qobj.empty()) return true;
  for (const auto &q : m.qrows)
    if (!q.second.empty()) return true;
  return false;
}

bool at(double v, double b, double tol) {
  return !is_inf_bound(b) && std::fabs(v - b) <= tol * (1.0 + std::fabs(b));
}

}  // namespace

void calc_objective(ONDRprob prob, const double solution[], double *value) {
  const Model &m = prob->model;
  check_vector(solution, m.ncols(), "solution");
  ONDR_REQUIRE(value, "NULL value");
  double f = -m.objconst_neg;
  for (int j = 0; j < m.ncols(); ++j) f += m.obj[(size_t)j] * solution[j];
  for (const auto &t : m.qobj) {
    int a = t.first.first, b = t.first.second;
    f += (a == b ? 0.5 : 1.0) * t.second * solution[a] * solution[b];
  }
  *value = f;
}

void calc_slacks(ONDRprob prob, const double solution[], double slacks[]) {
  const Model &m = prob->model;
  check_vector(solution, m.ncols(), "solution");
  ONDR_REQUIRE(slacks || m.nrows() == 0, "NULL slacks");
  std::vector<double> act = activities(m, solution);
  for (int i = 0; i < m.nrows(); ++i) slacks[i] = rhs_of(m, i) - act[(size_t)i];
}

void calc_reduced_costs(ONDRprob prob, const double duals[], const double solution[],
                        double djs[]) {
  const Model &m = prob->model;
  check_vector(duals, m.nrows(), "duals");
  if (solution) check_vector(solution, m.ncols(), "solution");
  if (!solution && has_quadratic(m))
    fail(ERR_ARGUMENT, "A solution is needed: the reduced costs of a quadratic problem depend on it");
  ONDR_REQUIRE(djs || m.ncols() == 0, "NULL reduced costs");
  std::vector<double> d = reduced_costs(m, duals, solution);
  std::copy(d.begin(), d.end(), djs);
}

void calc_solinfo(ONDRprob prob, const double solution[], const double dual[], int property,
                  double *value) {
  const Model &m = prob->model;
  ONDR_REQUIRE(property >= 0 && property <= 4,
               "Unknown solution property %d (0 absolute and 1 relative primal infeasibility, 2 "
               "absolute and 3 relative dual infeasibility, 4 largest integer fractionality)",
               property);
  ONDR_REQUIRE(value, "NULL value");
  check_vector(solution, m.ncols(), "solution");
  check_vector(dual, m.nrows(), "dual");
  LpView v = store_view(m);
  double worst = 0.0;
  bool relative = property == 1 || property == 3;
  if (property <= 1) {
    std::vector<double> act = activities(m, solution);
    auto take = [&](double x, double lo, double up) {
      double below = lo - x, above = x - up;
      if (below > 0) worst = std::max(worst, relative ? below / (1.0 + std::fabs(lo)) : below);
      if (above > 0) worst = std::max(worst, relative ? above / (1.0 + std::fabs(up)) : above);
    };
    for (int j = 0; j < m.ncols(); ++j) take(solution[j], v.lo[(size_t)j], v.up[(size_t)j]);
    for (int i = 0; i < m.nrows(); ++i) take(act[(size_t)i], v.rlo[(size_t)i], v.rup[(size_t)i]);
  } else if (property <= 3) {
    // Wrong-signed reduced costs and duals for where the solution sits.
    double tol = prob->controls.getd(id::FEASTOL);
    std::vector<double> d = reduced_costs(m, dual, solution);
    std::vector<double> act = activities(m, solution);
    auto take = [&](double p, double x, double lo, double up, double scale) {
      bool l = at(x, lo, tol), u = at(x, up, tol);
      double bad = l && u ? 0.0 : l ? std::max(-p, 0.0) : u ? std::max(p, 0.0) : std::fabs(p);
      worst = std::max(worst, relative ? bad / (1.0 + std::fabs(scale)) : bad);
    };
    for (int j = 0; j < m.ncols(); ++j)
      take(d[(size_t)j] * m.objsense, solution[j], v.lo[(size_t)j], v.up[(size_t)j], m.obj[(size_t)j]);
    for (int i = 0; i < m.nrows(); ++i)
      take(dual[i] * m.objsense, act[(size_t)i], v.rlo[(size_t)i], v.rup[(size_t)i], 0.0);
  } else {
    for (int j = 0; j < m.ncols(); ++j) {
      char t = m.coltype[(size_t)j];
      double x = solution[j];
      bool integral = t == 'B' || t == 'I' || t == 'R' || (t == 'P' && x < m.limit[(size_t)j]);
      if (integral) worst = std::max(worst, std::fabs(x - std::round(x)));
    }
  }
  *value = worst;
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRcalcobjective(ONDRprob prob, const double solution[], double *value) {
  return guard_prob(prob, [&] { calc_objective(prob, solution, value); });
}
ONDR_API int ONDRcalcslacks(ONDRprob prob, const double solution[], double slacks[]) {
  return guard_prob(prob, [&] { calc_slacks(prob, solution, slacks); });
}
ONDR_API int ONDRcalcreducedcosts(ONDRprob prob, const double duals[], const double solution[],
                                  double djs[]) {
  return guard_prob(prob, [&] { calc_reduced_costs(prob, duals, solution, djs); });
}
ONDR_API int ONDRcalcsolinfo(ONDRprob prob, const double solution[], const double dual[],
                             int property, double *value) {
  return guard_prob(prob, [&] { calc_solinfo(prob, solution, dual, property, value); });
}
