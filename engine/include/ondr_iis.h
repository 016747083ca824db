/* libondr: irreducible infeasible subsystems (IIS) of an infeasible problem.

   What an IIS is
   --------------
   The members of a subsystem are sides of constraints: the lower side
   (a.x >= lo) and the upper side (a.x <= up) of each row, and the lower and
   upper bound of each column, wherever that side is finite. A subsystem
   keeps its member sides and drops every other side; what is not a side
   always holds: column types (integrality, semi-continuity, the [0,1] range
   of binaries), special ordered sets, the implication of indicator rows,
   the quadratic part of a member row. The objective plays no part.
   An IIS is an infeasible subsystem that becomes feasible when any one of
   its members is dropped. A problem infeasible only because of integrality
   has one too: its members are the rows and bounds that, with the column
   types, admit no solution.

   The search
   ----------
   A search needs a problem whose last solve found it infeasible (LPSTATUS
   infeasible or MIPSTATUS infeasible) and that has not changed since; any
   other state fails with a last-error text saying which. The search works
   on copies: the problem's model, controls and results stay as they were.
   Found sets belong to the last solve: a change of the model or a new
   solve discards them (as do ONDRiisclear and the next ONDRiisfirst).

   Linear problems are reduced by the library's own filter over LP solves
   or, with the control IISMETHOD 1, by HiGHS's IIS; MIPs and problems with
   quadratic rows by the library's filter over solves of the same kind (a
   MIP subsystem is solved as a MIP). Every IIS is checked before it is
   reported: infeasible on its own, feasible with any one member dropped.

   Numbering
   ---------
   Set 0 is the initial infeasible subsystem: the members a first proof of
   infeasibility uses (for a linear relaxation that is infeasible, the
   support of a Farkas certificate; otherwise the whole problem). Sets
   1, 2, ... are the IIS in the order found.

   Statuses (*status of ONDRiisfirst and ONDRiisnext)
     0  a set was found (set 0 only, for iismode 0)
     1  no further IIS exists
     2  the search stopped before it could tell (IISMAXSOLVES, interrupt)

   Row and bound types (constrainttype, colbndtype)
     rows:    'G' lower side, 'L' upper side, 'E' both sides of an equality
              row, 'R' both sides of a ranged row
     columns: 'L' lower bound, 'U' upper bound, 'F' both bounds of a fixed
              column, 'R' both bounds otherwise

   The proof (duals, rdcs; suminfeas, numinfeas)
   ---------------------------------------------
   Each set is measured by its elastic form: every member side may be
   violated at a cost of one per unit. suminfeas is the least total
   violation, numinfeas the number of members violated in that solution.
   For a linear subsystem the duals y (rows) and reduced costs d (columns)
   of the elastic LP form a Farkas certificate: d = -A'y, y_i > 0 uses the
   lower side of row i and y_i < 0 its upper side (d_j likewise for column
   j's bounds), and the sides times the multipliers sum to suminfeas > 0.
   A set infeasible only because of integrality has no such certificate:
   its duals and reduced costs are 0. For quadratic rows they are the
   multipliers the local solver returns.

   Isolations
   ----------
   A member of a set is an isolation when dropping it alone makes the whole
   problem feasible (it belongs to every IIS). ONDRiisisolations computes
   the flags of one set; before that they read -1, afterwards 0 or 1. */
#ifndef ONDR_IIS_H
#define ONDR_IIS_H
#include "ondr_base.h"

/* iismode 1: find an IIS (set 1); 0: only the initial infeasible subsystem
   (set 0), which ONDRiisnext then reduces. Earlier sets are discarded. */
ONDR_API int ONDRiisfirst(ONDRprob prob, int iismode, int *status);
/* The next IIS, different from every set found so far. */
ONDR_API int ONDRiisnext(ONDRprob prob, int *status);
/* Every IIS (at most IISMAXCOUNT when that is positive), after
   ONDRiisfirst when no search was made yet. */
ONDR_API int ONDRiisall(ONDRprob prob);
/* Discards every set found. */
ONDR_API int ONDRiisclear(ONDRprob prob);
/* Computes the isolation flags of set num. */
ONDR_API int ONDRiisisolations(ONDRprob prob, int num);
/* Writes set num to a file: type 0 as a problem file (typeflags as for
   ONDRwriteprob: 'l' LP format, 'x' fixed MPS; by default from the name)
   holding the member sides, every column with its type, and no objective,
   so that the file is itself an infeasible problem; type 1 as a CSV table
   with one line per member (kind, name, index, type, side value, dual or
   reduced cost, isolation flag). */
ONDR_API int ONDRiiswrite(ONDRprob prob, int num, const char *filename, int type,
                          const char *typeflags);
/* *count: the number of sets held (0 before any search; else one more than
   the IIS found, set 0 being the initial subsystem). Each array that is not
   NULL receives one entry per set: rows and columns, suminfeas, numinfeas.
   The value of *count on input is not used. */
ONDR_API int ONDRiisstatus(ONDRprob prob, int *count, int rowsizes[], int colsizes[],
                           double suminfeas[], int numinfeas[]);
/* Set num: *rows and *cols receive its sizes; each array that is not NULL
   receives, in increasing index order, its rows (miisrow, constrainttype,
   duals, isolationrows) or columns (miiscol, colbndtype, rdcs,
   isolationcols). */
ONDR_API int ONDRgetiisdata(ONDRprob prob, int num, int *rows, int *cols, int miisrow[],
                            int miiscol[], char constrainttype[], char colbndtype[],
                            double duals[], double rdcs[], char isolationrows[],
                            char isolationcols[]);

#endif
