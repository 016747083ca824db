// The compiled nonlinear model: values, exact first and second derivatives
// of every operator and function against finite differences, sparsity
// patterns, quadratic conventions, domain errors and user functions.
// Builds Models directly (engine internals): only inside the library build.
#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <thread>
#include "model/store.h"
#include "nlp/nlpmodel.h"
#include "nlp/userfunc.h"
#include "nlp_fixture.h"
#include "nlp_userfuncs.h"

using namespace nlt;
using ondr::Model;
using ondr::NlpModel;

namespace {

Model make_model(int n, int m) {
  Model M;
  M.obj.assign(n, 0.0);
  M.lb.assign(n, -1e20);
  M.ub.assign(n, 1e20);
  M.coltype.assign(n, 'C');
  M.limit.assign(n, 0.0);
  M.rowtype.assign(m, 'L');
  M.rhs.assign(m, 0.0);
  M.range.assign(m, 0.0);
  M.rows.resize(m);
  M.indcol.assign(m, -1);
  M.indcomp.assign(m, 0);
  return M;
}

void add_coef(Model &M, int row, int col, double factor, const Tokens &f) {
  Tokens e = f.end();
  ondr::NlCoef c;
  c.row = row;
  c.col = col;
  c.factor = factor;
  c.types = e.t;
  c.values = e.v;
  M.nlcoefs.push_back(c);
}

std::string what(const std::function<void()> &f) {
  try {
    f();
  } catch (const std::exception &e) {
    return e.what();
  }
  return "";
}

// Compares the model's derivatives at x with central differences; returns
// the largest error relative to the size of the entry.
double check_derivatives(const NlpModel &nm, const std::vector<double> &x, double tol, const char *name) {
  const int n = nm.ncols(), m = nm.nrows();
  std::vector<double> lambda(m), xp = x;
  for (int r = 0; r < m; ++r) lambda[r] = 0.7 + 0.3 * r;
  const double objf = 1.3;
  // Jacobian, dense, from the model.
  const auto &jp = nm.jacobian_pattern();
  std::vector<double> jv(jp.size());
  nm.jacobian_values(x.data(), jv.data());
  std::vector<double> J((size_t)m * n, 0.0);
  for (size_t k = 0; k < jp.size(); ++k) J[(size_t)jp.rows[k] * n + jp.cols[k]] += jv[k];
  // Gradient of the Lagrangian at a point, from the model's Jacobian.
  auto lag_grad = [&](const std::vector<double> &p) {
    std::vector<double> g(n), v(jp.size());
    nm.objective_gradient(p.data(), g.data());
    for (double &e : g) e *= objf;
    nm.jacobian_values(p.data(), v.data());
    for (size_t k = 0; k < jp.size(); ++k) g[jp.cols[k]] += lambda[jp.rows[k]] * v[k];
    return g;
  };
  const auto &hp = nm.hessian_pattern();
  std::vector<double> hv(hp.size());
  nm.hessian_values(x.data(), objf, lambda.data(), hv.data());
  std::vector<double> H((size_t)n * n, 0.0);
  for (size_t k = 0; k < hp.size(); ++k) {
    CHECK(hp.rows[k] >= hp.cols[k]);
    H[(size_t)hp.rows[k] * n + hp.cols[k]] += hv[k];
  }
  double worst = 0;
  std::vector<double> a(m), b(m);
  for (int j = 0; j < n; ++j) {
    double h = 1e-6 * std::max(1.0, std::fabs(x[j]));
    xp[j] = x[j] + h;
    nm.rows(xp.data(), a.data());
    std::vector<double> gp = lag_grad(xp);
    xp[j] = x[j] - h;
    nm.rows(xp.data(), b.data());
    std::vector<double> gm = lag_grad(xp);
    xp[j] = x[j];
    for (int r = 0; r < m; ++r) {
      double fd = (a[r] - b[r]) / (2 * h), ad = J[(size_t)r * n + j];
      double err = std::fabs(fd - ad) / (1 + std::fabs(fd));
      if (err > tol) fprintf(stderr, "  %s: dr%d/dx%d = %.10g, differences give %.10g\n", name, r, j, ad, fd);
      worst = std::max(worst, err);
    }
    for (int i = j; i < n; ++i) {
      double fd = (gp[i] - gm[i]) / (2 * h), ad = H[(size_t)i * n + j];
      double err = std::fabs(fd - ad) / (1 + std::fabs(fd));
      if (err > tol) fprintf(stderr, "  %s: H(%d,%d) = %.10g, differences give %.10g\n", name, i, j, ad, fd);
      worst = std::max(worst, err);
    }
  }
  return worst;
}

const std::vector<std::vector<double>> kPoints = {{0.3, 1.7, -0.4}, {-0.6, 0.8, 1.3}, {0.9, 2.5, 0.1}};

Tokens mul(const Tokens &a, const Tokens &b) { return binop(OSLP_OP_MULTIPLY, a, b); }
Tokens plus(const Tokens &a, const Tokens &b) { return binop(OSLP_OP_PLUS, a, b); }

struct OpCase {
  const char *name;
  Tokens f;
  std::function<double(const std::vector<double> &)> value;
};

std::vector<OpCase> op_cases() {
  using V = const std::vector<double> &;
  Tokens x0 = col(0), x1 = col(1), x2 = col(2);
  return {
      {"exp", fn(OSLP_IFUN_EXP, plus(mul(x0, x2), x1)), [](V x) { return std::exp(x[0] * x[2] + x[1]); }},
      {"ln", fn(OSLP_IFUN_LN, plus(x1, mul(x0, x0))), [](V x) { return std::log(x[1] + x[0] * x[0]); }},
      {"log10", fn(OSLP_IFUN_LOG10, plus(mul(x1, mul(x2, x2)), con(0.5))),
       [](V x) { return std::log10(x[1] * x[2] * x[2] + 0.5); }},
      {"sin", fn(OSLP_IFUN_SIN, mul(x0, x1)), [](V x) { return std::sin(x[0] * x[1]); }},
      {"cos", fn(OSLP_IFUN_COS, mul(x1, x2)), [](V x) { return std::cos(x[1] * x[2]); }},
      {"tan", fn(OSLP_IFUN_TAN, mul(x0, x2)), [](V x) { return std::tan(x[0] * x[2]); }},
      {"asin", fn(OSLP_IFUN_ASIN, mul(x0, x2)), [](V x) { return std::asin(x[0] * x[2]); }},
      {"acos", fn(OSLP_IFUN_ACOS, mul(con(0.5), x2)), [](V x) { return std::acos(0.5 * x[2]); }},
      {"atan", fn(OSLP_IFUN_ATAN, prod({x0, x1, x2})), [](V x) { return std::atan(x[0] * x[1] * x[2]); }},
      {"abs", fn(OSLP_IFUN_ABS, mul(x0, x2)), [](V x) { return std::fabs(x[0] * x[2]); }},
      {"sign", mul(fn(OSLP_IFUN_SIGN, x0), mul(x1, x1)), [](V x) { return (x[0] > 0 ? 1 : -1) * x[1] * x[1]; }},
      {"erf", fn(OSLP_IFUN_ERF, mul(x0, x1)), [](V x) { return std::erf(x[0] * x[1]); }},
      {"erfc", fn(OSLP_IFUN_ERFC, mul(x1, x2)), [](V x) { return std::erfc(x[1] * x[2]); }},
      {"sqrt", fn(OSLP_IFUN_SQRT, plus(mul(x1, x1), mul(x2, x2))),
       [](V x) { return std::sqrt(x[1] * x[1] + x[2] * x[2]); }},
      {"divide", binop(OSLP_OP_DIVIDE, mul(x0, x1), plus(x1, x2)), [](V x) { return x[0] * x[1] / (x[1] + x[2]); }},
      {"power, variable exponent", binop(OSLP_OP_EXPONENT, x1, x0), [](V x) { return std::pow(x[1], x[0]); }},
      {"power, both variable", binop(OSLP_OP_EXPONENT, plus(x1, con(1)), mul(x0, x2)),
       [](V x) { return std::pow(x[1] + 1, x[0] * x[2]); }},
      {"power 2.5", binop(OSLP_OP_EXPONENT, plus(mul(x1, x2), con(2)), con(2.5)),
       [](V x) { return std::pow(x[1] * x[2] + 2, 2.5); }},
      {"cube of a negative", binop(OSLP_OP_EXPONENT, x2, con(3)), [](V x) { return std::pow(x[2], 3); }},
      {"power of a constant", binop(OSLP_OP_EXPONENT, con(2), mul(x0, x1)), [](V x) { return std::pow(2, x[0] * x[1]); }},
      {"negation", unop(prod({x0, x1, x2})), [](V x) { return -x[0] * x[1] * x[2]; }},
      {"difference", binop(OSLP_OP_MINUS, mul(x0, x0), mul(x1, x2)), [](V x) { return x[0] * x[0] - x[1] * x[2]; }},
      {"max", max({mul(x0, x1), x2, con(0.1)}), [](V x) { return std::max({x[0] * x[1], x[2], 0.1}); }},
      {"min", min({x0, mul(x1, x2), con(0.5)}), [](V x) { return std::min({x[0], x[1] * x[2], 0.5}); }},
      {"balanced sum", sum({mul(x0, x1), fn(OSLP_IFUN_EXP, x2), lin(3, 0), con(2), mul(x2, x2)}),
       [](V x) { return x[0] * x[1] + std::exp(x[2]) + 3 * x[0] + 2 + x[2] * x[2]; }},
      {"nested", prod({con(2), x0, fn(OSLP_IFUN_SIN, sum({x1, lin(-2, 2), mul(x0, x2)}))}),
       [](V x) { return 2 * x[0] * std::sin(x[1] - 2 * x[2] + x[0] * x[2]); }},
  };
}

}  // namespace

TEST(every_operator_value_and_derivatives) {
  for (const OpCase &c : op_cases()) {
    // The formula alone (unit column), and times a column with a factor.
    Model M = make_model(3, 2);
    add_coef(M, 0, ondr::kUnitColumn, 1.0, c.f);
    add_coef(M, 1, 2, -1.5, c.f);
    NlpModel nm(M, nullptr);
    CHECK(nm.has_formulas());
    for (const auto &x : kPoints) {
      double r[2];
      nm.rows(x.data(), r);
      CHECK_NEAR(r[0], c.value(x), 1e-12);
      CHECK_NEAR(r[1], -1.5 * x[2] * c.value(x), 1e-12);
      double worst = check_derivatives(nm, x, 2e-6, c.name);
      CHECK(worst <= 2e-6);
    }
  }
}

TEST(quadratic_conventions_and_objective) {
  // Objective 0.5 x'Qx with each pair once: 3 x0 x1 + 3 x0^2 + 2 x2 - 4.
  // Row 0: x'Qx with each pair once: 3 x0 x1 + 3 x1^2 + x2. Pairs in either order.
  Model M = make_model(3, 2);
  M.obj = {0, 0, 2};
  M.objconst_neg = 4;
  M.qobj[{0, 1}] = 3;
  M.qobj[{0, 0}] = 6;
  M.qrows[0][{1, 0}] = 1.5;
  M.qrows[0][{1, 1}] = 3;
  M.rows[0].push_back({2, 1.0});
  add_coef(M, 1, 0, 2.0, mul(col(0), col(1)));
  NlpModel nm(M, nullptr);
  for (const auto &x : kPoints) {
    CHECK_NEAR(nm.objective(x.data()), 3 * x[0] * x[1] + 3 * x[0] * x[0] + 2 * x[2] - 4, 1e-14);
    std::vector<double> g(3);
    nm.objective_gradient(x.data(), g.data());
    CHECK_NEAR(g[0], 3 * x[1] + 6 * x[0], 1e-14);
    CHECK_NEAR(g[1], 3 * x[0], 1e-14);
    CHECK_NEAR(g[2], 2, 1e-14);
    double r[2];
    nm.rows(x.data(), r);
    CHECK_NEAR(r[0], 3 * x[0] * x[1] + 3 * x[1] * x[1] + x[2], 1e-14);
    CHECK_NEAR(r[1], 2 * x[0] * x[0] * x[1], 1e-14);
    CHECK(check_derivatives(nm, x, 1e-6, "quadratics") <= 1e-6);
  }
  // Patterns: row 0 has columns 0, 1, 2; row 1 columns 0, 1. The Hessian
  // has (0,0), (1,0), (1,1) only.
  const auto &jp = nm.jacobian_pattern();
  CHECK(jp.size() == 5);
  CHECK(jp.rows == std::vector<int>({0, 0, 0, 1, 1}) && jp.cols == std::vector<int>({0, 1, 2, 0, 1}));
  const auto &hp = nm.hessian_pattern();
  CHECK(hp.size() == 3);
  CHECK(!nm.has_formulas() == false);
  Model L = make_model(2, 1);
  L.qrows[0][{0, 1}] = 1;
  CHECK(!NlpModel(L, nullptr).has_formulas());
}

TEST(hessian_pattern_is_exact_and_scales) {
  // Row i: exp(x_i * x_{i+1}) + sin(x_i) + 3 x_{i+1}: the Hessian has the
  // diagonal and the first subdiagonal only.
  const int n = 4000;
  Model M = make_model(n, n - 1);
  for (int i = 0; i + 1 < n; ++i) {
    add_coef(M, i, ondr::kUnitColumn, 1.0, sum({fn(OSLP_IFUN_EXP, mul(col(i), col(i + 1))), fn(OSLP_IFUN_SIN, col(i))}));
    M.rows[i].push_back({i + 1, 3.0});
  }
  auto t0 = std::chrono::steady_clock::now();
  NlpModel nm(M, nullptr);
  CHECK(nm.hessian_pattern().size() == (size_t)(2 * n - 1));
  CHECK(nm.jacobian_pattern().size() == (size_t)(2 * (n - 1)));
  std::vector<double> x(n), lambda(n - 1, 1.0), hv(nm.hessian_pattern().size()), jv(nm.jacobian_pattern().size()),
      r(n - 1);
  for (int i = 0; i < n; ++i) x[i] = 0.1 * std::sin(i);
  for (int k = 0; k < 10; ++k) {
    nm.rows(x.data(), r.data());
    nm.jacobian_values(x.data(), jv.data());
    nm.hessian_values(x.data(), 1.0, lambda.data(), hv.data());
  }
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (secs > 2) fprintf(stderr, "  slow: %.2f s\n", secs);
  CHECK(secs < 10);
  // x0 * (sin(x1) + ... + sin(xK)): one formula, a sparse Hessian.
  {
    const int K = 8000;
    Model P = make_model(K + 1, 2);
    std::vector<Tokens> ops;
    Tokens left = fn(OSLP_IFUN_SIN, col(1));  // the same sum read left to right, in row 1
    for (int i = 1; i <= K; ++i) ops.push_back(fn(OSLP_IFUN_SIN, col(i)));
    for (int i = 2; i <= K; ++i) left = binop(OSLP_OP_MINUS, left, unop(ops[i - 1]));
    add_coef(P, 0, 0, 1.0, sum(ops));
    add_coef(P, 1, 0, 1.0, left);
    auto p0 = std::chrono::steady_clock::now();
    NlpModel np(P, nullptr);
    std::vector<double> xp(K + 1, 0.3), hp(np.hessian_pattern().size()), l1 = {1.0, 1.0};
    for (int k = 0; k < 10; ++k) np.hessian_values(xp.data(), 1.0, l1.data(), hp.data());
    double s2 = std::chrono::duration<double>(std::chrono::steady_clock::now() - p0).count();
    if (s2 > 1) fprintf(stderr, "  slow sparse formula Hessian: %.2f s\n", s2);
    CHECK(s2 < 5);
    CHECK(hp.size() == (size_t)2 * K);
    CHECK_NEAR(hp[0], 2 * std::cos(0.3), 1e-15);  // (1,0): d2/dx0dx1, both rows
    CHECK_NEAR(hp[1], -0.6 * std::sin(0.3), 1e-15);  // (1,1)
  }
  // Spot check one row against differences on a small copy.
  Model S = make_model(3, 1);
  add_coef(S, 0, ondr::kUnitColumn, 1.0, sum({fn(OSLP_IFUN_EXP, mul(col(0), col(1))), fn(OSLP_IFUN_SIN, col(0))}));
  CHECK(check_derivatives(NlpModel(S, nullptr), {0.4, -0.7, 0}, 1e-6, "chain") <= 1e-6);
}

TEST(large_formulas_dense_and_sparse_hessians) {
  // Long formulas take both ways of the Hessian sweeps: restricted to the
  // nodes a direction reaches, and full sweeps where that is most nodes.
  const int K = 40;
  std::vector<Tokens> squares, sines;
  Tokens chain = mul(col(1), col(2));
  for (int i = 1; i < K; ++i) {
    squares.push_back(mul(col(i), col(i)));
    sines.push_back(fn(OSLP_IFUN_SIN, col(i)));
    if (i >= 3 && i % 2 == 1) chain = plus(chain, mul(col(i), col(i + 1 < K ? i + 1 : 1)));
  }
  Tokens left = col(0);  // x0 + x1 + ... as text reads it: the cone of x0 is most nodes
  for (int i = 1; i < K; ++i) left = plus(left, col(i));
  Model M = make_model(K, 4);
  add_coef(M, 3, ondr::kUnitColumn, 1.0, fn(OSLP_IFUN_SIN, mul(con(0.1), left)));
  add_coef(M, 0, ondr::kUnitColumn, 1.0, fn(OSLP_IFUN_EXP, mul(con(0.01), sum(squares))));  // dense
  add_coef(M, 1, 0, 1.0, sum(sines));                                                       // x0 * sum: sparse
  add_coef(M, 2, 0, 0.5, fn(OSLP_IFUN_COS, chain));                                         // long chain
  NlpModel nm(M, nullptr);
  std::vector<double> x(K);
  for (int i = 0; i < K; ++i) x[i] = 0.3 * std::sin(1.0 + i);
  CHECK(check_derivatives(nm, x, 1e-6, "large formulas") <= 1e-6);
  size_t expected = (size_t)K * (K + 1) / 2;  // row 3 is dense
  CHECK(nm.hessian_pattern().size() == expected);
  Model S = make_model(K, 1);
  add_coef(S, 0, 0, 1.0, sum(sines));
  NlpModel ns(S, nullptr);
  CHECK(ns.hessian_pattern().size() == (size_t)2 * (K - 1));
}

TEST(nonsmooth_rules_and_structural_zeros) {
  Model M = make_model(2, 4);
  add_coef(M, 0, ondr::kUnitColumn, 1.0, fn(OSLP_IFUN_ABS, col(0)));
  add_coef(M, 1, ondr::kUnitColumn, 1.0, max({col(0), col(1)}));
  add_coef(M, 2, ondr::kUnitColumn, 1.0, mul(con(0), fn(OSLP_IFUN_SQRT, col(0))));  // exact zero times sqrt
  add_coef(M, 3, ondr::kUnitColumn, 1.0, mul(col(1), fn(OSLP_IFUN_SQRT, col(0))));
  NlpModel nm(M, nullptr);
  std::vector<double> x = {0, 0}, jv(nm.jacobian_pattern().size(), NAN);
  // At (0, 0) every derivative is defined: x1 * sqrt(x0) has the zero
  // multiplier x1 on the infinite derivative of sqrt.
  nm.jacobian_values(x.data(), jv.data());
  const auto &jp = nm.jacobian_pattern();
  std::map<std::pair<int, int>, double> J;
  for (size_t k = 0; k < jp.size(); ++k) J[{jp.rows[k], jp.cols[k]}] = jv[k];
  CHECK(J[std::make_pair(0, 0)] == 0.0);  // abs'(0) = 0
  CHECK(J[std::make_pair(1, 0)] == 1.0);  // a tie goes to the first argument
  CHECK(J[std::make_pair(1, 1)] == 0.0);
  CHECK(J[std::make_pair(2, 0)] == 0.0);  // 0 * sqrt(x) at 0
  CHECK(J[std::make_pair(3, 0)] == 0.0 && J[std::make_pair(3, 1)] == 0.0);
  std::vector<double> lambda = {1, 1, 1, 0}, hv(nm.hessian_pattern().size());
  nm.hessian_values(x.data(), 0.0, lambda.data(), hv.data());
  for (double h : hv) CHECK(h == 0.0);
  // At (0, 1) the derivative of sqrt is needed: an error naming the row.
  x = {0, 1};
  std::string e = what([&] { nm.jacobian_values(x.data(), jv.data()); });
  CHECK_CONTAINS(e, "row 3");
  CHECK_CONTAINS(e, "sqrt");
}

TEST(domain_errors_name_the_row) {
  struct E {
    Tokens f;
    std::vector<double> x;
    const char *word;
    int order;  // 0: value fails, 1: first derivative fails, 2: second
  } table[] = {
      {fn(OSLP_IFUN_LN, col(0)), {-1, 0}, "ln of -1", 0},
      {fn(OSLP_IFUN_LOG10, col(0)), {0, 0}, "log10", 0},
      {fn(OSLP_IFUN_SQRT, col(0)), {-4, 0}, "sqrt of the negative number -4", 0},
      {binop(OSLP_OP_DIVIDE, col(1), col(0)), {0, 1}, "division by zero", 0},
      {binop(OSLP_OP_EXPONENT, col(0), con(0.5)), {-2, 0}, "fractional power", 0},
      {binop(OSLP_OP_EXPONENT, col(0), con(-2)), {0, 0}, "negative power", 0},
      {fn(OSLP_IFUN_ASIN, col(0)), {1.5, 0}, "asin of 1.5", 0},
      {fn(OSLP_IFUN_ACOS, col(0)), {-2, 0}, "acos", 0},
      {fn(OSLP_IFUN_EXP, col(0)), {1000, 0}, "exp", 0},
      {fn(OSLP_IFUN_SQRT, col(0)), {0, 0}, "derivative of sqrt", 1},
      {fn(OSLP_IFUN_ASIN, col(0)), {1, 0}, "derivative of asin", 1},
      {binop(OSLP_OP_EXPONENT, col(0), con(0.5)), {0, 0}, "derivative of power", 1},
      {binop(OSLP_OP_EXPONENT, col(0), col(1)), {-2, 2}, "derivative of power", 1},
      {binop(OSLP_OP_EXPONENT, col(0), con(1.5)), {0, 0}, "derivative of power", 2},
  };
  for (const E &e : table) {
    Model M = make_model(2, 2);
    M.rownames = {"first", "second"};
    add_coef(M, 1, ondr::kUnitColumn, 1.0, e.f);
    NlpModel nm(M, nullptr);
    std::vector<double> r(2), jv(nm.jacobian_pattern().size()), hv(nm.hessian_pattern().size()), l = {1, 1};
    std::string msg = what([&] {
      nm.rows(e.x.data(), r.data());
      if (e.order >= 1) nm.jacobian_values(e.x.data(), jv.data());
      if (e.order >= 2) nm.hessian_values(e.x.data(), 1.0, l.data(), hv.data());
    });
    if (msg.find(e.word) == std::string::npos) fprintf(stderr, "  expected \"%s\": \"%s\"\n", e.word, msg.c_str());
    CHECK_CONTAINS(msg, e.word);
    CHECK_CONTAINS(msg, "row 1 (second)");
    if (e.order > 0) {  // the lower orders work
      std::string lower = what([&] {
        nm.rows(e.x.data(), r.data());
        if (e.order >= 2) nm.jacobian_values(e.x.data(), jv.data());
      });
      CHECK(lower.empty());
    }
  }
  // A formula referring to a column that is gone is refused when compiled.
  Model M = make_model(2, 1);
  add_coef(M, 0, ondr::kUnitColumn, 1.0, col(5));
  CHECK_CONTAINS(what([&] { NlpModel nm(M, nullptr); }), "column 5");
  Model M2 = make_model(2, 1);
  add_coef(M2, 0, 7, 1.0, col(0));
  CHECK_CONTAINS(what([&] { NlpModel nm(M2, nullptr); }), "column 7");
}

TEST(user_function_derivatives) {
  NlpFixture f(3, 3);
  Scale scale{1.5};
  CHECK(register_like_module(f.slp, (void *)uf_with_derivs, &scale, kCallDerivs) == 1);
  CHECK(register_like_module(f.slp, (void *)uf_value_only, nullptr, kCallValue) == 2);
  CHECK(register_like_module(f.slp, (void *)uf_nan, nullptr, kCallValue) == 3);

  // The function's own derivatives, and differences for the other.
  Model M = make_model(3, 3);
  add_coef(M, 0, ondr::kUnitColumn, 1.0, user(1, {mul(col(0), col(2)), plus(col(1), con(1))}));
  add_coef(M, 1, 0, 2.0, user(2, {col(0), mul(col(1), col(2)), col(2)}));
  add_coef(M, 2, ondr::kUnitColumn, 1.0, fn(OSLP_IFUN_SIN, user(1, {col(2), col(2)})));
  NlpModel nm(M, f.slp);
  for (const auto &x : kPoints) {
    double r[3];
    nm.rows(x.data(), r);
    CHECK_NEAR(r[0], 1.5 * x[0] * x[2] * x[0] * x[2] * (x[1] + 1), 1e-13);
    CHECK(check_derivatives(nm, x, 2e-4, "user functions") <= 2e-4);
  }
  // A function that gives its derivatives is called once for a gradient.
  Model M1 = make_model(3, 1);
  add_coef(M1, 0, ondr::kUnitColumn, 1.0, user(1, {col(0), col(1)}));
  NlpModel nm1(M1, f.slp);
  std::vector<double> x = {0.5, 2, 0}, jv(nm1.jacobian_pattern().size());
  g_calls = 0;
  nm1.jacobian_values(x.data(), jv.data());
  CHECK(g_calls == 1);
  CHECK_NEAR(jv[0], 2 * 1.5 * 0.5 * 2, 1e-14);
  CHECK_NEAR(jv[1], 1.5 * 0.25, 1e-14);

  // Failures name the row and the function.
  Model M3 = make_model(3, 2);
  add_coef(M3, 1, ondr::kUnitColumn, 1.0, user(2, {col(0), col(1), con(11)}));
  std::vector<double> r(2);
  std::string e = what([&] { NlpModel(M3, f.slp).rows(x.data(), r.data()); });
  CHECK_CONTAINS(e, "row 1");
  CHECK_CONTAINS(e, "user function 'ondpy_generic_user_function' (number 2) reported an error");
  // A user function's failure has its own type (solves stop on it); a
  // domain error has not.
  auto user_typed = [&](const Model &mm) {
    try {
      NlpModel(mm, f.slp).rows(x.data(), r.data());
    } catch (const ondr::UserFunctionError &) {
      return 1;
    } catch (const std::exception &) {
      return 0;
    }
    return -1;
  };
  CHECK(user_typed(M3) == 1);
  Model M6 = make_model(3, 2);
  add_coef(M6, 1, ondr::kUnitColumn, 1.0, fn(OSLP_IFUN_LN, unop(user(1, {col(0), col(1)}))));
  CHECK(user_typed(M6) == 0);
  Model M4 = make_model(3, 1);
  add_coef(M4, 0, ondr::kUnitColumn, 1.0, user(3, {unop(col(0))}));
  CHECK_CONTAINS(what([&] { NlpModel(M4, f.slp).rows(x.data(), r.data()); }), "number 3");
  // Numbers not registered are refused when compiled; a function without
  // an address fails when called.
  Model M5 = make_model(3, 1);
  add_coef(M5, 0, ondr::kUnitColumn, 1.0, user(4, {col(0)}));
  CHECK_CONTAINS(what([&] { NlpModel nm5(M5, f.slp); }), "user function 4");
  CHECK_OK(OSLPchguserfuncaddress(f.slp, 3, nullptr));
  CHECK_CONTAINS(what([&] { NlpModel(M4, f.slp).rows(x.data(), r.data()); }), "no address");
}

TEST(concurrent_evaluation_shares_nothing) {
  NlpFixture f(3, 1);
  Scale scale{2.0};
  register_like_module(f.slp, (void *)uf_with_derivs, &scale, kCallDerivs);
  Model M = make_model(3, 2);
  add_coef(M, 0, ondr::kUnitColumn, 1.0, plus(user(1, {col(0), col(1)}), fn(OSLP_IFUN_EXP, mul(col(1), col(2)))));
  add_coef(M, 1, 1, 1.0, fn(OSLP_IFUN_SIN, mul(col(0), col(2))));
  NlpModel nm(M, f.slp);
  std::vector<double> x = {0.3, 0.2, -0.5}, lambda = {1.0, -2.0};
  std::vector<double> h0(nm.hessian_pattern().size());
  nm.hessian_values(x.data(), 1.0, lambda.data(), h0.data());
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      std::vector<double> h(h0.size());
      for (int k = 0; k < 200; ++k) {
        nm.hessian_values(x.data(), 1.0, lambda.data(), h.data());
        if (h != h0) ++mismatches;
      }
    });
  for (auto &t : threads) t.join();
  CHECK(mismatches == 0);
}

