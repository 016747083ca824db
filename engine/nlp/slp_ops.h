// The work behind every OSLP* entry point, without the public shell's checks
// (started library, live handle, busy refusal): the SLP, tree searches and
// the IIS code call these directly on problems they hold. Each takes the
// entry point's arguments (without unnamed ones) and throws ondr::Error on
// bad input, leaving the problem as it was.
#pragma once
#include "ondr_base.h"

namespace ondr {
// Problems, controls and attributes (core.cpp)
void slp_init();
void slp_createprob(OSLPprob *slp, ONDRprob *prob);
void slp_destroyprob(OSLPprob s);
void slp_copyprob(OSLPprob dest, OSLPprob src);
void slp_copycontrols(OSLPprob dest, OSLPprob src);
void slp_getcalist(const int **ids, const char *const **names);
void slp_controlname(int pid, char *name, int *flags);
void slp_getintattrib(OSLPprob s, int pid, int *value);
void slp_getdblattrib(OSLPprob s, int pid, double *value);
void slp_getstrattrib(OSLPprob s, int pid, char *value);
void slp_getptrattrib(OSLPprob s, int pid, void **value);
void slp_getintcontrol(OSLPprob s, int pid, int *value);
void slp_getdblcontrol(OSLPprob s, int pid, double *value);
void slp_getstrcontrol(OSLPprob s, int pid, char *value);
void slp_setintcontrol(OSLPprob s, int pid, int value);
void slp_setdblcontrol(OSLPprob s, int pid, double value);
void slp_setstrcontrol(OSLPprob s, int pid, const char *value);
void slp_setdefaultcontrol(OSLPprob s, int pid);
void slp_setdefaults(OSLPprob s);

// Nonlinear coefficients and formulas (coefs.cpp)
void slp_addcoefs(OSLPprob s, int n, const int rowindex[], const int colindex[],
                  const double factor[], const int fstart[], int parsed, const int type[],
                  const double value[]);
void slp_loadcoefs(OSLPprob s, int n, const int rowindex[], const int colindex[],
                   const double factor[], const int fstart[], int parsed, const int type[],
                   const double value[]);
void slp_delcoefs(OSLPprob s, int n, const int rowindex[], const int colindex[]);
void slp_getcoefs(OSLPprob s, int *n, int rowindex[], int colindex[]);
void slp_chgcoef(OSLPprob s, int rowindex, int colindex, const double *factor, int parsed,
                 const int type[], const double value[]);
void slp_chgccoef(OSLPprob s, int rowindex, int colindex, const double *factor,
                  const char *formula);
void slp_getccoef(OSLPprob s, int rowindex, int colindex, double *factor, char *formula, int flen);
void slp_getcoefformula(OSLPprob s, int rowindex, int colindex, double *factor, int parsed,
                        int bufsize, int *ntoken, int type[], double value[]);
void slp_evaluatecoef(OSLPprob s, int rowindex, int colindex, double *value);
int slp_tokencount(const char *record);
void slp_preparseformula(OSLPprob s, const char *formula, int *ntoken, int type[], double value[],
                         char *strtable, int *strtablesize);
void slp_parseformula(OSLPprob s, const int intype[], const double invalue[], int *ntoken,
                      int type[], double value[]);
void slp_parsecformula(OSLPprob s, const char *formula, int *ntoken, int type[], double value[]);
void slp_validformula(const int type[], const double value[], int *badtoken, char *namebuf);
void slp_evaluateformula(OSLPprob s, int parsed, const int type[], const double value[],
                         double *result);

// Strings and user functions (userfunc.cpp)
void slp_setstring(OSLPprob s, int *index, const char *text);
void slp_adduserfuncs(OSLPprob s, int nfuncs, const int type[], const double value[]);
void slp_addnames(OSLPprob s, int kind, const char *names, int first, int last);
void slp_chguserfuncaddress(OSLPprob s, int number, void *address);
void slp_setuserfuncobject(OSLPprob s, int number, void *object);
void slp_getuserfuncobject(OSLPprob s, int number, void **object);
void slp_getfuncobject(void *funccontext, int pid, void **object);
void slp_getfuncinfo(void *funccontext, int *nargs, int *valueinresults, int *derivatives,
                     int *number);

// SLP variables, row statuses and state bits (vars.cpp)
void slp_chgvar(OSLPprob s, int colindex, const int *detrow, const double *initstepbound,
                const double *stepbound, const double *penalty, const double *damp,
                const double *initvalue, const double *value, const int *tolset, const int *history,
                const int *converged, const int *vartype);
void slp_delvars(OSLPprob s, int n, const int colindex[]);
void slp_getrowstatus(OSLPprob s, int rowindex, int *status);
void slp_chgrowstatus(OSLPprob s, int rowindex, const int *status);
void slp_unconstruct(OSLPprob s);
void slp_postsolve(OSLPprob s);

// The nonlinear solve and its results (nlp_solve.cpp)
void slp_nlpoptimize(OSLPprob s, const char *flags);
void slp_getslpsol(OSLPprob s, double x[], double slack[], double dual[], double dj[]);
void slp_interrupt(OSLPprob s, int reason);

// SLP variables, step rules and cascade limits (slp_vars.cpp)
void slp_loadvars(OSLPprob s, int n, const int colindex[], const int vartype[], const int detrow[],
                  const int seqnum[], const int tolindex[], const double initvalue[],
                  const double stepbound[], bool replace);
void slp_getvar(OSLPprob s, int colindex, int *detrow, double *initstepbound, double *stepbound,
                double *penalty, double *damp, double *initvalue, double *value, int *tolset,
                int *history, int *converged, int *vartype, int *delta, int *penaltydelta,
                int *updaterow, double *oldvalue);
void slp_chgdeltatype(OSLPprob s, int n, const int colindex[], const int deltatypes[],
                      const double values[]);
void slp_chgcascadenlimit(OSLPprob s, int colindex, int limit);

// Tolerance sets, derivative factors, row weights (slp_tols.cpp)
void slp_loadtolsets(OSLPprob s, int n, const double tol[], bool replace);
void slp_chgtolset(OSLPprob s, int nslptol, const int *status, const double tols[]);
void slp_gettolset(OSLPprob s, int nslptol, int *status, double tols[]);
void slp_deltolsets(OSLPprob s, int n, const int sets[]);
void slp_loaddfs(OSLPprob s, int n, const int colindex[], const int rowindex[], const double value[],
                 bool replace);
void slp_chgdf(OSLPprob s, int colindex, int rowindex, const double *value);
void slp_getdf(OSLPprob s, int colindex, int rowindex, double *value);
void slp_chgrowwt(OSLPprob s, int rowindex, const double *value);
void slp_getrowwt(OSLPprob s, int rowindex, double *value);

// Information about the last solve (slp_info.cpp)
void slp_getrowinfo(OSLPprob s, int infotype, int rowindex, void *info);
void slp_getcolinfo(OSLPprob s, int infotype, int colindex, void *info);

// Cascading (cascade.cpp)
void slp_cascade(OSLPprob s);
void slp_cascadeorder(OSLPprob s);

// Validation (validate.cpp)
void slp_validate(OSLPprob s);
void slp_validaterow(OSLPprob s, int row);
void slp_validatekkt(OSLPprob s, int mode, int respectbasis, int update, double target);
void slp_validatevector(OSLPprob s, const double vector[], double *suminf, double *sumscaledinf,
                        double *objective);

// State changes and services (slp_state.cpp)
void slp_construct(OSLPprob s);
void slp_reinitialize(OSLPprob s);
void slp_presolve(OSLPprob s);
void slp_scaling(OSLPprob s);
void slp_setcurrentiv(OSLPprob s);
void slp_setuniqueprefix(OSLPprob s);
void slp_updatelinearization(OSLPprob s);
void slp_fixpenalties(OSLPprob s, int *status);
void slp_filesol(OSLPprob s, const char *filename);
void slp_printmsg(OSLPprob s, int msgtype, const char *msg);
void slp_printevalinfo(OSLPprob s);
void slp_printmemory(OSLPprob s);
void slp_getmessagetype(int code, int *type);
void slp_getdtime(OSLPprob s, double *time);

// Multistart (multistart.cpp). slp_nlpoptimize runs the job pool when it
// is not empty, else one solve (nlp_single_solve, nlp_solve.cpp).
void nlp_single_solve(OSLPprob s, const char *flags);
void slp_msaddjob(OSLPprob s, const char *description, int n, const int cols[], const double values[],
                  int nint, const int intids[], const int intvalues[], int ndbl, const int dblids[],
                  const double dblvalues[], void *object);
void slp_msaddpreset(OSLPprob s, const char *description, int preset, int count, int n, const int cols[],
                     const double values[], int nint, const int intids[], const int intvalues[], int ndbl,
                     const int dblids[], const double dblvalues[], void *object);
void slp_msclear(OSLPprob s);
void slp_global(OSLPprob s);

}  // namespace ondr
