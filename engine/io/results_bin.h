// The results of a solve in the binary encoding of io/binio.h, shared by
// the binary solution file and the snapshot:
//   i32 lpstatus, mipstatus, stopstatus
//   f64 lpobjval, mipobjval, bestbound, solve time
//   i64 simplex iterations, barrier iterations, nodes, MIP solutions
//   u8  bits: 1 LP solution, 2 duals, 4 MIP solution
//   vectors (u32 count, then the items): x, slack, dual, dj, mipx,
//   mipslack (f64), final column and row basis statuses (i32)
#pragma once
#include "env/problem.h"
#include "io/binio.h"

namespace ondr::io {

void write_results(BinWriter &w, const Results &r);
// Reads results for a model of `ncols` columns and `nrows` rows: every
// vector must be empty or of its size, statuses 0-3; faults throw ERR_FILE.
Results read_results(BinReader &rd, int ncols, int nrows);

}  // namespace ondr::io
