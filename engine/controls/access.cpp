// The C getters and setters of the optimizer layer's controls and attributes.
#include <climits>
#include <cstdio>
#include <cstring>
#include "controls/attributes.h"
#include "controls/ids.h"
#include "controls/table.h"
#include "env/environment.h"
#include "env/shell.h"
#include "ondr.h"

using namespace ondr;

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

const CaList &calist() {
  static const CaList l;
  return l;
}

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

}  // namespace

ONDR_API int ONDRgetcalist_c(ONDRprob, const int **ids, const char *const **names,
                             const int **flags) {
  return guard_env([&] {
    ONDR_REQUIRE(ids && names && flags, "NULL output pointer");
    const CaList &l = calist();
    *ids = l.ids.data();
    *names = l.names.data();
    *flags = l.flags.data();
  });
}

ONDR_API int ONDRgetintattrib(ONDRprob prob, int id, int *value) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(value, "NULL value pointer");
    int64_t v = int_attrib(prob, id);
    *value = v > INT_MAX ? INT_MAX : (int)v;
  });
}
ONDR_API int ONDRgetintattrib64(ONDRprob prob, int id, int64_t *value) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(value, "NULL value pointer");
    *value = int_attrib(prob, id);
  });
}
ONDR_API int ONDRgetdblattrib(ONDRprob prob, int id, double *value) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(value, "NULL value pointer");
    *value = dbl_attrib(prob, id);
  });
}
ONDR_API int ONDRgetstringattrib(ONDRprob prob, int id, char *value) {
  return guard_prob(prob, [&] { copy_str(value, str_attrib(prob, id)); });
}

ONDR_API int ONDRgetintcontrol(ONDRprob prob, int id, int *value) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(value, "NULL value pointer");
    *value = (int)prob->controls.geti(id);
  });
}
ONDR_API int ONDRgetintcontrol64(ONDRprob prob, int id, int64_t *value) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(value, "NULL value pointer");
    *value = prob->controls.geti(id);
  });
}
ONDR_API int ONDRgetdblcontrol(ONDRprob prob, int id, double *value) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(value, "NULL value pointer");
    *value = prob->controls.getd(id);
  });
}
ONDR_API int ONDRgetstrcontrol(ONDRprob prob, int id, char *value) {
  return guard_prob(prob, [&] { copy_str(value, prob->controls.gets(id)); });
}
ONDR_API int ONDRgetstringcontrol(ONDRprob prob, int id, char *value) {
  return ONDRgetstrcontrol(prob, id, value);
}
ONDR_API int ONDRsetintcontrol(ONDRprob prob, int id, int value) {
  return guard_mut(prob, [&] { prob->controls.seti(id, value); });
}
ONDR_API int ONDRsetintcontrol64(ONDRprob prob, int id, int64_t value) {
  return guard_mut(prob, [&] { prob->controls.seti(id, value); });
}
ONDR_API int ONDRsetdblcontrol(ONDRprob prob, int id, double value) {
  return guard_mut(prob, [&] { prob->controls.setd(id, value); });
}
ONDR_API int ONDRsetstrcontrol(ONDRprob prob, int id, const char *value) {
  return guard_mut(prob, [&] {
    ONDR_REQUIRE(value, "NULL string value");
    prob->controls.sets(id, value);
  });
}
ONDR_API int ONDRsetdefaultcontrol(ONDRprob prob, int id) {
  return guard_prob(prob, [&] { prob->controls.reset(id); });
}
ONDR_API int ONDRsetdefaults(ONDRprob prob) {
  return guard_mut(prob, [&] { prob->controls.reset_all(); });
}
ONDR_API int ONDRcopycontrols(ONDRprob dest, ONDRprob src) {
  return guard_prob(dest, [&] {
    check_not_busy(dest);
    check_problem(src);
    dest->controls = src->controls;
  });
}
ONDR_API int ONDRdumpcontrols(ONDRprob prob) {
  return guard_prob(prob, [&] {
    for (const ParamDef *p = kParams; p->id; ++p) {
      if (!p->control || p->layer != LAYER_OPT) continue;
      std::string line;
      if (p->type == PT_INT) line = format("%s = %lld", p->name, (long long)prob->controls.geti(p->id));
      else if (p->type == PT_DBL) line = format("%s = %.17g", p->name, prob->controls.getd(p->id));
      else line = format("%s = %s", p->name, prob->controls.gets(p->id).c_str());
      printf("%s\n", line.c_str());
    }
    fflush(stdout);
  });
}

static int info(ONDRprob prob, const char *name, int *id, int *type, bool control) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(name && id && type, "NULL argument");
    *id = 0;
    *type = 0;
    const ParamDef *p = find_param_by_name(name);
    if (p && p->control == control) {
      *id = p->id;
      *type = info_type(p);
    }
  });
}
ONDR_API int ONDRgetattribinfo(ONDRprob prob, const char *name, int *id, int *type) {
  return info(prob, name, id, type, false);
}
ONDR_API int ONDRgetcontrolinfo(ONDRprob prob, const char *name, int *id, int *type) {
  return info(prob, name, id, type, true);
}
