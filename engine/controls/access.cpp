// The C getters and setters of the optimizer layer's controls and
// attributes: shells around controls/control_ops.h.
#include "controls/control_ops.h"
#include "env/shell.h"
#include "ondr.h"

using namespace ondr;

ONDR_API int ONDRgetcalist_c(ONDRprob, const int **ids, const char *const **names,
                             const int **flags) {
  return guard_env([&] { list_controls(ids, names, flags); });
}

ONDR_API int ONDRgetintattrib(ONDRprob prob, int id, int *value) {
  return guard_prob(prob, [&] { get_int_attrib(prob, id, value); });
}
ONDR_API int ONDRgetintattrib64(ONDRprob prob, int id, int64_t *value) {
  return guard_prob(prob, [&] { get_int_attrib64(prob, id, value); });
}
ONDR_API int ONDRgetdblattrib(ONDRprob prob, int id, double *value) {
  return guard_prob(prob, [&] { get_dbl_attrib(prob, id, value); });
}
ONDR_API int ONDRgetstringattrib(ONDRprob prob, int id, char *value) {
  return guard_prob(prob, [&] { get_str_attrib(prob, id, value); });
}

ONDR_API int ONDRgetintcontrol(ONDRprob prob, int id, int *value) {
  return guard_prob(prob, [&] { get_int_control(prob, id, value); });
}
ONDR_API int ONDRgetintcontrol64(ONDRprob prob, int id, int64_t *value) {
  return guard_prob(prob, [&] { get_int_control64(prob, id, value); });
}
ONDR_API int ONDRgetdblcontrol(ONDRprob prob, int id, double *value) {
  return guard_prob(prob, [&] { get_dbl_control(prob, id, value); });
}
ONDR_API int ONDRgetstrcontrol(ONDRprob prob, int id, char *value) {
  return guard_prob(prob, [&] { get_str_control(prob, id, value); });
}
ONDR_API int ONDRgetstringcontrol(ONDRprob prob, int id, char *value) {
  return ONDRgetstrcontrol(prob, id, value);
}
ONDR_API int ONDRsetintcontrol(ONDRprob prob, int id, int value) {
  return guard_mut(prob, [&] { set_int_control(prob, id, value); });
}
ONDR_API int ONDRsetintcontrol64(ONDRprob prob, int id, int64_t value) {
  return guard_mut(prob, [&] { set_int_control(prob, id, value); });
}
ONDR_API int ONDRsetdblcontrol(ONDRprob prob, int id, double value) {
  return guard_mut(prob, [&] { set_dbl_control(prob, id, value); });
}
ONDR_API int ONDRsetstrcontrol(ONDRprob prob, int id, const char *value) {
  return guard_mut(prob, [&] { set_str_control(prob, id, value); });
}
ONDR_API int ONDRsetdefaultcontrol(ONDRprob prob, int id) {
  return guard_mut(prob, [&] { reset_control(prob, id); });
}
ONDR_API int ONDRsetdefaults(ONDRprob prob) {
  return guard_mut(prob, [&] { reset_controls(prob); });
}
ONDR_API int ONDRcopycontrols(ONDRprob dest, ONDRprob src) {
  return guard_mut(dest, [&] {
    check_problem(src);
    copy_controls(dest, src);
  });
}
ONDR_API int ONDRdumpcontrols(ONDRprob prob) {
  return guard_prob(prob, [&] { dump_controls(prob); });
}
ONDR_API int ONDRgetattribinfo(ONDRprob prob, const char *name, int *id, int *type) {
  return guard_prob(prob, [&] { param_info(name, id, type, false); });
}
ONDR_API int ONDRgetcontrolinfo(ONDRprob prob, const char *name, int *id, int *type) {
  return guard_prob(prob, [&] { param_info(name, id, type, true); });
}
