// Controls and attributes: the name tables read from the library, the
// ondrel.control and ondrel.attribute types, and the problem methods
// getControl, getAttrib, setControl and setdefaultcontrol.
#include "module/controls.h"
#include <cctype>
#include <cstring>
#include <string>
#include "engine/include/oslp.h"
#include "module/convert.h"
#include "module/env.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/problem.h"
#include "problem/transfer.h"

namespace {

constexpr int kStrBuf = 2048;

// Classify one list entry: type 1 int, 2 double, 3 string, 0 skip, -1 error.
void getParType(int layer, int flags, int id, int *is_control, int *type) {
  if (layer == 0) {
    *is_control = (flags & ONDR_CA_CONTROL) ? 1 : 0;
    *type = (flags & ONDR_CA_INT) ? 1 : (flags & ONDR_CA_DOUBLE) ? 2 : 3;
    return;
  }
  int f = 0;
  if (OSLPcontrolname(id, nullptr, &f) != 0) {
    *type = -1;
    *is_control = -1;
    return;
  }
  *is_control = (f & OSLP_CA_CONTROL) ? 1 : 0;
  *type = (f & OSLP_CA_INT) ? 1 : (f & OSLP_CA_DOUBLE) ? 2 : (f & OSLP_CA_STRING) ? 3 : 0;
}

// Read a control's current value from a temporary problem of its layer.
PyObject *read_control(ONDRprob prob, OSLPprob slp, int layer, int id, int type) {
  int iv = 0;
  double dv = 0;
  char sv[kStrBuf];
  memset(sv, 0, sizeof sv);
  int rc;
  switch (type) {
    case 1:
      rc = layer ? OSLPgetintcontrol(slp, id, &iv) : ONDRgetintcontrol(prob, id, &iv);
      return rc ? nullptr : PyLong_FromLong(iv);
    case 2:
      rc = layer ? OSLPgetdblcontrol(slp, id, &dv) : ONDRgetdblcontrol(prob, id, &dv);
      return rc ? nullptr : PyFloat_FromDouble(dv);
    default:
      rc = layer ? OSLPgetstrcontrol(slp, id, sv) : ONDRgetstrcontrol(prob, id, sv);
      sv[kStrBuf - 1] = '\0';
      return rc ? nullptr : strFromLib(sv, "Control value");
  }
}

int ctrl_attr_fill_layer(ONDRprob prob, OSLPprob slp, int layer) {
  const int *ids = nullptr, *flags = nullptr;
  const char *const *names = nullptr;
  int rc = layer == 0 ? ONDRgetcalist_c(prob, &ids, &names, &flags)
                      : OSLPgetcalist(slp, &ids, &names);
  if (rc != 0 || !ids || !names) {
    PyErr_SetString(PyExc_RuntimeError, "Could not get control/attribute list from Ondrel");
    return -1;
  }
  ControlObject *mc = (ControlObject *)ond_py_env.module_controls;
  for (int i = layer == 0 ? 0 : 1;; ++i) {
    if (layer == 0 && ids[i] == 0) break;
    if (layer == 1 && (!names[i] || names[i][0] == '\0')) break;
    int is_control = 0, type = 0;
    getParType(layer, layer == 0 ? flags[i] : 0, ids[i], &is_control, &type);
    if (type == -1) {
      PyErr_SetString(PyExc_RuntimeError, is_control != 0
                                               ? "Erroneous control value/type in initialization"
                                               : "Erroneous attribute value/type in initialization");
      return -1;
    }
    if (type == 0) continue;
    char lower[129];
    size_t n = 0;
    for (; names[i][n] && n < 128; ++n) lower[n] = (char)tolower((unsigned char)names[i][n]);
    lower[n] = '\0';
    PyRef entry(Py_BuildValue("(iii)", ids[i], type, layer));
    if (!entry) return -1;
    if (!is_control) {
      if (PyDict_SetItemString(ond_py_env.attribute_table, lower, entry.get()) != 0) {
        PyErr_SetString(PyExc_RuntimeError, "Could not add attribute");
        return -1;
      }
      continue;
    }
    PyRef value(read_control(prob, slp, layer, ids[i], type));
    if (!value) {  // a control that cannot be read is skipped
      PyErr_Clear();
      continue;
    }
    if (PyDict_SetItemString(ond_py_env.control_table, lower, entry.get()) != 0 ||
        PyDict_SetItemString(mc->dict, lower, value.get()) != 0) {
      PyErr_SetString(PyExc_RuntimeError, "Could not initialize control");
      return -1;
    }
  }
  return 0;
}

const char *type_name_err(int is_control) {
  return is_control ? "getControl() called with unknown ID" : "getAttrib() called with unknown ID";
}

}  // namespace

int ctrl_attr_fill_typeobj(int flag) {
  if (ONDRinit(nullptr) != 0) {
    if (flag == 0) return 0;
    setOndrErrIfNull(nullptr, nullptr);
    return 1;
  }
  int slp_rc = OSLPinit();
  ond_py_env.slp_state = slp_rc == 0 ? 1 : 0;
  ONDRprob prob = nullptr;
  OSLPprob slp = nullptr;
  int result = 0;
  if (ONDRcreateprob(&prob) != 0 || (ond_py_env.slp_state == 1 && OSLPcreateprob(&slp, &prob) != 0)) {
    PyErr_SetString(PyExc_RuntimeError, "Could not create temporary problem");
    result = -1;
  } else {
    result = ctrl_attr_fill_layer(prob, slp, 0);
    if (result == 0 && ond_py_env.slp_state == 1) result = ctrl_attr_fill_layer(prob, slp, 1);
  }
  // Release the temporaries whatever happened (nonlinear first).
  PyObject *pending_t, *pending_v, *pending_tb;
  PyErr_Fetch(&pending_t, &pending_v, &pending_tb);
  bool failed = false;
  if (slp && OSLPdestroyprob(slp) != 0) failed = true;
  if (prob && ONDRdestroyprob(prob) != 0) failed = true;
  if (failed && !pending_t) {
    setOndrErrIfNull(nullptr, nullptr);
    PyErr_Fetch(&pending_t, &pending_v, &pending_tb);
    result = -1;
  }
  if ((ond_py_env.slp_state == 1 && OSLPfree() != 0) | (ONDRfree() != 0)) {
    if (!pending_t) {
      PyErr_SetString(PyExc_RuntimeError, "Error initializing optimization environment");
      PyErr_Fetch(&pending_t, &pending_v, &pending_tb);
    }
    result = -1;
  }
  PyErr_Restore(pending_t, pending_v, pending_tb);
  return result;
}

// ---- one value from the library ----

// Row and column counts leave out the objective's transfer row and column,
// which the module adds after the user's own.
static int user_size_attrib(ProblemObject *p, int id, int v) {
  static const struct { int id, kind; } kSizes[] = {{ONDR_COLS, 0},     {ONDR_ORIGINALCOLS, 0}, {OSLP_NLPCOLS, 0},
                                                {ONDR_ROWS, 1},     {ONDR_ORIGINALROWS, 1}, {OSLP_NLPROWS, 1}};
  for (const auto &s : kSizes)
    if (s.id == id) return user_count(p, s.kind, v);
  return v;
}

PyObject *problem_getInfo_single(PyObject *problem, int id, int type, int is_control, int layer) {
  ProblemObject *p = (ProblemObject *)problem;
  int rc;
  PyObject *result = nullptr;
  if (type == 1) {
    int v = 0;
    if (layer) rc = is_control ? OSLPgetintcontrol(p->slpprob, id, &v) : OSLPgetintattrib(p->slpprob, id, &v);
    else rc = is_control ? ONDRgetintcontrol(p->prob, id, &v) : ONDRgetintattrib(p->prob, id, &v);
    if (rc == 0 && !is_control) v = user_size_attrib(p, id, v);
    if (rc == 0) result = PyLong_FromLong(v);
  } else if (type == 2) {
    double v = 0;
    if (layer) rc = is_control ? OSLPgetdblcontrol(p->slpprob, id, &v) : OSLPgetdblattrib(p->slpprob, id, &v);
    else rc = is_control ? ONDRgetdblcontrol(p->prob, id, &v) : ONDRgetdblattrib(p->prob, id, &v);
    if (rc == 0) result = PyFloat_FromDouble(v);
  } else if (type == 3) {
    char buf[kStrBuf];
    memset(buf, 0, sizeof buf);
    if (layer) rc = is_control ? OSLPgetstrcontrol(p->slpprob, id, buf) : OSLPgetstrattrib(p->slpprob, id, buf);
    else rc = is_control ? ONDRgetstringcontrol(p->prob, id, buf) : ONDRgetstringattrib(p->prob, id, buf);
    buf[kStrBuf - 1] = '\0';
    if (rc == 0) result = strFromLib(buf, is_control ? "Control value" : "Attribute value");
  } else {
    PyErr_SetString(PyExc_RuntimeError, type_name_err(is_control));
    return nullptr;
  }
  setOndrErrIfNull(problem, result);
  return result;
}

int check_setCtrl(int type, PyObject *value) {
  switch (type) {
    case 1:
      if (isObjInt(value)) return 0;
      PyErr_SetString(PyExc_RuntimeError, "Cannot set non-integer value to an integer control");
      return -1;
    case 2:
      if (PyFloat_Check(value) || isObjInt(value)) return 0;
      PyErr_SetString(PyExc_RuntimeError, "Cannot set non-numerical value to a floating-point control");
      return -1;
    case 3:
      if (PyUnicode_Check(value)) return 0;
      PyErr_SetString(PyExc_RuntimeError, "Cannot set non-string value to a string control");
      return -1;
  }
  PyErr_SetString(PyExc_RuntimeError, "setControl called with unknown ID");
  return -1;
}

int problem_setControl_single(PyObject *problem, int id, int type, int layer, PyObject *value) {
  if (check_setCtrl(type, value) != 0) return -1;
  ProblemObject *p = (ProblemObject *)problem;
  int rc;
  if (type == 1) {
    int v = 0;
    if (pyInt2int(value, &v, "Integer control value") != 0) return -1;
    rc = layer ? OSLPsetintcontrol(p->slpprob, id, v) : ONDRsetintcontrol(p->prob, id, v);
  } else if (type == 2) {
    double v = PyFloat_AsDouble(value);
    if (v == -1.0 && PyErr_Occurred()) return -1;
    rc = layer ? OSLPsetdblcontrol(p->slpprob, id, v) : ONDRsetdblcontrol(p->prob, id, v);
  } else {
    PyRef enc(PyUnicode_AsUTF8String(value));
    if (!enc) return -1;
    const char *s = PyBytes_AS_STRING(enc.get());
    rc = layer ? OSLPsetstrcontrol(p->slpprob, id, s) : ONDRsetstrcontrol(p->prob, id, s);
  }
  if (rc != 0) {
    setOndrErrIfNull(problem, nullptr);
    return rc;
  }
  return 0;
}

// ---- the types ----

static PyObject *make_obj(PyTypeObject *type, PyObject *problem, PyObject *dict) {
  ControlObject *o = PyObject_GC_New(ControlObject, type);
  if (!o) {
    Py_DECREF(dict);
    return nullptr;
  }
  Py_XINCREF(problem);
  o->problem = problem;  // keeps the problem alive as long as this object
  o->dict = dict;        // takes the reference
  o->bound = problem ? 1 : 0;
  PyObject_GC_Track((PyObject *)o);
  return (PyObject *)o;
}

PyObject *ctrl_base(PyObject *problem) {
  PyObject *dict = problem ? (Py_INCREF(ond_py_env.control_table), ond_py_env.control_table) : PyDict_New();
  if (!dict) return nullptr;
  return make_obj(&control_type, problem, dict);
}

PyObject *attr_base(PyObject *problem) {
  Py_INCREF(ond_py_env.attribute_table);
  return make_obj(&attribute_type, problem, ond_py_env.attribute_table);
}

PyObject *ctrl_copy(PyObject *obj) {
  ControlObject *c = (ControlObject *)obj;
  PyObject *d = PyDict_Copy(c->dict);
  return d ? make_obj(Py_TYPE(obj), c->problem, d) : nullptr;
}
PyObject *attr_copy(PyObject *obj) { return ctrl_copy(obj); }

static int ctrl_traverse(PyObject *self, visitproc visit, void *arg) {
  ControlObject *c = (ControlObject *)self;
  Py_VISIT(c->problem);
  Py_VISIT(c->dict);
  return 0;
}

static int ctrl_clear(PyObject *self) {
  ControlObject *c = (ControlObject *)self;
  Py_CLEAR(c->problem);
  return 0;
}

static void ctrl_dealloc(PyObject *self) {
  PyObject_GC_UnTrack(self);
  ControlObject *c = (ControlObject *)self;
  Py_CLEAR(c->problem);
  Py_CLEAR(c->dict);
  Py_TYPE(self)->tp_free(self);
}

// The problem behind a bound object, or null with an error when the
// collector has already released it.
static PyObject *bound_problem(ControlObject *c) {
  if (!c->problem) PyErr_SetString(PyExc_RuntimeError, "The problem of these controls/attributes no longer exists");
  return c->problem;
}

// Builds the dictionary name -> value of the given names (all when null).
static PyObject *info_dict(PyObject *problem, PyObject *names, int is_control);

static PyObject *lookup_info(PyObject *problem, PyObject *table, PyObject *name, int is_control) {
  PyObject *entry = PyDict_GetItemWithError(table, name);
  if (!entry) {
    if (!PyErr_Occurred())
      PyErr_SetString(PyExc_RuntimeError, is_control ? "Incorrect control name" : "Incorrect attribute name");
    return nullptr;
  }
  int id, type, layer;
  if (!PyArg_ParseTuple(entry, "iii", &id, &type, &layer)) return nullptr;
  return problem_getInfo_single(problem, id, type, is_control, layer);
}

static PyObject *ctrl_attr_get(PyObject *self, PyObject *name, int is_control) {
  ControlObject *c = (ControlObject *)self;
  if (!PyUnicode_Check(name)) {
    PyErr_SetString(PyExc_RuntimeError, is_control ? "Bad control request" : "Bad attribute request");
    return nullptr;
  }
  const char *s = PyUnicode_AsUTF8(name);
  if (!s) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, is_control ? "Bad control request" : "Bad attribute request");
    return nullptr;
  }
  if (strcmp(s, "__dict__") == 0) {
    // A read-only view of a private copy: the tables are shared by every
    // problem and must never be changed through one object.
    PyRef copy(PyDict_Copy(c->dict));
    return copy ? PyDictProxy_New(copy.get()) : nullptr;
  }
  if (strcmp(s, "__class__") == 0) {
    Py_INCREF(Py_TYPE(self));
    return (PyObject *)Py_TYPE(self);
  }
  // Other special names (no control or attribute starts with "__") keep
  // Python's own meaning, so that introspection and copying behave.
  if (strncmp(s, "__", 2) == 0) return PyObject_GenericGetAttr(self, name);
  if (c->bound) {
    PyObject *problem = bound_problem(c);
    return problem ? lookup_info(problem, c->dict, name, is_control) : nullptr;
  }
  PyObject *v = PyDict_GetItemWithError(ond_py_env.control_overrides, name);
  if (!v && !PyErr_Occurred()) v = PyDict_GetItemWithError(c->dict, name);
  if (!v) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Incorrect control name");
    return nullptr;
  }
  Py_INCREF(v);
  return v;
}

static PyObject *ctrl_get(PyObject *self, PyObject *name) { return ctrl_attr_get(self, name, 1); }
static PyObject *attr_get(PyObject *self, PyObject *name) { return ctrl_attr_get(self, name, 0); }

// A module-level value is applied to every problem created later, so it is
// tried on a scratch problem first: a value the library refuses is refused
// here, leaving the previous one in place.
static int validate_module_value(PyObject *name, int id, int type, int layer, PyObject *value) {
  PyRef probe(PyObject_CallNoArgs((PyObject *)&problem_type));
  if (!probe) return -1;
  if (problem_setControl_single(probe.get(), id, type, layer, value) == 0) return 0;
  PyObject *et, *ev, *etb;
  PyErr_Fetch(&et, &ev, &etb);
  PyRef reason(ev ? PyObject_Str(ev) : nullptr);
  Py_XDECREF(et);
  Py_XDECREF(ev);
  Py_XDECREF(etb);
  PyErr_Clear();
  if (reason)
    PyErr_Format(PyExc_ValueError, "Invalid value %R for control %S: %S", value, name, reason.get());
  else
    PyErr_Format(PyExc_ValueError, "Invalid value %R for control %S", value, name);
  return -1;
}

static int ctrl_set(PyObject *self, PyObject *name, PyObject *value) {
  ControlObject *c = (ControlObject *)self;
  PyObject *entry = PyDict_GetItemWithError(ond_py_env.control_table, name);
  if (!entry) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Incorrect control name");
    return -1;
  }
  if (!value) {
    PyErr_SetString(PyExc_RuntimeError, "Controls cannot be deleted");
    return -1;
  }
  int id, type, layer;
  if (!PyArg_ParseTuple(entry, "iii", &id, &type, &layer)) return -1;
  if (c->bound) {
    PyObject *problem = bound_problem(c);
    if (!problem || problem_check_idle((ProblemObject *)problem) != 0) return -1;
    return problem_setControl_single(problem, id, type, layer, value) == 0 ? 0 : -1;
  }
  if (check_setCtrl(type, value) != 0) return -1;
  if (validate_module_value(name, id, type, layer, value) != 0) return -1;
  return PyDict_SetItem(ond_py_env.control_overrides, name, value);
}

static int attr_set(PyObject *, PyObject *, PyObject *) {
  PyErr_SetString(PyExc_RuntimeError, "A problem's attribute cannot be set");
  return -1;
}

static PyObject *ctrl_str(PyObject *self) {
  ControlObject *c = (ControlObject *)self;
  if (!c->bound) return PyObject_Str(c->dict);
  if (!bound_problem(c)) return nullptr;
  PyRef d(info_dict(c->problem, nullptr, 1));
  return d ? PyObject_Str(d.get()) : nullptr;
}

static PyObject *attr_str(PyObject *self) {
  ControlObject *c = (ControlObject *)self;
  if (!bound_problem(c)) return nullptr;
  PyRef d(info_dict(c->problem, nullptr, 0));
  return d ? PyObject_Str(d.get()) : nullptr;
}

static PyObject *ctrl_dir(PyObject *self, PyObject *) {
  return PyDict_Keys(((ControlObject *)self)->dict);
}

static PyMethodDef ctrl_methods[] = {
    {"__dir__", ctrl_dir, METH_NOARGS, "The names of the controls or attributes."},
    {nullptr, nullptr, 0, nullptr}};

PyTypeObject control_type = {
    PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.control",
};
PyTypeObject attribute_type = {
    PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.attribute",
};

void controls_types_setup() {
  control_type.tp_basicsize = sizeof(ControlObject);
  control_type.tp_dealloc = ctrl_dealloc;
  control_type.tp_getattro = ctrl_get;
  control_type.tp_setattro = ctrl_set;
  control_type.tp_str = ctrl_str;
  control_type.tp_repr = ctrl_str;
  control_type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  control_type.tp_traverse = ctrl_traverse;
  control_type.tp_clear = ctrl_clear;
  control_type.tp_methods = ctrl_methods;
  control_type.tp_doc =
      "Control of an optimization problem. Can be read and changes both for a\n"
      "single problem and for the module (which will define the control value\n"
      "of the problems created afterward";
  attribute_type.tp_basicsize = sizeof(ControlObject);
  attribute_type.tp_dealloc = ctrl_dealloc;
  attribute_type.tp_getattro = attr_get;
  attribute_type.tp_setattro = attr_set;
  attribute_type.tp_str = attr_str;
  attribute_type.tp_repr = attr_str;
  attribute_type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  attribute_type.tp_traverse = ctrl_traverse;
  attribute_type.tp_clear = ctrl_clear;
  attribute_type.tp_methods = ctrl_methods;
  attribute_type.tp_doc = "Attribute of an optimization problem. Can be read but not modified";
}

// ---- getControl, getAttrib, setControl ----

static PyObject *info_dict(PyObject *problem, PyObject *names, int is_control) {
  PyObject *table = is_control ? ond_py_env.control_table : ond_py_env.attribute_table;
  const char *add_err = is_control ? "Cannot add to getControl() result" : "Cannot add to getAttrib() result";
  const char *get_err = is_control ? "Could not retrieve value of control" : "Could not retrieve value of attribute";
  PyRef result(PyDict_New());
  if (!result) return nullptr;
  if (!names) {
    PyObject *key, *entry;
    Py_ssize_t pos = 0;
    while (PyDict_Next(table, &pos, &key, &entry)) {
      int id, type, layer;
      if (!PyArg_ParseTuple(entry, "iii", &id, &type, &layer)) return nullptr;
      // The unit column ids are not read here: reading them has effects.
      PyRef v(id == OSLP_NLPUNITCOLUMN ? PyLong_FromLong(-1)
                                          : problem_getInfo_single(problem, id, type, is_control, layer));
      if (!v) {
        PyErr_Clear();
        PyErr_SetString(PyExc_RuntimeError, get_err);
        return nullptr;
      }
      if (PyDict_SetItem(result.get(), key, v.get()) != 0) {
        PyErr_SetString(PyExc_RuntimeError, add_err);
        return nullptr;
      }
    }
    return result.release();
  }
  PyRef it(PyObject_GetIter(names));
  if (!it) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "Invalid sequence of objects");
    return nullptr;
  }
  while (PyRef name{PyIter_Next(it.get())}) {
    PyRef v(lookup_info(problem, table, name.get(), is_control));
    if (!v) {
      PyErr_Clear();
      PyErr_SetString(PyExc_RuntimeError, get_err);
      return nullptr;
    }
    if (PyDict_SetItem(result.get(), name.get(), v.get()) != 0) {
      PyErr_SetString(PyExc_RuntimeError, add_err);
      return nullptr;
    }
  }
  if (PyErr_Occurred()) return nullptr;
  return result.release();
}

static PyObject *problem_getInfo(PyObject *self, PyObject *args, int is_control) {
  Py_ssize_t n = PyTuple_GET_SIZE(args);
  if (n == 0) return info_dict(self, nullptr, is_control);
  if (n > 1) return info_dict(self, args, is_control);
  PyObject *a = PyTuple_GET_ITEM(args, 0);
  if (PyTuple_Check(a) || PyList_Check(a) || (!PyUnicode_Check(a) && !PyBytes_Check(a) && Py_TYPE(a)->tp_iter != nullptr))
    return info_dict(self, a, is_control);
  PyObject *table = is_control ? ond_py_env.control_table : ond_py_env.attribute_table;
  PyObject *v = lookup_info(self, table, a, is_control);
  if (!v) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError,
                    is_control ? "Could not retrieve value of control" : "Could not retrieve value of attribute");
  }
  return v;
}

static PyObject *problem_getControl(PyObject *self, PyObject *args) { return problem_getInfo(self, args, 1); }
static PyObject *problem_getAttrib(PyObject *self, PyObject *args) { return problem_getInfo(self, args, 0); }

static int set_named(PyObject *self, PyObject *name, PyObject *value) {
  PyObject *entry = PyDict_GetItemWithError(ond_py_env.control_table, name);
  if (!entry) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Incorrect control name");
    return -1;
  }
  int id, type, layer;
  if (!PyArg_ParseTuple(entry, "iii", &id, &type, &layer)) return -1;
  return problem_setControl_single(self, id, type, layer, value) ? -1 : 0;
}

static PyObject *problem_setControl(PyObject *self, PyObject *args) {
  Py_ssize_t n = PyTuple_GET_SIZE(args);
  if (n == 0) {
    PyErr_SetString(PyExc_RuntimeError,
                    "setControl requires at least one argument of type dictionary or two elements: parameter, value");
    return nullptr;
  }
  if (n == 1) {
    PyObject *d = PyTuple_GET_ITEM(args, 0);
    if (!PyDict_Check(d)) {
      PyErr_SetString(PyExc_RuntimeError, "single argument to setControl must be a dictionary");
      return nullptr;
    }
    PyObject *key, *value;
    Py_ssize_t pos = 0;
    while (PyDict_Next(d, &pos, &key, &value))
      if (set_named(self, key, value) != 0) return nullptr;
    Py_RETURN_NONE;
  }
  if (n == 2) {
    if (set_named(self, PyTuple_GET_ITEM(args, 0), PyTuple_GET_ITEM(args, 1)) != 0) return nullptr;
    Py_RETURN_NONE;
  }
  PyErr_SetString(PyExc_RuntimeError, "setControl: arguments mismatch");
  return nullptr;
}

static PyObject *ONDR_PY_setdefaultcontrol(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"ipar", nullptr};
  PyObject *name;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &name)) return nullptr;
  PyObject *entry = PyDict_GetItemWithError(ond_py_env.control_table, name);
  if (!entry) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Incorrect control name");
    return nullptr;
  }
  int id, type, layer;
  if (!PyArg_ParseTuple(entry, "iii", &id, &type, &layer)) return nullptr;
  ProblemObject *p = (ProblemObject *)self;
  if (ONDRsetdefaultcontrol(p->prob, id) != 0) {
    setOndrErrIfNull(self, nullptr);
    return nullptr;
  }
  Py_RETURN_NONE;
}

const PyMethodDef problem_control_methods[] = {
    {"getControl", (PyCFunction)problem_getControl, METH_VARARGS,
     "Purpose:\n  Returns the values of one, some or all controls of the problem.\n\n"
     "Synopsis:\n  p.getControl()\n  p.getControl(name)\n  p.getControl(name1, name2, ...)\n  p.getControl([names])\n\n"
     "Arguments:\n  name: a control name in lower case.\n\n"
     "Example:\n  tol = p.getControl('feastol')\n\n"
     "Further information:\n  Without arguments, or with several names or a list, the result is a dictionary.\n\n"
     "Related topics:\n  setControl, getAttrib, controls"},
    {"getAttrib", (PyCFunction)problem_getAttrib, METH_VARARGS,
     "Purpose:\n  Returns the values of one, some or all attributes of the problem.\n\n"
     "Synopsis:\n  p.getAttrib()\n  p.getAttrib(name)\n  p.getAttrib(name1, name2, ...)\n  p.getAttrib([names])\n\n"
     "Arguments:\n  name: an attribute name in lower case.\n\n"
     "Example:\n  status = p.getAttrib('lpstatus')\n\n"
     "Further information:\n  Without arguments, or with several names or a list, the result is a dictionary.\n\n"
     "Related topics:\n  getControl, attributes"},
    {"setControl", (PyCFunction)problem_setControl, METH_VARARGS,
     "Purpose:\n  Sets one or more controls of the problem.\n\n"
     "Synopsis:\n  p.setControl(name, value)\n  p.setControl({name: value, ...})\n\n"
     "Arguments:\n  name: a control name in lower case; value: its new value.\n\n"
     "Example:\n  p.setControl('feastol', 1e-4)\n\n"
     "Further information:\n  With a dictionary the controls are set in its order, stopping at the first failure.\n\n"
     "Related topics:\n  getControl, controls"},
    {"setdefaultcontrol", (PyCFunction)ONDR_PY_setdefaultcontrol, METH_VARARGS | METH_KEYWORDS,
     "Purpose:\n  Sets one control of the problem back to its default value.\n\n"
     "Synopsis:\n  p.setdefaultcontrol(ipar)\n\n"
     "Arguments:\n  ipar: the control's name.\n\n"
     "Example:\n  p.setdefaultcontrol('presolve')\n\n"
     "Further information:\n  Module-level values set on ondrel.controls are not applied again.\n\n"
     "Related topics:\n  setControl, setdefaults"},
    {nullptr, nullptr, 0, nullptr}};
