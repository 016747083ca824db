// What a problem keeps for its tree searches besides the model: the cut
// pool (cuts by handle), stored bound sets, rows marked to stay out of the
// node LPs, secure rows and columns, and branching directives. Handles are
// tokens from one process-wide counter, so a handle is never reused and a
// handle of another problem (or of another kind) is found in no table.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>
#include "env/problem.h"
#include "model/hook.h"
#include "model/store.h"

namespace ondr {
namespace cuts {

// A row  coefs . x (rtype) rhs  with rtype 'L', 'G' or 'E'.
struct CutRow {
  int type = 0;
  char rtype = 'G';
  double rhs = 0.0;
  std::vector<Entry> coefs;  // sorted by column, one entry per column
  double activity(const std::vector<double> &x) const;
  double violation(const std::vector<double> &x) const;  // > 0: violated
  double slack(const std::vector<double> &x) const;
  bool same_row(const CutRow &o) const;
  uint64_t hash() const;  // equal for rows that are same_row
};

struct PoolCut {
  CutRow row;
  bool listed = true;      // a pool cut (false: removed from the pool, or added by addcuts)
  bool separator = false;  // made by the search's own separators
};

struct BoundSet {
  std::vector<int> cols;
  std::vector<char> type;  // 'L', 'U' or 'B'
  std::vector<double> val;
};

struct Directive {
  int priority = 500;
  char dir = 'N';               // 'U', 'D' or 'N'
  double upc = -1.0, downc = -1.0;  // negative: none
};

struct CutState {
  std::mutex mu;  // guards everything below: node callbacks may run on worker threads
  std::unordered_map<uint64_t, PoolCut> cuts;  // every cut ever made, by token
  std::vector<uint64_t> order;                 // tokens in the order stored
  std::unordered_multimap<uint64_t, uint64_t> by_row;  // row hash -> stored cut (duplicate checks)
  std::unordered_map<uint64_t, BoundSet> bounds;
  std::set<int> delayed, modelcuts;            // rows kept out of the node LPs
  std::set<int> securerows, securecols;
  std::map<int, Directive> dirs;               // by column
  // Figures of the last search.
  int64_t max_lp_rows = 0;    // most rows a node LP held (model rows in it and cuts)
  int64_t lazy_added = 0;     // marked rows that joined the node LPs
};

// The problem's state, made on first use; a worker problem of a tree search
// (bb/workers.h) has its owner's.
CutState &state(ONDRprob prob);
// The state when the problem has one (null otherwise).
CutState *state_if(ONDRprob prob);

uint64_t new_token();
inline uint64_t token_of(const void *h) { return (uint64_t)(uintptr_t)h; }
inline void *handle_of(uint64_t t) { return (void *)(uintptr_t)t; }

// The listed pool cut of a handle; throws ERR_ARGUMENT naming `what` when
// the handle is not one of this problem's pool.
PoolCut &pool_cut(CutState &s, const void *handle, const char *what);

// The tokens of n handles of this problem's cuts (in the pool, removed
// from it, or added by addcuts), each checked; throws ERR_ARGUMENT naming
// `what`. A search loads the cuts of a node's `cuts` tokens into its LP, so
// a child that should start with more cuts gets these tokens appended.
std::vector<uint64_t> cut_tokens(ONDRprob prob, int n, const void *const handles[], const char *what);

// Forgets the cuts added by addcuts during a search that has ended.
void drop_node_cuts(ONDRprob prob);

// Whether a cut type passes the (itype, interp) selection; throws on an
// unknown interp.
bool type_selected(int type, int itype, int interp);
void check_interp(int interp);

// Rows from the arrays of addcuts/storecuts, every one checked (sense,
// finite values, columns in [0, ncols), starts) before any is returned.
std::vector<CutRow> rows_from_arrays(int ncols, int ncuts, const int mtype[], const char rtype[],
                                     const double rhs[], const int64_t mstart[], const int mcols[],
                                     const double dmatval[]);

// The cut rows of  lo <= coefs . x <= up: one 'E' row when lo == up, else
// a 'G' row for a finite lo and an 'L' row for a finite up; entries sorted
// by column with one per column.
std::vector<CutRow> rows_of(std::vector<Entry> coefs, double lo, double up);

// Whether the search should be the library's own tree search because of
// this state (pool cuts, marked rows, directives or stored bounds).
bool wants_tree_search(ONDRprob prob);

// The copy of a problem gets its marked rows, secure rows and columns and
// directives; the cut pool and stored bounds (whose handles are the
// source's) stay with the source.
void copy_marks(ONDRprob dest, ONDRprob src);

// Attributes MAXNODELPROWS, POOLCUTS, LAZYROWSADDED.
int64_t int_attrib(ONDRprob prob, int pid);

// Keeps row and column references in step with a model change.
void follow_change(ONDRprob prob, const Change &c) noexcept;

}  // namespace cuts
}  // namespace ondr
