// Per-problem callback slots: copying and clearing them with the problem.
#pragma once
#include "problem/problem.h"

// Copy the source's callback lists to a new problem: 0 or -1.
int problem_copy_callbacks(ProblemObject *dst, ProblemObject *src);
// Release every slot of a problem being destroyed (never fails).
void problem_clear_callbacks(ProblemObject *p);
