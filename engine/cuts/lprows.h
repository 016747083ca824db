// The rows a search adds to its node LP after the model's rows and the
// separators' root cuts: marked rows (delayed rows and model cuts) once a
// node LP solution or a candidate violates them, for the rest of the
// search; and the cuts of the node being solved, which change from node to
// node. The marked rows are left out of the search's model.
#pragma once
#include <cstdint>
#include <vector>
#include "cuts/state.h"
#include "model/store.h"

namespace ondr {
namespace bb {
class NodeLp;
}
namespace cuts {

// lo <= coefs . x <= up (either side may be infinite).
struct Span {
  std::vector<Entry> coefs;
  double lo = -kInf, up = kInf;
  double violation(const std::vector<double> &x) const;
};

class SearchRows {
 public:
  // Reads the marked rows of `full` (the problem's model).
  SearchRows(ONDRprob prob, const Model &full);
  // The model the search works on: `full` without the marked rows (in
  // `storage`), or `full` itself when none is marked.
  const Model &search_model(const Model &full, Model &storage) const;
  // Marked rows violated by x beyond tol join the rows to add; how many.
  int take_violated(const std::vector<double> &x, double tol);
  // Whether x violates a marked row not yet in the LP (those it violates
  // join the rows to add).
  bool rejects(const std::vector<double> &x, double tol) { return take_violated(x, tol) > 0; }
  // Makes the LP rows after the model's `model_rows` and the `first_extra`
  // rows appended before this class hold the marked rows taken so far and
  // the cuts `active` (others removed, missing ones appended).
  void sync(bb::NodeLp &lp, int model_rows, int first_extra, const std::vector<uint64_t> &active);
  // Whether the LP holds rows of this class.
  bool any_in_lp() const { return !in_lp_.empty(); }
  // LP row of a cut (first of its rows), -1 when not in the LP.
  int row_of(uint64_t token) const;
  int64_t taken() const { return (int64_t)taken_.size(); }

 private:
  struct Key {
    int64_t id;   // a cut token, or -(marked row index + 1)
    int rows;     // LP rows it takes
  };
  int append(bb::NodeLp &lp, const Span &s);
  ONDRprob prob_;
  std::vector<int> marked_;      // model rows left out, increasing
  std::vector<Span> spans_;      // their rows
  std::vector<char> is_taken_;
  std::vector<int> taken_;       // positions in marked_, in the order taken
  std::vector<Key> in_lp_;       // in LP order after base
  int base_ = 0;  // LP row of the first row of this class
};

// A cut as a span.
Span span_of(const CutRow &r);

}  // namespace cuts
}  // namespace ondr
