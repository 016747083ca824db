#include "controls/values.h"
#include <cmath>
#include "controls/table.h"
#include "env/error.h"

namespace ondr {

ControlValues::ControlValues(int layer) : layer_(layer) { reset_all(); }

void ControlValues::reset_all() {
  ints_.clear();
  dbls_.clear();
  strs_.clear();
  for (const ParamDef *p = kParams; p->id; ++p) {
    if (!p->control || p->layer != layer_) continue;
    if (p->type == PT_INT) ints_[p->id] = (int64_t)p->dflt;
    else if (p->type == PT_DBL) dbls_[p->id] = p->dflt;
    else if (p->type == PT_STR) strs_[p->id] = p->sdflt ? p->sdflt : "";
  }
}

void ControlValues::reset(int id) {
  const ParamDef *p = find_param(layer_, id);
  if (!p || !p->control) fail(ERR_ARGUMENT, "Unknown control id %d", id);
  if (p->type == PT_INT) ints_[id] = (int64_t)p->dflt;
  else if (p->type == PT_DBL) dbls_[id] = p->dflt;
  else strs_[id] = p->sdflt ? p->sdflt : "";
}

static const ParamDef *control_of(int layer, int id, int type) {
  const ParamDef *p = find_param(layer, id);
  if (!p || !p->control) fail(ERR_ARGUMENT, "Unknown control id %d", id);
  if (p->type != type) {
    static const char *names[] = {"", "integer", "double", "string", "pointer"};
    fail(ERR_ARGUMENT, "Control %s (id %d) is of type %s", p->name, id, names[p->type]);
  }
  return p;
}

int64_t ControlValues::geti(int id) const {
  control_of(layer_, id, PT_INT);
  return ints_.at(id);
}
double ControlValues::getd(int id) const {
  control_of(layer_, id, PT_DBL);
  return dbls_.at(id);
}
const std::string &ControlValues::gets(int id) const {
  control_of(layer_, id, PT_STR);
  return strs_.at(id);
}

void ControlValues::seti(int id, int64_t v) {
  const ParamDef *p = control_of(layer_, id, PT_INT);
  if ((double)v < p->lo || (double)v > p->hi)
    fail(ERR_ARGUMENT, "Value %lld out of range [%.17g, %.17g] for control %s", (long long)v,
         p->lo, p->hi, p->name);
  ints_[id] = v;
}
void ControlValues::setd(int id, double v) {
  const ParamDef *p = control_of(layer_, id, PT_DBL);
  if (std::isnan(v) || v < p->lo || v > p->hi)
    fail(ERR_ARGUMENT, "Value %g out of range [%g, %g] for control %s", v, p->lo, p->hi, p->name);
  dbls_[id] = v;
}
void ControlValues::sets(int id, const std::string &v) {
  control_of(layer_, id, PT_STR);
  if (v.size() >= 2048) fail(ERR_ARGUMENT, "String value too long for control %d", id);
  strs_[id] = v;
}

}  // namespace ondr
