// The module's types in the order they are readied, with their published
// names. A new type is added here.
#include <vector>
#include "module/types.h"
#include "problem/indexmap.h"

struct TypeEntry {
  PyTypeObject *type;
  const char *published;
};

std::vector<TypeEntry> module_types() {
  return {
      {&var_type, "var"},
      {&sos_type, "sos"},
      {&expression_type, nullptr},
      {&constraint_type, "constraint"},
      {&control_type, nullptr},
      {&attribute_type, nullptr},
      {&problem_type, "problem"},
      {&branchobj_type, "branchobj"},
      {&poolcut_type, "poolcut"},
      {&ondrobject_type, nullptr},
      {&generic_type, "generic"},
      {&linterm_type, nullptr},
      {&quadterm_type, nullptr},
      {&nonlinear_type, nullptr},
      {&indexmap_type, nullptr},
  };
}
