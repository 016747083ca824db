// The work behind the analysis entry points (ondr_analysis.h), without the
// public shell's checks: each takes the entry point's arguments and throws
// ondr::Error on bad input or when the problem's state has no answer,
// leaving the problem as it was.
#pragma once
#include "ondr_base.h"

namespace ondr {

// Bases (basis.cpp)
void get_basis(ONDRprob prob, int rstatus[], int cstatus[]);
void load_basis(ONDRprob prob, const int rstatus[], const int cstatus[]);
void load_lpsol(ONDRprob prob, const double x[], const double slack[], const double dual[],
                const double dj[], int *status);
void fix_globals(ONDRprob prob, int ifround);

// The presolved form (presolve.cpp)
void get_presolve_basis(ONDRprob prob, int rstatus[], int cstatus[]);
void load_presolve_basis(ONDRprob prob, const int rstatus[], const int cstatus[]);
void get_presolve_map(ONDRprob prob, int rowmap[], int colmap[]);
void get_presolve_sol(ONDRprob prob, double x[], double slack[], double dual[], double dj[]);
void post_solve(ONDRprob prob);

// Rays and infeasibilities (rays.cpp, infeas.cpp)
void get_primal_ray(ONDRprob prob, double ray[], int *hasray);
void get_dual_ray(ONDRprob prob, double dray[], int *hasray);
void get_unbvec(ONDRprob prob, int *index);
void get_infeas(ONDRprob prob, bool scaled, int *npv, int *nps, int *nds, int *ndv, int mx[],
                int mslack[], int mdual[], int mdj[]);

// Ranging (ranging.cpp)
void obj_sa(ONDRprob prob, int n, const int mindex[], double lower[], double upper[]);
void rhs_sa(ONDRprob prob, int n, const int mindex[], double lower[], double upper[]);

// Basis solves and pivots (binv.cpp, pivots.cpp)
void btran(ONDRprob prob, double vec[]);
void ftran(ONDRprob prob, double vec[]);
void get_pivot_order(ONDRprob prob, int mpiv[]);
void get_pivots(ONDRprob prob, int in, int outlist[], double x[], double *objective, int *npiv,
                int maxpiv);
void basis_stability(ONDRprob prob, int type, int norm, int ifscaled, double *value);

// Calculations on given vectors (calc.cpp)
void calc_objective(ONDRprob prob, const double solution[], double *value);
void calc_slacks(ONDRprob prob, const double solution[], double slacks[]);
void calc_reduced_costs(ONDRprob prob, const double duals[], const double solution[],
                        double djs[]);
void calc_solinfo(ONDRprob prob, const double solution[], const double dual[], int property,
                  double *value);

}  // namespace ondr
