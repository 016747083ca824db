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

struct IpoptRun {
  const LocalProblem *p;
  const LocalOptions *o;
  std::vector<int> rows;            // Ipopt constraint -> model row
  std::vector<int> jac_take;        // Ipopt Jacobian entry -> model Jacobian entry
  std::vector<double> jac_all, lambda_full;
  Clock::time_point start;
  std::string eval_error;           // last evaluation error
  bool fatal = false;               // an error that ends the solve at once
  double last_obj = NAN;            // objective of the last regular iterate
  int stop = 0;                     // 1 interrupted, 2 time limit
  int64_t iter = 0;
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
    r->eval_error = e.what();
    if (fatal_eval_error(r->eval_error)) r->fatal = true;
    return FALSE;
  } catch (...) {
    r->eval_error = "unknown error in an evaluation";
    r->fatal = true;
    return FALSE;
  }
}

Bool eval_f(Index, Number *x, Bool, Number *obj, UserDataPtr ud) {
  auto *r = static_cast<IpoptRun *>(ud);
  return guarded(r, [&] {
    double v = r->p->sense * r->p->model->objective(x);
    if (!std::isfinite(v)) throw std::runtime_error("The objective is not finite");
    *obj = v;
  });
}

Bool eval_grad_f(Index n, Number *x, Bool, Number *grad, UserDataPtr ud) {
  auto *r = static_cast<IpoptRun *>(ud);
  return guarded(r, [&] {
    r->p->model->objective_gradient(x, grad);
    for (Index j = 0; j < n; ++j) grad[j] *= r->p->sense;
  });
}

Bool eval_g(Index, Number *x, Bool, Index m, Number *g, UserDataPtr ud) {
  auto *r = static_cast<IpoptRun *>(ud);
  return guarded(r, [&] {
    std::vector<double> act(r->p->m);
    r->p->model->rows(x, act.data());
    for (Index i = 0; i < m; ++i) {
      g[i] = act[r->rows[i]];
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
      std::vector<int> ipopt_row(r->p->m, -1);
      for (size_t k = 0; k < r->rows.size(); ++k) ipopt_row[r->rows[k]] = (int)k;
      for (Index k = 0; k < nele; ++k) {
        irow[k] = ipopt_row[jp.rows[r->jac_take[k]]];
        jcol[k] = jp.cols[r->jac_take[k]];
      }
      return;
    }
    r->p->model->jacobian_values(x, r->jac_all.data());
    for (Index k = 0; k < nele; ++k) values[k] = r->jac_all[r->jac_take[k]];
  });
}

Bool eval_h(Index, Number *x, Bool, Number obj_factor, Index m, Number *lambda, Bool,
            Index nele, Index *irow, Index *jcol, Number *values, UserDataPtr ud) {
  auto *r = static_cast<IpoptRun *>(ud);
  return guarded(r, [&] {
    const Pattern &hp = r->p->model->hessian_pattern();
    if (!values) {
      for (Index k = 0; k < nele; ++k) {
        irow[k] = hp.rows[k];
        jcol[k] = hp.cols[k];
      }
      return;
    }
    std::fill(r->lambda_full.begin(), r->lambda_full.end(), 0.0);
    for (Index i = 0; i < m; ++i) r->lambda_full[r->rows[i]] = lambda[i];
    r->p->model->hessian_values(x, r->p->sense * obj_factor, r->lambda_full.data(), values);
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
  std::vector<double> gl, gu;
  for (int i = 0; i < p.m; ++i) {
    if (p.gl[i] <= -kInf && p.gu[i] >= kInf) continue;  // free rows stay out
    run.rows.push_back(i);
    gl.push_back(p.gl[i]);
    gu.push_back(p.gu[i]);
  }
  std::vector<char> kept(p.m, 0);
  for (int i : run.rows) kept[i] = 1;
  const Pattern &jp = p.model->jacobian_pattern();
  for (size_t k = 0; k < jp.size(); ++k)
    if (kept[jp.rows[k]]) run.jac_take.push_back((int)k);
  run.jac_all.resize(jp.size());
  run.lambda_full.resize(p.m);
  const Pattern &hp = p.model->hessian_pattern();

  LocalResult res;
  res.x = p.x0;
  std::vector<double> xl = p.xl, xu = p.xu;
  ProblemOwner owner;
  owner.h = CreateIpoptProblem(p.n, xl.data(), xu.data(), (Index)run.rows.size(), gl.data(),
                               gu.data(), (Index)run.jac_take.size(), (Index)hp.size(), 0,
                               eval_f, eval_g, eval_grad_f, eval_jac_g, eval_h);
  if (!owner.h) fail(ERR_SOLVER, "Ipopt could not take the problem");
  IpoptProblem h = owner.h;
  set_int(h, "print_level", 0);
  set_str(h, "sb", "yes");
  set_num(h, "tol", o.opttol);
  set_num(h, "constr_viol_tol", o.feastol);
  set_num(h, "acceptable_constr_viol_tol", std::max(o.feastol, 1e-2));
  set_int(h, "max_iter", (int)std::min<int64_t>(o.iterlimit, 2000000000));
  if (o.timelimit < 1e19) set_num(h, "max_cpu_time", std::max(o.timelimit, 1e-3));
  set_str(h, "hessian_approximation", "exact");
  SetIntermediateCallback(h, intermediate);

  std::vector<double> g(run.rows.size()), mult_g(run.rows.size()), zl(p.n), zu(p.n);
  double obj = 0.0;
  enum ApplicationReturnStatus st =
      IpoptSolve(h, res.x.data(), g.data(), &obj, mult_g.data(), zl.data(), zu.data(), &run);
  res.iter = run.iter;
  res.has_x = true;
  res.y.assign(p.m, 0.0);
  for (size_t k = 0; k < run.rows.size(); ++k) res.y[run.rows[k]] = -mult_g[k];
  for (double v : res.x)
    if (!std::isfinite(v)) res.has_x = false;

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
    case Restoration_Failed:
    case Error_In_Step_Computation:
      // Ipopt stopped without convergence: the caller judges the point.
      res.status = LocalStatus::Failed;
      res.message = st == Restoration_Failed ? "Ipopt's restoration phase failed"
                    : st == Search_Direction_Becomes_Too_Small
                        ? "Ipopt's search direction became too small"
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
