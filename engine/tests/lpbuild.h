// A small row-by-row builder of test problems, loaded through ONDRloadlp.
#pragma once
#include <vector>
#include "ondr.h"

struct LpBuild {
  std::vector<double> obj, lb, ub;
  std::vector<char> rowtype;
  std::vector<double> rhs, range;
  std::vector<std::vector<std::pair<int, double>>> cols;

  int col(double c, double lo = 0.0, double up = 1e20) {
    obj.push_back(c);
    lb.push_back(lo);
    ub.push_back(up);
    cols.emplace_back();
    return (int)obj.size() - 1;
  }
  // row(type, rhs, {{col, coef}, ...}, range)
  int row(char t, double b, std::vector<std::pair<int, double>> e, double rng = 0.0) {
    int r = (int)rowtype.size();
    rowtype.push_back(t);
    rhs.push_back(b);
    range.push_back(rng);
    for (auto &p : e) cols[(size_t)p.first].push_back({r, p.second});
    return r;
  }
  int load(ONDRprob p, const char *name = "test") const {
    std::vector<int> start{0}, rind;
    std::vector<double> val;
    for (const auto &c : cols) {
      for (const auto &e : c) {
        rind.push_back(e.first);
        val.push_back(e.second);
      }
      start.push_back((int)rind.size());
    }
    return ONDRloadlp(p, name, (int)obj.size(), (int)rowtype.size(), rowtype.data(),
                      rhs.data(), range.data(), obj.data(), start.data(), nullptr,
                      rind.data(), val.data(), lb.data(), ub.data());
  }
  int ncols() const { return (int)obj.size(); }
  int nrows() const { return (int)rowtype.size(); }
};

inline int intattr(ONDRprob p, int id) {
  int v = -12345;
  ONDRgetintattrib(p, id, &v);
  return v;
}
inline double dblattr(ONDRprob p, int id) {
  double v = -12345;
  ONDRgetdblattrib(p, id, &v);
  return v;
}
