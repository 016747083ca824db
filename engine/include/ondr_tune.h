/* libondr: the tuner.

   ONDRtune searches for control settings under which the problem solves
   fastest. Each trial solves a private copy of the problem (the problem's
   model, results and callbacks are untouched) under one setting; the search
   starts from the problem's current settings and changes one control of
   the tuner method at a time, keeping a change when it solves faster (a
   trial that finishes beats one stopped by its time limit; among stopped
   MIP trials the smaller gap wins). It stops when every value of the
   method has been tried or the control TUNERMAXTIME (seconds) is spent;
   TUNERTRIALTIME caps one trial (0: three times the best time so far, at
   least half a second). The best settings found are left set on the
   problem.

   flags: "" tunes the MIP search when the problem has integer columns,
   sets or indicators and the LP solve otherwise; "l" tunes the LP solve
   (of the relaxation), "g" the MIP search.

   The tuner method lists the controls to tune and the values to try. Until
   one is read with ONDRtunerreadmethod, the default method is: presolve,
   scaling and the LP algorithm (DEFAULTALG) for LPs; the MIP solver
   (HiGHS's MIP or the library's own tree search), presolve, scaling and
   the node LP algorithm for MIPs, then the branching and cut settings of
   the library's tree search (BRANCHRELIABILITY, BRANCHMAXSTRONG, CUTROUNDS). ONDRtunerwritemethod writes the method in
   use (the default one for the problem as it is, when none was read).

   Method file format (text):
     # comment lines and blank lines are ignored
     NAME value value ...
   one line per control: its name (any case), then the values to try, as
   numbers. Only integer and double controls may be tuned (not the time
   limits TIMELIMIT, TUNERMAXTIME, TUNERTRIALTIME), each at most once, and every value must be one the control accepts. */
#ifndef ONDR_TUNE_H
#define ONDR_TUNE_H
#include "ondr_base.h"

ONDR_API int ONDRtune(ONDRprob prob, const char *flags);
ONDR_API int ONDRtunerreadmethod(ONDRprob prob, const char *methodfile);
ONDR_API int ONDRtunerwritemethod(ONDRprob prob, const char *methodfile);

#endif
