// Tuner methods: the controls the tuner tries, each with the values to try,
// and their text file (format in ondr_tune.h).
#pragma once
#include <string>
#include <utility>
#include <vector>
#include "env/problem.h"

namespace ondr {

using TuneMethod = std::vector<std::pair<int, std::vector<double>>>;

// The method used when none was read: for the LP solve, or the MIP search.
TuneMethod default_method(bool mip);
// The problem's method: the one read, else the default.
TuneMethod method_of(ONDRprob prob, bool mip);
// Reads and checks a method file; throws ERR_FILE or ERR_ARGUMENT naming
// the file and line of the first fault.
TuneMethod read_method(const char *path);
void write_method(const char *path, const TuneMethod &method);

}  // namespace ondr
