// Nonlinear content in problem files (both formats), one item per line:
//
//   NLCOEFS      <row> <column> <factor> <type>:<value> ...
//                the coefficient factor * x[column] * formula of a row; the
//                column 'UNIT' stands for the unit column (always 1). The
//                formula is its parsed postfix tokens without the final
//                end-of-formula token; a column token (type 10) names its
//                column, every other value is a number.
//   NLDETROWS    <column> <row>      the determining row of a column
//   NLROWSTATUS  <row> <bits>        nonzero status bits of a row
//
// The optimizer layer refuses these sections; the nonlinear layer reads them.
#pragma once
#include <string>
#include <string_view>
#include <vector>
#include "io/builder.h"
#include "io/names.h"

namespace ondr::io {

constexpr const char *kUnitName = "'UNIT'";

void read_nlcoef(ModelBuilder &b, const std::vector<std::string_view> &tok);
void read_detrow(ModelBuilder &b, const std::vector<std::string_view> &tok);
void read_rowstatus(ModelBuilder &b, const std::vector<std::string_view> &tok);

bool has_nonlinear(const Model &m);
// Appends the three sections (those that are not empty), each introduced
// by headers[k] on its own line.
void write_nl_sections(std::string &out, const Model &m, const OutputNames &names,
                       const char *const headers[3]);

}  // namespace ondr::io
