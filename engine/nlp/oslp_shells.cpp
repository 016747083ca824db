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

// ---- SLP variables, tolerance sets, factors, weights, cascading, validation, services

ONDR_API int OSLPloadvars(OSLPprob s, int n, const int colindex[], const int vartype[], const int detrow[], const int seqnum[], const int tolindex[], const double initvalue[], const double stepbound[]) {
  return guard_slp_mut(s, [&] { slp_loadvars(s, n, colindex, vartype, detrow, seqnum, tolindex, initvalue, stepbound, true); });
}

ONDR_API int OSLPaddvars(OSLPprob s, int n, const int colindex[], const int vartype[], const int detrow[], const int seqnum[], const int tolindex[], const double initvalue[], const double stepbound[]) {
  return guard_slp_mut(s, [&] { slp_loadvars(s, n, colindex, vartype, detrow, seqnum, tolindex, initvalue, stepbound, false); });
}

ONDR_API int OSLPgetvar(OSLPprob s, int colindex, int *detrow, double *initstepbound, double *stepbound, double *penalty, double *damp, double *initvalue, double *value, int *tolset, int *history, int *converged, int *vartype, int *delta, int *penaltydelta, int *updaterow, double *oldvalue) {
  return guard_slp(s, [&] { slp_getvar(s, colindex, detrow, initstepbound, stepbound, penalty, damp, initvalue, value, tolset, history, converged, vartype, delta, penaltydelta, updaterow, oldvalue); });
}

ONDR_API int OSLPchgdeltatype(OSLPprob s, int n, const int colindex[], const int deltatypes[], const double values[]) {
  return guard_slp_mut(s, [&] { slp_chgdeltatype(s, n, colindex, deltatypes, values); });
}

ONDR_API int OSLPchgcascadenlimit(OSLPprob s, int colindex, int cascadenlimit) {
  return guard_slp_mut(s, [&] { slp_chgcascadenlimit(s, colindex, cascadenlimit); });
}

ONDR_API int OSLPcascade(OSLPprob s) {
  return guard_slp_mut(s, [&] { slp_cascade(s); });
}

ONDR_API int OSLPcascadeorder(OSLPprob s) {
  return guard_slp(s, [&] { slp_cascadeorder(s); });
}

ONDR_API int OSLPloadtolsets(OSLPprob s, int ntol, const double tol[]) {
  return guard_slp_mut(s, [&] { slp_loadtolsets(s, ntol, tol, true); });
}

ONDR_API int OSLPaddtolsets(OSLPprob s, int ntol, const double tol[]) {
  return guard_slp_mut(s, [&] { slp_loadtolsets(s, ntol, tol, false); });
}

ONDR_API int OSLPchgtolset(OSLPprob s, int nslptol, const int *status, const double tols[]) {
  return guard_slp_mut(s, [&] { slp_chgtolset(s, nslptol, status, tols); });
}

ONDR_API int OSLPgettolset(OSLPprob s, int nslptol, int *status, double tols[]) {
  return guard_slp(s, [&] { slp_gettolset(s, nslptol, status, tols); });
}

ONDR_API int OSLPdeltolsets(OSLPprob s, int n, const int sets[]) {
  return guard_slp_mut(s, [&] { slp_deltolsets(s, n, sets); });
}

ONDR_API int OSLPloaddfs(OSLPprob s, int n, const int colindex[], const int rowindex[], const double value[]) {
  return guard_slp_mut(s, [&] { slp_loaddfs(s, n, colindex, rowindex, value, true); });
}

ONDR_API int OSLPadddfs(OSLPprob s, int n, const int colindex[], const int rowindex[], const double value[]) {
  return guard_slp_mut(s, [&] { slp_loaddfs(s, n, colindex, rowindex, value, false); });
}

ONDR_API int OSLPchgdf(OSLPprob s, int colindex, int rowindex, const double *value) {
  return guard_slp_mut(s, [&] { slp_chgdf(s, colindex, rowindex, value); });
}

ONDR_API int OSLPgetdf(OSLPprob s, int colindex, int rowindex, double *value) {
  return guard_slp(s, [&] { slp_getdf(s, colindex, rowindex, value); });
}

ONDR_API int OSLPchgrowwt(OSLPprob s, int rowindex, const double *value) {
  return guard_slp_mut(s, [&] { slp_chgrowwt(s, rowindex, value); });
}

ONDR_API int OSLPgetrowwt(OSLPprob s, int rowindex, double *value) {
  return guard_slp(s, [&] { slp_getrowwt(s, rowindex, value); });
}

ONDR_API int OSLPgetrowinfo(OSLPprob s, int infotype, int rowindex, void *info) {
  return guard_slp(s, [&] { slp_getrowinfo(s, infotype, rowindex, info); });
}

ONDR_API int OSLPgetcolinfo(OSLPprob s, int infotype, int colindex, void *info) {
  return guard_slp(s, [&] { slp_getcolinfo(s, infotype, colindex, info); });
}

ONDR_API int OSLPvalidate(OSLPprob s) {
  return guard_slp(s, [&] { slp_validate(s); });
}

ONDR_API int OSLPvalidaterow(OSLPprob s, int row) {
  return guard_slp(s, [&] { slp_validaterow(s, row); });
}

ONDR_API int OSLPvalidatekkt(OSLPprob s, int calculationmode, int respectbasisstatus, int updatemultipliers, double kktviolationtarget) {
  return guard_slp(s, [&] { slp_validatekkt(s, calculationmode, respectbasisstatus, updatemultipliers, kktviolationtarget); });
}

ONDR_API int OSLPvalidatevector(OSLPprob s, const double vector[], double *suminf, double *sumscaledinf, double *objective) {
  return guard_slp(s, [&] { slp_validatevector(s, vector, suminf, sumscaledinf, objective); });
}

ONDR_API int OSLPconstruct(OSLPprob s) {
  return guard_slp_mut(s, [&] { slp_construct(s); });
}

ONDR_API int OSLPreinitialize(OSLPprob s) {
  return guard_slp_mut(s, [&] { slp_reinitialize(s); });
}

ONDR_API int OSLPpresolve(OSLPprob s) {
  return guard_slp_mut(s, [&] { slp_presolve(s); });
}

ONDR_API int OSLPscaling(OSLPprob s) {
  return guard_slp_mut(s, [&] { slp_scaling(s); });
}

ONDR_API int OSLPsetcurrentiv(OSLPprob s) {
  return guard_slp_mut(s, [&] { slp_setcurrentiv(s); });
}

ONDR_API int OSLPsetuniqueprefix(OSLPprob s) {
  return guard_slp(s, [&] { slp_setuniqueprefix(s); });
}

ONDR_API int OSLPupdatelinearization(OSLPprob s) {
  return guard_slp(s, [&] { slp_updatelinearization(s); });
}

ONDR_API int OSLPfixpenalties(OSLPprob s, int *status) {
  return guard_slp_mut(s, [&] { slp_fixpenalties(s, status); });
}

ONDR_API int OSLPfilesol(OSLPprob s, const char *filename) {
  return guard_slp(s, [&] { slp_filesol(s, filename); });
}

ONDR_API int OSLPprintmsg(OSLPprob s, int msgtype, const char *msg) {
  return guard_slp(s, [&] { slp_printmsg(s, msgtype, msg); });
}

ONDR_API int OSLPprintevalinfo(OSLPprob s) {
  return guard_slp(s, [&] { slp_printevalinfo(s); });
}

ONDR_API int OSLPprintmemory(OSLPprob s) {
  return guard_slp(s, [&] { slp_printmemory(s); });
}

ONDR_API int OSLPgetmessagetype(int code, int *type) {
  return guard_env([&] { slp_getmessagetype(code, type); });
}

ONDR_API int OSLPgetdtime(OSLPprob s, double *time) {
  return guard_slp(s, [&] { slp_getdtime(s, time); });
}

ONDR_API int OSLPglobal(OSLPprob s) {
  return guard_slp(s, [&] { slp_global(s); });
}

ONDR_API int OSLPmsaddjob(OSLPprob s, const char *description, int n, const int cols[], const double values[],
                          int nint, const int intids[], const int intvalues[], int ndbl, const int dblids[],
                          const double dblvalues[], void *object) {
  return guard_slp_mut(s, [&] {
    slp_msaddjob(s, description, n, cols, values, nint, intids, intvalues, ndbl, dblids, dblvalues, object);
  });
}

ONDR_API int OSLPmsaddpreset(OSLPprob s, const char *description, int preset, int count, void *object) {
  return guard_slp_mut(s, [&] {
    slp_msaddpreset(s, description, preset, count, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr,
                    object);
  });
}

ONDR_API int OSLPmsaddcustompreset(OSLPprob s, const char *description, int preset, int count, int n,
                                   const int cols[], const double values[], int nint, const int intids[],
                                   const int intvalues[], int ndbl, const int dblids[], const double dblvalues[],
                                   void *object) {
  return guard_slp_mut(s, [&] {
    slp_msaddpreset(s, description, preset, count, n, cols, values, nint, intids, intvalues, ndbl, dblids,
                    dblvalues, object);
  });
}

ONDR_API int OSLPmsclear(OSLPprob s) {
  return guard_slp_mut(s, [&] { slp_msclear(s); });
}
