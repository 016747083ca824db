// The problem-file formats: MPS (free and fixed) and LP, read into a new
// Model and written from one. The meaning of each format, as this library
// reads and writes it, is documented in include/ondr_io.h.
#pragma once
#include <string>
#include <string_view>
#include "controls/values.h"
#include "io/builder.h"
#include "model/store.h"

namespace ondr::io {

// Everything a writer takes besides the model.
struct WriteOptions {
  bool fixed = false;        // fixed-column MPS
  std::string objname = "OBJ", rhsname = "RHS", bndname = "BND", rngname = "RNG";
};

// Readers throw ERR_FILE with "<file>:<line>: <message>" on the first
// fault; the model they return is complete.
Model read_mps(const ReadOptions &opt, std::string_view text, bool fixed);
Model read_lp(const ReadOptions &opt, std::string_view text);

// Writers return the file's text; they fail (before anything is written)
// when a name cannot be expressed in the format.
std::string write_mps(const Model &m, const WriteOptions &opt);
std::string write_lp(const Model &m, const WriteOptions &opt);

// Writes `m` to `filename` as ONDRwriteprob does (flags 'l', 'x'; the
// controls name the MPS vectors).
void write_problem(const Model &m, const char *filename, const char *flags, const ControlValues &c);

}  // namespace ondr::io
