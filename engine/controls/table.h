// One definition table for the controls and attributes of both layers, from
// which listing, lookup, defaults, reading and validation all follow.
#pragma once
#include <cstdint>
#include <string>

namespace ondr {

enum ParamType { PT_INT = 1, PT_DBL = 2, PT_STR = 3, PT_PTR = 4 };
enum Layer { LAYER_OPT = 0, LAYER_NLP = 1 };

struct ParamDef {
  int id;
  const char *name;      // upper case, as the library lists it
  int type;              // ParamType
  int layer;             // Layer
  bool control;          // false: attribute (read only)
  double dflt;           // default of a numeric control
  const char *sdflt;     // default of a string control
  double lo, hi;         // accepted range of a numeric control
  const char *doc;
};

// The table; ends with an entry whose id is 0.
extern const ParamDef kParams[];
// Lookup by id within a layer, or by name (case-insensitive) in either
// layer. NULL when unknown.
const ParamDef *find_param(int layer, int id);
const ParamDef *find_param_by_name(const char *name);

}  // namespace ondr
