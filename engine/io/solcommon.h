// What the solution, basis and snapshot files share: flag letters, the
// escaping of names in text files, the solution a writer takes from the
// results, default file names and the messages that report a file.
#pragma once
#include <string>
#include <string_view>
#include <vector>
#include "env/problem.h"

namespace ondr::io {

// The letters of `flags` (NULL: none; spaces ignored), each of which must
// be in `allowed`; fails naming `what` and the allowed letters otherwise.
std::string parse_file_flags(const char *flags, const char *allowed, const char *what);
inline bool has_flag(const std::string &f, char c) { return f.find(c) != std::string::npos; }

// Names in text files are one word: bytes up to the space, DEL and '%'
// (and, in a name that is not valid UTF-8, bytes past ASCII) are written
// as %XX (two hex digits); the empty name is "%". Every name thus reads
// back exactly, spaces and line ends included.
std::string escape_name(std::string_view name);
// The name, or false when `s` is not a valid escaped name.
bool unescape_name(std::string_view s, std::string &name);

// A number with round-trip precision; infinities (beyond 1e20) as inf, -inf.
std::string number_text(double v);

// The solution a writer reports: the MIP solution (flag 'm') or the LP
// solution (flag 'l'); without either, the MIP solution when there is one.
struct SolutionView {
  bool mip = false;
  double objval = 0.0;
  const std::vector<double> *x = nullptr, *slack = nullptr;
  const std::vector<double> *dual = nullptr, *dj = nullptr;  // null: none
};
SolutionView choose_solution(ONDRprob prob, const std::string &flags);

// The objective at x: linear part, 0.5 x'Qx and the constant.
double objective_at(const Model &m, const std::vector<double> &x);

// `filename`, or "<problem name><ext>" ("noname" for an unnamed problem)
// when it is NULL or empty.
std::string file_or_default(ONDRprob prob, const char *filename, const char *ext);

// Numbers of the messages that report a file (see ondr_io.h).
enum FileMessage : int {
  kMsgSolutionWritten = 1101,
  kMsgSolutionRead = 1102,
  kMsgBasisWritten = 1103,
  kMsgBasisRead = 1104,
  kMsgSnapshotSaved = 1105,
  kMsgSnapshotRestored = 1106,
};

// Reports a file read or written as message `code` (see ondr_io.h).
void file_message(ONDRprob prob, int code, const std::string &text);

}  // namespace ondr::io

namespace ondr {
const char *lpstatus_name(int s);  // lp/lpoptimize.cpp
}
