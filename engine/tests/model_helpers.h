// Helpers of the model tests: read parts of a problem back through the
// public getters, and take a printable snapshot of the whole stored model so
// a test can check that a failed call changed nothing.
#pragma once
#include <cstdio>
#include <string>
#include <utility>
#include <vector>
#include "check.h"

using Sparse = std::vector<std::pair<int, double>>;

inline int iattr(ONDRprob p, int id) {
  int v = -12345;
  ONDRgetintattrib(p, id, &v);
  return v;
}

inline double dattr(ONDRprob p, int id) {
  double v = -12345;
  ONDRgetdblattrib(p, id, &v);
  return v;
}

inline Sparse get_row(ONDRprob p, int i) {
  int64_t n = -1;
  if (ONDRgetrows64(p, nullptr, nullptr, nullptr, 0, &n, i, i)) return {{-99, 0}};
  std::vector<int64_t> st(2);
  std::vector<int> ind((size_t)n + 1);
  std::vector<double> val((size_t)n + 1);
  ONDRgetrows64(p, st.data(), ind.data(), val.data(), n, &n, i, i);
  Sparse out;
  for (int64_t k = st[0]; k < st[1]; ++k) out.push_back({ind[(size_t)k], val[(size_t)k]});
  return out;
}

inline Sparse get_col(ONDRprob p, int j) {
  int64_t n = -1;
  if (ONDRgetcols64(p, nullptr, nullptr, nullptr, 0, &n, j, j)) return {{-99, 0}};
  std::vector<int64_t> st(2);
  std::vector<int> ind((size_t)n + 1);
  std::vector<double> val((size_t)n + 1);
  ONDRgetcols64(p, st.data(), ind.data(), val.data(), n, &n, j, j);
  Sparse out;
  for (int64_t k = st[0]; k < st[1]; ++k) out.push_back({ind[(size_t)k], val[(size_t)k]});
  return out;
}

// Quadratic row terms as (i, j, value) with i <= j.
struct QTerm {
  int i, j;
  double v;
  bool operator==(const QTerm &o) const { return i == o.i && j == o.j && v == o.v; }
};
inline std::vector<QTerm> get_qrow(ONDRprob p, int r) {
  int n = -1;
  if (ONDRgetqrowqmatrixtriplets(p, r, &n, nullptr, nullptr, nullptr)) return {{-99, -99, 0}};
  std::vector<int> a((size_t)n + 1), b((size_t)n + 1);
  std::vector<double> v((size_t)n + 1);
  ONDRgetqrowqmatrixtriplets(p, r, &n, a.data(), b.data(), v.data());
  std::vector<QTerm> out;
  for (int k = 0; k < n; ++k) out.push_back({a[(size_t)k], b[(size_t)k], v[(size_t)k]});
  return out;
}

// The quadratic objective through getmqobj64, as (column, other, value).
inline std::vector<QTerm> get_qobj(ONDRprob p) {
  int ncols = iattr(p, ONDR_ORIGINALCOLS);
  if (ncols == 0) return {};
  int64_t n = -1;
  if (ONDRgetmqobj64(p, nullptr, nullptr, nullptr, 0, &n, 0, ncols - 1)) return {{-99, -99, 0}};
  std::vector<int64_t> st((size_t)ncols + 1);
  std::vector<int> ind((size_t)n + 1);
  std::vector<double> val((size_t)n + 1);
  ONDRgetmqobj64(p, st.data(), ind.data(), val.data(), n, &n, 0, ncols - 1);
  std::vector<QTerm> out;
  for (int j = 0; j < ncols; ++j)
    for (int64_t k = st[(size_t)j]; k < st[(size_t)j + 1]; ++k)
      out.push_back({j, ind[(size_t)k], val[(size_t)k]});
  return out;
}

// Everything the getters show, as text.
inline std::string snapshot(ONDRprob p) {
  std::string s;
  char buf[256];
  int nr = iattr(p, ONDR_ORIGINALROWS), nc = iattr(p, ONDR_ORIGINALCOLS);
  snprintf(buf, sizeof buf, "rows %d cols %d sets %d ents %d elems %d q %d qc %d ind %d sense %d const %g\n",
           nr, nc, iattr(p, ONDR_SETS), iattr(p, ONDR_MIPENTS), iattr(p, ONDR_ELEMS),
           iattr(p, ONDR_QELEMS), iattr(p, ONDR_QCONSTRAINTS),
           iattr(p, ONDR_INDICATORS), iattr(p, ONDR_OBJSENSE), dattr(p, ONDR_OBJCONSTANT));
  s += buf;
  std::vector<std::string> rnames, cnames;
  for (int i = 0; i < nr; ++i) {
    char t = 0;
    double rhs = 0, rng = 0;
    int ic = 0, comp = 0;
    char name[1024] = {0};
    ONDRgetrowtype(p, &t, i, i);
    ONDRgetrhs(p, &rhs, i, i);
    ONDRgetrhsrange(p, &rng, i, i);
    ONDRgetindicators(p, &ic, &comp, i, i);
    ONDRgetnames(p, 1, name, i, i);
    snprintf(buf, sizeof buf, "R%d %s %c %g %g ind %d %d:", i, name, t, rhs, rng, ic, comp);
    s += buf;
    for (auto &e : get_row(p, i)) {
      snprintf(buf, sizeof buf, " %d:%g", e.first, e.second);
      s += buf;
    }
    s += " q:";
    for (auto &q : get_qrow(p, i)) {
      snprintf(buf, sizeof buf, " (%d,%d)%g", q.i, q.j, q.v);
      s += buf;
    }
    s += "\n";
  }
  for (int j = 0; j < nc; ++j) {
    char t = 0;
    double o = 0, l = 0, u = 0;
    char name[1024] = {0};
    ONDRgetcoltype(p, &t, j, j);
    ONDRgetobj(p, &o, j, j);
    ONDRgetlb(p, &l, j, j);
    ONDRgetub(p, &u, j, j);
    ONDRgetnames(p, 2, name, j, j);
    snprintf(buf, sizeof buf, "C%d %s %c obj %g [%g,%g]\n", j, name, t, o, l, u);
    s += buf;
  }
  for (auto &q : get_qobj(p)) {
    snprintf(buf, sizeof buf, "Q (%d,%d)%g\n", q.i, q.j, q.v);
    s += buf;
  }
  int ne = 0, ns = 0;
  ONDRgetglobal64(p, &ne, &ns, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  int nm = iattr(p, ONDR_SETMEMBERS);
  std::vector<char> gt((size_t)ne + 1), st((size_t)ns + 1);
  std::vector<int> gc((size_t)ne + 1), sc((size_t)nm + 1);
  std::vector<double> gl((size_t)ne + 1), sr((size_t)nm + 1);
  std::vector<int64_t> ss((size_t)ns + 1);
  ONDRgetglobal64(p, &ne, &ns, gt.data(), gc.data(), gl.data(), st.data(), ss.data(), sc.data(),
                  sr.data());
  for (int k = 0; k < ne; ++k) {
    snprintf(buf, sizeof buf, "E %c %d %g\n", gt[(size_t)k], gc[(size_t)k], gl[(size_t)k]);
    s += buf;
  }
  for (int k = 0; k < ns; ++k) {
    snprintf(buf, sizeof buf, "S%d %c:", k, st[(size_t)k]);
    s += buf;
    for (int64_t m = ss[(size_t)k]; m < ss[(size_t)k + 1]; ++m) {
      snprintf(buf, sizeof buf, " %d:%g", sc[(size_t)m], sr[(size_t)m]);
      s += buf;
    }
    s += "\n";
  }
  return s;
}

#define CHECK_SAME(before, p)                                                        \
  do {                                                                               \
    std::string after_ = snapshot(p);                                                \
    if (after_ != (before)) {                                                        \
      fprintf(stderr, "  %s:%d: model changed:\n--- before\n%s--- after\n%s", __FILE__, \
              __LINE__, (before).c_str(), after_.c_str());                           \
      ++check::failures();                                                           \
    }                                                                                \
  } while (0)

// A small mixed model: 3 rows, 4 columns, a quadratic objective and row, an
// entity and a set:
//   R0 'L' rhs 4: x0 + 2 x1            (+ x0*x1 quadratic)
//   R1 'R' rhs 10 range 3: 3 x1 + x2
//   R2 'E' rhs 1: x0 + x3
inline void load_small(ONDRprob p) {
  const char rt[] = {'L', 'R', 'E'};
  const double rhs[] = {4, 10, 1}, rng[] = {0, 3, 0}, obj[] = {1, 2, 3, 4};
  const int64_t st[] = {0, 2, 4, 5, 6};
  const int ri[] = {0, 2, 0, 1, 1, 2};
  const double v[] = {1, 1, 2, 3, 1, 1};
  const double lb[] = {0, 0, -1, 0}, ub[] = {10, 10, 1e20, 5};
  const int q1[] = {0, 1}, q2[] = {0, 0};
  const double qv[] = {2, 1};
  const int qr[] = {0};
  const int64_t qn[] = {1};
  const int qc1[] = {1}, qc2[] = {0};
  const double qcv[] = {0.5};
  const char gt[] = {'I'};
  const int gc[] = {3};
  const char stp[] = {'1'};
  const int64_t ss[] = {0, 2};
  const int sc[] = {1, 2};
  const double sr[] = {1, 2};
  CHECK_OK(ONDRloadqcqpglobal64(p, "small", 4, 3, rt, rhs, rng, obj, st, nullptr, ri, v, lb, ub,
                                2, q1, q2, qv, 1, qr, qn, qc1, qc2, qcv, 1, 1, gt, gc, nullptr,
                                stp, ss, sc, sr));
}
