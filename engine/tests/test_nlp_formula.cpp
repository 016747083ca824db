// Formula tokens as the module writes them, their checking, evaluation and
// text form, through the C interface.
#include <cmath>
#include <functional>
#include "nlp_fixture.h"

using namespace nlt;

namespace {

const std::vector<double> X = {0.3, 1.7, -0.4};

struct Case {
  const char *name;
  Tokens f;
  std::function<double(const std::vector<double> &)> value;
};

std::vector<Case> cases() {
  using V = const std::vector<double> &;
  return {
      {"sum of five", sum({col(0), col(1), col(2), con(2), lin(3, 1)}), [](V x) { return x[0] + 4 * x[1] + x[2] + 2; }},
      {"product of three", prod({col(0), col(1), col(2)}), [](V x) { return x[0] * x[1] * x[2]; }},
      {"minus x", lin(-1, 0), [](V x) { return -x[0]; }},
      {"2.5 z", lin(2.5, 2), [](V x) { return 2.5 * x[2]; }},
      {"quadratic term", Tokens().add(con(-3)).add(col(0)).add(col(1)).add(OSLP_TOK_OP, 3).add(OSLP_TOK_OP, 3),
       [](V x) { return -3 * x[0] * x[1]; }},
      {"difference", binop(OSLP_OP_MINUS, col(1), col(0)), [](V x) { return x[1] - x[0]; }},
      {"quotient", binop(OSLP_OP_DIVIDE, col(1), col(0)), [](V x) { return x[1] / x[0]; }},
      {"power", binop(OSLP_OP_EXPONENT, col(1), con(2.5)), [](V x) { return std::pow(x[1], 2.5); }},
      {"variable power", binop(OSLP_OP_EXPONENT, col(1), col(0)), [](V x) { return std::pow(x[1], x[0]); }},
      {"negative base, integer power", binop(OSLP_OP_EXPONENT, col(2), con(3)), [](V x) { return std::pow(x[2], 3); }},
      {"negated sum", unop(sum({col(0), col(1)})), [](V x) { return -(x[0] + x[1]); }},
      {"exp", fn(OSLP_IFUN_EXP, col(0)), [](V x) { return std::exp(x[0]); }},
      {"ln", fn(OSLP_IFUN_LN, col(1)), [](V x) { return std::log(x[1]); }},
      {"log10", fn(OSLP_IFUN_LOG10, col(1)), [](V x) { return std::log10(x[1]); }},
      {"sin", fn(OSLP_IFUN_SIN, col(1)), [](V x) { return std::sin(x[1]); }},
      {"cos", fn(OSLP_IFUN_COS, col(1)), [](V x) { return std::cos(x[1]); }},
      {"tan", fn(OSLP_IFUN_TAN, col(0)), [](V x) { return std::tan(x[0]); }},
      {"asin", fn(OSLP_IFUN_ASIN, col(0)), [](V x) { return std::asin(x[0]); }},
      {"acos", fn(OSLP_IFUN_ACOS, col(2)), [](V x) { return std::acos(x[2]); }},
      {"atan", fn(OSLP_IFUN_ATAN, col(1)), [](V x) { return std::atan(x[1]); }},
      {"abs", fn(OSLP_IFUN_ABS, col(2)), [](V x) { return std::fabs(x[2]); }},
      {"sign", fn(OSLP_IFUN_SIGN, col(2)), [](V) { return -1.0; }},
      {"sign of zero", fn(OSLP_IFUN_SIGN, binop(OSLP_OP_MINUS, col(0), col(0))), [](V) { return 0.0; }},
      {"erf", fn(OSLP_IFUN_ERF, col(2)), [](V x) { return std::erf(x[2]); }},
      {"erfc", fn(OSLP_IFUN_ERFC, col(2)), [](V x) { return std::erfc(x[2]); }},
      {"sqrt", fn(OSLP_IFUN_SQRT, col(1)), [](V x) { return std::sqrt(x[1]); }},
      {"max of two", max({col(0), col(2)}), [](V x) { return std::max(x[0], x[2]); }},
      {"max of four", max({col(0), col(1), col(2), con(0.5)}), [](V x) { return x[1]; }},
      {"min of five", min({col(0), col(1), col(2), con(-1), con(3)}), [](V) { return -1.0; }},
      {"n-ary max in one call", Tokens().add(OSLP_TOK_RB).add(col(0)).add(col(1)).add(col(2)).add(OSLP_TOK_IFUN, 34),
       [](V x) { return x[1]; }},
      {"nested", prod({con(2), col(0), fn(OSLP_IFUN_SIN, sum({col(1), lin(-2, 2)}))}),
       [](V x) { return 2 * x[0] * std::sin(x[1] - 2 * x[2]); }},
      {"min inside exp", fn(OSLP_IFUN_EXP, min({col(0), unop(col(2)), con(0.2)})), [](V) { return std::exp(0.2); }},
  };
}

}  // namespace

TEST(module_token_patterns_evaluate) {
  // The balanced pattern itself, as the module writes it.
  Tokens m4 = max({col(0), col(1), col(2), con(1)});
  const int RB = OSLP_TOK_RB, COL = OSLP_TOK_COL, CON = OSLP_TOK_CON, IFUN = OSLP_TOK_IFUN, OP = OSLP_TOK_OP;
  std::vector<int> want = {RB, RB, COL, COL, IFUN, RB, COL, CON, IFUN, IFUN};
  CHECK(m4.t == want);
  Tokens s5 = sum({col(0), col(1), col(0), col(1), col(0)});
  std::vector<int> want5 = {COL, COL, OP, COL, COL, OP, OP, COL, OP};
  CHECK(s5.t == want5);

  NlpFixture f;
  f.at(X);
  for (const Case &c : cases()) {
    double r = NAN;
    int rc = f.eval(c.f, &r);
    if (rc) fprintf(stderr, "  %s: %s\n", c.name, f.err().c_str());
    CHECK(rc == 0);
    if (std::fabs(r - c.value(X)) > 1e-12 * (1 + std::fabs(r))) fprintf(stderr, "  %s\n", c.name);
    CHECK_NEAR(r, c.value(X), 1e-12);
  }
}

TEST(text_round_trip_keeps_tokens) {
  // Every module pattern printed as text and read back gives the same tokens.
  NlpFixture f;
  const char *names = "x\0y\0z(1,a)";
  CHECK_OK(ONDRaddnames(f.prob, 2, names, 0, 2));
  for (const Case &c : cases()) {
    Tokens e = c.f.end();
    CHECK_OK(OSLPchgcoef(f.slp, 0, 1, nullptr, 1, e.t.data(), e.v.data()));
    char text[1000];
    double factor = 0;
    CHECK_OK(OSLPgetccoef(f.slp, 0, 1, &factor, text, sizeof text));
    CHECK(factor == 1.0);
    CHECK_OK(OSLPchgccoef(f.slp, 0, 1, nullptr, text));
    int nt = 0;
    std::vector<int> t(200);
    std::vector<double> v(200);
    CHECK_OK(OSLPgetcoefformula(f.slp, 0, 1, nullptr, 1, 200, &nt, t.data(), v.data()));
    t.resize(nt);
    v.resize(nt);
    if (t != e.t || v != e.v) fprintf(stderr, "  %s: \"%s\"\n", c.name, text);
    CHECK(t == e.t && v == e.v);
  }
  CHECK(f.ncoefs() == 1);
}

TEST(text_syntax_and_precedence) {
  NlpFixture f;
  const char *names = "x\0y\0z(1,a)";
  CHECK_OK(ONDRaddnames(f.prob, 2, names, 0, 2));
  f.at(X);
  struct T {
    const char *text;
    double value;
  } table[] = {
      {"x * sin(y) + 2 ^ 'z(1,a)'", 0.3 * std::sin(1.7) + std::pow(2, -0.4)},
      {"2 + 3 * 4 ^ 2 / 8", 8},
      {"-2 ^ 2", -4},
      {"(-2) ^ 2", 4},
      {"2 ^ 3 ^ 2", 512},
      {"2 ** -1", 0.5},
      {"- - 3", 3},
      {"10 - 4 - 3", 3},
      {"100 / 10 / 5", 2},
      {"max(1, 2, 3) - min(4, -5)", 8},
      {"abs(-3) + sign(-2) + SQRT(4)", 4},
      {"log(exp(1)) + ln(1) + log10(100)", 3},
      {"+3 * .5e1 + 1e-3", 15.001},
      {"#0 * y", 0.3 * 1.7},
      {"\"z(1,a)\" - 'z(1,a)'", 0},
      {"asin(1) * 2 - acos(-1) + atan(0) + erf(0) + erfc(0) + tan(0)", 1},
  };
  for (const T &c : table) {
    std::vector<int> t(64);
    std::vector<double> v(64);
    int nt = 0;
    int rc = OSLPparsecformula(f.slp, c.text, &nt, t.data(), v.data());
    if (rc) fprintf(stderr, "  \"%s\": %s\n", c.text, f.err().c_str());
    CHECK(rc == 0);
    CHECK(nt <= (int)strlen(c.text) + 1);
    double r = NAN;
    CHECK_OK(OSLPevaluateformula(f.slp, 1, t.data(), v.data(), &r));
    if (std::fabs(r - c.value) > 1e-12) fprintf(stderr, "  \"%s\" = %g\n", c.text, r);
    CHECK_NEAR(r, c.value, 1e-12);
  }
  const char *bad[] = {"x +", "sin(x, y)", "foo(x)", "w + 1", "2x", "(x", "x)", "'z", "", "  ",
                       "@1(x)", "#7", "x y", "max()", "1e999", "x ? y", "@0(x)"};
  for (const char *text : bad) {
    std::vector<int> t(64);
    std::vector<double> v(64);
    int nt = 0;
    if (OSLPparsecformula(f.slp, text, &nt, t.data(), v.data()) == 0) fprintf(stderr, "  accepted \"%s\"\n", text);
    else CHECK(!f.err().empty());
  }
}

TEST(names_that_do_not_read_back_are_written_by_index) {
  NlpFixture f;
  const char *names = "a\0a\0sin";  // a repeated name, and a column called sin
  CHECK_OK(ONDRaddnames(f.prob, 2, names, 0, 2));
  Tokens e = sum({col(0), col(1), fn(OSLP_IFUN_SIN, col(2))}).end();
  CHECK_OK(OSLPchgcoef(f.slp, 1, f.unit(), nullptr, 1, e.t.data(), e.v.data()));
  char text[200];
  CHECK_OK(OSLPgetccoef(f.slp, 1, f.unit(), nullptr, text, sizeof text));
  CHECK(std::string(text) == "a + #1 + sin ( sin )");
  // Too small a buffer fails and writes nothing beyond it.
  char small[5] = "ZZZZ";
  CHECK_FAIL(OSLPgetccoef(f.slp, 1, f.unit(), nullptr, small, 4));
  CHECK(small[4] == 0 && small[0] == 'Z');
  CHECK_CONTAINS(f.err(), "bytes");
}

TEST(invalid_formulas_are_located) {
  struct Bad {
    Tokens f;
    int bad;
  } table[] = {
      {Tokens().add(col(0)).add(col(1)), 3},
      {Tokens().add(OSLP_TOK_OP, 3), 1},
      {Tokens().add(con(1)).add(OSLP_TOK_IFUN, OSLP_IFUN_SIN), 2},
      {Tokens().add(OSLP_TOK_RB).add(con(1)).add(con(2)).add(OSLP_TOK_IFUN, OSLP_IFUN_SIN), 4},
      {Tokens().add(OSLP_TOK_RB).add(OSLP_TOK_IFUN, OSLP_IFUN_MAX), 2},
      {Tokens().add(con(1)).add(OSLP_TOK_OP, 9), 2},
      {Tokens().add(OSLP_TOK_RB).add(con(1)).add(OSLP_TOK_IFUN, 99), 3},
      {Tokens().add(con(NAN)), 1},
      {Tokens().add(col(-1)), 1},
      {Tokens().add(OSLP_TOK_COL, 1.5), 1},
      {Tokens().add(OSLP_TOK_LB).add(col(0)).add(OSLP_TOK_RB), 1},
      {Tokens().add(OSLP_TOK_RB).add(con(1)), 3},
      {Tokens(), 1},
      {Tokens().add(OSLP_TOK_RB).add(con(1)).add(OSLP_TOK_FUN, 0), 3},
      {Tokens().add(OSLP_TOK_RB).add(con(1)).add(OSLP_TOK_OP, 1).add(OSLP_TOK_OP, 5), 4},
      {Tokens().add(7, 0), 1},
  };
  for (const Bad &b : table) {
    Tokens e = b.f.end();
    int bad = -1;
    char why[256] = "";
    CHECK_OK(OSLPvalidformula(e.t.data(), e.v.data(), &bad, why, nullptr));
    if (bad != b.bad) fprintf(stderr, "  bad token %d, expected %d (%s)\n", bad, b.bad, why);
    CHECK(bad == b.bad);
    CHECK(strlen(why) > 0);
  }
  for (const Case &c : cases()) {
    Tokens e = c.f.end();
    int bad = -1;
    CHECK_OK(OSLPvalidformula(e.t.data(), e.v.data(), &bad, nullptr, nullptr));
    CHECK(bad == 0);
  }
  CHECK_FAIL(OSLPvalidformula(nullptr, nullptr, nullptr, nullptr, nullptr));

  // A bad formula in a batch leaves the coefficients as they were.
  NlpFixture f;
  CHECK_OK(f.add(0, 0, 1.0, fn(OSLP_IFUN_SIN, col(1))));
  Tokens good = col(0).end(), bad = Tokens().add(col(0)).add(OSLP_TOK_OP, 6).end();
  Tokens batch = Tokens().add(good).add(bad);
  int rows[2] = {1, 1}, cols[2] = {0, 1}, start[3] = {0, 2, 5};
  CHECK_FAIL(OSLPaddcoefs(f.slp, 2, rows, cols, nullptr, start, 1, batch.t.data(), batch.v.data()));
  CHECK_CONTAINS(f.err(), "coefficient 1");
  CHECK_CONTAINS(f.err(), "token 2");
  CHECK(f.ncoefs() == 1);
  // A column beyond the problem, an unregistered user function.
  CHECK_FAIL(f.add(1, 0, 1.0, col(3)));
  CHECK_FAIL(f.add(1, 0, 1.0, user(1, {col(0)})));
  CHECK(f.ncoefs() == 1);
}

TEST(token_counts_preparse_and_parse) {
  NlpFixture f;
  const char *names = "x\0y";
  CHECK_OK(ONDRaddnames(f.prob, 2, names, 0, 1));
  CHECK(OSLPtokencount("x + y") == 3);
  CHECK(OSLPtokencount("sin ( x )") == 4);
  CHECK(OSLPtokencount("-x") == 2);
  CHECK(OSLPtokencount("+x") == 1);
  CHECK(OSLPtokencount("x ? y") == -1);
  CHECK(OSLPtokencount(nullptr) == -1);

  const char *text = "max ( x , - y ) * 2";
  size_t L = strlen(text);
  std::vector<int> t(L / 2 + 1);
  std::vector<double> v(L / 2 + 1);
  std::vector<char> table(L, 'Q');
  int nt = 0, ts = -1;
  CHECK_OK(OSLPpreparseformula(f.slp, text, &nt, t.data(), v.data(), table.data(), &ts));
  std::vector<int> want = {OSLP_TOK_IFUN, OSLP_TOK_LB, OSLP_TOK_COL, OSLP_TOK_DEL, OSLP_TOK_OP,
                           OSLP_TOK_COL,  OSLP_TOK_RB, OSLP_TOK_OP,  OSLP_TOK_CON};
  t.resize(nt);
  CHECK(t == want);
  CHECK(ts == 0);
  // The unparsed tokens, ended by EOF, parse to what the text parses to.
  t.push_back(0);
  v.resize(nt);
  v.push_back(0);
  std::vector<int> pt(3 * t.size()), ct(L + 1);
  std::vector<double> pv(3 * t.size()), cv(L + 1);
  int np = 0, nc = 0;
  CHECK_OK(OSLPparseformula(f.slp, t.data(), v.data(), &np, pt.data(), pv.data()));
  CHECK_OK(OSLPparsecformula(f.slp, text, &nc, ct.data(), cv.data()));
  CHECK(np == nc && np == 8);
  pt.resize(np);
  ct.resize(nc);
  CHECK(pt == ct);
  // Without spaces the tokens do not fit the buffer the length allows.
  int small_n = -1;
  std::vector<int> st(2);
  std::vector<double> sv(2);
  CHECK_FAIL(OSLPpreparseformula(f.slp, "x+y", &small_n, st.data(), sv.data(), nullptr, nullptr));
  CHECK(small_n == -1);
  CHECK_CONTAINS(f.err(), "spaces");
  CHECK_OK(OSLPpreparseformula(f.slp, "x", &small_n, st.data(), sv.data(), nullptr, nullptr));
  CHECK(small_n == 1 && st[0] == OSLP_TOK_COL && sv[0] == 0);
  // Unparsed tokens with a syntax error.
  int bad_t[] = {OSLP_TOK_COL, OSLP_TOK_OP, 0};
  double bad_v[] = {0, OSLP_OP_PLUS, 0};
  CHECK_FAIL(OSLPparseformula(f.slp, bad_t, bad_v, &np, pt.data(), pv.data()));
}

TEST(coefficients_add_get_change_delete) {
  NlpFixture f(3, 3);
  const int U = f.unit();
  CHECK(U >= 3);  // never a real column
  f.at(X);
  // A batch as the module sends it: starts offset into shared arrays.
  Tokens junk = con(99);
  Tokens a = fn(OSLP_IFUN_SIN, col(0)).end(), b = prod({col(1), col(2)}).end(), c = con(4).end();
  Tokens all = Tokens().add(junk).add(a).add(b).add(c);
  int start[4] = {1, 1 + (int)a.t.size(), 1 + (int)(a.t.size() + b.t.size()), (int)all.t.size()};
  int rows[3] = {0, 1, 2}, cols[3] = {U, 0, 1};
  double fac[3] = {1, 2, -1};
  CHECK_OK(OSLPaddcoefs(f.slp, 3, rows, cols, fac, start, 1, all.t.data(), all.v.data()));
  int n = 0;
  CHECK_OK(OSLPgetcoefs(f.slp, &n, nullptr, nullptr));
  CHECK(n == 3);
  int attr = 0;
  CHECK_OK(OSLPgetintattrib(f.slp, OSLP_NLPCOEFS, &attr));
  CHECK(attr == 3);
  std::vector<int> r(n), cl(n);
  CHECK_OK(OSLPgetcoefs(f.slp, &n, r.data(), cl.data()));
  CHECK(r == std::vector<int>({0, 1, 2}) && cl == std::vector<int>({U, 0, 1}));
  double val = 0;
  CHECK_OK(OSLPevaluatecoef(f.slp, 0, U, &val));
  CHECK_NEAR(val, std::sin(0.3), 1e-14);
  CHECK_OK(OSLPevaluatecoef(f.slp, 1, 0, &val));  // factor * formula: the coefficient of x0
  CHECK_NEAR(val, 2 * 1.7 * -0.4, 1e-14);

  // A second formula at the same place is combined with the first.
  CHECK_OK(f.add(0, U, 3.0, fn(OSLP_IFUN_COS, col(1))));
  CHECK(f.ncoefs() == 3);
  CHECK_OK(OSLPevaluatecoef(f.slp, 0, U, &val));
  CHECK_NEAR(val, std::sin(0.3) + 3 * std::cos(1.7), 1e-14);

  // Many formulas at one place in one batch (as a long sum arrives) are
  // summed once: with a shared factor and with factors of their own.
  for (double second : {3.0, 5.0}) {
    Tokens s1 = fn(OSLP_IFUN_SIN, col(1)).end(), s2 = fn(OSLP_IFUN_EXP, col(2)).end(), s3 = con(2).end();
    Tokens batch = Tokens().add(s1).add(s2).add(s3);
    int bstart[4] = {0, (int)s1.t.size(), (int)(s1.t.size() + s2.t.size()), (int)batch.t.size()};
    int brows[3] = {1, 1, 1}, bcols[3] = {2, 2, 2};
    double bfac[3] = {3.0, second, 3.0};
    CHECK_OK(OSLPaddcoefs(f.slp, 3, brows, bcols, bfac, bstart, 1, batch.t.data(), batch.v.data()));
    CHECK_OK(OSLPevaluatecoef(f.slp, 1, 2, &val));
    double expect = 3 * std::sin(1.7) + second * std::exp(-0.4) + 3 * 2;
    if (second == 5.0) expect += 3 * std::sin(1.7) + 3 * std::exp(-0.4) + 3 * 2;  // joined the first batch's
    CHECK_NEAR(val, expect, 1e-13);
  }
  int drow[1] = {1}, dcol[1] = {2};
  CHECK_OK(OSLPdelcoefs(f.slp, 1, drow, dcol));
  CHECK(f.ncoefs() == 3);

  // Change the factor only; change the formula only; create with a formula.
  double two = 2;
  CHECK_OK(OSLPchgcoef(f.slp, 2, 1, &two, 1, nullptr, nullptr));
  CHECK_OK(OSLPevaluatecoef(f.slp, 2, 1, &val));
  CHECK_NEAR(val, 8, 1e-14);
  CHECK_OK(OSLPchgccoef(f.slp, 2, 1, nullptr, "C1 + 1"));
  CHECK_OK(OSLPevaluatecoef(f.slp, 2, 1, &val));
  CHECK_NEAR(val, 2 * 1.3, 1e-14);
  CHECK_FAIL(OSLPchgcoef(f.slp, 2, 2, &two, 1, nullptr, nullptr));  // no formula to create one
  CHECK_OK(OSLPchgccoef(f.slp, 2, 2, nullptr, "exp(C1)"));
  CHECK(f.ncoefs() == 4);

  // Formula read back in both forms; a buffer too small fails.
  int nt = 0;
  double factor = 0;
  std::vector<int> t(50);
  std::vector<double> v(50);
  CHECK_OK(OSLPgetcoefformula(f.slp, 2, 2, &factor, 1, 50, &nt, t.data(), v.data()));
  CHECK(nt == 4 && t[0] == OSLP_TOK_RB && t[2] == OSLP_TOK_IFUN && factor == 1);
  CHECK_OK(OSLPgetcoefformula(f.slp, 2, 2, nullptr, 0, 50, &nt, t.data(), v.data()));
  CHECK(nt == 5 && t[0] == OSLP_TOK_IFUN && t[1] == OSLP_TOK_LB && t[3] == OSLP_TOK_RB);
  CHECK_FAIL(OSLPgetcoefformula(f.slp, 2, 2, nullptr, 1, 3, &nt, t.data(), v.data()));
  CHECK_OK(OSLPgetcoefformula(f.slp, 2, 2, nullptr, 1, 0, &nt, nullptr, nullptr));
  CHECK(nt == 4);

  // Bad places fail and change nothing.
  CHECK_FAIL(f.add(3, 0, 1.0, col(0)));
  CHECK_FAIL(f.add(0, 3, 1.0, col(0)));
  CHECK_FAIL(f.add(0, -1, 1.0, col(0)));
  CHECK_FAIL(f.add(0, 0, NAN, col(0)));
  CHECK_FAIL(OSLPevaluatecoef(f.slp, 1, 1, &val));
  int dr[2] = {1, 1}, dc[2] = {0, 2};
  CHECK_FAIL(OSLPdelcoefs(f.slp, 2, dr, dc));
  CHECK(f.ncoefs() == 4);

  // Deleting one by one from the last empties the list.
  n = f.ncoefs();
  r.resize(n);
  cl.resize(n);
  CHECK_OK(OSLPgetcoefs(f.slp, &n, r.data(), cl.data()));
  for (int k = n - 1; k >= 0; --k) {
    CHECK_OK(OSLPdelcoefs(f.slp, 1, &r[k], &cl[k]));
    CHECK(f.ncoefs() == k);
  }

  // Loading replaces everything.
  CHECK_OK(f.add(0, 0, 1.0, col(1)));
  CHECK_OK(OSLPloadcoefs(f.slp, 2, rows, cols, fac, start, 1, all.t.data(), all.v.data()));
  CHECK(f.ncoefs() == 2);
  CHECK_OK(OSLPloadcoefs(f.slp, 0, nullptr, nullptr, nullptr, nullptr, 1, nullptr, nullptr));
  CHECK(f.ncoefs() == 0);
}

TEST(infix_tokens_are_accepted_as_coefficients) {
  NlpFixture f;
  f.at(X);
  // 2 * (x0 - x1) in unparsed form.
  Tokens in = Tokens().add(con(2)).add(OSLP_TOK_OP, 3).add(OSLP_TOK_LB).add(col(0)).add(OSLP_TOK_OP, 6).add(col(1))
                  .add(OSLP_TOK_RB).end();
  int row = 0, c = f.unit(), start[2] = {0, (int)in.t.size()};
  CHECK_OK(OSLPaddcoefs(f.slp, 1, &row, &c, nullptr, start, 0, in.t.data(), in.v.data()));
  double val = 0;
  CHECK_OK(OSLPevaluatecoef(f.slp, 0, c, &val));
  CHECK_NEAR(val, 2 * (0.3 - 1.7), 1e-14);
  CHECK_OK(OSLPevaluateformula(f.slp, 0, in.t.data(), in.v.data(), &val));
  CHECK_NEAR(val, 2 * (0.3 - 1.7), 1e-14);
}

TEST(evaluation_point_and_errors) {
  NlpFixture f(2, 1);
  // Without a solution or values: 0 moved into the bounds.
  char rt = 'L';
  double rhs = 0, lb[2] = {2, -1e20}, ub[2] = {1e20, -3};
  CHECK_OK(ONDRloadlp(f.prob, "b", 2, 1, &rt, &rhs, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, lb, ub));
  double val = NAN;
  CHECK_OK(f.eval(sum({col(0), col(1)}), &val));
  CHECK(val == -1);
  double iv = 5;
  CHECK_OK(OSLPchgvar(f.slp, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &iv, nullptr, nullptr, nullptr,
                      nullptr, nullptr));
  CHECK_OK(f.eval(col(0), &val));
  CHECK(val == 5);
  f.at({-1, 0});
  CHECK_OK(f.eval(col(0), &val));
  CHECK(val == -1);

  struct E {
    Tokens f;
    const char *word;
  } errs[] = {
      {fn(OSLP_IFUN_LN, col(0)), "ln"},
      {fn(OSLP_IFUN_LOG10, col(1)), "log10"},
      {fn(OSLP_IFUN_SQRT, col(0)), "sqrt"},
      {binop(OSLP_OP_DIVIDE, con(1), col(1)), "division by zero"},
      {binop(OSLP_OP_EXPONENT, col(0), con(0.5)), "fractional power"},
      {binop(OSLP_OP_EXPONENT, col(1), con(-1)), "negative power"},
      {fn(OSLP_IFUN_ASIN, binop(OSLP_OP_MINUS, col(0), con(1))), "asin"},
      {fn(OSLP_IFUN_ACOS, con(2)), "acos"},
      {fn(OSLP_IFUN_EXP, con(1000)), "exp"},
  };
  for (const E &e : errs) {
    CHECK_FAIL(f.eval(e.f, &val));
    CHECK_CONTAINS(f.err(), e.word);
  }
  CHECK_OK(f.add(0, f.unit(), 1.0, fn(OSLP_IFUN_LN, col(0))));
  CHECK_FAIL(OSLPevaluatecoef(f.slp, 0, f.unit(), &val));
  CHECK_CONTAINS(f.err(), "row 0");
  CHECK_CONTAINS(f.err(), "ln of -1");
}

TEST(objective_transfer_row_life_cycle) {
  // The module's sequence: a determining row with status 0x800 carrying the
  // objective's nonlinear terms, then taken down.
  NlpFixture f(3, 2);
  const int row = 1, tcol = 2;
  CHECK_OK(OSLPchgvar(f.slp, tcol, &row, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr));
  int st = -1;
  CHECK_OK(OSLPgetrowstatus(f.slp, row, &st));
  CHECK(st == 0);
  st |= OSLP_ROWSTATUS_DETROW;
  CHECK_OK(OSLPchgrowstatus(f.slp, row, &st));
  CHECK_OK(f.add(row, f.unit(), 1.0, fn(OSLP_IFUN_EXP, col(0))));
  CHECK_OK(f.add(row, 1, -1.0, fn(OSLP_IFUN_SIN, col(0))));
  // A row determines one column only.
  int other = 0;
  CHECK_FAIL(OSLPchgvar(f.slp, other, &row, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr));

  int n = 0;
  CHECK_OK(OSLPgetcoefs(f.slp, &n, nullptr, nullptr));
  std::vector<int> r(n), c(n);
  CHECK_OK(OSLPgetcoefs(f.slp, &n, r.data(), c.data()));
  for (int k = n - 1; k >= 0; --k) CHECK_OK(OSLPdelcoefs(f.slp, 1, &r[k], &c[k]));
  CHECK_OK(OSLPgetrowstatus(f.slp, row, &st));
  CHECK(st == OSLP_ROWSTATUS_DETROW);
  st &= ~OSLP_ROWSTATUS_DETROW;
  CHECK_OK(OSLPchgrowstatus(f.slp, row, &st));
  int none = -1;
  CHECK_OK(OSLPchgvar(f.slp, tcol, &none, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr));
  CHECK_OK(OSLPdelvars(f.slp, 1, &tcol));
  CHECK(f.ncoefs() == 0);
  // Now another column may use the row.
  CHECK_OK(OSLPchgvar(f.slp, other, &row, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr));

  // Bad arguments.
  CHECK_FAIL(OSLPgetrowstatus(f.slp, 2, &st));
  CHECK_FAIL(OSLPchgrowstatus(f.slp, -1, &st));
  CHECK_OK(OSLPchgrowstatus(f.slp, 0, nullptr));
  int bad = 5;
  CHECK_FAIL(OSLPchgvar(f.slp, 0, &bad, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr));
  CHECK_FAIL(OSLPchgvar(f.slp, 3, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr));
  CHECK_FAIL(OSLPdelvars(f.slp, 1, &bad));

  // State bits: leaving states that are not entered is allowed.
  int state = -1;
  CHECK_OK(OSLPgetintattrib(f.slp, OSLP_NLPSTATE, &state));
  CHECK(state == 0);
  CHECK_OK(OSLPunconstruct(f.slp));
  CHECK_OK(OSLPpostsolve(f.slp));
}

TEST(deep_formulas_fail_cleanly) {
  NlpFixture f;
  f.at(X);
  // 200000 nested negations: evaluated, but too deep to print as text.
  Tokens deep = col(0);
  for (int i = 0; i < 200000; ++i) deep.add(OSLP_TOK_OP, OSLP_OP_UMINUS);
  double v = 0;
  CHECK_OK(f.eval(deep, &v));
  CHECK(v == 0.3);
  CHECK_OK(f.add(0, 1, 1.0, deep));
  char text[64];
  CHECK_FAIL(OSLPgetccoef(f.slp, 0, 1, nullptr, text, sizeof text));
  CHECK_CONTAINS(f.err(), "nested");
  std::string open(100000, '(');
  std::vector<int> t(8);
  std::vector<double> vv(8);
  int nt = 0;
  CHECK_FAIL(OSLPparsecformula(f.slp, (open + "1").c_str(), &nt, t.data(), vv.data()));
}
