// ONDRpresolverow: presolves one row given on the problem's columns.
// Substitutes fixed columns (equal bounds, or columns the problem's presolve
// removed at fixed bounds) into the right-hand side; for an inequality,
// finds from the column bounds whether it is redundant or infeasible and
// tightens the coefficients of its 0/1 columns (a coefficient larger than
// the row can use is cut to the smallest that keeps the same 0/1 points);
// returns the row in the columns of the problem's current form (the
// presolved columns while the problem is held presolved).
#include <cmath>
#include <map>
#include "analysis/presolve.h"
#include "env/shell.h"
#include "ondr.h"
#include "ondr_repair.h"

namespace ondr {

namespace {

struct Term {
  int col;          // in the output space
  double a;
  double lo, up;    // bounds of the column
  bool binary;      // integer with bounds within 0..1
};

void presolve_row(ONDRprob prob, char qrtype, int n, const int mcolso[], const double dvalo[],
                  double drhso, int maxcoeffs, int *count, int mcolsp[], double dvalp[],
                  double *drhsp, int *status) {
  const Model &m = prob->model;
  ONDR_REQUIRE(qrtype == 'L' || qrtype == 'G' || qrtype == 'E',
               "Invalid row type '%c' (L, G or E)", qrtype);
  ONDR_REQUIRE(n >= 0, "Invalid number of coefficients %d", n);
  ONDR_REQUIRE(n == 0 || (mcolso && dvalo), "NULL column or coefficient array");
  ONDR_REQUIRE(maxcoeffs >= 0, "Invalid maxcoeffs %d", maxcoeffs);
  ONDR_REQUIRE(count && drhsp && status, "NULL count, rhs or status");
  ONDR_REQUIRE(maxcoeffs == 0 || (mcolsp && dvalp), "NULL output arrays");
  ONDR_REQUIRE(std::isfinite(drhso), "The right-hand side is not a finite number");
  std::map<int, double> coef;
  for (int k = 0; k < n; ++k) {
    ONDR_REQUIRE(mcolso[k] >= 0 && mcolso[k] < m.ncols(),
                 "Entry %d: invalid column index %d (the problem has %d columns)", k, mcolso[k], m.ncols());
    ONDR_REQUIRE(std::isfinite(dvalo[k]), "Entry %d: the coefficient is not a finite number", k);
    coef[mcolso[k]] += dvalo[k];
  }

  // The output space: presolved columns (with their presolved bounds) or the
  // problem's own.
  const PresolveView *view = presolved_form(prob);
  std::vector<int> to_out;
  if (view) {
    to_out.assign((size_t)m.ncols(), -1);
    for (size_t k = 0; k < view->colmap.size(); ++k) to_out[(size_t)view->colmap[k]] = (int)k;
  }
  double rhs = drhso;
  std::vector<Term> terms;
  *count = 0;
  *drhsp = drhso;
  for (const auto &e : coef) {
    int j = e.first;
    double a = e.second;
    if (a == 0.0) continue;
    char t = m.coltype[(size_t)j];
    double lo = m.lb[(size_t)j], up = m.ub[(size_t)j];
    if (t == 'B') lo = std::max(lo, 0.0), up = std::min(up, 1.0);
    int out = view ? to_out[(size_t)j] : j;
    if (view && out >= 0) lo = view->data->lo[(size_t)out], up = view->data->up[(size_t)out];
    bool fixed = lo == up && (t == 'C' || t == 'I' || t == 'B');
    if (fixed) {
      rhs -= a * lo;
      continue;
    }
    if (out < 0) {
      *status = ONDR_PRESOLVEROW_DROPPED;
      return;
    }
    bool integer = t == 'I' || t == 'B';
    // Thresholds: a semi-continuous column may also be 0.
    if (t == 'S' || t == 'R') lo = std::min(lo, 0.0);
    terms.push_back({out, a, lo, up, integer && lo >= 0.0 && up <= 1.0});
  }

  if (qrtype != 'E') {
    // Work on sum a x <= rhs.
    double sg = qrtype == 'L' ? 1.0 : -1.0;
    rhs *= sg;
    for (Term &t : terms) t.a *= sg;
    auto activity = [&](bool max) {
      double v = 0.0;
      for (const Term &t : terms) {
        double b = (t.a > 0) == max ? t.up : t.lo;
        if (is_inf_bound(b)) return max ? kInf : -kInf;
        v += t.a * b;
      }
      return v;
    };
    double tol = 1e-9 * std::max(1.0, std::fabs(rhs));
    if (activity(false) > rhs + tol) {
      *status = ONDR_PRESOLVEROW_INFEASIBLE;
      return;
    }
    double maxact = activity(true);
    if (maxact <= rhs + tol) {
      *status = ONDR_PRESOLVEROW_REDUNDANT;
      *drhsp = sg * rhs;
      return;
    }
    if (maxact < kInf)
      for (Term &t : terms) {
        if (!t.binary || t.lo != 0.0 || t.up != 1.0) continue;
        if (t.a > 0) {
          double d = rhs - (maxact - t.a);  // room left when the column is 0
          if (d > tol) t.a -= d, rhs -= d, maxact -= d;
        } else {
          double d = rhs - (maxact + t.a);  // room left when the column is 1
          if (d > tol) t.a += d;
        }
      }
    rhs *= sg;
    for (Term &t : terms) t.a *= sg;
  }
  int k = 0;
  for (const Term &t : terms) {
    if (t.a == 0.0) continue;
    if (k < maxcoeffs) mcolsp[k] = t.col, dvalp[k] = t.a;
    ++k;
  }
  *count = k;
  *drhsp = rhs;
  *status = ONDR_PRESOLVEROW_OK;
}

}  // namespace

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRpresolverow(ONDRprob prob, char qrtype, int n, const int mcolso[],
                             const double dvalo[], double drhso, int maxcoeffs, int *count,
                             int mcolsp[], double dvalp[], double *drhsp, int *status) {
  return guard_prob(prob, [&] {
    presolve_row(prob, qrtype, n, mcolso, dvalo, drhso, maxcoeffs, count, mcolsp, dvalp, drhsp,
                 status);
  });
}
