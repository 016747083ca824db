// The module's one global record, and starting and stopping the library.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <cstdint>

struct OndPyEnv {
  int64_t next_var_id;        // next identifier of a new ondrel.var
  int64_t next_con_id;        // ... of a new ondrel.constraint
  int64_t next_sos_id;        // ... of a new ondrel.SOS
  PyObject *module_controls;  // the module-level ondrel.control (ondrel.controls)
  PyObject *control_table;    // lowercase name -> (id, type, layer)
  PyObject *attribute_table;  // lowercase name -> (id, type, layer)
  PyObject *control_overrides;// name -> value set on ondrel.controls
  PyObject *msg_handlers;     // list of [callable, data]
  int32_t initialised;        // 1 while the library is started
  int32_t slp_state;          // nonlinear layer: -1 unknown, 0 unavailable, 1 available
};

extern OndPyEnv ond_py_env;

// Start the library unless started (force 0) or unconditionally (force 1).
// 0 on success, nonzero with an exception set.
int turnONDRon(int force);
// Stop the library. 0, or -1 with an exception set.
int turnONDRoff(int force);
