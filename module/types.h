// The module's type objects and the hooks between its subsystems.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <cstddef>
#include <initializer_list>

// module/ and problem/
extern PyTypeObject control_type;
extern PyTypeObject attribute_type;
extern PyTypeObject problem_type;
// model/ (record layouts and operations in model/model.h)
extern PyTypeObject var_type;
extern PyTypeObject sos_type;
extern PyTypeObject expression_type;
extern PyTypeObject constraint_type;
extern PyTypeObject linterm_type;
extern PyTypeObject quadterm_type;
extern PyTypeObject nonlinear_type;
// callbacks/
extern PyTypeObject branchobj_type;
extern PyTypeObject poolcut_type;
extern PyTypeObject ondrobject_type;
extern PyTypeObject generic_type;

// Method tables are kept one per file and joined at import: the result
// lives until the process ends. Each table ends with a null entry.
PyMethodDef *join_method_tables(std::initializer_list<const PyMethodDef *> tables);

// Module-level functions, by subsystem (each ends with a null entry).
extern const PyMethodDef module_core_methods[];    // module/: init, free, controls
extern const PyMethodDef model_module_methods[];   // model/: functions of the algebra

// Problem methods, by family.
extern const PyMethodDef problem_lifecycle_methods[];  // problem/problem.cpp
extern const PyMethodDef problem_control_methods[];    // module/controls.cpp
extern const PyMethodDef problem_add_methods[];        // problem/add.cpp
extern const PyMethodDef problem_objective_methods[];  // problem/objective.cpp
extern const PyMethodDef problem_solve_methods[];      // problem/solve.cpp
extern const PyMethodDef problem_lookup_methods[];     // problem/lookup.cpp
extern const PyMethodDef problem_file_methods[];       // problem/files.cpp
extern const PyMethodDef problem_set_methods[];        // problem/sets.cpp
extern const PyMethodDef problem_optimize_methods[];   // api/optimize.cpp
extern const PyMethodDef problem_mipsol_methods[];     // api/mipsol.cpp
extern const PyMethodDef problem_analysis_methods[];   // api/analysis.cpp
extern const PyMethodDef problem_solfile_methods[];    // api/files.cpp
extern const PyMethodDef problem_simple_methods[];     // api/simple.cpp
extern const PyMethodDef problem_repair_methods[];     // api/repair.cpp
extern const PyMethodDef problem_tune_methods[];       // api/tune.cpp
extern const PyMethodDef problem_iis_methods[];        // api/iis.cpp
extern const PyMethodDef problem_slp_var_methods[], problem_slp_tol_methods[], problem_slp_coef_methods[],
    problem_slp_formula_methods[], problem_slp_misc_methods[], problem_slp_multistart_methods[];  // api/slp_*.cpp

// NumPy: bound at import; true for NumPy's C-int and C-long scalars.
int numpy_bind(void);
bool numpy_is_int_scalar(PyObject *obj);
// NumPy's array comparisons build constraints for arrays of modelling
// objects while the module is loaded (model/numpy_compare.cpp): install
// returns 0 or -1 with an exception; restore puts NumPy's own back.
int numpy_compare_install();
void numpy_compare_restore();

// Objects that hold a library handle (ondrel.poolcut, ondrel.ondrobject,
// ondrel.generic): make one, or read the handle (null when `obj` is not of
// that type).
PyObject *handle_object_new(PyTypeObject *type, void *handle);
void *handle_object_get(PyObject *obj, PyTypeObject *type);

// Branching objects: the last error of the handle an ondrel.branchobj holds
// (false when `owner` is not one or it has none).
bool branchobj_lasterror(PyObject *owner, char *buf, size_t size);
