/* libondr: start solutions of the MIP search.

   A user solution gives values of some or all columns. The next
   ONDRmipoptimize that searches checks each one, in the order given: the
   columns it names are fixed at its values and the rest of the problem is
   solved (without callbacks); a feasible outcome is a complete solution.
   The best complete solution starts the search. Each solution added with
   ONDRaddmipsol is then reported to the usersolnotify callbacks with its
   name and one of the statuses below, and forgotten. */
#ifndef ONDR_MIPSOL_H
#define ONDR_MIPSOL_H
#include "ondr_base.h"

enum {
  ONDR_USERSOL_ACCEPTED = 1,    /* feasible as given; the search starts from it */
  ONDR_USERSOL_COMPLETED = 2,   /* partial, completed; the search starts from the completion */
  ONDR_USERSOL_NOTUSED = 3,     /* feasible (or completed), but another user solution is better */
  ONDR_USERSOL_INFEASIBLE = 4,  /* infeasible, or no completion exists */
  ONDR_USERSOL_DROPPED = 5      /* names a column the problem no longer has */
};

/* Adds a user solution: values mipsolval[k] of columns mipsolcol[k]
   (k < n), or with mipsolcol NULL a value for every column (n must be the
   number of columns). solname may be NULL: the solution is then named
   "usersol<k>", k counting the problem's user solutions from 1. Columns
   must be distinct and in range, values finite. */
ONDR_API int ONDRaddmipsol(ONDRprob prob, int n, const double mipsolval[], const int mipsolcol[],
                           const char *solname);

/* Checks the integer solution dsol (one value per column) at once and, when
   it is feasible, keeps it as a start of the next MIP search (it is not
   reported to usersolnotify). *status: 0 feasible and kept, 1 infeasible
   (not kept). */
ONDR_API int ONDRloadmipsol(ONDRprob prob, const double dsol[], int *status);

#endif
