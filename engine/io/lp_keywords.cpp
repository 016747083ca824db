#include "io/lp_keywords.h"
#include "io/text.h"

namespace ondr::io {

namespace {

struct Keyword {
  const char *word;
  LpSection section;
};

const Keyword kKeywords[] = {
    {"minimize", LpSection::Minimize},     {"minimise", LpSection::Minimize},
    {"minimum", LpSection::Minimize},      {"min", LpSection::Minimize},
    {"maximize", LpSection::Maximize},     {"maximise", LpSection::Maximize},
    {"maximum", LpSection::Maximize},      {"max", LpSection::Maximize},
    {"st", LpSection::Constraints},        {"s.t.", LpSection::Constraints},
    {"st.", LpSection::Constraints},       {"bounds", LpSection::Bounds},
    {"bound", LpSection::Bounds},          {"generals", LpSection::Generals},
    {"general", LpSection::Generals},      {"gen", LpSection::Generals},
    {"integers", LpSection::Generals},     {"integer", LpSection::Generals},
    {"binaries", LpSection::Binaries},     {"binary", LpSection::Binaries},
    {"bin", LpSection::Binaries},          {"semi-continuous", LpSection::Semis},
    {"semis", LpSection::Semis},           {"semi", LpSection::Semis},
    {"sos", LpSection::Sos},               {"partial-integers", LpSection::Partials},
    {"ranges", LpSection::Ranges},
    {"nlcoefs", LpSection::NlCoefs},       {"nldetrows", LpSection::NlDetRows},
    {"nlrowstatus", LpSection::NlRowStatus}, {"end", LpSection::End},
};

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

// The next word of `s` from `pos` (skipping white space); `pos` moves past it.
std::string_view next_word(std::string_view s, size_t &pos) {
  while (pos < s.size() && is_space(s[pos])) ++pos;
  size_t b = pos;
  while (pos < s.size() && !is_space(s[pos])) ++pos;
  return s.substr(b, pos - b);
}

}  // namespace

LpSection lp_section_header(std::string_view line, std::string_view &rest) {
  size_t pos = 0;
  std::string_view w = next_word(line, pos);
  if (w.empty()) return LpSection::None;
  LpSection found = LpSection::None;
  if (iequals(w, "subject") || iequals(w, "such")) {
    std::string_view w2 = next_word(line, pos);
    if (iequals(w, "subject") ? iequals(w2, "to") : iequals(w2, "that"))
      found = LpSection::Constraints;
  } else {
    for (const auto &k : kKeywords)
      if (iequals(w, k.word)) {
        found = k.section;
        break;
      }
  }
  if (found != LpSection::None) rest = line.substr(pos);
  return found;
}

bool lp_reserved_word(std::string_view name) {
  if (iequals(name, "subject") || iequals(name, "such") || iequals(name, "free") ||
      iequals(name, "inf") || iequals(name, "infinity"))
    return true;
  for (const auto &k : kKeywords)
    if (iequals(name, k.word)) return true;
  return false;
}

}  // namespace ondr::io
