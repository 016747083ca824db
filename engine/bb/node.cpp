#include "bb/node.h"
#include <limits>

namespace ondr {
namespace bb {

void apply_path(const Node &n, std::vector<double> &lo, std::vector<double> &up) {
  std::vector<const Delta *> chain;
  for (const Delta *d = n.delta.get(); d; d = d->parent.get()) chain.push_back(d);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const BoundChange &c : (*it)->own) {
      lo[(size_t)c.col] = c.lo;
      up[(size_t)c.col] = c.up;
    }
}

void NodeQueue::push(Node n) { nodes_.insert(std::move(n)); }

Node NodeQueue::pop_best() {
  auto it = nodes_.begin();
  Node n = *it;
  nodes_.erase(it);
  return n;
}

double NodeQueue::best_bound() const {
  return nodes_.empty() ? std::numeric_limits<double>::infinity() : nodes_.begin()->bound;
}

size_t NodeQueue::prune(double cutoff) {
  auto it = nodes_.lower_bound(Node{std::numeric_limits<int64_t>::min(), -1, 0, cutoff, {}, {}, {}});
  size_t k = (size_t)std::distance(it, nodes_.end());
  nodes_.erase(it, nodes_.end());
  return k;
}

}  // namespace bb
}  // namespace ondr
