#include "bb/lazy.h"
#include <cmath>
#include "bb/branchobj.h"
#include "bb/nodelp.h"

namespace ondr {
namespace bb {

namespace {

thread_local NodeContext *t_context = nullptr;

// The path of `chain`, root side first.
std::vector<RowChain> path_of(const RowChain &chain) {
  std::vector<RowChain> p;
  for (RowChain d = chain; d; d = d->parent) p.push_back(d);
  return {p.rbegin(), p.rend()};
}

// Appends the rows of `d` to `lp` as rows a.x >= lo (an upper side as
// -a.x >= -up); returns how many LP rows that took.
int append(NodeLp &lp, const RowDelta &d) {
  std::vector<double> lo;
  std::vector<HighsIntLike> start, index;
  std::vector<double> value;
  auto add = [&](const NodeRow &r, double sign, double side) {
    start.push_back((HighsIntLike)index.size());
    for (const Entry &e : r.coefs) {
      index.push_back(e.index);
      value.push_back(sign * e.value);
    }
    lo.push_back(sign * side);
  };
  for (const NodeRow &r : d.own) {
    if (!is_inf_bound(r.lo)) add(r, 1.0, r.lo);
    if (!is_inf_bound(r.up)) add(r, -1.0, r.up);
  }
  if (!lo.empty()) lp.add_rows(lo, start, index, value);
  return (int)lo.size();
}

}  // namespace

RowChain extend_rows(const RowChain &parent, std::vector<NodeRow> rows) {
  if (rows.empty()) return parent;
  auto d = std::make_shared<RowDelta>();
  d->parent = parent;
  d->own = std::move(rows);
  return d;
}

void LocalRows::install(NodeLp &lp, int model_rows, const RowChain &chain) {
  std::vector<RowChain> want = path_of(chain);
  size_t keep = 0;
  while (keep < want.size() && keep < installed_.size() && want[keep] == installed_[keep]) ++keep;
  if (keep < installed_.size()) {
    std::vector<double> rlo, rup;
    lp.row_bounds(rlo, rup);
    int total = 0;
    for (size_t k = keep; k < installed_.size(); ++k) total += lp_rows_[k];
    // Node rows are the LP's last rows: drop the last `total` of them.
    int extra = (int)rlo.size() - model_rows;
    std::vector<int> drop;
    for (int e = extra - total; e < extra; ++e) drop.push_back(e);
    lp.delete_extra_rows(drop);
    installed_.resize(keep);
    lp_rows_.resize(keep);
  }
  for (size_t k = keep; k < want.size(); ++k) {
    int n = append(lp, *want[k]);
    installed_.push_back(want[k]);
    lp_rows_.push_back(n);
  }
}

void ondr_branchobj_deleter::operator()(ONDRbranchobject bo) const { delete bo; }

ContextScope::ContextScope(NodeContext &ctx) : prev_(t_context) { t_context = &ctx; }
ContextScope::~ContextScope() { t_context = prev_; }

NodeScope::~NodeScope() {
  ctx_.open = false;
  ctx_.stored.reset();
}

NodeContext *node_context(ONDRprob prob) {
  NodeContext *c = t_context;
  return c && c->prob == prob && c->open ? c : nullptr;
}

}  // namespace bb
}  // namespace ondr
