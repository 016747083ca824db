/* libondr group L: callbacks and message handlers.

   Every callback receives the handle of the problem it runs on, then the
   user object given at registration, then its own parameters. Several
   optimizer callbacks of one kind may be registered; they are called in
   increasing priority, then in registration order, and removed by their
   (function, data) pair. A nonlinear callback is set: the newest replaces
   the one before, and none is ever removed.

   When they are called (a solve refuses to start while a kind that its
   solver path never calls is registered):
   - lplog: each simplex iteration of the LP optimizer (also the LP solves
     of ONDRmipoptimize); barlog and bariteration: each interior-point
     iteration. A nonzero result (bariteration: action) stops the solve
     with stop status 9.
   - globallog: each progress line of the MIP search; cutlog: each time the
     search reports its root cut pool. A nonzero result stops the search.
   - intsol: each new incumbent of the MIP search (and once for the optimum
     of a problem without integer columns solved by ONDRmipoptimize); the
     attributes and ONDRgetmipsol give that incumbent during the call.
   - gapnotify: at the search's checks, when a target is reached: relative
     gap <= target (control MIPRELGAPNOTIFY, < 0 none), absolute gap <=
     target (MIPABSGAPNOTIFY), incumbent at least as good as the objective
     target (MIPABSGAPNOTIFYOBJ, |value| >= 1e20 none), best bound at least
     as good as the bound target (MIPABSGAPNOTIFYBOUND). A reached target is
     spent unless the callback writes it again; it may write any of the four.
   - usersolnotify: at the start of the search, once for each solution given
     with ONDRaddmipsol (statuses in ondr_mipsol.h).
   - message: every line the problem prints, on every path.
   - destroy: when the nonlinear problem is destroyed, before the handle
     goes. drcol: when a column's determining row gives it a value outside
     its bounds; *result starts at the nearest bound and is the value used
     (then kept within the bounds). coefevalerror: when a nonlinear
     coefficient of (row, column) fails to evaluate (column -1 for a
     formula without a column); the evaluation error is then reported.
   - chgbranchobject (tree search): when a node is branched, with the
     search's branching as a branching object (ondr_bo.h, the search's
     own); writing another object to the out-parameter hands it to the
     search, which branches the node by it (an invalid one fails the
     solve). preintsol (tree search): before a candidate integer solution
     is kept; soltype 0 a node LP solution, 1 a heuristic's, 2 a user
     solution; the LP solution reads the candidate during the call. A
     nonzero *reject refuses it (a refused node solution's node ends, or is
     branched by the object the callback stored); *cutoff (the objective
     value solutions must beat, +-1e20 none) may be changed. The node
     attributes CURRENTNODE, PARENTNODE, NODEDEPTH, ACTIVENODES describe
     the node during every node callback.
   - mipthread (tree search): once per worker of the search, on the
     worker's thread before its first node, with the solving problem's
     handle and the worker's problem (a copy of the solving problem whose
     callbacks are its own). destroymt: once per worker, on its thread after
     its last node event, with the worker's handle, before it is freed.
     With THREADS > 1 (0: up to 4) node callbacks run on the workers with
     their handles, one at a time; with THREADS 1 the search runs on the
     calling thread, on one worker when mipthread or destroymt is set.
     preintsol and chgbranchobject also run on the worker processing the
     node; the cut and branching calls of a worker's callbacks act on the
     solving problem's cut pool. Searches whose node relaxations are
     nonlinear programs use one worker at most.
   - Not called by any solver path yet: the cascade kinds, formula, the
     multistart kinds and slpnode. */
#ifndef ONDR_CB_H
#define ONDR_CB_H
#include "ondr_base.h"

typedef void (*ondr_cb_action)(ONDRprob, void *, int *);
typedef int (*ondr_cb_log)(ONDRprob, void *);
typedef void (*ondr_cb_notify)(ONDRprob, void *);
typedef void (*ondr_cb_chgbranchobject)(ONDRprob, void *, ONDRbranchobject, ONDRbranchobject *);
typedef void (*ondr_cb_gapnotify)(ONDRprob, void *, double *, double *, double *, double *);
typedef void (*ondr_cb_message)(ONDRprob, void *, const char *, int, int);
typedef void (*ondr_cb_mipthread)(ONDRprob, void *, ONDRprob);
typedef void (*ondr_cb_newnode)(ONDRprob, void *, int, int, int);
typedef void (*ondr_cb_nodecutoff)(ONDRprob, void *, int);
typedef void (*ondr_cb_preintsol)(ONDRprob, void *, int, int *, double *);
typedef void (*ondr_cb_usersolnotify)(ONDRprob, void *, const char *, int);

typedef int (*oslp_cb_plain)(OSLPprob, void *);
typedef int (*oslp_cb_col)(OSLPprob, void *, int);
typedef int (*oslp_cb_rowcol)(OSLPprob, void *, int, int);
/* drcol: (handle, data, unused int, column, result, value, lower, upper). */
typedef int (*oslp_cb_drcol)(OSLPprob, void *, int, int, double *, double, double, double);
typedef int (*oslp_cb_formula)(OSLPprob, void *, double, double *);
typedef int (*oslp_cb_msjob)(OSLPprob, void *, void *, const char *, int *);
typedef int (*oslp_cb_mswinner)(OSLPprob, void *, void *, const char *);

/* Global message handler: (object, data, thread id, text, type, number). */
typedef int (*ondr_ge_msghandler)(void *, void *, void *, const char *, int, int);

/* The 18 optimizer kinds and 18 nonlinear kinds: X(name, function type). */
#define ONDR_CB_OPTIMIZER_KINDS(X)                                              \
  X(bariteration, ondr_cb_action) X(barlog, ondr_cb_log)                        \
  X(chgbranchobject, ondr_cb_chgbranchobject) X(cutlog, ondr_cb_log)            \
  X(destroymt, ondr_cb_notify) X(gapnotify, ondr_cb_gapnotify)                  \
  X(globallog, ondr_cb_log) X(infnode, ondr_cb_notify) X(intsol, ondr_cb_notify) \
  X(lplog, ondr_cb_log) X(message, ondr_cb_message) X(mipthread, ondr_cb_mipthread) \
  X(newnode, ondr_cb_newnode) X(nodecutoff, ondr_cb_nodecutoff)                 \
  X(optnode, ondr_cb_action) X(preintsol, ondr_cb_preintsol)                    \
  X(prenode, ondr_cb_action) X(usersolnotify, ondr_cb_usersolnotify)

#define ONDR_CB_NONLINEAR_KINDS(X)                                              \
  X(cascadeend, oslp_cb_plain) X(cascadestart, oslp_cb_plain)                   \
  X(cascadevar, oslp_cb_col) X(cascadevarfail, oslp_cb_col)                     \
  X(coefevalerror, oslp_cb_rowcol) X(construct, oslp_cb_plain)                  \
  X(destroy, oslp_cb_plain) X(drcol, oslp_cb_drcol) X(formula, oslp_cb_formula) \
  X(iterend, oslp_cb_plain) X(iterstart, oslp_cb_plain) X(itervar, oslp_cb_col) \
  X(msjobend, oslp_cb_msjob) X(msjobstart, oslp_cb_msjob)                       \
  X(mswinner, oslp_cb_mswinner) X(slpend, oslp_cb_plain)                        \
  X(slpnode, oslp_cb_plain) X(slpstart, oslp_cb_plain)

#define ONDR_CB_DECLARE_OPT(name, type)                                         \
  ONDR_API int ONDRaddcb##name(ONDRprob prob, type f, void *data, int priority); \
  ONDR_API int ONDRremovecb##name(ONDRprob prob, type f, void *data);
#define ONDR_CB_DECLARE_NLP(name, type) \
  ONDR_API int OSLPsetcb##name(OSLPprob prob, type f, void *data);
ONDR_CB_OPTIMIZER_KINDS(ONDR_CB_DECLARE_OPT)
ONDR_CB_NONLINEAR_KINDS(ONDR_CB_DECLARE_NLP)

/* Handlers of every message any problem prints, on whatever thread. */
ONDR_API int ONDR_ge_addcbmsghandler(ondr_ge_msghandler f, void *data, int priority);
ONDR_API int ONDR_ge_removecbmsghandler(ondr_ge_msghandler f, void *data);

#endif
