// A quadratic-only NlpModel for the engine tests while the library has no
// compiled nonlinear model of its own: the tests' CMake adds this file to
// the library only in that case. Objective c'x + 0.5 x'Qx + constant, rows
// a'x + x'Q_i x; formulas are refused.
#include "nlp/nlpmodel.h"
#include <map>
#include "env/error.h"
#include "model/store.h"

namespace ondr {

struct NlpModel::Impl {
  Model m;
  Pattern jac, hes;
  std::map<std::pair<int, int>, int> hpos;  // (row >= col) -> Hessian entry
};

NlpModel::NlpModel(const Model &m, OSLPprob) : impl_(new Impl) {
  if (!m.nlcoefs.empty()) fail(ERR_STATE, "Nonlinear coefficients need the formula compiler");
  Impl &d = *impl_;
  d.m = m;
  for (int i = 0; i < m.nrows(); ++i) {
    std::map<int, int> cols;
    for (const auto &e : m.rows[i]) cols[e.index] = 1;
    auto it = m.qrows.find(i);
    if (it != m.qrows.end())
      for (const auto &q : it->second) cols[q.first.first] = cols[q.first.second] = 1;
    for (const auto &c : cols) {
      d.jac.rows.push_back(i);
      d.jac.cols.push_back(c.first);
    }
  }
  auto addh = [&](int i, int j) {
    std::pair<int, int> k(std::max(i, j), std::min(i, j));
    if (d.hpos.count(k)) return;
    d.hpos[k] = (int)d.hes.size();
    d.hes.rows.push_back(k.first);
    d.hes.cols.push_back(k.second);
  };
  for (const auto &q : m.qobj) addh(q.first.first, q.first.second);
  for (const auto &qr : m.qrows)
    for (const auto &q : qr.second) addh(q.first.first, q.first.second);
}

NlpModel::~NlpModel() {}
int NlpModel::ncols() const { return impl_->m.ncols(); }
int NlpModel::nrows() const { return impl_->m.nrows(); }
bool NlpModel::has_formulas() const { return false; }

double NlpModel::objective(const double *x) const {
  const Model &m = impl_->m;
  double v = -m.objconst_neg;
  for (int j = 0; j < m.ncols(); ++j) v += m.obj[j] * x[j];
  for (const auto &q : m.qobj) {
    int i = q.first.first, j = q.first.second;
    v += (i == j ? 0.5 : 1.0) * q.second * x[i] * x[j];
  }
  return v;
}

void NlpModel::objective_gradient(const double *x, double *g) const {
  const Model &m = impl_->m;
  for (int j = 0; j < m.ncols(); ++j) g[j] = m.obj[j];
  for (const auto &q : m.qobj) {
    int i = q.first.first, j = q.first.second;
    if (i == j) g[i] += q.second * x[i];
    else {
      g[i] += q.second * x[j];
      g[j] += q.second * x[i];
    }
  }
}

void NlpModel::rows(const double *x, double *a) const {
  const Model &m = impl_->m;
  for (int i = 0; i < m.nrows(); ++i) {
    double v = 0.0;
    for (const auto &e : m.rows[i]) v += e.value * x[e.index];
    auto it = m.qrows.find(i);
    if (it != m.qrows.end())
      for (const auto &q : it->second) {
        int r = q.first.first, c = q.first.second;
        v += (r == c ? 1.0 : 2.0) * q.second * x[r] * x[c];
      }
    a[i] = v;
  }
}

const Pattern &NlpModel::jacobian_pattern() const { return impl_->jac; }

void NlpModel::jacobian_values(const double *x, double *v) const {
  const Model &m = impl_->m;
  const Pattern &p = impl_->jac;
  size_t k = 0;
  while (k < p.size()) {
    int i = p.rows[k];
    std::map<int, double> g;
    for (const auto &e : m.rows[i]) g[e.index] += e.value;
    auto it = m.qrows.find(i);
    if (it != m.qrows.end())
      for (const auto &q : it->second) {
        int r = q.first.first, c = q.first.second;
        if (r == c) g[r] += 2 * q.second * x[r];
        else {
          g[r] += 2 * q.second * x[c];
          g[c] += 2 * q.second * x[r];
        }
      }
    for (; k < p.size() && p.rows[k] == i; ++k) v[k] = g[p.cols[k]];
  }
}

const Pattern &NlpModel::hessian_pattern() const { return impl_->hes; }

void NlpModel::hessian_values(const double *, double of, const double *lambda, double *v) const {
  const Model &m = impl_->m;
  std::fill(v, v + impl_->hes.size(), 0.0);
  auto at = [&](int i, int j) -> double & {
    return v[impl_->hpos.at({std::max(i, j), std::min(i, j)})];
  };
  for (const auto &q : m.qobj) at(q.first.first, q.first.second) += of * q.second;
  for (const auto &qr : m.qrows)
    for (const auto &q : qr.second) at(q.first.first, q.first.second) += 2 * lambda[qr.first] * q.second;
}

}  // namespace ondr
