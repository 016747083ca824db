// The C interface of the nonlinear layer: each entry point checks the
// handle (and, when it changes the problem, that no other thread is solving
// it), then runs its work from nlp/slp_ops.h.
#include <cstdio>
#include <mutex>
#include "env/environment.h"
#include "env/shell.h"
#include "nlp/slp_ops.h"
#include "nlp/slpprob.h"
#include "oslp.h"

using namespace ondr;

ONDR_API int OSLPfree(void) { return 0; }

ONDR_API int OSLPgetlasterror(OSLPprob s, int *code, char *errmsg) {
  if (code) *code = 0;
  if (errmsg) errmsg[0] = 0;
  if (!s) return ERR_ARGUMENT;
  auto live = hold_if_alive(s);
  if (!live.owns_lock()) return ERR_ARGUMENT;
  std::lock_guard<std::mutex> g(s->lock);
  if (code) *code = s->lasterror_code;
  if (errmsg) snprintf(errmsg, ONDR_MAXMESSAGELENGTH, "%s", s->lasterror.c_str());
  return 0;
}

// ---- problems, controls and attributes

ONDR_API int OSLPinit(void) {
  return guard_env([&] { slp_init(); });
}

ONDR_API int OSLPcreateprob(OSLPprob *slp, ONDRprob *prob) {
  return guard_env([&] { slp_createprob(slp, prob); });
}

ONDR_API int OSLPdestroyprob(OSLPprob s) {
  return guard_env([&] { slp_destroyprob(s); });
}

ONDR_API int OSLPcopyprob(OSLPprob dest, OSLPprob src, const char *) {
  return guard_slp_mut(dest, [&] { slp_copyprob(dest, src); });
}

ONDR_API int OSLPcopycontrols(OSLPprob dest, OSLPprob src) {
  return guard_slp_mut(dest, [&] { slp_copycontrols(dest, src); });
}

ONDR_API int OSLPgetcalist(OSLPprob, const int **ids, const char *const **names) {
  return guard_env([&] { slp_getcalist(ids, names); });
}

ONDR_API int OSLPcontrolname(int pid, char *name, int *flags) {
  return guard_env([&] { slp_controlname(pid, name, flags); });
}

ONDR_API int OSLPgetintattrib(OSLPprob s, int pid, int *value) {
  return guard_slp(s, [&] { slp_getintattrib(s, pid, value); });
}

ONDR_API int OSLPgetdblattrib(OSLPprob s, int pid, double *value) {
  return guard_slp(s, [&] { slp_getdblattrib(s, pid, value); });
}

ONDR_API int OSLPgetstrattrib(OSLPprob s, int pid, char *value) {
  return guard_slp(s, [&] { slp_getstrattrib(s, pid, value); });
}

ONDR_API int OSLPgetptrattrib(OSLPprob s, int pid, void **value) {
  return guard_slp(s, [&] { slp_getptrattrib(s, pid, value); });
}

ONDR_API int OSLPgetintcontrol(OSLPprob s, int pid, int *value) {
  return guard_slp(s, [&] { slp_getintcontrol(s, pid, value); });
}

ONDR_API int OSLPgetdblcontrol(OSLPprob s, int pid, double *value) {
  return guard_slp(s, [&] { slp_getdblcontrol(s, pid, value); });
}

ONDR_API int OSLPgetstrcontrol(OSLPprob s, int pid, char *value) {
  return guard_slp(s, [&] { slp_getstrcontrol(s, pid, value); });
}

ONDR_API int OSLPsetstrcontrol(OSLPprob s, int pid, const char *value) {
  return guard_slp_mut(s, [&] { slp_setstrcontrol(s, pid, value); });
}

ONDR_API int OSLPsetintcontrol(OSLPprob s, int pid, int value) {
  return guard_slp_mut(s, [&] { slp_setintcontrol(s, pid, value); });
}

ONDR_API int OSLPsetdblcontrol(OSLPprob s, int pid, double value) {
  return guard_slp_mut(s, [&] { slp_setdblcontrol(s, pid, value); });
}

ONDR_API int OSLPsetdefaultcontrol(OSLPprob s, int pid) {
  return guard_slp_mut(s, [&] { slp_setdefaultcontrol(s, pid); });
}

ONDR_API int OSLPsetdefaults(OSLPprob s) {
  return guard_slp_mut(s, [&] { slp_setdefaults(s); });
}

// ---- nonlinear coefficients and formulas

ONDR_API int OSLPdelcoefs(OSLPprob s, int n, const int rowindex[], const int colindex[]) {
  return guard_slp_mut(s, [&] { slp_delcoefs(s, n, rowindex, colindex); });
}

ONDR_API int OSLPgetcoefs(OSLPprob s, int *n, int rowindex[], int colindex[]) {
  return guard_slp(s, [&] { slp_getcoefs(s, n, rowindex, colindex); });
}

ONDR_API int OSLPchgcoef(OSLPprob s, int rowindex, int colindex, const double *factor, int parsed,
                         const int type[], const double value[]) {
  return guard_slp_mut(s, [&] { slp_chgcoef(s, rowindex, colindex, factor, parsed, type, value); });
}

ONDR_API int OSLPchgccoef(OSLPprob s, int rowindex, int colindex, const double *factor, const char *formula) {
  return guard_slp_mut(s, [&] { slp_chgccoef(s, rowindex, colindex, factor, formula); });
}

ONDR_API int OSLPgetccoef(OSLPprob s, int rowindex, int colindex, double *factor, char *formula, int flen) {
  return guard_slp(s, [&] { slp_getccoef(s, rowindex, colindex, factor, formula, flen); });
}

ONDR_API int OSLPgetcoefformula(OSLPprob s, int rowindex, int colindex, double *factor, int parsed,
                                int bufsize, int *ntoken, int type[], double value[]) {
  return guard_slp(s, [&] {
    slp_getcoefformula(s, rowindex, colindex, factor, parsed, bufsize, ntoken, type, value);
  });
}

ONDR_API int OSLPevaluatecoef(OSLPprob s, int rowindex, int colindex, double *value) {
  return guard_slp(s, [&] { slp_evaluatecoef(s, rowindex, colindex, value); });
}

ONDR_API int OSLPpreparseformula(OSLPprob s, const char *formula, int *ntoken, int type[], double value[],
                                 char *strtable, int *strtablesize) {
  return guard_slp(s, [&] { slp_preparseformula(s, formula, ntoken, type, value, strtable, strtablesize); });
}

ONDR_API int OSLPparseformula(OSLPprob s, const int intype[], const double invalue[], int *ntoken, int type[],
                              double value[]) {
  return guard_slp(s, [&] { slp_parseformula(s, intype, invalue, ntoken, type, value); });
}

ONDR_API int OSLPparsecformula(OSLPprob s, const char *formula, int *ntoken, int type[], double value[]) {
  return guard_slp(s, [&] { slp_parsecformula(s, formula, ntoken, type, value); });
}

ONDR_API int OSLPvalidformula(const int type[], const double value[], int *badtoken, char *namebuf, char *) {
  return guard_env([&] { slp_validformula(type, value, badtoken, namebuf); });
}

ONDR_API int OSLPevaluateformula(OSLPprob s, int parsed, const int type[], const double value[],
                                 double *result) {
  return guard_slp(s, [&] { slp_evaluateformula(s, parsed, type, value, result); });
}

ONDR_API int OSLPaddcoefs(OSLPprob s, int n, const int rowindex[], const int colindex[], const double factor[],
                          const int fstart[], int parsed, const int type[], const double value[]) {
  return guard_slp_mut(s, [&] { slp_addcoefs(s, n, rowindex, colindex, factor, fstart, parsed, type, value); });
}

ONDR_API int OSLPloadcoefs(OSLPprob s, int n, const int rowindex[], const int colindex[],
                           const double factor[], const int fstart[], int parsed, const int type[],
                           const double value[]) {
  return guard_slp_mut(s, [&] { slp_loadcoefs(s, n, rowindex, colindex, factor, fstart, parsed, type, value); });
}

ONDR_API int OSLPtokencount(const char *record) {
  int n = -1;
  int rc = guard_env([&] { n = slp_tokencount(record); });
  return rc ? -1 : n;
}

// ---- strings and user functions

ONDR_API int OSLPsetstring(OSLPprob s, int *index, const char *text) {
  return guard_slp_mut(s, [&] { slp_setstring(s, index, text); });
}

ONDR_API int OSLPadduserfuncs(OSLPprob s, int nfuncs, const int type[], const double value[]) {
  return guard_slp_mut(s, [&] { slp_adduserfuncs(s, nfuncs, type, value); });
}

ONDR_API int OSLPaddnames(OSLPprob s, int kind, const char *names, int first, int last) {
  return guard_slp_mut(s, [&] { slp_addnames(s, kind, names, first, last); });
}

ONDR_API int OSLPchguserfuncaddress(OSLPprob s, int number, void *address) {
  return guard_slp_mut(s, [&] { slp_chguserfuncaddress(s, number, address); });
}

ONDR_API int OSLPsetuserfuncobject(OSLPprob s, int number, void *object) {
  return guard_slp_mut(s, [&] { slp_setuserfuncobject(s, number, object); });
}

ONDR_API int OSLPgetuserfuncobject(OSLPprob s, int number, void **object) {
  return guard_slp(s, [&] { slp_getuserfuncobject(s, number, object); });
}

ONDR_API int OSLPgetfuncobject(void *funccontext, int pid, void **object) {
  return guard_env([&] { slp_getfuncobject(funccontext, pid, object); });
}

ONDR_API int OSLPgetfuncinfo(void *funccontext, int *nargs, int *valueinresults, int *derivatives,
                             int *number) {
  return guard_env([&] { slp_getfuncinfo(funccontext, nargs, valueinresults, derivatives, number); });
}

// ---- SLP variables, row statuses and state bits

ONDR_API int OSLPchgvar(OSLPprob s, int colindex, const int *detrow, const double *initstepbound,
                        const double *stepbound, const double *penalty, const double *damp,
                        const double *initvalue, const double *value, const int *tolset, const int *history,
                        const int *converged, const int *vartype) {
  return guard_slp_mut(s, [&] {
    slp_chgvar(s, colindex, detrow, initstepbound, stepbound, penalty, damp, initvalue, value, tolset,
               history, converged, vartype);
  });
}

ONDR_API int OSLPdelvars(OSLPprob s, int n, const int colindex[]) {
  return guard_slp_mut(s, [&] { slp_delvars(s, n, colindex); });
}

ONDR_API int OSLPgetrowstatus(OSLPprob s, int rowindex, int *status) {
  return guard_slp(s, [&] { slp_getrowstatus(s, rowindex, status); });
}

ONDR_API int OSLPchgrowstatus(OSLPprob s, int rowindex, const int *status) {
  return guard_slp_mut(s, [&] { slp_chgrowstatus(s, rowindex, status); });
}

ONDR_API int OSLPunconstruct(OSLPprob s) {
  return guard_slp_mut(s, [&] { slp_unconstruct(s); });
}

ONDR_API int OSLPpostsolve(OSLPprob s) {
  return guard_slp_mut(s, [&] { slp_postsolve(s); });
}

// ---- the nonlinear solve and its results

ONDR_API int OSLPnlpoptimize(OSLPprob s, const char *flags) {
  return guard_slp(s, [&] { slp_nlpoptimize(s, flags); });
}

ONDR_API int OSLPgetslpsol(OSLPprob s, double x[], double slack[], double dual[], double dj[]) {
  return guard_slp(s, [&] { slp_getslpsol(s, x, slack, dual, dj); });
}

ONDR_API int OSLPinterrupt(OSLPprob s, int reason) {
  return guard_slp(s, [&] { slp_interrupt(s, reason); });
}
