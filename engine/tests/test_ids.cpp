// The public id lists against the library's own lists: every id of the
// header is listed under its name with its type and kind, every listed id is
// in the header, and no number is used twice. An id added to one place only
// fails here.
#include <algorithm>
#include <map>
#include <string>
#include <vector>
#include "check.h"
#include "oslp.h"

namespace {

enum Type { INT, DBL, STR, PTR };
enum Kind { ATTRIB, CONTROL };

struct HeaderId {
  const char *name;
  int id;
  Type type;
  Kind kind;
};

#define HEADER_ID_(name, id, type, kind) {#name, id, type, kind},
const HeaderId kOpt[] = {ONDR_ID_LIST(HEADER_ID_)};
const HeaderId kNlp[] = {OSLP_ID_LIST(HEADER_ID_)};
#undef HEADER_ID_

// The list flags an id of the given type and kind carries in its layer.
int expected_flags(const HeaderId &h, int int_bit, int dbl_bit, int str_bit, int control_bit) {
  int f = h.type == INT ? int_bit : h.type == DBL ? dbl_bit : str_bit;
  return h.kind == CONTROL ? f | control_bit : f;
}

struct Listed {
  std::string name;
  int flags;
};

template <size_t N>
void check_layer(const HeaderId (&header)[N], const std::map<int, Listed> &listed, int int_bit,
                 int dbl_bit, int str_bit, int control_bit) {
  size_t unlisted = 0;
  for (const HeaderId &h : header) {
    if (h.type == PTR) {  // pointer attributes are not listed
      ++unlisted;
      CHECK(listed.count(h.id) == 0);
      continue;
    }
    auto it = listed.find(h.id);
    if (it == listed.end()) {
      fprintf(stderr, "  %s (%d) is in the header but not listed\n", h.name, h.id);
      CHECK(false);
      continue;
    }
    int want = expected_flags(h, int_bit, dbl_bit, str_bit, control_bit);
    if (it->second.name != h.name || it->second.flags != want)
      fprintf(stderr, "  %d: header %s flags %d, listed %s flags %d\n", h.id, h.name, want,
              it->second.name.c_str(), it->second.flags);
    CHECK(it->second.name == h.name);
    CHECK(it->second.flags == want);
  }
  // every listed id came from a header entry (the ids are distinct, see below)
  for (const auto &entry : listed)
    if (std::none_of(std::begin(header), std::end(header),
                     [&](const HeaderId &h) { return h.id == entry.first; }))
      fprintf(stderr, "  %s (%d) is listed but not in the header\n", entry.second.name.c_str(), entry.first);
  CHECK(listed.size() == N - unlisted);
}

}  // namespace

TEST(optimizer_ids_match_the_library_list) {
  ONDRinit(nullptr);
  const int *ids, *flags;
  const char *const *names;
  CHECK_OK(ONDRgetcalist_c(nullptr, &ids, &names, &flags));
  std::map<int, Listed> listed;
  size_t entries = 0;
  for (int i = 0; ids[i]; ++i, ++entries) listed[ids[i]] = {names[i], flags[i]};
  CHECK(listed.size() == entries);
  check_layer(kOpt, listed, ONDR_CA_INT, ONDR_CA_DOUBLE, ONDR_CA_STRING, ONDR_CA_CONTROL);
}

TEST(nonlinear_ids_match_the_library_list) {
  ONDRinit(nullptr);
  CHECK_OK(OSLPinit());
  const int *ids;
  const char *const *names;
  CHECK_OK(OSLPgetcalist(nullptr, &ids, &names));
  std::map<int, Listed> listed;
  size_t entries = 0;
  for (int i = 1; names[i] && names[i][0]; ++i, ++entries) {
    int f = -1;
    char name[128] = {0};
    CHECK_OK(OSLPcontrolname(ids[i], name, &f));
    CHECK(std::string(name) == names[i]);
    listed[ids[i]] = {names[i], f};
  }
  CHECK(listed.size() == entries);
  check_layer(kNlp, listed, OSLP_CA_INT, OSLP_CA_DOUBLE, OSLP_CA_STRING, OSLP_CA_CONTROL);
}

TEST(pointer_ids_read_through_the_pointer_getter) {
  Fixture f;
  CHECK_OK(OSLPinit());
  OSLPprob s = nullptr;
  CHECK_OK(OSLPcreateprob(&s, &f.prob));
  for (const HeaderId &h : kNlp) {
    void *ptr = nullptr;
    int rc = OSLPgetptrattrib(s, h.id, &ptr);
    CHECK((rc == 0) == (h.type == PTR));
  }
  void *ptr = nullptr;
  CHECK_OK(OSLPgetptrattrib(s, OSLP_NLPOPTIMIZER, &ptr));
  CHECK(ptr == (void *)f.prob);
  CHECK_OK(OSLPdestroyprob(s));
}

TEST(no_id_or_name_is_used_twice) {
  // names are looked up across both layers, ids within each
  std::vector<int> all;
  std::vector<std::string> names;
  for (const HeaderId &h : kOpt) all.push_back(h.id), names.push_back(h.name);
  for (const HeaderId &h : kNlp) all.push_back(h.id), names.push_back(h.name);
  all.push_back(OSLP_NLPFUNCOBJECT);
  std::sort(all.begin(), all.end());
  std::sort(names.begin(), names.end());
  CHECK(std::adjacent_find(all.begin(), all.end()) == all.end());
  CHECK(std::adjacent_find(names.begin(), names.end()) == names.end());
}
