// Module-level functions of the modelling algebra.
#include "module/types.h"

const PyMethodDef model_module_methods[] = {{nullptr, nullptr, 0, nullptr}};

void model_types_setup() {}
