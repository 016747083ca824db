// Tapes: compilation of postfix formulas, evaluation, and reverse-mode and
// forward-over-reverse derivatives.
#include "nlp/tape.h"
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include "env/error.h"

namespace ondr {

namespace {

const double kTwoOverSqrtPi = 1.1283791670955126;  // 2 / sqrt(pi)
const double kLn10 = 2.302585092994046;

TOp op_of_ifun(int code) {
  switch (code) {
    case ifun::LOG10: return TOp::LOG10;
    case ifun::LN: return TOp::LN;
    case ifun::EXP: return TOp::EXP;
    case ifun::ABS: return TOp::ABS;
    case ifun::SQRT: return TOp::SQRT;
    case ifun::SIN: return TOp::SIN;
    case ifun::COS: return TOp::COS;
    case ifun::TAN: return TOp::TAN;
    case ifun::ASIN: return TOp::ASIN;
    case ifun::ACOS: return TOp::ACOS;
    case ifun::ATAN: return TOp::ATAN;
    case ifun::MIN: return TOp::MIN;
    case ifun::MAX: return TOp::MAX;
    case ifun::SIGN: return TOp::SIGN;
    case ifun::ERF: return TOp::ERF;
    case ifun::ERFC: return TOp::ERFC;
  }
  fail(ERR_ARGUMENT, "unknown internal function %d", code);
}

bool is_binary(TOp op) { return op == TOp::MUL || op == TOp::DIV || op == TOp::POW; }
bool is_nary(TOp op) { return op == TOp::LIN || op == TOp::MAX || op == TOp::MIN || op == TOp::USER; }

// Value of a unary or binary operation; throws on a domain error.
double apply(TOp op, double x, double y) {
  double r = 0;
  switch (op) {
    case TOp::MUL: r = x * y; break;
    case TOp::DIV:
      if (y == 0) fail(ERR_GENERAL, "division by zero (%g / 0)", x);
      r = x / y;
      break;
    case TOp::POW:
      if (x < 0 && y != std::floor(y))
        fail(ERR_GENERAL, "the negative number %g raised to the fractional power %g", x, y);
      if (x == 0 && y < 0) fail(ERR_GENERAL, "zero raised to the negative power %g", y);
      r = std::pow(x, y);
      break;
    case TOp::EXP: r = std::exp(x); break;
    case TOp::LN:
      if (x <= 0) fail(ERR_GENERAL, "ln of %g, which is not positive", x);
      r = std::log(x);
      break;
    case TOp::LOG10:
      if (x <= 0) fail(ERR_GENERAL, "log10 of %g, which is not positive", x);
      r = std::log10(x);
      break;
    case TOp::SIN: r = std::sin(x); break;
    case TOp::COS: r = std::cos(x); break;
    case TOp::TAN: r = std::tan(x); break;
    case TOp::ASIN:
      if (x < -1 || x > 1) fail(ERR_GENERAL, "asin of %g, outside [-1, 1]", x);
      r = std::asin(x);
      break;
    case TOp::ACOS:
      if (x < -1 || x > 1) fail(ERR_GENERAL, "acos of %g, outside [-1, 1]", x);
      r = std::acos(x);
      break;
    case TOp::ATAN: r = std::atan(x); break;
    case TOp::ABS: r = std::fabs(x); break;
    case TOp::SIGN: r = x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0; break;
    case TOp::ERF: r = std::erf(x); break;
    case TOp::ERFC: r = std::erfc(x); break;
    case TOp::SQRT:
      if (x < 0) fail(ERR_GENERAL, "sqrt of the negative number %g", x);
      r = std::sqrt(x);
      break;
    default: fail(ERR_GENERAL, "internal error: operation %d is not unary or binary", (int)op);
  }
  if (!std::isfinite(r)) {
    if (is_binary(op)) fail(ERR_GENERAL, "%s of %g and %g is not finite", top_name(op), x, y);
    fail(ERR_GENERAL, "%s of %g is not finite", top_name(op), x);
  }
  return r;
}

[[noreturn]] void derivative_error(TOp op, double x) {
  fail(ERR_GENERAL, "the derivative of %s is not finite at %g", top_name(op), x);
}

}  // namespace

const char *top_name(TOp op) {
  static const char *names[] = {"a constant", "a column", "a sum", "multiplication", "division", "power", "exp", "ln", "log10", "sin",
                                "cos", "tan", "asin", "acos", "atan", "abs", "sign", "erf", "erfc",
                                "sqrt", "max", "min", "a user function"};
  return names[(int)op];
}

namespace {

// A value on the compile stack: a node, or a linear combination not yet
// written as a node (constant + sum of coef * node), or a bracket mark.
struct Val {
  int node = -1;
  double constant = 0.0;
  std::vector<std::pair<int, double>> terms;
  bool mark = false;
  bool is_constant() const { return node < 0 && terms.empty(); }
};

Val linear(Val v) {
  if (v.node >= 0) {
    v.terms.assign(1, {v.node, 1.0});
    v.node = -1;
  }
  return v;
}

Val scaled(Val v, double c) {
  v = linear(std::move(v));
  v.constant *= c;
  for (auto &t : v.terms) t.second *= c;
  return v;
}

// x + sy * y, appending the shorter list to the longer.
Val combined(Val x, Val y, double sy) {
  x = linear(std::move(x));
  y = linear(std::move(y));
  if (sy == 1 && x.terms.size() < y.terms.size()) std::swap(x, y);
  x.constant += sy * y.constant;
  for (const auto &t : y.terms) x.terms.push_back({t.first, sy * t.second});
  return x;
}

}  // namespace

Tape::Tape(const Formula &f, bool second_order) {
  std::vector<Val> stack;
  std::unordered_map<int, int> local;  // column -> local variable
  auto add = [&](TapeNode n) {
    nodes_.push_back(n);
    return (int)nodes_.size() - 1;
  };
  auto node_val = [](int node) {
    Val v;
    v.node = node;
    return v;
  };
  // Writes a value as a node (a pending linear combination becomes a LIN
  // node after all of its operands).
  auto materialize = [&](Val v) -> int {
    if (v.node >= 0) return v.node;
    auto &t = v.terms;
    std::sort(t.begin(), t.end());
    size_t out = 0;
    for (size_t k = 0; k < t.size(); ++k) {
      if (out > 0 && t[out - 1].first == t[k].first) t[out - 1].second += t[k].second;
      else t[out++] = t[k];
    }
    t.resize(out);
    t.erase(std::remove_if(t.begin(), t.end(), [](const std::pair<int, double> &e) { return e.second == 0; }),
            t.end());
    bool finite = std::isfinite(v.constant);
    for (const auto &e : t) finite = finite && std::isfinite(e.second);
    if (!finite) fail(ERR_GENERAL, "a constant part of the formula is not finite");
    TapeNode n;
    if (t.empty()) {
      n.c = v.constant;
      return add(n);
    }
    if (t.size() == 1 && t[0].second == 1 && v.constant == 0) return t[0].first;
    n.op = TOp::LIN;
    n.c = v.constant;
    n.argoff = (int)args_.size();
    n.nargs = (int)t.size();
    for (const auto &e : t) {
      args_.push_back(e.first);
      coefs_.push_back(e.second);
    }
    return add(n);
  };
  // Replaces the last k nodes, all constants that are the operands, by the
  // folded value when it is defined; returns -1 when not folded.
  auto fold = [&](const TapeNode &n, const int *ops, int k) -> int {
    if (n.op == TOp::USER || k == 0) return -1;
    int base = (int)nodes_.size() - k;
    for (int i = 0; i < k; ++i)
      if (ops[i] != base + i || nodes_[ops[i]].op != TOp::CONST) return -1;
    double r;
    try {
      if (n.op == TOp::MAX || n.op == TOp::MIN) {
        r = nodes_[ops[0]].c;
        for (int i = 1; i < k; ++i) {
          double c = nodes_[ops[i]].c;
          r = n.op == TOp::MAX ? std::max(r, c) : std::min(r, c);
        }
      } else {
        r = apply(n.op, nodes_[ops[0]].c, k > 1 ? nodes_[ops[1]].c : 0.0);
      }
    } catch (const Error &) {
      return -1;  // left for evaluation, which reports it with the row
    }
    nodes_.resize(base);
    TapeNode c;
    c.c = r;
    return add(c);
  };
  auto binary = [&](TOp op, Val x, Val y) {
    TapeNode n;
    n.op = op;
    n.a = materialize(std::move(x));
    n.b = materialize(std::move(y));
    int ops[2] = {n.a, n.b};
    int r = fold(n, ops, 2);
    return node_val(r >= 0 ? r : add(n));
  };
  auto pop = [&] {
    if (stack.empty() || stack.back().mark) fail(ERR_ARGUMENT, "operator without operands");
    Val v = std::move(stack.back());
    stack.pop_back();
    return v;
  };
  for (size_t i = 0; i < f.size() && f.types[i] != tok::END; ++i) {
    int t = f.types[i];
    double v = f.values[i];
    if (t == tok::CON) {
      Val c;
      c.constant = v;
      stack.push_back(std::move(c));
    } else if (t == tok::COL) {
      int col = (int)v;
      auto it = local.find(col);
      if (it != local.end()) {
        stack.push_back(node_val(varnode_[it->second]));
      } else {
        int k = (int)vars_.size();
        local[col] = k;
        vars_.push_back(col);
        TapeNode n;
        n.op = TOp::VAR;
        n.a = k;
        varnode_.push_back(add(n));
        stack.push_back(node_val(varnode_.back()));
      }
    } else if (t == tok::RB) {
      Val m;
      m.mark = true;
      stack.push_back(std::move(m));
    } else if (t == tok::OP) {
      const int code = (int)v;
      if (code == opcode::NEG) {
        stack.push_back(scaled(pop(), -1.0));
        continue;
      }
      Val y = pop(), x = pop();
      switch (code) {
        case opcode::ADD: stack.push_back(combined(std::move(x), std::move(y), 1.0)); break;
        case opcode::SUB: stack.push_back(combined(std::move(x), std::move(y), -1.0)); break;
        case opcode::MUL:
          if (x.is_constant()) stack.push_back(scaled(std::move(y), x.constant));
          else if (y.is_constant()) stack.push_back(scaled(std::move(x), y.constant));
          else stack.push_back(binary(TOp::MUL, std::move(x), std::move(y)));
          break;
        case opcode::DIV:
          // Division by a constant 0 stays a division: it fails when evaluated.
          if (y.is_constant() && y.constant != 0) stack.push_back(scaled(std::move(x), 1.0 / y.constant));
          else stack.push_back(binary(TOp::DIV, std::move(x), std::move(y)));
          break;
        case opcode::POW: stack.push_back(binary(TOp::POW, std::move(x), std::move(y))); break;
        default: fail(ERR_ARGUMENT, "unknown operator %d", code);
      }
    } else if (t == tok::IFUN || t == tok::FUN) {
      size_t j = stack.size();
      while (j > 0 && !stack[j - 1].mark) --j;
      if (j == 0) fail(ERR_ARGUMENT, "function without RB");
      std::vector<Val> vals;
      for (size_t q = j; q < stack.size(); ++q) vals.push_back(std::move(stack[q]));
      stack.resize(j - 1);
      TapeNode n;
      n.op = t == tok::FUN ? TOp::USER : op_of_ifun((int)v);
      int k = (int)vals.size();
      if (n.op != TOp::USER && is_nary(n.op) && k == 1) {  // max(a) = min(a) = a
        stack.push_back(std::move(vals[0]));
        continue;
      }
      std::vector<int> ops;
      for (Val &x : vals) ops.push_back(materialize(std::move(x)));
      if (!is_nary(n.op)) {
        if (k != 1) fail(ERR_ARGUMENT, "%s takes one argument", top_name(n.op));
        n.a = ops[0];
        int r = fold(n, ops.data(), 1);
        stack.push_back(node_val(r >= 0 ? r : add(n)));
        continue;
      }
      int r = fold(n, ops.data(), k);
      if (r >= 0) {
        stack.push_back(node_val(r));
        continue;
      }
      n.argoff = (int)args_.size();
      n.nargs = k;
      args_.insert(args_.end(), ops.begin(), ops.end());
      coefs_.insert(coefs_.end(), ops.size(), 1.0);
      if (n.op == TOp::USER) {
        n.user = (int)v;
        n.goff = ugsize_;
        n.hoff = uhsize_;
        ugsize_ += k;
        uhsize_ += k * k;
      }
      stack.push_back(node_val(add(n)));
    } else {
      fail(ERR_ARGUMENT, "token type %d in a parsed formula", t);
    }
  }
  if (stack.size() != 1 || stack[0].mark) fail(ERR_ARGUMENT, "the formula does not reduce to one value");
  int root = materialize(std::move(stack[0]));
  // The result must be the last node: when it is an earlier one (a repeated
  // column, max of one argument), copy it.
  if (root != (int)nodes_.size() - 1) {
    TapeNode s;
    s.op = TOp::LIN;
    s.argoff = (int)args_.size();
    s.nargs = 1;
    args_.push_back(root);
    coefs_.push_back(1.0);
    add(s);
  }
  if (second_order) {
    build_hessian_plan();
    // Users of every node, for the cones of the Hessian sweeps, with the
    // coefficient when the user is a LIN node.
    const int N = (int)nodes_.size();
    pstart_.assign(N + 1, 0);
    auto each_operand = [&](const TapeNode &n, auto f) {
      if (n.op == TOp::CONST || n.op == TOp::VAR) return;
      if (is_nary(n.op)) {
        for (int k = 0; k < n.nargs; ++k) f(args_[n.argoff + k], coefs_[n.argoff + k]);
      } else {
        f(n.a, 0.0);
        if (is_binary(n.op)) f(n.b, 0.0);
      }
    };
    for (const TapeNode &n : nodes_) each_operand(n, [&](int o, double) { ++pstart_[o + 1]; });
    for (int i = 0; i < N; ++i) pstart_[i + 1] += pstart_[i];
    parents_.resize(pstart_[N]);
    pcoef_.resize(pstart_[N]);
    std::vector<int> fill(pstart_.begin(), pstart_.end() - 1);
    for (int i = 0; i < N; ++i)
      each_operand(nodes_[i], [&](int o, double c) {
        pcoef_[fill[o]] = c;
        parents_[fill[o]++] = i;
      });
  }
}

void Tape::build_hessian_plan() {
  const size_t N = nodes_.size();
  const int K = (int)vars_.size();
  // dep[i]: the variables node i depends on, sorted. A node's set is freed
  // once its last user is done, and taken over by a user that is its only
  // one, so long chains stay linear in memory.
  std::vector<std::vector<int>> dep(N);
  std::vector<int> uses(N, 0);
  auto operands = [&](const TapeNode &n, std::vector<int> &ops) {
    ops.clear();
    if (n.op == TOp::CONST || n.op == TOp::VAR) return;
    if (is_nary(n.op)) ops.assign(args_.begin() + n.argoff, args_.begin() + n.argoff + n.nargs);
    else if (is_binary(n.op)) ops = {n.a, n.b};
    else ops = {n.a};
  };
  std::vector<int> ops;
  for (const TapeNode &n : nodes_) {
    operands(n, ops);
    for (int o : ops) ++uses[o];
  }
  // Structural pairs as keys (max << 32 | min), deduplicated as they grow.
  std::vector<int64_t> keys;
  size_t clean = 0;
  auto tidy = [&] {
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    clean = keys.size();
  };
  auto cross = [&](const std::vector<int> &A, const std::vector<int> &B) {
    for (int p : A)
      for (int q : B) keys.push_back(((int64_t)std::max(p, q) << 32) | (uint32_t)std::min(p, q));
    if (keys.size() > 2 * clean + 1024) tidy();
  };
  auto merge_into = [](std::vector<int> &base, const std::vector<int> &B) {
    if (B.size() <= 8) {
      for (int q : B) {
        auto it = std::lower_bound(base.begin(), base.end(), q);
        if (it == base.end() || *it != q) base.insert(it, q);
      }
    } else {
      std::vector<int> r;
      r.reserve(base.size() + B.size());
      std::set_union(base.begin(), base.end(), B.begin(), B.end(), std::back_inserter(r));
      base.swap(r);
    }
  };
  auto is_const = [&](int i) { return nodes_[i].op == TOp::CONST; };
  for (size_t i = 0; i < N; ++i) {
    const TapeNode &n = nodes_[i];
    if (n.op == TOp::CONST) continue;
    if (n.op == TOp::VAR) {
      dep[i] = {n.a};
      continue;
    }
    operands(n, ops);
    // Second derivatives this node contributes.
    if (n.op == TOp::USER) {
      std::vector<int> u;
      for (int o : ops) merge_into(u, dep[o]);
      cross(u, u);
    } else if (is_binary(n.op)) {
      const auto &A = dep[n.a], &B = dep[n.b];
      if (n.op == TOp::MUL && !is_const(n.a) && !is_const(n.b)) cross(A, B);
      if (n.op == TOp::DIV && !is_const(n.b)) {
        cross(A, B);
        cross(B, B);
      }
      if (n.op == TOp::POW) {
        if (is_const(n.b)) {
          double c = nodes_[n.b].c;
          if (c != 0 && c != 1) cross(A, A);
        } else if (is_const(n.a)) {
          cross(B, B);
        } else {
          cross(A, A);
          cross(A, B);
          cross(B, B);
        }
      }
    } else if (!is_nary(n.op) && n.op != TOp::ABS && n.op != TOp::SIGN) {
      cross(dep[n.a], dep[n.a]);
    }
    // Its dependency set: take over the largest set used only here.
    int own = -1;
    for (int o : ops)
      if (uses[o] == 1 && (own < 0 || dep[o].size() > dep[own].size())) own = o;
    std::vector<int> d;
    if (own >= 0) d.swap(dep[own]);
    if (ops.size() > 8) {  // many operands: gather, then sort once
      for (int o : ops)
        if (o != own) d.insert(d.end(), dep[o].begin(), dep[o].end());
      std::sort(d.begin(), d.end());
      d.erase(std::unique(d.begin(), d.end()), d.end());
    } else {
      for (int o : ops)
        if (o != own) merge_into(d, dep[o]);
    }
    dep[i].swap(d);
    for (int o : ops)
      if (--uses[o] == 0) std::vector<int>().swap(dep[o]);
  }
  tidy();
  std::vector<std::pair<int, int>> pairs;
  pairs.reserve(keys.size());
  for (int64_t k : keys) pairs.push_back({(int)(k >> 32), (int)(uint32_t)k});
  pairs_.assign(pairs.begin(), pairs.end());
  // Directions: every pair (k, l) is read from the sweep of k or of l.
  // Greedy cover: forced directions (diagonal pairs), then the variable
  // covering most of the pairs left.
  const int P = (int)pairs_.size();
  std::vector<int> owner(P, -1);
  std::vector<std::vector<int>> incident(K);
  for (int p = 0; p < P; ++p) {
    incident[pairs_[p].first].push_back(p);
    if (pairs_[p].second != pairs_[p].first) incident[pairs_[p].second].push_back(p);
  }
  std::vector<int> order;
  auto take = [&](int k) {
    order.push_back(k);
    for (int p : incident[k])
      if (owner[p] < 0) owner[p] = k;
  };
  for (int p = 0; p < P; ++p)
    if (pairs_[p].first == pairs_[p].second && owner[p] < 0) take(pairs_[p].first);
  for (;;) {
    int best = -1, bestn = 0;
    for (int k = 0; k < K; ++k) {
      int c = 0;
      for (int p : incident[k]) c += owner[p] < 0;
      if (c > bestn) {
        bestn = c;
        best = k;
      }
    }
    if (best < 0) break;
    take(best);
  }
  for (int k : order) {
    dir_.push_back(k);
    dstart_.push_back((int)dother_.size());
    for (int p : incident[k])
      if (owner[p] == k) {
        dother_.push_back(pairs_[p].first == k ? pairs_[p].second : pairs_[p].first);
        dpair_.push_back(p);
      }
  }
  dstart_.push_back((int)dother_.size());
}

void Tape::locals(const TapeNode &n, int i, TapeWork &w, int order) const {
  const double *v = w.v.data();
  double g0 = 0, g1 = 0, h00 = 0, h01 = 0, h11 = 0;
  const double r = v[i];
  switch (n.op) {
    case TOp::CONST:
    case TOp::VAR:
    case TOp::LIN:
    case TOp::USER: return;
    case TOp::MUL: g0 = v[n.b], g1 = v[n.a], h01 = 1; break;
    case TOp::DIV: {
      double y = v[n.b];
      g0 = 1 / y;
      g1 = -r / y;
      h01 = -1 / (y * y);
      h11 = 2 * r / (y * y);
      break;
    }
    case TOp::POW: {
      double x = v[n.a], y = v[n.b];
      bool yconst = nodes_[n.b].op == TOp::CONST;
      if (y == 0) {
        g0 = 0;
      } else if (y == 1) {
        g0 = 1;
      } else {
        g0 = y * std::pow(x, y - 1);
        if (order >= 2) h00 = y == 2 ? 2 : y * (y - 1) * std::pow(x, y - 2);
      }
      if (!yconst) {
        // d/dy x^y = x^y ln x; at x = 0 (y > 0) the limit is 0; a negative
        // base has none.
        double lx = x > 0 ? std::log(x) : NAN;
        g1 = x > 0 ? r * lx : (x == 0 && y > 0 ? 0.0 : NAN);
        if (order >= 2) {
          h11 = x > 0 ? r * lx * lx : (x == 0 && y > 0 ? 0.0 : NAN);
          h01 = x > 0 ? std::pow(x, y - 1) * (1 + y * lx) : (x == 0 && y > 1 ? 0.0 : NAN);
        }
      }
      break;
    }
    case TOp::EXP: g0 = r, h00 = r; break;
    case TOp::LN: {
      double x = v[n.a];
      g0 = 1 / x, h00 = -1 / (x * x);
      break;
    }
    case TOp::LOG10: {
      double x = v[n.a];
      g0 = 1 / (x * kLn10), h00 = -1 / (x * x * kLn10);
      break;
    }
    case TOp::SIN: g0 = std::cos(v[n.a]), h00 = -r; break;
    case TOp::COS: g0 = -std::sin(v[n.a]), h00 = -r; break;
    case TOp::TAN: g0 = 1 + r * r, h00 = 2 * r * (1 + r * r); break;
    case TOp::ASIN:
    case TOp::ACOS: {
      double x = v[n.a], q = 1 - x * x;
      double s = n.op == TOp::ASIN ? 1.0 : -1.0;
      g0 = q > 0 ? s / std::sqrt(q) : INFINITY;
      h00 = q > 0 ? s * x / (q * std::sqrt(q)) : INFINITY;
      break;
    }
    case TOp::ATAN: {
      double x = v[n.a], q = 1 + x * x;
      g0 = 1 / q, h00 = -2 * x / (q * q);
      break;
    }
    case TOp::ABS: {
      double x = v[n.a];
      g0 = x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0;
      break;
    }
    case TOp::SIGN: break;
    case TOp::ERF:
    case TOp::ERFC: {
      double x = v[n.a];
      g0 = kTwoOverSqrtPi * std::exp(-x * x) * (n.op == TOp::ERF ? 1 : -1);
      h00 = -2 * x * g0;
      break;
    }
    case TOp::SQRT:
      g0 = r > 0 ? 0.5 / r : INFINITY;
      h00 = r > 0 ? -0.25 / (r * r * r) : -INFINITY;
      break;
    case TOp::MAX:
    case TOp::MIN: {
      // The first argument attaining the extreme takes the derivative.
      int sel = 0;
      for (int k = 0; k < n.nargs; ++k)
        if (v[args_[n.argoff + k]] == r) {
          sel = k;
          break;
        }
      g0 = sel;
      break;
    }
  }
  w.g0[i] = g0;
  w.g1[i] = g1;
  if (order >= 2) {
    w.h00[i] = h00;
    w.h01[i] = h01;
    w.h11[i] = h11;
  }
}

double Tape::forward(const double *x, TapeWork &w, int order, const UserFuncTable *uf) const {
  const size_t N = nodes_.size();
  w.v.resize(N);
  if (order >= 1) {
    w.g0.resize(N);
    w.g1.resize(N);
    w.ug.resize(ugsize_);
  }
  if (order >= 2) {
    w.h00.resize(N);
    w.h01.resize(N);
    w.h11.resize(N);
    w.uh.resize(uhsize_);
  }
  double *v = w.v.data();
  for (size_t i = 0; i < N; ++i) {
    const TapeNode &n = nodes_[i];
    double r;
    switch (n.op) {
      case TOp::CONST: r = n.c; break;
      case TOp::VAR:
        r = x[vars_[n.a]];
        if (!std::isfinite(r)) fail(ERR_GENERAL, "column %d has the value %g", vars_[n.a], r);
        break;
      case TOp::LIN:
        r = n.c;
        for (int k = 0; k < n.nargs; ++k) r += coefs_[n.argoff + k] * v[args_[n.argoff + k]];
        if (!std::isfinite(r)) fail(ERR_GENERAL, "a sum is not finite");
        break;
      case TOp::MAX:
      case TOp::MIN:
        r = v[args_[n.argoff]];
        for (int k = 1; k < n.nargs; ++k) {
          double c = v[args_[n.argoff + k]];
          r = n.op == TOp::MAX ? std::max(r, c) : std::min(r, c);
        }
        break;
      case TOp::USER: {
        if (!uf) user_function_error("user function %d cannot be called here", n.user);
        w.uargs.resize(n.nargs);
        for (int k = 0; k < n.nargs; ++k) w.uargs[k] = v[args_[n.argoff + k]];
        r = call_user_function(*uf, n.user, w.uargs.data(), n.nargs, order >= 1 ? w.ug.data() + n.goff : nullptr,
                               order >= 2 ? w.uh.data() + n.hoff : nullptr);
        break;
      }
      default: r = apply(n.op, v[n.a], is_binary(n.op) ? v[n.b] : 0.0);
    }
    v[i] = r;
    if (order >= 1) locals(n, (int)i, w, order);
  }
  return v[N - 1];
}

void Tape::gradient(TapeWork &w) const {
  const int N = (int)nodes_.size();
  w.a.assign(N, 0.0);
  w.a[N - 1] = 1.0;
  double *a = w.a.data();
  const double *v = w.v.data();
  auto need = [&](double g, const TapeNode &n, int arg) {
    if (!std::isfinite(g)) derivative_error(n.op, v[arg]);
    return g;
  };
  for (int i = N - 1; i >= 0; --i) {
    const double ai = a[i];
    if (ai == 0) continue;
    const TapeNode &n = nodes_[i];
    switch (n.op) {
      case TOp::CONST:
      case TOp::VAR: break;
      case TOp::LIN:
        for (int k = 0; k < n.nargs; ++k) a[args_[n.argoff + k]] += ai * coefs_[n.argoff + k];
        break;
      case TOp::MAX:
      case TOp::MIN: a[args_[n.argoff + (int)w.g0[i]]] += ai; break;
      case TOp::USER:
        for (int k = 0; k < n.nargs; ++k) {
          int arg = args_[n.argoff + k];
          if (nodes_[arg].op != TOp::CONST) a[arg] += ai * need(w.ug[n.goff + k], n, arg);
        }
        break;
      default:
        if (nodes_[n.a].op != TOp::CONST) a[n.a] += ai * need(w.g0[i], n, n.a);
        if (is_binary(n.op) && nodes_[n.b].op != TOp::CONST) a[n.b] += ai * need(w.g1[i], n, n.b);
    }
  }
  w.grad.resize(vars_.size());
  for (size_t k = 0; k < vars_.size(); ++k) w.grad[k] = a[varnode_[k]];
}

// Operands of node n that can receive a second-order term a[n] * H * t in
// the sweep of a direction whose cone (nodes depending on it) is marked by
// `in_cone`: operand k when H(k, l) is structurally nonzero for an operand l
// in the cone.
template <class InCone, class Seed>
void Tape::seeds(const TapeNode &n, InCone in_cone, Seed seed) const {
  auto var = [&](int k) { return nodes_[k].op != TOp::CONST; };
  switch (n.op) {
    case TOp::MUL:
      if (var(n.a) && var(n.b)) {
        if (in_cone(n.b)) seed(n.a);
        if (in_cone(n.a)) seed(n.b);
      }
      break;
    case TOp::DIV:
      if (var(n.b)) {
        if (in_cone(n.b)) seed(n.a);
        seed(n.b);
      }
      break;
    case TOp::POW:
      if (var(n.a)) seed(n.a);
      if (var(n.b)) seed(n.b);
      break;
    case TOp::USER:
      for (int k = 0; k < n.nargs; ++k)
        if (var(args_[n.argoff + k])) seed(args_[n.argoff + k]);
      break;
    case TOp::CONST: case TOp::VAR: case TOp::LIN:
    case TOp::ABS: case TOp::SIGN: case TOp::MAX: case TOp::MIN:
      break;
    default:  // the other unary functions
      seed(n.a);
  }
}

void Tape::hessian(TapeWork &w, double *out) const {
  const int N = (int)nodes_.size();
  // t and at are zero outside the nodes each direction touches, and are
  // left zero again after it.
  w.t.assign(N, 0.0);
  w.at.assign(N, 0.0);
  w.cmark.assign(N, 0);
  w.vmark.assign(N, 0);
  double *t = w.t.data(), *at = w.at.data();
  const double *a = w.a.data(), *v = w.v.data();
  // Tangents may become NaN where a local derivative is not finite; that is
  // an error only if such a tangent is used with a nonzero weight, and the
  // error then names the first operation that produced one. An exact zero
  // on either side makes a product zero.
  int bad = -1;
  auto tangent = [&](double g, double s, int i) {
    if (s == 0 || g == 0) return 0.0;
    if (!std::isfinite(g)) {
      if (bad < 0) bad = i;
      return (double)NAN;
    }
    return g * s;
  };
  auto mul = [&](double g, double s, const TapeNode &n, int arg) {
    if (s == 0 || g == 0) return 0.0;
    double r = g * s;
    if (!std::isfinite(r)) {
      if (bad >= 0) {
        const TapeNode &b = nodes_[bad];
        derivative_error(b.op, b.op == TOp::USER ? NAN : v[b.a]);
      }
      derivative_error(n.op, v[arg]);
    }
    return r;
  };
  auto forward_node = [&](int i, int j) {
    const TapeNode &n = nodes_[i];
    switch (n.op) {
      case TOp::CONST: t[i] = 0; break;
      case TOp::VAR: t[i] = n.a == j ? 1.0 : 0.0; break;
      case TOp::LIN: {
        double s = 0;
        for (int k = 0; k < n.nargs; ++k) s += coefs_[n.argoff + k] * t[args_[n.argoff + k]];
        t[i] = s;
        break;
      }
      case TOp::MAX:
      case TOp::MIN: t[i] = t[args_[n.argoff + (int)w.g0[i]]]; break;
      case TOp::USER: {
        double s = 0;
        for (int k = 0; k < n.nargs; ++k) s += tangent(w.ug[n.goff + k], t[args_[n.argoff + k]], i);
        t[i] = s;
        break;
      }
      default:
        t[i] = tangent(w.g0[i], t[n.a], i) + (is_binary(n.op) ? tangent(w.g1[i], t[n.b], i) : 0.0);
    }
  };
  auto reverse_node = [&](int i) {
    const double ai = a[i], ati = at[i];
    if (ai == 0 && ati == 0) return;
    const TapeNode &n = nodes_[i];
    switch (n.op) {
      case TOp::CONST:
      case TOp::VAR: break;
      case TOp::LIN:
        if (ati != 0)
          for (int k = 0; k < n.nargs; ++k) at[args_[n.argoff + k]] += ati * coefs_[n.argoff + k];
        break;
      case TOp::MAX:
      case TOp::MIN: at[args_[n.argoff + (int)w.g0[i]]] += ati; break;
      case TOp::USER: {
        const int m = n.nargs;
        for (int k = 0; k < m; ++k) {
          int arg = args_[n.argoff + k];
          if (nodes_[arg].op == TOp::CONST) continue;
          double s = mul(w.ug[n.goff + k], ati, n, arg);
          if (ai != 0)
            for (int l = 0; l < m; ++l) {
              int argl = args_[n.argoff + l];
              s += ai * mul(w.uh[n.hoff + k * m + l], t[argl], n, argl);
            }
          at[arg] += s;
        }
        break;
      }
      default: {
        const bool bin = is_binary(n.op);
        const double ta = t[n.a], tb = bin ? t[n.b] : 0.0;
        if (nodes_[n.a].op != TOp::CONST) {
          double s = mul(w.g0[i], ati, n, n.a);
          if (ai != 0) s += ai * (mul(w.h00[i], ta, n, n.a) + (bin ? mul(w.h01[i], tb, n, n.b) : 0.0));
          at[n.a] += s;
        }
        if (bin && nodes_[n.b].op != TOp::CONST) {
          double s = mul(w.g1[i], ati, n, n.b);
          if (ai != 0) s += ai * (mul(w.h01[i], ta, n, n.a) + mul(w.h11[i], tb, n, n.b));
          at[n.b] += s;
        }
      }
    }
  };
  // Lists longer than this are swept in full instead of sorted.
  const size_t dense = (size_t)N / 4 + 16;
  std::vector<int> &cone = w.cone, &vis = w.vis;
  for (size_t d = 0; d < dir_.size(); ++d) {
    const int j = dir_[d], stamp = (int)d + 1;
    bad = -1;
    // The cone: the nodes that depend on variable j (t is zero elsewhere).
    cone.assign(1, varnode_[j]);
    w.cmark[varnode_[j]] = stamp;
    for (size_t k = 0; k < cone.size(); ++k)
      for (int p = pstart_[cone[k]]; p < pstart_[cone[k] + 1]; ++p)
        if (w.cmark[parents_[p]] != stamp) {
          w.cmark[parents_[p]] = stamp;
          cone.push_back(parents_[p]);
        }
    const bool full_forward = cone.size() > dense;
    if (full_forward) {
      for (int i = 0; i < N; ++i) forward_node(i, j);
    } else {
      // Tangents of LIN nodes are pushed from their operands in the cone,
      // so a long sum costs only the operands that change.
      std::sort(cone.begin(), cone.end());
      for (int i : cone) {
        if (nodes_[i].op != TOp::LIN) forward_node(i, j);
        const double ti = t[i];
        if (ti == 0) continue;
        for (int p = pstart_[i]; p < pstart_[i + 1]; ++p)
          if (nodes_[parents_[p]].op == TOp::LIN) t[parents_[p]] += pcoef_[p] * ti;
      }
    }
    // The nodes where at can become nonzero: operands seeded by a
    // second-order term of a cone node, and everything below them; plus the
    // cone nodes that seed.
    vis.clear();
    auto in_cone = [&](int k) { return w.cmark[k] == stamp; };
    auto seed = [&](int k) {
      if (w.vmark[k] != stamp) {
        w.vmark[k] = stamp;
        vis.push_back(k);
      }
    };
    for (int p : cone) seeds(nodes_[p], in_cone, seed);
    for (size_t k = 0; k < vis.size(); ++k) {
      const TapeNode &n = nodes_[vis[k]];
      if (n.op == TOp::CONST || n.op == TOp::VAR) continue;
      if (is_nary(n.op)) {
        for (int q = 0; q < n.nargs; ++q) seed(args_[n.argoff + q]);
      } else {
        seed(n.a);
        if (is_binary(n.op)) seed(n.b);
      }
    }
    for (int p : cone) {
      bool seeds_any = false;
      seeds(nodes_[p], in_cone, [&](int) { seeds_any = true; });
      if (seeds_any && w.vmark[p] != stamp) {
        w.vmark[p] = stamp;
        vis.push_back(p);
      }
    }
    const bool full_reverse = vis.size() > dense;
    if (full_reverse) {
      for (int i = N - 1; i >= 0; --i) reverse_node(i);
    } else {
      std::sort(vis.begin(), vis.end(), std::greater<int>());
      for (int i : vis) reverse_node(i);
    }
    for (int e = dstart_[d]; e < dstart_[d + 1]; ++e) out[dpair_[e]] = at[varnode_[dother_[e]]];
    // Back to zero for the next direction.
    if (full_forward) std::fill(t, t + N, 0.0);
    else for (int i : cone) t[i] = 0.0;
    if (full_reverse) std::fill(at, at + N, 0.0);
    else for (int i : vis) at[i] = 0.0;
  }
}

}  // namespace ondr
