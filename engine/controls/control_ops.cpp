#include "controls/control_ops.h"
#include <climits>
#include <cstdio>
#include <mutex>
#include <vector>
#include "controls/attributes.h"
#include "controls/table.h"
#include "env/error.h"
#include "env/problem.h"
#include "ondr.h"

namespace ondr {

namespace {

// The list handed out by ONDRgetcalist_c: built once from the table.
struct CaList {
  std::vector<int> ids;
  std::vector<const char *> names;
  std::vector<int> flags;
  CaList() {
    for (const ParamDef *p = kParams; p->id; ++p) {
      if (p->layer != LAYER_OPT) continue;
      ids.push_back(p->id);
      names.push_back(p->name);
      int f = p->type == PT_INT ? ONDR_CA_INT : p->type == PT_DBL ? ONDR_CA_DOUBLE : ONDR_CA_STRING;
      if (p->control) f |= ONDR_CA_CONTROL;
      flags.push_back(f);
    }
    ids.push_back(0);
    names.push_back("");
    flags.push_back(0);
  }
};

void copy_str(char *out, const std::string &s) {
  ONDR_REQUIRE(out, "NULL string buffer");
  snprintf(out, 2048, "%s", s.c_str());
}

int info_type(const ParamDef *p) {
  switch (p->type) {
    case PT_INT: return 1;
    case PT_DBL: return 3;
    case PT_STR: return 4;
  }
  return 0;
}

using Guard = std::lock_guard<std::mutex>;

}  // namespace

void list_controls(const int **ids, const char *const **names, const int **flags) {
  ONDR_REQUIRE(ids && names && flags, "NULL output pointer");
  static const CaList l;
  *ids = l.ids.data();
  *names = l.names.data();
  *flags = l.flags.data();
}

void get_int_attrib(ONDRprob prob, int id, int *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  int64_t v = int_attrib(prob, id);
  *value = v > INT_MAX ? INT_MAX : (int)v;
}
void get_int_attrib64(ONDRprob prob, int id, int64_t *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  *value = int_attrib(prob, id);
}
void get_dbl_attrib(ONDRprob prob, int id, double *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  *value = dbl_attrib(prob, id);
}
void get_str_attrib(ONDRprob prob, int id, char *value) { copy_str(value, str_attrib(prob, id)); }

void get_int_control(ONDRprob prob, int id, int *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  Guard g(prob->lock);
  *value = (int)prob->controls.geti(id);
}
void get_int_control64(ONDRprob prob, int id, int64_t *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  Guard g(prob->lock);
  *value = prob->controls.geti(id);
}
void get_dbl_control(ONDRprob prob, int id, double *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  Guard g(prob->lock);
  *value = prob->controls.getd(id);
}
void get_str_control(ONDRprob prob, int id, char *value) {
  std::string v;
  {
    Guard g(prob->lock);
    v = prob->controls.gets(id);
  }
  copy_str(value, v);
}
void set_int_control(ONDRprob prob, int id, int64_t value) {
  Guard g(prob->lock);
  prob->controls.seti(id, value);
}
void set_dbl_control(ONDRprob prob, int id, double value) {
  Guard g(prob->lock);
  prob->controls.setd(id, value);
}
void set_str_control(ONDRprob prob, int id, const char *value) {
  ONDR_REQUIRE(value, "NULL string value");
  Guard g(prob->lock);
  prob->controls.sets(id, value);
}
void reset_control(ONDRprob prob, int id) {
  Guard g(prob->lock);
  prob->controls.reset(id);
}
void reset_controls(ONDRprob prob) {
  Guard g(prob->lock);
  prob->controls.reset_all();
}
void copy_controls(ONDRprob dest, ONDRprob src) {
  if (dest == src) return;
  // Copied out under one lock and in under the other: never both held.
  ControlValues v{0};
  {
    Guard g(src->lock);
    v = src->controls;
  }
  Guard g(dest->lock);
  dest->controls = std::move(v);
}
void dump_controls(ONDRprob prob) {
  std::vector<std::string> lines;
  {
    Guard g(prob->lock);
    for (const ParamDef *p = kParams; p->id; ++p) {
      if (!p->control || p->layer != LAYER_OPT) continue;
      if (p->type == PT_INT)
        lines.push_back(format("%s = %lld", p->name, (long long)prob->controls.geti(p->id)));
      else if (p->type == PT_DBL)
        lines.push_back(format("%s = %.17g", p->name, prob->controls.getd(p->id)));
      else
        lines.push_back(format("%s = %s", p->name, prob->controls.gets(p->id).c_str()));
    }
  }
  for (const std::string &l : lines) printf("%s\n", l.c_str());
  fflush(stdout);
}
void param_info(const char *name, int *id, int *type, bool control) {
  ONDR_REQUIRE(name && id && type, "NULL argument");
  *id = 0;
  *type = 0;
  const ParamDef *p = find_param_by_name(name);
  if (p && p->control == control) {
    *id = p->id;
    *type = info_type(p);
  }
}

}  // namespace ondr
