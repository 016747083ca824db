// The nonlinear objective's transfer column and row always come after the
// user's own columns and rows, so that a user index is the library index
// and every result vector is the user's part followed by the transfer entry.
// A call that appends columns or rows sets the transfer aside first and
// puts it back (again last) afterwards.
#pragma once
#include "problem/convert_expr.h"

// Takes the transfer column and row out of the library, keeping the
// objective's nonlinear coefficients in `saved` (nothing when there is no
// transfer). 0, or -1 with an error (the transfer is then still in place).
int transfer_set_aside(ProblemObject *p, Converted &saved, bool &had);
// Adds the transfer column and row back, after everything else. Keeps a
// pending error. 0 or -1 with an error.
int transfer_put_back(ProblemObject *p, const Converted &saved, bool had);
// Number of library columns (kind 0) or rows (kind 1) that are the user's.
int user_count(ProblemObject *p, int kind, int library_count);
