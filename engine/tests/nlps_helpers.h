// Helpers of the nonlinear solver tests: a small builder of quadratically
// constrained problems loaded through ONDRloadqcqp64, and readers of the
// optimizer's and the nonlinear layer's results.
#pragma once
#include <string>
#include <vector>
#include "check.h"
#include "oslp.h"

constexpr double INF = 1e20;

// Quadratic terms are written as the user sees them: c * x_i * x_j (i may
// equal j) in a row or in the objective; the builder converts them to the
// library's conventions (rows x'Qx, objective 0.5 x'Qx, pairs given once).
struct Qcqp {
  struct Term {
    int i, j;
    double c;
  };
  struct Row {
    char type;
    double rhs, range;
    std::vector<std::pair<int, double>> lin;
    std::vector<Term> quad;
  };
  int n = 0;
  std::vector<double> obj, lb, ub;
  std::vector<Term> qobj;
  std::vector<Row> rows;
  double objconst = 0.0;
  int sense = 1;  // 1 minimize, -1 maximize

  explicit Qcqp(int ncols, double lo = -INF, double hi = INF)
      : n(ncols), obj(ncols, 0.0), lb(ncols, lo), ub(ncols, hi) {}
  Row &row(char type, double rhs, double range = 0.0) {
    rows.push_back({type, rhs, range, {}, {}});
    return rows.back();
  }

  int load(ONDRprob p) const {
    int m = (int)rows.size();
    std::vector<char> rt;
    std::vector<double> rhs, rng;
    std::vector<std::vector<std::pair<int, double>>> cols(n);
    for (int i = 0; i < m; ++i) {
      rt.push_back(rows[i].type);
      rhs.push_back(rows[i].rhs);
      rng.push_back(rows[i].range);
      for (auto &e : rows[i].lin) cols[e.first].push_back({i, e.second});
    }
    std::vector<int64_t> start(n + 1, 0);
    std::vector<int> ind;
    std::vector<double> val;
    for (int j = 0; j < n; ++j) {
      for (auto &e : cols[j]) {
        ind.push_back(e.first);
        val.push_back(e.second);
      }
      start[j + 1] = (int64_t)ind.size();
    }
    std::vector<int> q1, q2;
    std::vector<double> qv;
    for (auto &t : qobj) {
      q1.push_back(t.i);
      q2.push_back(t.j);
      qv.push_back(t.i == t.j ? 2 * t.c : t.c);
    }
    std::vector<int> qcrows, c1, c2;
    std::vector<int64_t> qcn;
    std::vector<double> cv;
    for (int i = 0; i < m; ++i) {
      if (rows[i].quad.empty()) continue;
      qcrows.push_back(i);
      qcn.push_back((int64_t)rows[i].quad.size());
      for (auto &t : rows[i].quad) {
        c1.push_back(t.i);
        c2.push_back(t.j);
        cv.push_back(t.i == t.j ? t.c : 0.5 * t.c);
      }
    }
    int rc = ONDRloadqcqp64(p, "qcqp", n, m, rt.data(), rhs.data(), rng.data(), obj.data(),
                            start.data(), nullptr, ind.data(), val.data(), lb.data(), ub.data(),
                            (int64_t)q1.size(), q1.data(), q2.data(), qv.data(),
                            (int)qcrows.size(), qcrows.data(), qcn.data(), c1.data(), c2.data(),
                            cv.data());
    if (rc == 0 && sense != 1) rc = ONDRchgobjsense(p, sense);
    if (rc == 0 && objconst != 0.0) {
      int idx = -1;
      double v = -objconst;
      rc = ONDRchgobj(p, 1, &idx, &v);
    }
    return rc;
  }
};

struct Sol {
  std::vector<double> x, slack, dual, dj;
};

inline Sol lpsol(ONDRprob p) {
  int n = 0, m = 0;
  ONDRgetintattrib(p, ONDR_ORIGINALCOLS, &n);
  ONDRgetintattrib(p, ONDR_ORIGINALROWS, &m);
  Sol s{std::vector<double>(n), std::vector<double>(m), std::vector<double>(m),
        std::vector<double>(n)};
  CHECK_OK(ONDRgetlpsol(p, s.x.data(), s.slack.data(), s.dual.data(), s.dj.data()));
  return s;
}

inline Sol slpsol(OSLPprob s) {
  int n = 0, m = 0;
  OSLPgetintattrib(s, OSLP_NLPCOLS, &n);
  OSLPgetintattrib(s, OSLP_NLPROWS, &m);
  Sol r{std::vector<double>(n), std::vector<double>(m), std::vector<double>(m),
        std::vector<double>(n)};
  CHECK_OK(OSLPgetslpsol(s, r.x.data(), r.slack.data(), r.dual.data(), r.dj.data()));
  return r;
}

inline int lpstatus(ONDRprob p) {
  int v = -1;
  ONDRgetintattrib(p, ONDR_LPSTATUS, &v);
  return v;
}
inline double lpobj(ONDRprob p) {
  double v = NAN;
  ONDRgetdblattrib(p, ONDR_LPOBJVAL, &v);
  return v;
}
inline int nlpstatus(OSLPprob s) {
  int v = -1;
  OSLPgetintattrib(s, OSLP_NLPSTATUS, &v);
  return v;
}
inline double nlpobj(OSLPprob s) {
  double v = NAN;
  OSLPgetdblattrib(s, OSLP_NLPOBJVAL, &v);
  return v;
}
inline std::string slp_error(OSLPprob s) {
  char buf[512] = {0};
  OSLPgetlasterror(s, nullptr, buf);
  return buf;
}

// An optimizer problem with a nonlinear layer on it, released at the end.
struct SlpFixture {
  ONDRprob prob = nullptr;
  OSLPprob slp = nullptr;
  SlpFixture() {
    ONDRinit(nullptr);
    ONDRcreateprob(&prob);
    OSLPcreateprob(&slp, &prob);
  }
  ~SlpFixture() {
    if (slp) OSLPdestroyprob(slp);
    if (prob) ONDRdestroyprob(prob);
  }
};
