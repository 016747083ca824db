// ONDRwritebinsol and ONDRreadbinsol: the results of the last solve in a
// binary file that reads back bit for bit.
//
// Layout (all integers and doubles little-endian, doubles IEEE 754):
//   8 bytes  magic "ONDRBSOL"
//   u32      format version, 1
//   i32      number of columns, i32 number of rows
//   results  as io/results_bin.h describes (statuses, objective values,
//            counts, solution, duals, MIP solution, final basis)
//   4 bytes  end mark "BEND"
//
// Reading makes the file's results the problem's, as if the solve that
// wrote them had just run; the file must be of a problem of as many rows
// and columns, and a final basis in it becomes the start basis of the next
// solve, as a solve's does. A wrong magic or version, a size that does not match, a
// truncated file or bytes after the end mark make the read fail, and the
// problem is unchanged. Neither function takes flags.
#include "env/shell.h"
#include "io/results_bin.h"
#include "io/solcommon.h"
#include "io/solfiles.h"
#include "io/text.h"
#include "ondr.h"

namespace ondr::io {

namespace {
constexpr const char *kMagic = "ONDRBSOL";
constexpr uint32_t kVersion = 1;
}  // namespace

void write_binsol(ONDRprob prob, const char *filename, const char *flags) {
  ONDR_REQUIRE(filename && *filename, "No file name given");
  parse_file_flags(flags, "", "binary solution file");
  const Results &r = prob->results;
  if (!r.has_lpsol && !r.has_mipsol) fail(ERR_STATE, "No solution to write: the problem has no solution");
  const Model &m = prob->model;
  if ((r.has_lpsol && r.x.size() != (size_t)m.ncols()) || (r.has_mipsol && r.mipx.size() != (size_t)m.ncols()))
    fail(ERR_STATE, "No solution to write: the problem has changed since it was solved");
  BinWriter w;
  w.bytes(kMagic);
  w.u32(kVersion);
  w.i32(m.ncols());
  w.i32(m.nrows());
  write_results(w, r);
  w.bytes("BEND");
  write_file(filename, w.data());
  file_message(prob, kMsgSolutionWritten, format("Binary solution written to '%s'", filename));
}

void read_binsol(ONDRprob prob, const char *filename, const char *flags) {
  ONDR_REQUIRE(filename && *filename, "No file name given");
  parse_file_flags(flags, "", "binary solution file");
  std::string data = read_file(filename);
  BinReader rd(data, filename);
  rd.expect(kMagic, "a binary solution file");
  uint32_t version = rd.u32();
  if (version != kVersion) rd.bad("format version %u, this library reads version %u", version, kVersion);
  const Model &m = prob->model;
  int ncols = rd.i32(), nrows = rd.i32();
  if (ncols != m.ncols() || nrows != m.nrows())
    rd.bad("the solution is of a problem of %d columns and %d rows, this one has %d and %d", ncols, nrows,
           m.ncols(), m.nrows());
  Results r = read_results(rd, ncols, nrows);
  rd.expect("BEND", "a complete binary solution file");
  if (!rd.at_end()) rd.bad("unexpected data after the end mark");
  if (!r.cstat.empty()) {  // a solve leaves its final basis as the next start
    prob->warm.cstat = r.cstat;
    prob->warm.rstat = r.rstat;
  }
  prob->results = std::move(r);
  file_message(prob, kMsgSolutionRead, format("Binary solution read from '%s'", filename));
}

}  // namespace ondr::io

ONDR_API int ONDRwritebinsol(ONDRprob prob, const char *filename, const char *flags) {
  return ondr::guard_prob(prob, [&] {
    ondr::check_not_busy(prob);  // a solve on another thread writes what is written
    ondr::io::write_binsol(prob, filename, flags);
  });
}

ONDR_API int ONDRreadbinsol(ONDRprob prob, const char *filename, const char *flags) {
  return ondr::guard_mut(prob, [&] { ondr::io::read_binsol(prob, filename, flags); });
}
