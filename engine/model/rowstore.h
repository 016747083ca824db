// Sparse rows kept in one pool of entries instead of one allocation per
// row. Row i holds pool[start(i), start(i) + size(i)) and may have spare
// room after its entries; a row that outgrows its room moves to the end of
// the pool, and the pool is compacted (in one pass) once the holes left by
// moved rows outweigh the live entries. Rows read like a vector of vectors:
// `rows[i]` is a view of row i, `rows.size()` the number of rows.
//
// A view (or a pointer into a row) stays valid until the next change of the
// store, of any row.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace ondr {

// A sparse vector entry (index, value).
struct Entry {
  int index;
  double value;
};

class RowStore;

// A read-only view of one row's entries.
class RowView {
 public:
  RowView() = default;
  RowView(const Entry *b, const Entry *e) : b_(b), e_(e) {}
  const Entry *begin() const { return b_; }
  const Entry *end() const { return e_; }
  size_t size() const { return (size_t)(e_ - b_); }
  bool empty() const { return b_ == e_; }
  const Entry &operator[](size_t k) const { return b_[k]; }
  const Entry &front() const { return *b_; }
  const Entry &back() const { return e_[-1]; }
  const Entry *data() const { return b_; }
  std::reverse_iterator<const Entry *> rbegin() const { return std::reverse_iterator<const Entry *>(e_); }
  std::reverse_iterator<const Entry *> rend() const { return std::reverse_iterator<const Entry *>(b_); }
  operator std::vector<Entry>() const { return std::vector<Entry>(b_, e_); }

 private:
  const Entry *b_ = nullptr, *e_ = nullptr;
};

// A changeable row: reads as a view, grows and shrinks in place. Entries
// are addressed afresh on every call, since growth may move the row.
class RowRef {
 public:
  RowRef(RowStore &s, size_t i) : s_(&s), i_(i) {}
  Entry *begin() const;
  Entry *end() const;
  size_t size() const;
  bool empty() const { return size() == 0; }
  Entry &operator[](size_t k) const { return begin()[k]; }
  Entry &front() const { return *begin(); }
  Entry &back() const { return end()[-1]; }
  Entry *data() const { return begin(); }
  std::reverse_iterator<Entry *> rbegin() const { return std::reverse_iterator<Entry *>(end()); }
  std::reverse_iterator<Entry *> rend() const { return std::reverse_iterator<Entry *>(begin()); }
  size_t capacity() const;
  operator RowView() const { return RowView(begin(), end()); }
  operator std::vector<Entry>() const { return std::vector<Entry>(begin(), end()); }
  void push_back(const Entry &e) const;
  void pop_back() const { resize(size() - 1); }
  void clear() const { resize(0); }
  // Shrinks to n entries (n <= size()), or grows with entries {0, 0.0}.
  void resize(size_t n) const;
  // Room for n entries without a move.
  void reserve(size_t n) const;
  // Inserts before `at` / removes the entry at `at`; returns its new place.
  Entry *insert(Entry *at, const Entry &e) const;
  Entry *erase(Entry *at) const;
  const RowRef &operator=(const std::vector<Entry> &v) const;
  const RowRef &operator=(RowView v) const;
  // Assigns the entries of `o` (a row reference is never rebound).
  const RowRef &operator=(const RowRef &o) const { return *this = RowView(o); }
  RowRef(const RowRef &) = default;

 private:
  RowStore *s_;
  size_t i_;
};

class RowStore {
 public:
  RowStore() = default;
  // From sparse rows given one vector per row.
  RowStore(const std::vector<std::vector<Entry>> &rows);  // NOLINT: reads as one
  RowStore &operator=(const std::vector<std::vector<Entry>> &rows);
  // Copies hold the live entries only, each row without spare room.
  RowStore(const RowStore &o);
  RowStore &operator=(const RowStore &o);
  RowStore(RowStore &&o) noexcept = default;
  RowStore &operator=(RowStore &&o) noexcept = default;
  // One vector per row (for code that keeps rows apart).
  operator std::vector<std::vector<Entry>>() const;

  size_t size() const { return start_.size(); }
  bool empty() const { return start_.empty(); }
  int64_t nnz() const { return live_; }
  RowView operator[](size_t i) const {
    const Entry *b = pool_.data() + start_[i];
    return RowView(b, b + len_[i]);
  }
  RowRef operator[](size_t i) { return RowRef(*this, i); }
  RowView at_view(size_t i) const { return (*this)[i]; }

  // Iteration over the rows (views, or changeable rows).
  template <class S, class R>
  struct Iter {
    S *s;
    size_t i;
    R operator*() const { return (*s)[i]; }
    Iter &operator++() { ++i; return *this; }
    bool operator!=(const Iter &o) const { return i != o.i; }
    bool operator==(const Iter &o) const { return i == o.i; }
  };
  using const_iterator = Iter<const RowStore, RowView>;
  using iterator = Iter<RowStore, RowRef>;
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }
  iterator begin() { return {this, 0}; }
  iterator end() { return {this, size()}; }

  // Room for `rows` rows and `entries` entries in all (may throw; changes
  // nothing else).
  void reserve(size_t rows, int64_t entries = 0);
  size_t capacity() const { return start_.capacity(); }
  // Appends a row of these entries (taken as they are).
  void push_back(const Entry *b, const Entry *e);
  void push_back(const std::vector<Entry> &v) { push_back(v.data(), v.data() + v.size()); }
  void push_back(RowView v) { push_back(v.begin(), v.end()); }
  void emplace_back() { push_back(nullptr, nullptr); }
  // Appends a row of the n pairs (idx[k], val[k]) sorted by index, the
  // values of a repeated index summed. Allocates nothing when reserve()
  // made room for the row and its n entries.
  void push_back_summed(const int idx[], const double val[], size_t n);
  // Replaces the contents by `n` empty rows, row i with room for room[i]
  // entries, laid out in order.
  void assign_empty(size_t n, const int64_t room[]);
  // Fewer rows (the last ones go) or more (empty ones).
  void resize(size_t n);
  void clear();
  void swap(RowStore &o) noexcept;

  // Keeps the rows i with map[i] >= 0 (they become row map[i], in order;
  // map is the dense renumbering of a deletion) in one pass.
  void keep_rows(const std::vector<int> &map);
  // Replaces every entry's index j by map[j], dropping entries whose
  // map[j] < 0, in one pass (map must keep the order of the kept indices).
  void renumber_entries(const std::vector<int> &map);
  // Moves every row to the front of the pool without spare room and frees
  // what is left over.
  void shrink_to_fit();

  // Bytes held (pool and row headers, by capacity).
  size_t bytes() const;

 private:
  friend class RowRef;
  // Room for `n` entries in row i, moving it to the end of the pool when
  // it has less.
  void make_room(size_t i, size_t n);
  void compact(size_t extra);
  std::vector<Entry> pool_;
  std::vector<int64_t> start_;
  std::vector<int> len_, cap_;
  int64_t live_ = 0;   // entries in rows
  int64_t held_ = 0;   // pool entries inside rows' room (live or spare)
};

inline Entry *RowRef::begin() const { return s_->pool_.data() + s_->start_[i_]; }
inline Entry *RowRef::end() const { return begin() + s_->len_[i_]; }
inline size_t RowRef::size() const { return (size_t)s_->len_[i_]; }

}  // namespace ondr
