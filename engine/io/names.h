// The names a writer puts in a file: every row, column and set gets one
// (unnamed items their default name), unique within its kind, and valid in
// the chosen format.
#pragma once
#include <string>
#include <vector>
#include "model/store.h"

namespace ondr::io {

enum class NameStyle { FreeMps, FixedMps, Lp };

struct OutputNames {
  std::vector<std::string> rows, cols, sets;
  std::string obj;  // the objective row (MPS) or objective label (LP)
};

// Names are written as they are, never escaped or shortened, so that the
// readers take back exactly the name the model holds (of any length).
// Fails (ERR_ARGUMENT) naming the item when a name cannot be written in
// the style: names must be valid UTF-8 (the readers take only UTF-8
// text); free MPS names hold no white space; fixed MPS names are also at
// most 8 characters; LP names are those the LP reader takes back as names.
OutputNames output_names(const Model &m, const std::string &objname, NameStyle style);

// True when `name` reads back as a name in the LP format.
bool lp_name_ok(const std::string &name);

}  // namespace ondr::io
