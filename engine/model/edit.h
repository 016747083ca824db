// Helpers shared by the functions that change the model: index and value
// checks with precise messages, quadratic maps, and renumbering deletions.
// Every change follows the same pattern: validate everything first, build
// what needs allocating aside, then commit with steps that cannot fail, so
// a failure leaves the model as it was.
#pragma once
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>
#include "env/error.h"
#include "model/basis.h"
#include "model/store.h"

namespace ondr {

// Index checks; `where` completes the message ("in entry 3", may be "").
void require_row(const Model &m, int i, const char *where = "");
void require_col(const Model &m, int j, const char *where = "");
void require_set(const Model &m, int s, const char *where = "");
// A finite number (not NaN, not +-inf); `what` names it in the message.
void require_finite(double v, const char *what);

// The number of items of an optional list: n, or 0 when n is -1 and every
// array is NULL (an absent list). Fails for other negative counts and for a
// NULL array when n > 0.
int64_t list_count(int64_t n, const char *what, std::initializer_list<const void *> arrays);

// Validates the starts of `n` items laid end to end over `total` elements:
// starts[0] is 0, starts never decrease and never exceed `total`; the last
// item ends at `total` (starts[n] is never read). `starts` may be NULL only
// when total is 0. `item` names the items in messages ("row", "column").
template <class S>
void check_starts(const S starts[], int n, int64_t total, const char *item);
template <class S>
inline int64_t item_end(const S starts[], int i, int n, int64_t total) {
  return i + 1 < n ? (int64_t)starts[i + 1] : total;
}
template <class S>
inline int64_t item_begin(const S starts[], int i) {
  return starts ? (int64_t)starts[i] : 0;
}

// Grows the capacity of v geometrically so that repeated small additions
// stay amortised O(1) per element.
template <class V>
void reserve_for(V &v, size_t needed) {
  if (v.capacity() < needed) v.reserve(std::max(needed, v.capacity() * 2));
}

// Quadratic maps.
inline std::pair<int, int> qkey(int i, int j) { return i < j ? std::make_pair(i, j) : std::make_pair(j, i); }
double qget(const QMap &q, int i, int j);
// Applies `changes` (new values keyed like the map; 0 removes) or, with
// add = true, adds them. Cannot fail: the nodes of `changes` are moved into
// `q`. `changes` is left in an unspecified state.
void qapply(QMap &q, QMap &changes, bool add);
// Checks n quadratic triplets (columns valid, values finite) and gathers
// them into a map of (pair -> value): summed when `sum`, else the last wins.
QMap gather_qterms(const Model &m, int64_t n, const int c1[], const int c2[], const double v[],
                   bool sum, const char *what);

// Checks and builds `n` sets laid end to end over `nelems` members (set i
// starts at starts[i]; the last ends at nelems). Types '1' or '2', member
// columns valid and distinct within a set, reference values finite.
// `first_index` is the index the first set will get (for messages).
std::vector<SetDef> build_sets(const Model &m, int n, int64_t nelems, const char types[],
                               const int64_t starts[], const int cols[], const double refs[],
                               int first_index);

// Deletion: `idx` are validated (range, repeats), then the items go and all
// that refers to later items is renumbered densely in the old order.
// `warm` (may be null), the problem's warm basis, loses the deleted items'
// statuses (or is dropped when it did not fit the model).
void delete_rows(Model &m, int n, const int idx[], WarmBasis *warm = nullptr);
void delete_cols(Model &m, int n, const int idx[], WarmBasis *warm = nullptr);
void delete_sets(Model &m, int n, const int idx[]);

}  // namespace ondr
