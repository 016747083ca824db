// Reading attributes of an optimizer problem by id.
#pragma once
#include <cstdint>
#include <string>
#include "ondr_base.h"

namespace ondr {
int64_t int_attrib(ONDRprob prob, int id);
double dbl_attrib(ONDRprob prob, int id);
std::string str_attrib(ONDRprob prob, int id);
}  // namespace ondr
