// The work behind the optimizer layer's control and attribute entry points,
// without the shell's checks (started library, live handle, busy refusal):
// other parts of the library call these directly on a problem they hold.
// Bad arguments throw ondr::Error. Control values are read and written
// under the problem's lock, since solver threads read them to print.
#pragma once
#include <cstdint>
#include "ondr_base.h"

namespace ondr {

void list_controls(const int **ids, const char *const **names, const int **flags);

void get_int_attrib(ONDRprob prob, int id, int *value);
void get_int_attrib64(ONDRprob prob, int id, int64_t *value);
void get_dbl_attrib(ONDRprob prob, int id, double *value);
void get_str_attrib(ONDRprob prob, int id, char *value);

void get_int_control(ONDRprob prob, int id, int *value);
void get_int_control64(ONDRprob prob, int id, int64_t *value);
void get_dbl_control(ONDRprob prob, int id, double *value);
void get_str_control(ONDRprob prob, int id, char *value);
void set_int_control(ONDRprob prob, int id, int64_t value);
void set_dbl_control(ONDRprob prob, int id, double value);
void set_str_control(ONDRprob prob, int id, const char *value);
void reset_control(ONDRprob prob, int id);
void reset_controls(ONDRprob prob);
// `src` must be a live problem; checked by the caller.
void copy_controls(ONDRprob dest, ONDRprob src);
void dump_controls(ONDRprob prob);
// Id and type (1 int, 3 double, 4 string) of a control (control true) or an
// attribute by name; both 0 when there is none of that kind.
void param_info(const char *name, int *id, int *type, bool control);

}  // namespace ondr
