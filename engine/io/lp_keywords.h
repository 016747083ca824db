// Words and characters of the LP format, shared by its reader, its writer
// and the name check.
#pragma once
#include <string>
#include <string_view>

namespace ondr::io {

// Characters that end a name in the LP format (operators, brackets, the
// label colon and the comment mark).
constexpr const char *kLpOperatorChars = "+-*/^<>=:[]\\";

enum class LpSection {
  None, Minimize, Maximize, Constraints, Bounds, Generals, Binaries, Semis, Sos,
  Partials, Ranges, NlCoefs, NlDetRows, NlRowStatus, End
};

// When `line` starts with a section keyword (any case, followed by white
// space or the line end), returns the section and sets `rest` to the text
// after the keyword; otherwise LpSection::None.
LpSection lp_section_header(std::string_view line, std::string_view &rest);

// Words a name may not be: section keywords and the words with a meaning
// inside sections (free, inf, infinity), in any case.
bool lp_reserved_word(std::string_view name);

}  // namespace ondr::io
