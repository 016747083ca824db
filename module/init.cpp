// Module import and release, the global record, starting and stopping the
// library, and the module functions init, free, setdefaultcontrol and
// setdefaults.
#include <cstring>
#include <vector>
#include "engine/include/oslp.h"
#include "module/controls.h"
#include "module/env.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/problem.h"
#include "callbacks/registry.h"
#include "api/wrap.h"

OndPyEnv ond_py_env = {0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, -1};

int addModuleConstants(PyObject *module);
void controls_types_setup();
void problem_type_setup(PyMethodDef *methods);
void callback_types_setup();
void model_types_setup();
void solve_module_init();

int turnONDRon(int force) {
  if (!force && ond_py_env.initialised == 1) return 0;
  if (ONDRinit(nullptr) != 0) {
    char buf[512] = {0};
    ONDR_ge_getlasterror(nullptr, buf, sizeof buf, nullptr);
    PyErr_Format(PyExc_RuntimeError, "Could not start the Ondrel solver library%s%s", buf[0] ? ": " : "", buf);
    return -1;
  }
  ond_py_env.initialised = 1;
  if (ond_py_env.slp_state != 0) {
    int rc = OSLPinit();
    if (rc == 0) {
      ond_py_env.slp_state = 1;
    } else if (rc == 4 || rc == 352) {
      ond_py_env.slp_state = 0;
    } else {
      PyErr_SetString(PyExc_RuntimeError, "Error initializing OSLP environment");
      return -1;
    }
  }
  ONDRenablemessages(1);
  if (PyDict_Size(ond_py_env.attribute_table) == 0 && ctrl_attr_fill_typeobj(1) != 0) {
    // The table builder stops the library again.
    ond_py_env.initialised = 0;
    if (ONDRinit(nullptr) == 0) {
      ond_py_env.initialised = 1;
      if (ond_py_env.slp_state == 1) OSLPinit();
    }
    return -1;
  }
  return 0;
}

int turnONDRoff(int force) {
  if (!force && ond_py_env.initialised == 0) return 0;
  if (ond_py_env.slp_state == 1 && OSLPfree() != 0) {
    setOndrErrIfNull(nullptr, nullptr);
    return -1;
  }
  if (ONDRfree() != 0) {
    setOndrErrIfNull(nullptr, nullptr);
    return -1;
  }
  ond_py_env.initialised = 0;
  problems_forget_handles();
  return 0;
}

PyMethodDef *join_method_tables(std::initializer_list<const PyMethodDef *> tables) {
  std::vector<PyMethodDef> all;
  for (const PyMethodDef *t : tables)
    for (; t && t->ml_name; ++t) all.push_back(*t);
  all.push_back({nullptr, nullptr, 0, nullptr});
  PyMethodDef *out = new PyMethodDef[all.size()];  // lives as long as the process
  std::copy(all.begin(), all.end(), out);
  return out;
}

static PyObject *ondrelmod_init(PyObject *, PyObject *) {
  if (turnONDRon(1) != 0) return nullptr;
  Py_RETURN_NONE;
}

static PyObject *ondrelmod_free(PyObject *, PyObject *) {
  if (problems_any_solving()) {
    PyErr_SetString(PyExc_RuntimeError, "A problem is being solved: the library cannot be stopped until the solve returns");
    return nullptr;
  }
  if (turnONDRoff(1) != 0) return nullptr;
  Py_RETURN_NONE;
}

static PyObject *ondrelmod_setdefaultcontrol(PyObject *, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"ipar", nullptr};
  PyObject *name;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &name)) return nullptr;
  if (PyDict_DelItem(ond_py_env.control_overrides, name) != 0) return nullptr;
  Py_RETURN_NONE;
}

static PyObject *ondrelmod_setdefaults(PyObject *, PyObject *) {
  PyDict_Clear(ond_py_env.control_overrides);
  Py_RETURN_NONE;
}

const PyMethodDef module_core_methods[] = {
    {"init", ondrelmod_init, METH_NOARGS,
     "Purpose:\n  Starts the solver library.\n\n"
     "Synopsis:\n  ondrel.init()\n\n"
     "Arguments:\n  None.\n\n"
     "Example:\n  ondrel.init()\n\n"
     "Further information:\n  The library starts by itself when first needed; init() starts it afresh.\n\n"
     "Related topics:\n  free"},
    {"free", ondrelmod_free, METH_NOARGS,
     "Purpose:\n  Stops the solver library, releasing every problem it holds.\n\n"
     "Synopsis:\n  ondrel.free()\n\n"
     "Arguments:\n  None.\n\n"
     "Example:\n  ondrel.free()\n\n"
     "Further information:\n  The library starts again when next needed.\n\n"
     "Related topics:\n  init"},
    {"setdefaultcontrol", (PyCFunction)ondrelmod_setdefaultcontrol, METH_VARARGS | METH_KEYWORDS,
     "Purpose:\n  Removes a module-level control value, so that problems created afterwards\n"
     "  get the library's default.\n\n"
     "Synopsis:\n  ondrel.setdefaultcontrol(ipar)\n\n"
     "Arguments:\n  ipar: the control's name.\n\n"
     "Example:\n  ondrel.setdefaultcontrol('presolve')\n\n"
     "Further information:\n  Problems created earlier are not affected.\n\n"
     "Related topics:\n  setdefaults, controls"},
    {"setdefaults", ondrelmod_setdefaults, METH_NOARGS,
     "Purpose:\n  Removes every module-level control value.\n\n"
     "Synopsis:\n  ondrel.setdefaults()\n\n"
     "Arguments:\n  None.\n\n"
     "Example:\n  ondrel.setdefaults()\n\n"
     "Further information:\n  Problems created earlier are not affected.\n\n"
     "Related topics:\n  setdefaultcontrol, controls"},
    {nullptr, nullptr, 0, nullptr}};

static void ondrelmod_freeModule(void *module);

static PyModuleDef ondrel_module = {
    PyModuleDef_HEAD_INIT,
    "Ondrel",
    "Module for creating, solving, querying, and handling optimization problems with the Varrow Ondrel Optimizer.",
    -1,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    ondrelmod_freeModule,
};

// Every type of the module, in the order they are readied, with the name
// they are published under (null: not published).
struct TypeEntry {
  PyTypeObject *type;
  const char *published;
};
std::vector<TypeEntry> module_types();

static void release_env() {
  Py_CLEAR(ond_py_env.module_controls);
  Py_CLEAR(ond_py_env.control_overrides);
  Py_CLEAR(ond_py_env.control_table);
  Py_CLEAR(ond_py_env.attribute_table);
  Py_CLEAR(ond_py_env.msg_handlers);
}

static void ondrelmod_freeModule(void *) {
  release_env();
  numpy_compare_restore();
  turnONDRoff(0);
  PyErr_Clear();
}

PyMODINIT_FUNC PyInit_ondrellib(void) {
  controls_types_setup();
  callback_types_setup();
  model_types_setup();
  problem_type_setup(join_method_tables({problem_lifecycle_methods, problem_control_methods, problem_add_methods,
                                          problem_objective_methods, problem_solve_methods, problem_lookup_methods,
                                          problem_file_methods, problem_set_methods, problem_optimize_methods,
                                          problem_mipsol_methods, problem_analysis_methods,
                                          problem_solfile_methods, problem_simple_methods,
                                          problem_slp_var_methods, problem_slp_tol_methods, problem_slp_coef_methods,
                                          problem_slp_formula_methods, problem_slp_misc_methods,
                                          problem_slp_multistart_methods, problem_load_methods(),
                                          problem_modify_methods(), problem_query_methods(), callback_methods(),
                                          problem_cuts_methods(), problem_directive_methods(),
                                          problem_repair_methods, problem_tune_methods,
                                          problem_iis_methods}));
  solve_module_init();
  ondrel_module.m_methods = join_method_tables({module_core_methods, model_module_methods, callback_module_methods});

  std::vector<TypeEntry> types = module_types();
  for (auto &t : types) {
    // Types that create their records themselves keep their own creation.
    if (!t.type->tp_new) t.type->tp_new = PyType_GenericNew;
    if (PyType_Ready(t.type) < 0) return nullptr;
  }
  PyRef module(PyModule_Create(&ondrel_module));
  if (!module) return nullptr;

  ond_py_env.module_controls = ctrl_base(nullptr);
  ond_py_env.control_overrides = PyDict_New();
  ond_py_env.control_table = PyDict_New();
  ond_py_env.attribute_table = PyDict_New();
  ond_py_env.msg_handlers = PyList_New(0);
  ond_py_env.initialised = 0;
  ond_py_env.slp_state = -1;
  bool ok = ond_py_env.module_controls && ond_py_env.control_overrides && ond_py_env.control_table &&
            ond_py_env.attribute_table && ond_py_env.msg_handlers;
  if (!ok || ctrl_attr_fill_typeobj(0) != 0) {
    release_env();
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Error initializing the Ondrel module");
    return nullptr;
  }
  ok = numpy_bind() == 0;
  for (auto &t : types) {
    if (!ok || !t.published) continue;
    Py_INCREF(t.type);
    if (PyModule_AddObject(module.get(), t.published, (PyObject *)t.type) != 0) {
      Py_DECREF(t.type);
      ok = false;
    }
  }
  ok = ok && numpy_compare_install() == 0;
  ok = ok && addModuleConstants(module.get()) == 0;
  if (ok) {
    Py_INCREF(ond_py_env.module_controls);
    if (PyModule_AddObject(module.get(), "controls", ond_py_env.module_controls) != 0) {
      Py_DECREF(ond_py_env.module_controls);
      ok = false;
    }
  }
  if (!ok) {
    numpy_compare_restore();
    turnONDRoff(0);
    release_env();
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Error initializing the Ondrel module");
    return nullptr;
  }
  return module.release();
}
