// Building a Model from a problem file: named rows, columns and sets with
// hashed lookup, the bookkeeping readers need while a file is parsed, and
// the rules that turn what a file says into the stored model (limits of
// semi-continuous columns, binary defaults, indicator checks).
#pragma once
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>
#include "io/text.h"
#include "model/store.h"

namespace ondr::io {

// What a read needs to know besides the file.
struct ReadOptions {
  std::string file;                 // the name used in messages
  int maxnamelen = 1024;            // longest name accepted
  bool nonlinear = false;           // nonlinear sections allowed (nonlinear layer)
  std::string rhsname, bndname, rngname;  // preferred MPS vector names
};

class ModelBuilder {
 public:
  explicit ModelBuilder(const ReadOptions &opt) : opt(opt) {}

  const ReadOptions &opt;
  Model m;
  int line = 0;  // line being read, for messages

  [[noreturn]] void fail(const char *fmt, ...) __attribute__((format(printf, 2, 3)));

  // Rows, columns and sets, created in file order. Names must be unique
  // within their kind.
  int add_row(std::string_view name, char type);
  int add_col(std::string_view name);
  int add_set(std::string_view name, char type);
  int find_row(std::string_view name) const { return find(rowidx_, name); }
  int find_col(std::string_view name) const { return find(colidx_, name); }
  // As find_*, but an unknown name is an error naming the file and line.
  int row(std::string_view name);
  int col(std::string_view name);
  // Column of that name, created when new (LP format).
  int col_or_new(std::string_view name);

  // Reading state of each column: which bounds and limits the file gave.
  std::vector<unsigned char> lb_set, ub_set, limit_set;
  // Line that gave the explicit limit (for messages).
  std::vector<int> limit_line;

  // A quadratic term: objective entries are in the 0.5 x'Qx convention,
  // row entries in x'Qx; each unordered pair is stored once.
  static void add_q(QMap &q, int i, int j, double v);

  // Sets an indicator of row `r` (value 1 or 0 of column `c`).
  void set_indicator(int r, int c, int value);

  // Parses a number field, failing with `what` in the message.
  double number(std::string_view text, const char *what);
  // A bound or right-hand side: magnitudes of 1e20 and more are infinite.
  double bound_number(std::string_view text, const char *what);
  // A matrix or quadratic coefficient: finite.
  double coef_number(std::string_view text, const char *what);

  // Finishes the model: limits of semi-continuous and semi-integer columns
  // (the file's positive lower bound is the limit unless a limit was given
  // explicitly), binary default bounds, indicator and quadratic clean-up,
  // array sizes, name index. `binary_default_ub`: binary columns whose upper
  // bound the file did not give get 1 (LP format).
  Model finish(bool binary_defaults);

 private:
  using Index = std::unordered_map<std::string, int>;
  static int find(const Index &idx, std::string_view name) {
    auto it = idx.find(std::string(name));
    return it == idx.end() ? -1 : it->second;
  }
  void check_name(std::string_view name, const char *kind);
  Index rowidx_, colidx_, setidx_;
  std::vector<int> indline_;  // line of each row's indicator
};

}  // namespace ondr::io
