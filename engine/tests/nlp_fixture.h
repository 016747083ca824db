// A started library, an optimizer problem of n free columns and m rows, and
// the nonlinear problem on it.
#pragma once
#include <string>
#include <vector>
#include "check.h"
#include "nlp_tokens.h"
#include "oslp.h"

struct NlpFixture : Fixture {
  OSLPprob slp = nullptr;
  int n, m;
  explicit NlpFixture(int ncols = 3, int nrows = 2) : n(ncols), m(nrows) {
    std::vector<char> types(nrows, 'L');
    std::vector<double> rhs(nrows, 0.0), lb(ncols, -1e20), ub(ncols, 1e20);
    ONDRloadlp(prob, "nlp", ncols, nrows, types.data(), rhs.data(), nullptr, nullptr, nullptr, nullptr,
               nullptr, nullptr, lb.data(), ub.data());
    OSLPcreateprob(&slp, &prob);
  }
  ~NlpFixture() {
    if (slp) OSLPdestroyprob(slp);
  }
  // Sets the current values of the columns (where formulas are evaluated).
  void at(const std::vector<double> &x) {
    for (int j = 0; j < (int)x.size(); ++j)
      OSLPchgvar(slp, j, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &x[j], nullptr, nullptr,
                 nullptr, nullptr);
  }
  int eval(const nlt::Tokens &f, double *r, int parsed = 1) {
    nlt::Tokens e = f.end();
    return OSLPevaluateformula(slp, parsed, e.t.data(), e.v.data(), r);
  }
  int add(int row, int col, double factor, const nlt::Tokens &f) {
    nlt::Tokens e = f.end();
    int start[2] = {0, (int)e.t.size()};
    return OSLPaddcoefs(slp, 1, &row, &col, &factor, start, 1, e.t.data(), e.v.data());
  }
  int unit() {
    int u = -1;
    OSLPgetintattrib(slp, OSLP_NLPUNITCOLUMN, &u);
    return u;
  }
  int ncoefs() {
    int k = -1;
    OSLPgetcoefs(slp, &k, nullptr, nullptr);
    return k;
  }
  std::string err() {
    char buf[512] = {0};
    int code = 0;
    OSLPgetlasterror(slp, &code, buf);
    return buf;
  }
};
