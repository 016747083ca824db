// Problems with formulas, built as the module builds them (coefficients in
// the token format, the nonlinear objective in a transfer row whose column
// it determines), solved by both local solvers; evaluation errors that the
// solvers step around, and those that end the solve with a status and a
// message naming the row or the function.
#include <atomic>
#include <cmath>
#include "nlp_tokens.h"
#include "nlps_helpers.h"

using namespace nlt;

namespace {

Tokens sq(const Tokens &a) { return Tokens().add(a).add(a).add(OSLP_TOK_OP, OSLP_OP_MULTIPLY); }
Tokens pw(const Tokens &a, double p) { return binop(OSLP_OP_EXPONENT, a, con(p)); }

struct Coef {
  int row, col;  // col -1: the unit column
  double factor;
  Tokens f;
};

// A problem of n columns and the given rows, the objective's linear part
// `obj`, its nonlinear coefficients `objterms` carried by a transfer row and
// column (as the module does), and nonlinear coefficients of the rows.
struct FormulaProblem {
  int n;
  std::vector<double> lb, ub, x0, obj;
  Qcqp rows{0};
  std::vector<Coef> coefs, objterms;
  int transfer_row = -1, transfer_col = -1;

  explicit FormulaProblem(int ncols) : n(ncols), lb(ncols, -INF), ub(ncols, INF), x0(ncols, 0.0), obj(ncols, 0.0) {
    rows = Qcqp(ncols);
  }

  int add_coefs(OSLPprob s, const std::vector<Coef> &cs, int rowoverride) const {
    int unit = -1;
    OSLPgetintattrib(s, OSLP_NLPUNITCOLUMN, &unit);
    for (const Coef &c : cs) {
      Tokens e = c.f.end();
      int start[2] = {0, (int)e.t.size()};
      int row = rowoverride >= 0 ? rowoverride : c.row, col = c.col < 0 ? unit : c.col;
      int rc = OSLPaddcoefs(s, 1, &row, &col, &c.factor, start, 1, e.t.data(), e.v.data());
      if (rc) return rc;
    }
    return 0;
  }

  int load(ONDRprob p, OSLPprob s) {
    Qcqp q = rows;
    q.lb = lb;
    q.ub = ub;
    q.obj = obj;
    int rc = q.load(p);
    if (rc) return rc;
    if ((rc = add_coefs(s, coefs, -1))) return rc;
    for (int j = 0; j < n; ++j)
      if ((rc = OSLPchgvar(s, j, nullptr, nullptr, nullptr, nullptr, nullptr, &x0[j], nullptr, nullptr,
                           nullptr, nullptr, nullptr)))
        return rc;
    if (objterms.empty()) return 0;
    // the transfer row objterms - t = 0 and its free column t (objective 1)
    char e = 'E';
    double zero = 0.0, one = 1.0, minus = -1.0, lo = -INF, hi = INF;
    int64_t st0 = 0;
    if ((rc = ONDRaddrows64(p, 1, 0, &e, &zero, nullptr, &st0, nullptr, nullptr))) return rc;
    transfer_row = (int)rows.rows.size();
    int64_t cst[2] = {0, 1};
    if ((rc = ONDRaddcols64(p, 1, 1, &one, cst, &transfer_row, &minus, &lo, &hi))) return rc;
    transfer_col = n;
    int status = 0x800;
    if ((rc = OSLPchgvar(s, transfer_col, &transfer_row, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr)))
      return rc;
    if ((rc = OSLPchgrowstatus(s, transfer_row, &status))) return rc;
    return add_coefs(s, objterms, transfer_row);
  }
};

// HS7: min ln(1 + x1^2) - x2, (1 + x1^2)^2 + x2^2 = 4; f* = -sqrt(3).
FormulaProblem hs7() {
  FormulaProblem p(2);
  p.x0 = {2, 2};
  p.obj = {0, -1};
  Tokens a = binop(OSLP_OP_PLUS, con(1), sq(col(0)));
  auto &r = p.rows.row('E', 4);
  r.quad = {{1, 1, 1}};
  p.coefs = {{0, -1, 1.0, pw(a, 2)}};
  p.objterms = {{0, -1, 1.0, fn(OSLP_IFUN_LN, a)}};
  return p;
}

// HS71: min x1 x4 (x1 + x2 + x3) + x3, x1 x2 x3 x4 >= 25, sum x^2 = 40,
// 1 <= x <= 5; f* = 17.0140173. Products go in as column x formula.
FormulaProblem hs71() {
  FormulaProblem p(4);
  p.lb = {1, 1, 1, 1};
  p.ub = {5, 5, 5, 5};
  p.x0 = {1, 5, 5, 1};
  p.obj = {0, 0, 1, 0};
  p.rows.row('G', 25);
  auto &r = p.rows.row('E', 40);
  r.quad = {{0, 0, 1}, {1, 1, 1}, {2, 2, 1}, {3, 3, 1}};
  p.coefs = {{0, 0, 1.0, prod({col(1), col(2), col(3)})}};
  p.objterms = {{0, 0, 1.0, binop(OSLP_OP_MULTIPLY, col(3), sum({col(0), col(1), col(2)}))}};
  return p;
}

// min x - 4 ln x from x = 20: a full Newton or LP step lands where ln is
// undefined; the solvers must step around it. f* = 4 - 4 ln 4.
FormulaProblem log_overshoot() {
  FormulaProblem p(1);
  p.x0 = {20};
  p.obj = {1};
  p.objterms = {{0, -1, -4.0, fn(OSLP_IFUN_LN, col(0))}};
  return p;
}

struct Run {
  int rc, status;
  double obj;
  std::vector<double> x;
  std::string error;
};

Run solve(FormulaProblem p, int solver, double sense = 1.0) {
  SlpFixture f;
  Run r{-1, -1, NAN, {}, ""};
  if (p.load(f.prob, f.slp)) {
    r.error = slp_error(f.slp);
    return r;
  }
  OSLPsetintcontrol(f.slp, OSLP_NLPSOLVER, solver);
  OSLPsetdblcontrol(f.slp, OSLP_NLPOBJSENSE, sense);
  r.rc = OSLPnlpoptimize(f.slp, nullptr);
  r.status = nlpstatus(f.slp);
  r.obj = nlpobj(f.slp);
  r.error = slp_error(f.slp);
  int n = 0;
  OSLPgetintattrib(f.slp, OSLP_NLPCOLS, &n);
  r.x.resize(n);
  OSLPgetslpsol(f.slp, r.x.data(), nullptr, nullptr, nullptr);
  return r;
}

// A user function x -> x^2 that reports an error below 0.5 and counts its
// calls.
std::atomic<int> g_calls{0}, g_calls_after_error{0};
std::atomic<bool> g_failed{false};
double square_or_fail(const double *in, void *ctx, const double *, double *results) {
  if (g_failed) ++g_calls_after_error;
  ++g_calls;
  int value_in_results = 0, derivs = 0;
  OSLPgetfuncinfo(ctx, nullptr, &value_in_results, &derivs, nullptr);
  if (in[0] < 0.5) {
    g_failed = true;
    return -3.0;
  }
  if (value_in_results) results[0] = in[0] * in[0];
  if (derivs) results[1] = 2 * in[0];
  return in[0] * in[0];
}

int register_user_function(OSLPprob s, void *fn) {
  int name = 0, linkage = 0;
  if (OSLPsetstring(s, &name, "square_or_fail") || OSLPsetstring(s, &linkage, "DirectC")) return 1;
  int types[5] = {OSLP_UFDESC_STRING, OSLP_UFDESC_INPUTS, OSLP_UFDESC_CALL, OSLP_UFDESC_STRING, OSLP_UFDESC_END};
  double values[5] = {(double)name, 1, OSLP_UFCALL_CONTEXT | OSLP_UFCALL_RESULTS | OSLP_UFCALL_DERIVS,
                       (double)linkage, 0};
  if (OSLPadduserfuncs(s, 1, types, values)) return 1;
  return OSLPchguserfuncaddress(s, 1, fn);
}

}  // namespace

TEST(formula_problems_solve_with_both_solvers) {
  struct Case {
    const char *name;
    FormulaProblem (*make)();
    double fstar;
    std::vector<double> xstar;
  } cases[] = {
      {"hs7", hs7, -std::sqrt(3.0), {0, std::sqrt(3.0)}},
      {"hs71", hs71, 17.0140173, {1.0, 4.7429994, 3.8211503, 1.3794082}},
      {"log_overshoot", log_overshoot, 4 - 4 * std::log(4.0), {4}},
  };
  for (const Case &c : cases)
    for (int solver : {1, 2}) {
      Run r = solve(c.make(), solver);
      bool ok = r.rc == 0 && r.status == 1 && std::fabs(r.obj - c.fstar) <= 1e-5 * (1 + std::fabs(c.fstar));
      if (!ok) fprintf(stderr, "  %s solver %d: rc %d status %d obj %.10g (%s)\n", c.name, solver, r.rc,
                       r.status, r.obj, r.error.c_str());
      CHECK(ok);
      for (size_t j = 0; j < c.xstar.size() && ok; ++j) CHECK_NEAR(r.x[j], c.xstar[j], 1e-4);
      // the transfer column holds the nonlinear part of the objective
      if (ok && c.make().objterms.size() && std::string(c.name) == "hs7")
        CHECK_NEAR(r.x[2], std::log(1 + r.x[0] * r.x[0]), 1e-7);
    }
}

TEST(quasi_newton_hessian_when_exact_second_derivatives_are_off) {
  SlpFixture f;
  FormulaProblem p = hs71();
  CHECK_OK(p.load(f.prob, f.slp));
  CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPSOLVER, 1));
  CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPDERIVATIVES, 0));
  CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));
  CHECK(nlpstatus(f.slp) == 1);
  CHECK_NEAR(nlpobj(f.slp), 17.0140173, 1e-5);
}

TEST(maximizing_through_the_layers_sense) {
  // max 4 ln x - x (the same problem, negated): optimum 4 ln 4 - 4.
  FormulaProblem p(1);
  p.x0 = {20};
  p.obj = {-1};
  p.objterms = {{0, -1, 4.0, fn(OSLP_IFUN_LN, col(0))}};
  for (int solver : {1, 2}) {
    Run r = solve(p, solver, -1.0);
    CHECK(r.rc == 0 && r.status == 1);
    CHECK_NEAR(r.obj, 4 * std::log(4.0) - 4, 1e-6);
  }
}

TEST(a_start_where_derivatives_are_undefined_moves_inside_the_bounds) {
  // min -x - y, sqrt(x^2 + y^2) <= 1, 0 <= x, y <= 2, from (0, 0) where the
  // square root has no derivative: optimum -sqrt(2).
  FormulaProblem p(2);
  p.lb = {0, 0};
  p.ub = {2, 2};
  p.obj = {-1, -1};
  p.rows.row('L', 1);
  p.coefs = {{0, -1, 1.0, fn(OSLP_IFUN_SQRT, sum({sq(col(0)), sq(col(1))}))}};
  for (int solver : {1, 2}) {
    Run r = solve(p, solver);
    CHECK(r.rc == 0 && r.status == 1);
    CHECK_NEAR(r.obj, -std::sqrt(2.0), 1e-6);
  }
}

TEST(evaluation_error_at_the_start_ends_with_a_message_naming_the_row) {
  // ln x with x free from x = -1: nowhere to step from.
  FormulaProblem p(1);
  p.x0 = {-1};
  p.lb = {-INF};
  p.rows.row('L', 10).lin = {{0, 1}};
  p.coefs = {{0, -1, 1.0, fn(OSLP_IFUN_LN, col(0))}};
  for (int solver : {1, 2}) {
    Run r = solve(p, solver);
    CHECK(r.rc != 0);
    CHECK(r.status == 6);
    CHECK_CONTAINS(r.error, "ln of");
    CHECK_CONTAINS(r.error, "R1");
    CHECK(r.x.size() == 1);  // the point reached is kept
  }
}

TEST(failing_user_function_stops_the_solve_at_once) {
  for (int solver : {1, 2}) {
    SlpFixture f;
    FormulaProblem p(1);
    p.x0 = {3};
    CHECK_OK(register_user_function(f.slp, (void *)square_or_fail));
    p.objterms = {{0, -1, 1.0, user(1, {col(0)})}};
    CHECK_OK(p.load(f.prob, f.slp));
    CHECK_OK(OSLPsetintcontrol(f.slp, OSLP_NLPSOLVER, solver));
    g_calls = 0;
    g_calls_after_error = 0;
    g_failed = false;
    int rc = OSLPnlpoptimize(f.slp, nullptr);
    CHECK(rc != 0);
    CHECK(nlpstatus(f.slp) == 6);
    CHECK_CONTAINS(slp_error(f.slp), "user function");
    CHECK(g_failed.load());
    CHECK(g_calls_after_error.load() == 0);
    // the last point evaluated is the solution
    double x = NAN;
    CHECK_OK(OSLPgetslpsol(f.slp, &x, nullptr, nullptr, nullptr));
    CHECK(x >= 0.5);
  }
}

TEST(integer_columns_with_formulas_go_to_the_tree_search) {
  SlpFixture f;
  FormulaProblem p = hs7();
  CHECK_OK(p.load(f.prob, f.slp));
  int col = 0;
  char t = 'I';
  CHECK_OK(ONDRchgcoltype(f.prob, 1, &col, &t));
  // HS7's optimum has x1 = 0 already: the same value with x1 integer. With
  // formulas nothing is proven: a solution, not a global optimum.
  CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));
  CHECK(nlpstatus(f.slp) == 1);
  double x[2];
  CHECK_OK(OSLPgetslpsol(f.slp, x, nullptr, nullptr, nullptr));
  CHECK_NEAR(x[0], 0.0, 1e-6);
  CHECK_NEAR(x[1], std::sqrt(3.0), 1e-5);
}

TEST(unbounded_problems_are_reported) {
  // min -x^3 + y^2 with x free: along x the objective has no lower bound.
  FormulaProblem p(2);
  p.x0 = {1, 1};
  p.objterms = {{0, -1, -1.0, pw(col(0), 3)}, {0, -1, 1.0, sq(col(1))}};
  for (int solver : {1, 2}) {
    Run r = solve(p, solver);
    if (r.status != 5)
      fprintf(stderr, "  solver %d: rc %d status %d obj %g (%s)\n", solver, r.rc, r.status, r.obj,
              r.error.c_str());
    CHECK(r.rc == 0);
    CHECK(r.status == 5);
  }
}
