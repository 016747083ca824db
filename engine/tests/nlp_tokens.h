// Builds formula tokens the way the Python module writes them: postfix, n-ary
// + and * and max/min in the balanced pattern, functions after RB.
#pragma once
#include <vector>
#include "oslp.h"

namespace nlt {

struct Tokens {
  std::vector<int> t;
  std::vector<double> v;
  Tokens &add(int type, double value = 0) {
    t.push_back(type);
    v.push_back(value);
    return *this;
  }
  Tokens &add(const Tokens &o) {
    t.insert(t.end(), o.t.begin(), o.t.end());
    v.insert(v.end(), o.v.begin(), o.v.end());
    return *this;
  }
  Tokens end() const {
    Tokens r = *this;
    return r.add(OSLP_TOK_EOF);
  }
};

inline Tokens con(double c) { return Tokens().add(OSLP_TOK_CON, c); }
inline Tokens col(int j) { return Tokens().add(OSLP_TOK_COL, j); }
inline Tokens unop(const Tokens &a) { return Tokens().add(a).add(OSLP_TOK_OP, OSLP_OP_UMINUS); }
inline Tokens binop(int op, const Tokens &a, const Tokens &b) { return Tokens().add(a).add(b).add(OSLP_TOK_OP, op); }
inline Tokens fn(int code, const Tokens &a) {
  return Tokens().add(OSLP_TOK_RB).add(a).add(OSLP_TOK_IFUN, code);
}
inline Tokens user(int number, const std::vector<Tokens> &args) {
  Tokens r;
  r.add(OSLP_TOK_RB);
  for (const Tokens &a : args) r.add(a);
  return r.add(OSLP_TOK_FUN, number);
}
// Linear term c*x as the module writes it.
inline Tokens lin(double c, int j) {
  Tokens r;
  if (c != 1 && c != -1) r.add(con(c));
  r.add(col(j));
  if (c == -1) r.add(OSLP_TOK_OP, OSLP_OP_UMINUS);
  else if (c != 1) r.add(OSLP_TOK_OP, OSLP_OP_MULTIPLY);
  return r;
}

// Operands joined by (type, value) in the balanced pattern; `brackets` adds
// RB tokens by the bracket rule (for max and min).
inline Tokens balanced(const std::vector<Tokens> &ops, int type, int value, bool brackets) {
  Tokens r;
  const int m = (int)ops.size();
  int written = 0;
  for (int j = 0; j < m; ++j) {
    if (brackets && j % 2 == 0)
      for (int g = 1; g < m - j; g *= 2) {
        r.add(OSLP_TOK_RB);
        if ((j / (2 * g)) % 2 == 1) break;
      }
    r.add(ops[j]);
    if (j + 1 < m && j % 2 == 1)
      for (int k = j + 1; k % 2 == 0; k /= 2, ++written) r.add(type, value);
  }
  for (; written < m - 1; ++written) r.add(type, value);
  return r;
}
inline Tokens sum(const std::vector<Tokens> &ops) { return balanced(ops, OSLP_TOK_OP, OSLP_OP_PLUS, false); }
inline Tokens prod(const std::vector<Tokens> &ops) { return balanced(ops, OSLP_TOK_OP, OSLP_OP_MULTIPLY, false); }
inline Tokens max(const std::vector<Tokens> &ops) { return balanced(ops, OSLP_TOK_IFUN, OSLP_IFUN_MAX, true); }
inline Tokens min(const std::vector<Tokens> &ops) { return balanced(ops, OSLP_TOK_IFUN, OSLP_IFUN_MIN, true); }

}  // namespace nlt
