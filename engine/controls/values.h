// Control values of one problem of one layer, starting at the table's
// defaults. Setters validate type and range and throw ondr::Error.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>

namespace ondr {

class ControlValues {
 public:
  explicit ControlValues(int layer);
  int64_t geti(int id) const;
  double getd(int id) const;
  const std::string &gets(int id) const;
  void seti(int id, int64_t v);
  void setd(int id, double v);
  void sets(int id, const std::string &v);
  void reset(int id);           // back to the default
  void reset_all();
  int layer() const { return layer_; }
 private:
  int layer_;
  std::unordered_map<int, int64_t> ints_;
  std::unordered_map<int, double> dbls_;
  std::unordered_map<int, std::string> strs_;
};

}  // namespace ondr
