// The work behind the solution, basis and snapshot entry points (their C
// shells are one line each; formats in the header comment of each file).
// Readers check the whole file before anything of the problem changes.
#pragma once
#include "ondr_base.h"

namespace ondr::io {

void write_sol(ONDRprob prob, const char *filename, const char *flags);
void write_prtsol(ONDRprob prob, const char *filename, const char *flags);
void write_slxsol(ONDRprob prob, const char *filename, const char *flags);
void read_slxsol(ONDRprob prob, const char *filename, const char *flags);
void write_binsol(ONDRprob prob, const char *filename, const char *flags);
void read_binsol(ONDRprob prob, const char *filename, const char *flags);
void write_basis(ONDRprob prob, const char *filename, const char *flags);
void read_basis(ONDRprob prob, const char *filename, const char *flags);
void save_snapshot(ONDRprob prob);
void restore_snapshot(ONDRprob prob, const char *probname, const char *flags);

}  // namespace ondr::io
