// The results of a solve in the binary encoding of io/binio.h, shared by
// the binary solution file and the snapshot:
//   i32 lpstatus, mipstatus, stopstatus
//   f64 lpobjval, mipobjval, bestbound, solve time
//   i64 simplex iterations, barrier iterations, nodes, MIP solutions
//   u8  bits: 1 LP solution, 2 duals, 4 MIP solution
//   vectors (u32 count, then the items): x, slack, dual, dj, mipx,
//   mipslack (f64), final column and row basis statuses (i32)
//
// The nonlinear layer's results follow the same encoding:
//   i32 status, state, solver used; i64 iterations; f64 objective, largest
//   infeasibility, time; u8 1 when there is a solution; vectors x, slack,
//   dual, dj
#pragma once
#include "env/problem.h"
#include "io/binio.h"
#include "nlp/slpprob.h"

namespace ondr::io {

void write_results(BinWriter &w, const Results &r);
// Reads results for a model of `ncols` columns and `nrows` rows: every
// vector must be empty or of its size, statuses 0-3; faults throw ERR_FILE.
Results read_results(BinReader &rd, int ncols, int nrows);

void write_nlp_results(BinWriter &w, const NlpResults &r);
NlpResults read_nlp_results(BinReader &rd, int ncols, int nrows);

}  // namespace ondr::io
