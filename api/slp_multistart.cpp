// Nonlinear-layer multistart methods: msaddpreset, msaddjob and
// msaddcustompreset, with the rules for the job's control dictionary.
#include <climits>
#include <vector>
#include "api/slp_common.h"
#include "module/env.h"
#include "oslp.h"

namespace {

// A job's controls, split by type in the dictionary's iteration order.
struct JobControls {
  std::vector<int> int_ids, int_values, dbl_ids;
  std::vector<double> dbl_values;
};

int job_controls(PyObject *control, JobControls &out) {
  const char *who = "msaddcustompreset/msaddjob";
  if (!PyDict_Check(control)) {
    PyErr_Format(PyExc_RuntimeError, "Incorrect argument 'control' in %s: must be a dictionary", who);
    return -1;
  }
  Py_ssize_t size = PyDict_Size(control), pos = 0;
  out.int_ids.reserve((size_t)size);
  out.dbl_ids.reserve((size_t)size);
  PyObject *key, *value;
  while (PyDict_Next(control, &pos, &key, &value)) {
    if (!PyUnicode_Check(key)) {
      PyErr_Format(PyExc_RuntimeError, "Incorrect key in parameter 'control' (all keys must be strings) of %s", who);
      return -1;
    }
    PyObject *entry = ond_py_env.control_table ? PyDict_GetItemWithError(ond_py_env.control_table, key) : nullptr;
    if (!entry) {
      if (!PyErr_Occurred()) PyErr_Format(PyExc_RuntimeError, "Unknown control %S in %s", key, who);
      return -1;
    }
    long id = PyLong_AsLong(PyTuple_GetItem(entry, 0)), type = PyLong_AsLong(PyTuple_GetItem(entry, 1));
    if (PyErr_Occurred()) return -1;
    if (type == 1) {
      long v = PyLong_AsLong(value);
      if (v == -1 && PyErr_Occurred()) return -1;
      if (v < INT_MIN || v > INT_MAX) {
        PyErr_Format(PyExc_RuntimeError, "The value of control %S does not fit in a C int", key);
        return -1;
      }
      out.int_ids.push_back((int)id);
      out.int_values.push_back((int)v);
    } else if (type == 2) {
      double v = PyFloat_AsDouble(value);
      if (v == -1.0 && PyErr_Occurred()) return -1;
      out.dbl_ids.push_back((int)id);
      out.dbl_values.push_back(v);
    } else {
      PyErr_Format(PyExc_RuntimeError, "Only integer and double controls allowed in %s", who);
      return -1;
    }
  }
  return 0;
}

// After the library took a job: its object is kept alive as long as the
// pool may hand it to the job callbacks.
PyObject *keep_job(PyObject *self, int rc, PyObject *job) {
  if (rc != 0) return slp_done(self, rc);
  ProblemObject *p = (ProblemObject *)self;
  if (!p->msjobs && !(p->msjobs = PyList_New(0))) return nullptr;
  if (PyList_Append(p->msjobs, job) != 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_msaddpreset(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"description", "preset", "count", "job_object", nullptr};
  const char *description;
  int preset, count;
  PyObject *job = Py_None;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "sii|O", (char **)kwlist, &description, &preset, &count, &job))
    return slp_fail("Incorrect arguments in msaddpreset");
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  return keep_job(self, OSLPmsaddpreset(s, description, preset, count, job), job);
}

// msaddjob (custom false) and msaddcustompreset (true).
PyObject *add_job(PyObject *self, PyObject *args, PyObject *kw, bool custom) {
  static const char *kw_job[] = {"description", "ivcols", "ivvalues", "control", "job_object", nullptr};
  static const char *kw_custom[] = {"description", "preset", "count", "ivcols", "ivvalues", "control", "job_object",
                                    nullptr};
  const char *msg = custom ? "Incorrect arguments in msaddcustompreset" : "Incorrect arguments in msaddjob";
  const char *description;
  int preset = 0, count = 0;
  PyObject *ivcols, *ivvalues, *control, *job = Py_None;
  int ok = custom ? PyArg_ParseTupleAndKeywords(args, kw, "siiOOO|O", (char **)kw_custom, &description, &preset,
                                                &count, &ivcols, &ivvalues, &control, &job)
                  : PyArg_ParseTupleAndKeywords(args, kw, "sOOO|O", (char **)kw_job, &description, &ivcols,
                                                &ivvalues, &control, &job);
  if (!ok) return slp_fail(msg);
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  CArray<int> cols;
  CArray<double> values;
  int64_t n = -1;
  if (conv_obj2arr(self, &n, ivcols, (void **)cols.addr(), CONV_COL) != 0 ||
      conv_obj2arr(self, &n, ivvalues, (void **)values.addr(), CONV_DOUBLE) != 0)
    return nullptr;
  if (n < 0) n = 0;
  JobControls jc;
  if (job_controls(control, jc) != 0) return nullptr;
  int rc = custom ? OSLPmsaddcustompreset(s, description, preset, count, (int)n, cols.get(), values.get(),
                                          (int)jc.int_ids.size(), jc.int_ids.data(), jc.int_values.data(),
                                          (int)jc.dbl_ids.size(), jc.dbl_ids.data(), jc.dbl_values.data(), job)
                  : OSLPmsaddjob(s, description, (int)n, cols.get(), values.get(), (int)jc.int_ids.size(),
                                 jc.int_ids.data(), jc.int_values.data(), (int)jc.dbl_ids.size(),
                                 jc.dbl_ids.data(), jc.dbl_values.data(), job);
  return keep_job(self, rc, job);
}
PyObject *ONDR_PY_msaddjob(PyObject *s, PyObject *a, PyObject *k) { return add_job(s, a, k, false); }

PyObject *ONDR_PY_msclear(PyObject *self, PyObject *, PyObject *) {
  OSLPprob s = slp_handle(self);
  if (!s) return nullptr;
  int rc = OSLPmsclear(s);
  if (rc != 0) return slp_done(self, rc);
  Py_CLEAR(((ProblemObject *)self)->msjobs);
  Py_RETURN_NONE;
}
PyObject *ONDR_PY_msaddcustompreset(PyObject *s, PyObject *a, PyObject *k) { return add_job(s, a, k, true); }

}  // namespace

#define KW METH_VARARGS | METH_KEYWORDS
const PyMethodDef problem_slp_multistart_methods[] = {
    {"msaddpreset", (PyCFunction)ONDR_PY_msaddpreset, KW,
     METHOD_DOC("Adds a preset family of multistart jobs.", "p.msaddpreset(description, preset, count, job_object)",
                "preset: ondrel.msset_*; count: jobs; job_object: handed to the job callbacks.",
                "p.msaddpreset('start', ondrel.msset_initialvalues, 4, None)",
                "The next nlpoptimize runs the pool; the best job's results are kept.", "msaddjob, msclear")},
    {"msaddjob", (PyCFunction)ONDR_PY_msaddjob, KW,
     METHOD_DOC("Adds a multistart job.", "p.msaddjob(description, ivcols, ivvalues, control, job_object)",
                "ivcols, ivvalues: initial values; control: a dict of control names to values.",
                "p.msaddjob('j', [x], [1.0], {'nlpiterlimit': 50}, None)",
                "The next nlpoptimize runs the pool; the best job's results are kept.", "msaddpreset, msclear")},
    {"msaddcustompreset", (PyCFunction)ONDR_PY_msaddcustompreset, KW,
     METHOD_DOC("Adds a preset family of multistart jobs with initial values and controls.",
                "p.msaddcustompreset(description, preset, count, ivcols, ivvalues, control, job_object)",
                "as for msaddpreset and msaddjob.", "p.msaddcustompreset('c', 0, 2, [], [], {}, None)",
                "The given initial values and controls override the preset's.", "msaddjob")},
    {"msclear", (PyCFunction)ONDR_PY_msclear, KW,
     METHOD_DOC("Empties the multistart job pool.", "p.msclear()", "none.", "p.msclear()",
                "Later solves are single solves again.", "msaddjob")},
    {nullptr, nullptr, 0, nullptr}};
