// The IIS search of a problem and what it found: the work behind the IIS
// entry points (ondr_iis.h), without the public shell's checks.
#pragma once
#include <map>
#include <memory>
#include <vector>
#include "iis/filter.h"
#include "iis/oracle.h"

namespace ondr::iis {

// One set found, and what is known of it.
struct Set {
  std::vector<int> members;  // sorted
  // The proof (elastic form), computed when first asked for.
  bool measured = false;
  double suminfeas = 0.0;
  int numinfeas = 0;
  std::vector<double> mult;  // multiplier of each member (members' order)
  // Isolation flags of the set's rows and columns (in the order of
  // rows_of / cols_of), empty until computed.
  std::vector<signed char> iso_rows, iso_cols;
};

// The search state kept with the last solve's results.
struct State {
  Model model;  // the model searched (the oracle refers to it)
  Members mb;
  std::unique_ptr<Oracle> oracle;
  std::vector<Set> sets;     // [0] the initial infeasible subsystem, then the IIS
  bool complete = false;     // every IIS has been found
  // Verdicts of the whole problem without a set of members (searches for a
  // next IIS, isolations): infeasible or not, and the certificate's members.
  std::map<std::vector<int>, std::pair<bool, std::vector<int>>> dropped;
  int64_t solves = 0;
};

// Rows (or columns) of a set in increasing order, with their members.
struct Item {
  int index;
  int lo = -1, up = -1;  // member of each side in the set, -1 none
};
std::vector<Item> rows_of(const Members &mb, const Set &s);
std::vector<Item> cols_of(const Members &mb, const Set &s);

// Statuses of iisfirst and iisnext.
enum SearchStatus { FOUND = 0, NO_MORE = 1, STOPPED = 2 };

int iis_first(ONDRprob prob, int mode);
int iis_next(ONDRprob prob);
void iis_all(ONDRprob prob);
void iis_clear(ONDRprob prob);
// The state of a search made since the last solve; throws when none is.
State &state_of(ONDRprob prob);
// Set num (0 the initial subsystem); throws when it does not exist.
Set &set_of(ONDRprob prob, int num);
// Computes the proof of a set (proof.cpp).
void measure(ONDRprob prob, State &st, Set &s);
// Computes the isolation flags of a set.
void isolations(ONDRprob prob, State &st, Set &s);
// HiGHS's own IIS of a linear problem, as members; false when HiGHS finds
// none (highs_iis.cpp).
bool highs_iis(ONDRprob prob, const Model &m, const Members &mb, std::vector<int> &out);
// Writes set num of the problem (write.cpp).
void write_set(ONDRprob prob, int num, const char *filename, int type, const char *typeflags);

}  // namespace ondr::iis
