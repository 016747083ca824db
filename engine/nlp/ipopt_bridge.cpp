// The bridge to Ipopt (interior point, exact Hessian) through its C
// interface. Ipopt is not re-entrant: one solve at a time in the process.
// Evaluation errors are reported to Ipopt as failed evaluations, so that its
// line search backs off; they end the solve only when Ipopt cannot recover.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include "IpStdCInterface.h"
#include "env/environment.h"
#include "env/error.h"
#include "model/store.h"
#include "nlp/local_solver.h"
#include "nlp/nlpmodel.h"

namespace ondr {

namespace {

std::mutex g_ipopt_lock;
thread_local bool t_in_ipopt = false;

using Clock = std::chrono::steady_clock;

// A determined column that Ipopt does not see: free, linear in the
// objective only, and present in no row but its own equality row, so it
// is a function of the other columns, t = (rhs - rest of the row) / coef,
// and the row goes with it. The objective then carries its nonlinear part
// directly, with its own curvature from the first iteration on.
struct Eliminated {
  int col, row;
  double coef, cost;  // coefficient in its row, objective coefficient
};

struct IpoptRun {
  const LocalProblem *p;
  const LocalOptions *o;
  std::vector<int> rows;            // Ipopt constraint -> model row
  std::vector<int> cols;            // Ipopt variable -> model column
  std::vector<Eliminated> elim;
  std::vector<int> jac_take;        // Ipopt Jacobian entry -> model Jacobian entry
  std::vector<double> jac_all, lambda_full, act, grad_full;
  std::vector<double> xfull, xlast; // the full point of the last Ipopt point
  bool have_last = false;
  Clock::time_point start;
  std::string eval_error;           // last evaluation error
  bool fatal = false;               // an error that ends the solve at once
  double last_obj = NAN;            // objective of the last regular iterate
  int stop = 0;                     // 1 interrupted, 2 time limit
  int64_t iter = 0;

  // The full point for Ipopt's x: eliminated columns from their rows.
  void expand(const double *x) {
    int n = (int)cols.size();
    if (have_last && std::equal(x, x + n, xlast.begin())) return;
    have_last = false;
    for (int i = 0; i < n; ++i) xfull[cols[i]] = x[i];
    if (!elim.empty()) {
      for (const auto &e : elim) xfull[e.col] = 0.0;
      p->model->rows(xfull.data(), act.data());
      for (const auto &e : elim) xfull[e.col] = (p->gl[e.row] - act[e.row]) / e.coef;
    }
    xlast.assign(x, x + n);
    have_last = true;
  }
};

// Runs one evaluation for Ipopt. Errors become a failed evaluation, which
// makes Ipopt try a shorter step; after a fatal one nothing is evaluated any
// more and the next iteration stops.
template <class F>
Bool guarded(IpoptRun *r, F &&f) {
  if (r->fatal) return FALSE;
  try {
    f();
    return TRUE;
  } catch (const std::exception &e) {
    r->have_last = false;
    r->eval_error = e.what();
    if (fatal_eval_error(r->eval_error)) r->fatal = true;
    return FALSE;
  } catch (...) {
    r->have_last = false;
    r->eval_error = "unknown error in an evaluation";
    r->fatal = true;
    return FALSE;
  }
}

Bool eval_f(Index, Number *x, Bool, Number *obj, UserDataPtr ud) {
  auto *r = static_cast<IpoptRun *>(ud);
  return guarded(r, [&] {
    r->expand(x);
    double v = r->p->sense * r->p->model->objective(r->xfull.data());
    if (!std::isfinite(v)) throw std::runtime_error("The objective is not finite");
    *obj = v;
  });
}

Bool eval_grad_f(Index n, Number *x, Bool, Number *grad, UserDataPtr ud) {
  auto *r = static_cast<IpoptRun *>(ud);
  return guarded(r, [&] {
    r->expand(x);
    const LocalProblem &p = *r->p;
    p.model->objective_gradient(r->xfull.data(), r->grad_full.data());
    if (!r->elim.empty()) {
      // d t / d x_j = -J_rj / coef for an eliminated column t of row r
      const Pattern &jp = p.model->jacobian_pattern();
      p.model->jacobian_values(r->xfull.data(), r->jac_all.data());
      std::vector<double> w(p.m, 0.0);
      for (const auto &e : r->elim) w[e.row] = -e.cost / e.coef;
      for (size_t k = 0; k < jp.size(); ++k)
        if (w[jp.rows[k]] != 0.0) r->grad_full[jp.cols[k]] += w[jp.rows[k]] * r->jac_all[k];
    }
    for (Index j = 0; j < n; ++j) grad[j] = p.sense * r->grad_full[r->cols[j]];
  });
}

Bool eval_g(Index, Number *x, Bool, Index m, Number *g, UserDataPtr ud) {
  auto *r = static_cast<IpoptRun *>(ud);
  return guarded(r, [&] {
    r->expand(x);
    r->p->model->rows(r->xfull.data(), r->act.data());
    for (Index i = 0; i < m; ++i) {
      g[i] = r->act[r->rows[i]];
      if (!std::isfinite(g[i]))
        throw std::runtime_error("Row " + r->p->rownames[r->rows[i]] + " is not finite");
    }
  });
}

Bool eval_jac_g(Index, Number *x, Bool, Index, Index nele, Index *irow, Index *jcol,
                Number *values, UserDataPtr ud) {
  auto *r = static_cast<IpoptRun *>(ud);
  return guarded(r, [&] {
    const Pattern &jp = r->p->model->jacobian_pattern();
    if (!values) {
      std::vector<int> ipopt_row(r->p->m, -1), ipopt_col(r->p->n, -1);
      for (size_t k = 0; k < r->rows.size(); ++k) ipopt_row[r->rows[k]] = (int)k;
      for (size_t k = 0; k < r->cols.size(); ++k) ipopt_col[r->cols[k]] = (int)k;
      for (Index k = 0; k < nele; ++k) {
        irow[k] = ipopt_row[jp.rows[r->jac_take[k]]];
        jcol[k] = ipopt_col[jp.cols[r->jac_take[k]]];
      }
      return;
    }
    r->expand(x);
    r->p->model->jacobian_values(r->xfull.data(), r->jac_all.data());
    for (Index k = 0; k < nele; ++k) values[k] = r->jac_all[r->jac_take[k]];
  });
}

Bool eval_h(Index, Number *x, Bool, Number obj_factor, Index m, Number *lambda, Bool,
            Index nele, Index *irow, Index *jcol, Number *values, UserDataPtr ud) {
  auto *r = static_cast<IpoptRun *>(ud);
  return guarded(r, [&] {
    const Pattern &hp = r->p->model->hessian_pattern();
    if (!values) {
      std::vector<int> ipopt_col(r->p->n, -1);
      for (size_t k = 0; k < r->cols.size(); ++k) ipopt_col[r->cols[k]] = (int)k;
      for (Index k = 0; k < nele; ++k) {
        irow[k] = ipopt_col[hp.rows[k]];
        jcol[k] = ipopt_col[hp.cols[k]];
      }
      return;
    }
    r->expand(x);
    double of = r->p->sense * obj_factor;
    std::fill(r->lambda_full.begin(), r->lambda_full.end(), 0.0);
    for (Index i = 0; i < m; ++i) r->lambda_full[r->rows[i]] = lambda[i];
    // an eliminated row carries its column's share of the objective
    for (const auto &e : r->elim) r->lambda_full[e.row] = -of * e.cost / e.coef;
    r->p->model->hessian_values(r->xfull.data(), of, r->lambda_full.data(), values);
  });
}

Bool intermediate(Index alg_mod, Index iter, Number obj, Number inf_pr, Number inf_du,
                  Number mu, Number d_norm, Number, Number alpha_du, Number alpha_pr, Index,
                  UserDataPtr ud) {
  auto *r = static_cast<IpoptRun *>(ud);
  r->iter = iter;
  if (!alg_mod) r->last_obj = r->p->sense * obj;
  if (r->o->log) {
    char line[160];
    snprintf(line, sizeof line, "%5d%c %15.8e  %9.2e %9.2e  %6.1f  %9.2e  %8.2e %8.2e",
             (int)iter, alg_mod ? 'r' : ' ', r->p->sense * obj, inf_pr, inf_du,
             mu > 0 ? std::log10(mu) : -99.0, d_norm, alpha_du, alpha_pr);
    emit_message(r->o->msgprob, 1, line);
  }
  if (r->fatal) return FALSE;
  if (r->o->interrupted && r->o->interrupted()) {
    r->stop = 1;
    return FALSE;
  }
  double secs = std::chrono::duration<double>(Clock::now() - r->start).count();
  if (secs > r->o->timelimit) {
    r->stop = 2;
    return FALSE;
  }
  return TRUE;
}

// Frees the Ipopt problem on every path.
struct ProblemOwner {
  IpoptProblem h = nullptr;
  ~ProblemOwner() {
    if (h) FreeIpoptProblem(h);
  }
};

void set_num(IpoptProblem h, const char *k, double v) { AddIpoptNumOption(h, (char *)k, v); }
void set_int(IpoptProblem h, const char *k, int v) { AddIpoptIntOption(h, (char *)k, v); }
void set_str(IpoptProblem h, const char *k, const char *v) {
  AddIpoptStrOption(h, (char *)k, (char *)v);
}

}  // namespace

LocalResult solve_ipopt(const LocalProblem &p, const LocalOptions &o) {
  if (t_in_ipopt)
    fail(ERR_STATE, "Ipopt is already solving on this thread: a nonlinear solve cannot be "
         "started from inside another one");
  std::lock_guard<std::mutex> lock(g_ipopt_lock);
  t_in_ipopt = true;
  struct Reset {
    ~Reset() { t_in_ipopt = false; }
  } reset;

  IpoptRun run;
  run.p = &p;
  run.o = &o;
  run.start = Clock::now();
  const Pattern &jp = p.model->jacobian_pattern();
  const Pattern &hp = p.model->hessian_pattern();

  // Starting point: determined columns from their rows.
  std::vector<double> x0 = p.x0;
  cascade_point(p, x0, nullptr);

  // Determined columns that can leave the problem (see Eliminated).
  std::vector<int> rows_of_col(p.n, 0);
  std::vector<char> in_hessian(p.n, 0), eliminated_row(p.m, 0), eliminated_col(p.n, 0);
  for (size_t k = 0; k < jp.size(); ++k) ++rows_of_col[jp.cols[k]];
  for (size_t k = 0; k < hp.size(); ++k) in_hessian[hp.rows[k]] = in_hessian[hp.cols[k]] = 1;
  if (!p.determined.empty()) {
    std::vector<double> g(p.n);
    try {
      p.model->objective_gradient(x0.data(), g.data());
    } catch (const std::exception &) {
      g.assign(p.n, NAN);  // the solve reports the error
    }
    for (const auto &d : p.determined) {
      int t = d.col;
      if (p.xl[t] > -kInf || p.xu[t] < kInf || in_hessian[t] || rows_of_col[t] != 1 ||
          eliminated_row[d.row] || !std::isfinite(g[t]) || p.gl[d.row] != p.gu[d.row])
        continue;
      run.elim.push_back({t, d.row, d.coef, g[t]});
      eliminated_row[d.row] = eliminated_col[t] = 1;
    }
  }
  std::vector<double> xl, xu, x;
  for (int j = 0; j < p.n; ++j) {
    if (eliminated_col[j]) continue;
    run.cols.push_back(j);
    xl.push_back(p.xl[j]);
    xu.push_back(p.xu[j]);
    x.push_back(x0[j]);
  }
  std::vector<double> gl, gu;
  for (int i = 0; i < p.m; ++i) {
    if (eliminated_row[i] || (p.gl[i] <= -kInf && p.gu[i] >= kInf)) continue;  // free rows stay out
    run.rows.push_back(i);
    gl.push_back(p.gl[i]);
    gu.push_back(p.gu[i]);
  }
  std::vector<char> kept(p.m, 0);
  for (int i : run.rows) kept[i] = 1;
  for (size_t k = 0; k < jp.size(); ++k)
    if (kept[jp.rows[k]]) run.jac_take.push_back((int)k);
  run.jac_all.resize(jp.size());
  run.lambda_full.resize(p.m);
  run.act.resize(p.m);
  run.grad_full.resize(p.n);
  run.xfull = x0;

  LocalResult res;
  res.x = x0;
  ProblemOwner owner;
  int nx = (int)run.cols.size();
  owner.h = CreateIpoptProblem(nx, xl.data(), xu.data(), (Index)run.rows.size(), gl.data(),
                               gu.data(), (Index)run.jac_take.size(), (Index)hp.size(), 0,
                               eval_f, eval_g, eval_grad_f, eval_jac_g, eval_h);
  if (!owner.h) fail(ERR_SOLVER, "Ipopt could not take the problem");
  IpoptProblem h = owner.h;
  // no options file from the working directory: only what is set here
  set_str(h, "option_file_name", "");
  set_int(h, "print_level", 0);
  set_str(h, "sb", "yes");
  set_num(h, "tol", o.opttol);
  set_num(h, "constr_viol_tol", o.feastol);
  if (o.compltol > 0) set_num(h, "compl_inf_tol", o.compltol);
  set_num(h, "acceptable_constr_viol_tol", std::max(o.feastol, 1e-2));
  set_int(h, "max_iter", (int)std::min<int64_t>(o.iterlimit, 2000000000));
  if (o.timelimit < 1e19) set_num(h, "max_cpu_time", std::max(o.timelimit, 1e-3));
  set_str(h, "hessian_approximation", o.exact_hessian ? "exact" : "limited-memory");
  if (o.qp) {
    set_str(h, "jac_c_constant", "yes");
    set_str(h, "jac_d_constant", "yes");
    if (o.exact_hessian) set_str(h, "hessian_constant", "yes");
  }
  if (o.convex_qp) {
    // Predictor-corrector steps without a line search: on a convex QP about
    // half the iterations of the default barrier strategy, each of them one
    // factorization. (MUMPS's own choice of ordering stays: AMD and PORD
    // were faster on small QPs but took more iterations on large ones.)
    set_str(h, "mehrotra_algorithm", "yes");
  }
  SetIntermediateCallback(h, intermediate);

  std::vector<double> g(run.rows.size()), mult_g(run.rows.size()), zl(nx), zu(nx);
  double obj = 0.0;
  enum ApplicationReturnStatus st =
      IpoptSolve(h, x.data(), g.data(), &obj, mult_g.data(), zl.data(), zu.data(), &run);
  res.iter = run.iter;
  res.has_x = true;
  for (double v : x)
    if (!std::isfinite(v)) res.has_x = false;
  if (res.has_x && !run.fatal) {
    try {
      run.have_last = false;
      run.expand(x.data());
      res.x = run.xfull;
    } catch (const std::exception &e) {
      // the final point's eliminated columns cannot be computed
      run.eval_error = e.what();
      if (fatal_eval_error(run.eval_error)) run.fatal = true;
      for (int i = 0; i < nx; ++i) res.x[run.cols[i]] = x[i];
    }
  } else if (res.has_x) {
    for (int i = 0; i < nx; ++i) res.x[run.cols[i]] = x[i];
  }
  res.y.assign(p.m, 0.0);
  for (size_t k = 0; k < run.rows.size(); ++k) res.y[run.rows[k]] = -mult_g[k];
  for (const auto &e : run.elim) res.y[e.row] = p.sense * e.cost / e.coef;

  auto evalfail = [&](const char *what) {
    res.status = LocalStatus::EvalError;
    res.message = run.eval_error.empty() ? what : run.eval_error;
  };
  switch (st) {
    case Solve_Succeeded:
    case Solved_To_Acceptable_Level:
    case Feasible_Point_Found:
      res.status = LocalStatus::Optimal;
      break;
    case Infeasible_Problem_Detected:
      res.status = LocalStatus::LocallyInfeasible;
      res.message = "Ipopt converged to a point of minimal infeasibility";
      break;
    case Diverging_Iterates:
      res.status = LocalStatus::Unbounded;
      res.message = "Ipopt's iterates diverge";
      break;
    case User_Requested_Stop:
      res.status = run.stop == 2 ? LocalStatus::TimeLimit : LocalStatus::Interrupted;
      break;
    case Maximum_Iterations_Exceeded:
      res.status = LocalStatus::IterLimit;
      break;
    case Maximum_CpuTime_Exceeded:
      res.status = LocalStatus::TimeLimit;
      break;
    case Search_Direction_Becomes_Too_Small:
      // Usually a solution at the limit of the attainable accuracy: the
      // caller accepts it when the point is feasible.
      res.status = LocalStatus::Stalled;
      res.message = "Ipopt's search direction became too small";
      break;
    case Restoration_Failed:
    case Error_In_Step_Computation:
      // Ipopt stopped without convergence: the caller judges the point.
      res.status = LocalStatus::Failed;
      res.message = st == Restoration_Failed ? "Ipopt's restoration phase failed"
                                             : "Ipopt could not compute a step";
      break;
    case Invalid_Number_Detected:
      evalfail("Ipopt met a value that is not a number");
      break;
    case Not_Enough_Degrees_Of_Freedom:
      res.status = LocalStatus::Failed;
      res.message = "The problem has more equality rows than free columns";
      break;
    case Invalid_Problem_Definition:
    case Invalid_Option:
      res.status = LocalStatus::Failed;
      res.has_x = false;
      res.message = "Ipopt refused the problem definition";
      break;
    default:
      if (!run.eval_error.empty()) evalfail("");
      else {
        res.status = LocalStatus::Failed;
        res.message = format("Ipopt failed (return code %d)", (int)st);
      }
      break;
  }
  // Ipopt gives up when it cannot evaluate its starting point: report that
  // error rather than a generic failure.
  if (res.status == LocalStatus::Failed && !run.eval_error.empty() && run.iter == 0)
    evalfail("");
  if (run.fatal) evalfail("");
  res.fatal = run.fatal;
  res.obj = run.last_obj;
  return res;
}

}  // namespace ondr
