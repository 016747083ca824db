// The compiled nonlinear model: rows and objective of a Model with exact
// derivatives. Every formula is compiled once into a tape; the Jacobian and
// Hessian patterns and the place of every contribution in them are fixed at
// construction, so evaluations only sweep tapes and add into arrays.
#include "nlp/nlpmodel.h"
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include "env/error.h"
#include "env/problem.h"
#include "nlp/slpprob.h"
#include "model/store.h"
#include "nlp/formula.h"
#include "nlp/tape.h"
#include "nlp/userfunc.h"

namespace ondr {

namespace {

// A quadratic entry with the places of its derivatives.
struct QEntry {
  int i, j;
  double q;
  int jpos_i = -1, jpos_j = -1;  // rows: Jacobian places of columns i and j
  int hpos = -1;                  // Hessian place of (max(i,j), min(i,j))
};

// A nonlinear coefficient: factor * x[col] * formula compiled into one tape.
struct Term {
  int row;
  int coef;                       // index in Model::nlcoefs, for messages
  Tape tape;
  std::vector<int> jpos;          // local variable -> Jacobian place
  std::vector<int> hpos;          // Hessian pair -> Hessian place
};

int64_t key(int r, int c) { return ((int64_t)r << 32) | (uint32_t)c; }

}  // namespace

struct NlpModel::Impl {
  int n = 0, m = 0;
  bool formulas = false;
  std::vector<double> c;
  double objconst = 0.0;
  std::vector<QEntry> objq;
  // Rows: linear entries, quadratic entries and terms, each by row start.
  std::vector<int> lstart, lcol, ljpos;
  std::vector<double> lval;
  std::vector<int> qstart, tstart;
  std::vector<QEntry> rowq;
  std::vector<Term> terms;
  Pattern jac, hess;
  UserFuncTable uf;
  std::vector<std::string> rownames;
  ONDRprob prob = nullptr;      // whose coefevalerror callbacks hear of evaluation errors
  std::vector<int> coefcol;     // column of each nonlinear coefficient

  std::string row_label(int r) const {
    std::string name = r < (int)rownames.size() && !rownames[r].empty() ? rownames[r] : format("R%d", r + 1);
    return format("row %d (%s)", r, name.c_str());
  }
  // The error again, naming the row; a user function's failure keeps its type.
  [[noreturn]] void rethrow(const Term &t, const Error &e) const {
    if (prob) cb::fire_nlp_rowcol(prob, cb::k_coefevalerror, t.row, coefcol[(size_t)t.coef]);
    std::string msg = format("Evaluation error in %s: %s", row_label(t.row).c_str(), e.what());
    if (dynamic_cast<const UserFunctionError *>(&e)) throw UserFunctionError(e.code(), msg);
    throw Error(e.code(), msg);
  }
  double term_value(const Term &t, const double *x, TapeWork &w) const {
    try {
      return t.tape.forward(x, w, 0, &uf);
    } catch (const Error &e) {
      rethrow(t, e);
    }
  }
};

NlpModel::NlpModel(const Model &m, OSLPprob slp) : impl_(new Impl) {
  Impl &d = *impl_;
  d.n = m.ncols();
  d.m = m.nrows();
  d.uf = UserFuncTable::of(slp);
  d.rownames = m.rownames;
  d.prob = slp ? slp->prob : nullptr;
  for (const NlCoef &cf : m.nlcoefs) d.coefcol.push_back(cf.col == kUnitColumn ? -1 : cf.col);
  d.formulas = !m.nlcoefs.empty();
  const int n = d.n, nr = d.m;
  auto check_col = [&](int j, const char *where) {
    if (j < 0 || j >= n) fail(ERR_ARGUMENT, "%s refers to column %d, which does not exist", where, j);
  };

  // Objective.
  d.c = m.obj;
  d.c.resize(n, 0.0);
  d.objconst = -m.objconst_neg;
  for (const auto &e : m.qobj) {
    check_col(e.first.first, "The quadratic objective");
    check_col(e.first.second, "The quadratic objective");
    if (e.second != 0) d.objq.push_back({e.first.first, e.first.second, e.second});
  }

  // Rows: linear and quadratic parts.
  d.lstart.assign(nr + 1, 0);
  for (int r = 0; r < nr; ++r) {
    d.lstart[r] = (int)d.lcol.size();
    if (r < (int)m.rows.size())
      for (const Entry &e : m.rows[r]) {
        check_col(e.index, format("Row %d", r).c_str());
        d.lcol.push_back(e.index);
        d.lval.push_back(e.value);
      }
  }
  d.lstart[nr] = (int)d.lcol.size();
  d.qstart.assign(nr + 1, 0);
  {
    auto it = m.qrows.begin();
    for (int r = 0; r < nr; ++r) {
      d.qstart[r] = (int)d.rowq.size();
      while (it != m.qrows.end() && it->first < r) ++it;
      if (it != m.qrows.end() && it->first == r)
        for (const auto &e : it->second) {
          check_col(e.first.first, format("The quadratic part of row %d", r).c_str());
          check_col(e.first.second, format("The quadratic part of row %d", r).c_str());
          if (e.second != 0) d.rowq.push_back({e.first.first, e.first.second, e.second});
        }
    }
    d.qstart[nr] = (int)d.rowq.size();
    for (const auto &e : m.qrows)
      if (e.first < 0 || e.first >= nr) fail(ERR_ARGUMENT, "A quadratic part belongs to row %d, which does not exist", e.first);
  }

  // Nonlinear coefficients, compiled into tapes, grouped by row.
  FormulaContext fc;
  fc.ncols = n;
  fc.nuserfuncs = (int)d.uf.funcs.size();
  std::vector<Term> terms;
  for (size_t k = 0; k < m.nlcoefs.size(); ++k) {
    const NlCoef &cf = m.nlcoefs[k];
    if (cf.row < 0 || cf.row >= nr)
      fail(ERR_ARGUMENT, "Nonlinear coefficient %zu belongs to row %d, which does not exist", k, cf.row);
    if (cf.col != kUnitColumn) check_col(cf.col, format("Nonlinear coefficient %zu (row %d)", k, cf.row).c_str());
    if (!std::isfinite(cf.factor))
      fail(ERR_ARGUMENT, "Nonlinear coefficient %zu (row %d) has a factor that is not finite", k, cf.row);
    if (cf.factor == 0) continue;
    std::string why;
    if (size_t bad = check_postfix(cf.types.data(), cf.values.data(), cf.types.size(), fc, &why))
      fail(ERR_ARGUMENT, "Nonlinear coefficient %zu (row %d, column %d): token %zu: %s", k, cf.row, cf.col, bad,
           why.c_str());
    Formula f;
    f.types.assign(cf.types.begin(), cf.types.end() - 1);
    f.values.assign(cf.values.begin(), cf.values.end() - 1);
    if (cf.col != kUnitColumn) {
      f.push(tok::COL, cf.col);
      f.push(tok::OP, opcode::MUL);
    }
    if (cf.factor != 1) {
      f.push(tok::CON, cf.factor);
      f.push(tok::OP, opcode::MUL);
    }
    f.push(tok::END, 0);
    Term t{cf.row, (int)k, Tape(f), {}, {}};
    terms.push_back(std::move(t));
  }
  std::stable_sort(terms.begin(), terms.end(), [](const Term &a, const Term &b) { return a.row < b.row; });
  d.terms = std::move(terms);
  d.tstart.assign(nr + 1, 0);
  for (size_t k = 0, r = 0; r <= (size_t)nr; ++r) {
    while (k < d.terms.size() && d.terms[k].row < (int)r) ++k;
    d.tstart[r] = (int)k;
  }

  // Jacobian pattern: the columns of each row, sorted.
  std::vector<int> place(n, -1), cols;
  for (int r = 0; r < nr; ++r) {
    cols.clear();
    auto see = [&](int j) {
      if (place[j] < 0) {
        place[j] = 0;
        cols.push_back(j);
      }
    };
    for (int p = d.lstart[r]; p < d.lstart[r + 1]; ++p) see(d.lcol[p]);
    for (int p = d.qstart[r]; p < d.qstart[r + 1]; ++p) {
      see(d.rowq[p].i);
      see(d.rowq[p].j);
    }
    for (int p = d.tstart[r]; p < d.tstart[r + 1]; ++p)
      for (int j : d.terms[p].tape.columns()) see(j);
    std::sort(cols.begin(), cols.end());
    for (int j : cols) {
      place[j] = (int)d.jac.rows.size();
      d.jac.rows.push_back(r);
      d.jac.cols.push_back(j);
    }
    for (int p = d.lstart[r]; p < d.lstart[r + 1]; ++p) d.ljpos.push_back(place[d.lcol[p]]);
    for (int p = d.qstart[r]; p < d.qstart[r + 1]; ++p) {
      d.rowq[p].jpos_i = place[d.rowq[p].i];
      d.rowq[p].jpos_j = place[d.rowq[p].j];
    }
    for (int p = d.tstart[r]; p < d.tstart[r + 1]; ++p)
      for (int j : d.terms[p].tape.columns()) d.terms[p].jpos.push_back(place[j]);
    for (int j : cols) place[j] = -1;
  }

  // Hessian pattern: lower triangle of the union of all second derivatives.
  std::vector<int64_t> keys;
  auto lower = [](int i, int j) { return key(std::max(i, j), std::min(i, j)); };
  for (const QEntry &e : d.objq) keys.push_back(lower(e.i, e.j));
  for (const QEntry &e : d.rowq) keys.push_back(lower(e.i, e.j));
  for (const Term &t : d.terms) {
    const auto &c = t.tape.columns();
    for (const auto &p : t.tape.hessian_pairs()) keys.push_back(lower(c[p.first], c[p.second]));
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  std::unordered_map<int64_t, int> hplace;
  hplace.reserve(keys.size());
  for (size_t p = 0; p < keys.size(); ++p) {
    d.hess.rows.push_back((int)(keys[p] >> 32));
    d.hess.cols.push_back((int)(uint32_t)keys[p]);
    hplace[keys[p]] = (int)p;
  }
  for (QEntry &e : d.objq) e.hpos = hplace[lower(e.i, e.j)];
  for (QEntry &e : d.rowq) e.hpos = hplace[lower(e.i, e.j)];
  for (Term &t : d.terms) {
    const auto &c = t.tape.columns();
    for (const auto &p : t.tape.hessian_pairs()) t.hpos.push_back(hplace[lower(c[p.first], c[p.second])]);
  }
}

NlpModel::~NlpModel() = default;

ONDRprob NlpModel::problem() const { return impl_->prob; }

int NlpModel::ncols() const { return impl_->n; }
int NlpModel::nrows() const { return impl_->m; }
bool NlpModel::has_formulas() const { return impl_->formulas; }

double NlpModel::objective(const double *x) const {
  const Impl &d = *impl_;
  double f = d.objconst;
  for (int j = 0; j < d.n; ++j) f += d.c[j] * x[j];
  for (const QEntry &e : d.objq) f += e.i == e.j ? 0.5 * e.q * x[e.i] * x[e.i] : e.q * x[e.i] * x[e.j];
  return f;
}

void NlpModel::objective_gradient(const double *x, double *grad) const {
  const Impl &d = *impl_;
  for (int j = 0; j < d.n; ++j) grad[j] = d.c[j];
  for (const QEntry &e : d.objq) {
    if (e.i == e.j) {
      grad[e.i] += e.q * x[e.i];
    } else {
      grad[e.i] += e.q * x[e.j];
      grad[e.j] += e.q * x[e.i];
    }
  }
}

void NlpModel::rows(const double *x, double *activity) const {
  const Impl &d = *impl_;
  TapeWork w;
  for (int r = 0; r < d.m; ++r) {
    double s = 0;
    for (int p = d.lstart[r]; p < d.lstart[r + 1]; ++p) s += d.lval[p] * x[d.lcol[p]];
    for (int p = d.qstart[r]; p < d.qstart[r + 1]; ++p) {
      const QEntry &e = d.rowq[p];
      s += (e.i == e.j ? 1.0 : 2.0) * e.q * x[e.i] * x[e.j];
    }
    for (int p = d.tstart[r]; p < d.tstart[r + 1]; ++p) s += d.term_value(d.terms[p], x, w);
    activity[r] = s;
  }
}

const Pattern &NlpModel::jacobian_pattern() const { return impl_->jac; }

void NlpModel::jacobian_values(const double *x, double *values) const {
  const Impl &d = *impl_;
  std::fill(values, values + d.jac.size(), 0.0);
  for (size_t p = 0; p < d.lcol.size(); ++p) values[d.ljpos[p]] += d.lval[p];
  for (const QEntry &e : d.rowq) {
    if (e.i == e.j) {
      values[e.jpos_i] += 2 * e.q * x[e.i];
    } else {
      values[e.jpos_i] += 2 * e.q * x[e.j];
      values[e.jpos_j] += 2 * e.q * x[e.i];
    }
  }
  TapeWork w;
  for (const Term &t : d.terms) {
    try {
      t.tape.forward(x, w, 1, &d.uf);
      t.tape.gradient(w);
    } catch (const Error &e) {
      d.rethrow(t, e);
    }
    for (size_t k = 0; k < t.jpos.size(); ++k) values[t.jpos[k]] += w.grad[k];
  }
}

const Pattern &NlpModel::hessian_pattern() const { return impl_->hess; }

void NlpModel::hessian_values(const double *x, double obj_factor, const double *lambda, double *values) const {
  const Impl &d = *impl_;
  std::fill(values, values + d.hess.size(), 0.0);
  if (obj_factor != 0)
    for (const QEntry &e : d.objq) values[e.hpos] += obj_factor * e.q;
  for (int r = 0; r < d.m; ++r) {
    const double l = lambda[r];
    if (l == 0) continue;
    for (int p = d.qstart[r]; p < d.qstart[r + 1]; ++p) values[d.rowq[p].hpos] += 2 * l * d.rowq[p].q;
  }
  TapeWork w;
  std::vector<double> h;
  for (const Term &t : d.terms) {
    const double l = lambda[t.row];
    if (l == 0 || t.hpos.empty()) continue;
    h.resize(t.hpos.size());
    try {
      t.tape.forward(x, w, 2, &d.uf);
      t.tape.gradient(w);
      t.tape.hessian(w, h.data());
    } catch (const Error &e) {
      d.rethrow(t, e);
    }
    for (size_t p = 0; p < h.size(); ++p) values[t.hpos[p]] += l * h[p];
  }
}

}  // namespace ondr
