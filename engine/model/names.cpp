#include "model/store.h"

namespace ondr {

std::string Model::name_or_default(int kind, int i) const {
  const auto &v = names_of(kind);
  if (i >= 0 && i < (int)v.size() && !v[i].empty()) return v[i];
  const char *prefix = kind == 1 ? "R" : kind == 2 ? "C" : "S";
  return prefix + std::to_string(i + 1);
}

int Model::find_name(int kind, const std::string &name) const {
  int k = kind - 1;
  if (!name_index_valid[k]) {
    auto &idx = name_index[k];
    idx.clear();
    int n = kind == 1 ? nrows() : kind == 2 ? ncols() : (int)sets.size();
    idx.reserve((size_t)n);
    // The first item of a repeated name wins.
    for (int i = n - 1; i >= 0; --i) idx[name_or_default(kind, i)] = i;
    name_index_valid[k] = true;
  }
  auto it = name_index[k].find(name);
  return it == name_index[k].end() ? -1 : it->second;
}

}  // namespace ondr
