#include "model/rowstore.h"
#include <climits>
#include <cstring>

namespace ondr {

namespace {

// Capacity for `need` entries: grown by half at a time, so that appends
// stay amortised O(1) while leaving less unused room than doubling.
void grow_pool(std::vector<Entry> &pool, size_t need) {
  if (pool.capacity() >= need) return;
  pool.reserve(std::max(need, pool.capacity() + pool.capacity() / 2));
}

template <class V>
void grow_headers(V &v, size_t need) {
  if (v.capacity() >= need) return;
  v.reserve(std::max(need, v.capacity() + v.capacity() / 2));
}

}  // namespace

RowStore::RowStore(const std::vector<std::vector<Entry>> &rows) { *this = rows; }

RowStore &RowStore::operator=(const std::vector<std::vector<Entry>> &rows) {
  RowStore s;
  int64_t n = 0;
  for (const auto &r : rows) n += (int64_t)r.size();
  s.reserve(rows.size(), n);
  for (const auto &r : rows) s.push_back(r);
  swap(s);
  return *this;
}

RowStore::RowStore(const RowStore &o) {
  reserve(o.size(), o.live_);
  for (size_t i = 0; i < o.size(); ++i) push_back(o[i]);
}

RowStore &RowStore::operator=(const RowStore &o) {
  if (this != &o) {
    RowStore s(o);
    swap(s);
  }
  return *this;
}

RowStore::operator std::vector<std::vector<Entry>>() const {
  std::vector<std::vector<Entry>> v;
  v.reserve(size());
  for (size_t i = 0; i < size(); ++i) v.push_back((*this)[i]);
  return v;
}

void RowStore::reserve(size_t rows, int64_t entries) {
  if (entries > 0) grow_pool(pool_, pool_.size() + (size_t)entries);
  grow_headers(start_, rows);
  grow_headers(len_, rows);
  grow_headers(cap_, rows);
}

void RowStore::push_back(const Entry *b, const Entry *e) {
  size_t n = (size_t)(e - b), at = pool_.size();
  grow_headers(start_, start_.size() + 1);
  grow_headers(len_, len_.size() + 1);
  grow_headers(cap_, cap_.size() + 1);
  grow_pool(pool_, at + n);
  // Nothing below allocates.
  pool_.insert(pool_.end(), b, e);
  start_.push_back((int64_t)at);
  len_.push_back((int)n);
  cap_.push_back((int)n);
  live_ += (int64_t)n;
  held_ += (int64_t)n;
}

void RowStore::assign_empty(size_t n, const int64_t room[]) {
  RowStore s;
  int64_t total = 0;
  for (size_t i = 0; i < n; ++i) total += room[i];
  s.pool_.resize((size_t)total);
  s.start_.resize(n);
  s.len_.assign(n, 0);
  s.cap_.resize(n);
  int64_t at = 0;
  for (size_t i = 0; i < n; ++i) {
    s.start_[i] = at;
    s.cap_[i] = (int)room[i];
    at += room[i];
  }
  s.held_ = total;
  swap(s);
}

void RowStore::push_back_summed(const int idx[], const double val[], size_t n) {
  size_t at = pool_.size();
  grow_headers(start_, start_.size() + 1);
  grow_headers(len_, len_.size() + 1);
  grow_headers(cap_, cap_.size() + 1);
  grow_pool(pool_, at + n);
  for (size_t k = 0; k < n; ++k) pool_.push_back(Entry{idx[k], val[k]});
  Entry *row = pool_.data() + at;
  auto by_index = [](const Entry &x, const Entry &y) { return x.index < y.index; };
  if (!std::is_sorted(row, row + n, by_index)) std::sort(row, row + n, by_index);
  size_t out = 0;
  for (size_t k = 0; k < n; ++k) {
    if (out > 0 && row[out - 1].index == row[k].index) row[out - 1].value += row[k].value;
    else row[out++] = row[k];
  }
  pool_.resize(at + out);
  start_.push_back((int64_t)at);
  len_.push_back((int)out);
  cap_.push_back((int)out);
  live_ += (int64_t)out;
  held_ += (int64_t)out;
}

void RowStore::resize(size_t n) {
  if (n < size()) {
    for (size_t i = n; i < size(); ++i) {
      live_ -= len_[i];
      held_ -= cap_[i];
    }
    start_.resize(n);
    len_.resize(n);
    cap_.resize(n);
    return;
  }
  grow_headers(start_, n);
  grow_headers(len_, n);
  grow_headers(cap_, n);
  while (size() < n) emplace_back();
}

void RowStore::clear() { RowStore().swap(*this); }

void RowStore::swap(RowStore &o) noexcept {
  pool_.swap(o.pool_);
  start_.swap(o.start_);
  len_.swap(o.len_);
  cap_.swap(o.cap_);
  std::swap(live_, o.live_);
  std::swap(held_, o.held_);
}

void RowStore::compact(size_t extra) {
  // Rows in order, each keeping its room, into a pool with `extra` spare.
  std::vector<Entry> fresh;
  fresh.reserve((size_t)held_ + extra);
  std::vector<int64_t> start(start_.size());
  for (size_t i = 0; i < start_.size(); ++i) {
    start[i] = (int64_t)fresh.size();
    const Entry *b = pool_.data() + start_[i];
    fresh.insert(fresh.end(), b, b + len_[i]);
    fresh.resize(fresh.size() + (size_t)(cap_[i] - len_[i]));
  }
  pool_.swap(fresh);
  start_.swap(start);
}

void RowStore::make_room(size_t i, size_t n) {
  size_t cap = (size_t)cap_[i];
  if (n <= cap) return;
  // Doubling, within what an int row length holds (rows never reach it:
  // a row has at most one entry per column).
  size_t want = std::max(n, std::min<size_t>(std::max<size_t>(4, cap * 2), INT_MAX));
  size_t end = (size_t)start_[i] + cap;
  if (end == pool_.size()) {
    // The last row of the pool grows in place.
    grow_pool(pool_, (size_t)start_[i] + want);
    pool_.resize((size_t)start_[i] + want);
  } else {
    size_t holes = pool_.size() - (size_t)held_;
    if (holes + cap > (size_t)held_ + 1024) compact(want);
    size_t at = pool_.size();
    grow_pool(pool_, at + want);
    pool_.resize(at + want);
    std::memmove(pool_.data() + at, pool_.data() + start_[i], (size_t)len_[i] * sizeof(Entry));
    start_[i] = (int64_t)at;
  }
  held_ += (int64_t)(want - cap);
  cap_[i] = (int)want;
}

void RowRef::push_back(const Entry &e) const {
  size_t n = size();
  s_->make_room(i_, n + 1);
  begin()[n] = e;
  ++s_->len_[i_];
  ++s_->live_;
}

void RowRef::resize(size_t n) const {
  size_t old = size();
  if (n > old) {
    s_->make_room(i_, n);
    std::fill(begin() + old, begin() + n, Entry{0, 0.0});
  }
  s_->len_[i_] = (int)n;
  s_->live_ += (int64_t)n - (int64_t)old;
}

void RowRef::reserve(size_t n) const {
  if (n > capacity()) s_->make_room(i_, n);
}

size_t RowRef::capacity() const { return (size_t)s_->cap_[i_]; }

Entry *RowRef::insert(Entry *at, const Entry &e) const {
  size_t k = (size_t)(at - begin()), n = size();
  s_->make_room(i_, n + 1);
  Entry *b = begin();
  std::memmove(b + k + 1, b + k, (n - k) * sizeof(Entry));
  b[k] = e;
  ++s_->len_[i_];
  ++s_->live_;
  return b + k;
}

Entry *RowRef::erase(Entry *at) const {
  Entry *b = begin();
  size_t k = (size_t)(at - b), n = size();
  std::memmove(b + k, b + k + 1, (n - k - 1) * sizeof(Entry));
  --s_->len_[i_];
  --s_->live_;
  return b + k;
}

const RowRef &RowRef::operator=(RowView v) const {
  // `v` may lie in this store: copy it aside before the row moves.
  std::vector<Entry> copy(v.begin(), v.end());
  return *this = copy;
}

const RowRef &RowRef::operator=(const std::vector<Entry> &v) const {
  s_->make_room(i_, v.size());
  std::copy(v.begin(), v.end(), begin());
  s_->live_ += (int64_t)v.size() - (int64_t)size();
  s_->len_[i_] = (int)v.size();
  return *this;
}

void RowStore::shrink_to_fit() {
  std::vector<Entry> fresh;
  fresh.reserve((size_t)live_);
  for (size_t i = 0; i < size(); ++i) {
    const Entry *b = pool_.data() + start_[i];
    start_[i] = (int64_t)fresh.size();
    fresh.insert(fresh.end(), b, b + len_[i]);
    cap_[i] = len_[i];
  }
  pool_.swap(fresh);
  held_ = live_;
  start_.shrink_to_fit();
  len_.shrink_to_fit();
  cap_.shrink_to_fit();
}

void RowStore::keep_rows(const std::vector<int> &map) {
  // Rows laid out in row order can slide to the front in place; otherwise
  // they are laid out so first.
  bool ordered = true;
  for (size_t i = 1; i < size() && ordered; ++i)
    ordered = start_[i] >= start_[i - 1] + cap_[i - 1];
  if (!ordered) shrink_to_fit();
  size_t out = 0, w = 0;
  for (size_t i = 0; i < size(); ++i) {
    if (map[i] < 0) continue;
    size_t n = (size_t)len_[i];
    if (n) std::memmove(pool_.data() + w, pool_.data() + start_[i], n * sizeof(Entry));
    start_[out] = (int64_t)w;
    len_[out] = cap_[out] = (int)n;
    w += n;
    ++out;
  }
  pool_.resize(w);
  start_.resize(out);
  len_.resize(out);
  cap_.resize(out);
  live_ = held_ = (int64_t)w;
}

void RowStore::renumber_entries(const std::vector<int> &map) {
  for (size_t i = 0; i < size(); ++i) {
    Entry *b = pool_.data() + start_[i];
    int out = 0;
    for (int k = 0; k < len_[i]; ++k) {
      int j = map[(size_t)b[k].index];
      if (j >= 0) b[out++] = Entry{j, b[k].value};
    }
    live_ -= len_[i] - out;
    len_[i] = out;
  }
}

size_t RowStore::bytes() const {
  return pool_.capacity() * sizeof(Entry) + start_.capacity() * sizeof(int64_t) +
         (len_.capacity() + cap_.capacity()) * sizeof(int);
}

}  // namespace ondr
