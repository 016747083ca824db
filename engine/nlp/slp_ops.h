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

}  // namespace ondr
