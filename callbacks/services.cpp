// Module functions over the library's global environment: last error,
// version, banner, checked mode, and message handlers that receive every
// line any problem prints.
#include "callbacks/registry.h"
#include "module/env.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"

namespace {

int wrapper_msghandler(void *object, void *context, void *thread, const char *msg, int msgtype, int msgnumber) {
  GilEnsure gil;
  if (PyErr_Occurred()) return 0;  // an earlier handler failed: nothing more runs
  PyObject *rec = (PyObject *)context;
  if (!rec || !PyList_Check(rec) || PyList_GET_SIZE(rec) < 2 || !PyCallable_Check(PyList_GET_ITEM(rec, 0))) {
    PyErr_SetString(PyExc_RuntimeError, "Incorrect general environment message handler detected");
    return -3;
  }
  PyRef obj(handle_object_new(&ondrobject_type, object));
  PyRef tid(obj ? handle_object_new(&generic_type, thread) : nullptr);
  if (!tid) return 0;
  PyRef r(PyObject_CallFunction(PyList_GET_ITEM(rec, 0), "OOOsii", obj.get(), PyList_GET_ITEM(rec, 1), tid.get(),
                                msg ? msg : "", msgtype, msgnumber));
  return 0;  // the result is ignored; an exception stays pending
}

// Simple services: start the library, call it, raise its global error.
template <class F>
PyObject *with_library(F &&f) {
  if (turnONDRon(0) != 0) return nullptr;
  PyObject *r = f();
  if (!r) setOndrErrIfNull(nullptr, nullptr);
  return r;
}

PyObject *ondrelmod_getlasterror(PyObject *, PyObject *) {
  return with_library([]() -> PyObject * {
    char buf[1024] = {0};
    int code = 0;
    if (ONDR_ge_getlasterror(&code, buf, sizeof buf, nullptr) != 0) return nullptr;
    PyRef text(strFromLib(buf, "Error text"));
    return text ? Py_BuildValue("(iO)", code, text.get()) : nullptr;
  });
}

PyObject *ondrelmod_getversion(PyObject *, PyObject *) {
  return with_library([]() -> PyObject * {
    char buf[32] = {0};
    if (ONDRgetversion(buf) != 0) return nullptr;
    return strFromLib(buf, "Version");
  });
}

PyObject *ondrelmod_getbanner(PyObject *, PyObject *, PyObject *) {
  return with_library([]() -> PyObject * {
    char buf[528] = {0};
    if (ONDRgetbanner(buf) != 0) return nullptr;
    return strFromLib(buf, "Banner");
  });
}

PyObject *ondrelmod_getcheckedmode(PyObject *, PyObject *) {
  return with_library([]() -> PyObject * {
    int mode = 0;
    if (ONDRgetcheckedmode(&mode) != 0) return nullptr;
    return PyBool_FromLong(mode != 0);
  });
}

PyObject *ondrelmod_setcheckedmode(PyObject *, PyObject *arg) {
  return with_library([arg]() -> PyObject * {
    if (ONDRsetcheckedmode(arg == Py_True ? 1 : 0) != 0) return nullptr;
    Py_RETURN_NONE;
  });
}

PyObject *ondrelmod_addcbmsghandler(PyObject *, PyObject *args) {
  PyObject *callable, *data;
  int priority;
  if (!PyArg_ParseTuple(args, "OOi", &callable, &data, &priority)) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError,
                    "Incorrect arguments in addcbmsghandler. Must provide correct list of three arguments");
    return nullptr;
  }
  PyRef rec(Py_BuildValue("[OO]", callable, data));
  if (!rec || PyList_Append(ond_py_env.msg_handlers, rec.get()) != 0) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "Could not create a global message handler callback");
    return nullptr;
  }
  if (turnONDRon(0) != 0) return nullptr;
  if (ONDR_ge_addcbmsghandler(wrapper_msghandler, rec.get(), priority) != 0) {
    setOndrErrIfNull(nullptr, nullptr);
    return nullptr;
  }
  rec.release();  // the library's reference, given up by removal
  Py_RETURN_NONE;
}

PyObject *ondrelmod_removecbmsghandler(PyObject *, PyObject *args) {
  PyObject *callable, *data;
  if (!PyArg_ParseTuple(args, "OO", &callable, &data)) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError,
                    "Incorrect arguments in removecbmsghandler. Must provide correct list of two arguments");
    return nullptr;
  }
  if (removeCallback(nullptr, &ond_py_env.msg_handlers, callable, data, 0) != 0) return nullptr;
  Py_RETURN_NONE;
}

#define SERVICE_DOC(purpose, synopsis, args, example, further, related)                                   \
  "Purpose:\n  " purpose "\n\nSynopsis:\n  " synopsis "\n\nArguments:\n  " args "\n\nExample:\n  " example \
  "\n\nFurther information:\n  " further "\n\nRelated topics:\n  " related

}  // namespace

ondr_ge_msghandler msghandler_trampoline() { return wrapper_msghandler; }

const PyMethodDef callback_module_methods[] = {
    {"getlasterror", ondrelmod_getlasterror, METH_NOARGS,
     SERVICE_DOC("Returns the last error of the solver library's global environment.", "ondrel.getlasterror()",
                 "None.", "code, msg = ondrel.getlasterror()",
                 "A tuple of the error code and its text; (0, '') when nothing failed.", "getversion")},
    {"getversion", ondrelmod_getversion, METH_NOARGS,
     SERVICE_DOC("Returns the version of the solver library.", "ondrel.getversion()", "None.",
                 "print(ondrel.getversion())", "Starts the library when needed.", "getbanner")},
    {"getbanner", (PyCFunction)(void (*)(void))ondrelmod_getbanner, METH_VARARGS | METH_KEYWORDS,
     SERVICE_DOC("Returns the banner of the solver library.", "ondrel.getbanner()", "None (any given are ignored).",
                 "print(ondrel.getbanner())", "Starts the library when needed.", "getversion")},
    {"getcheckedmode", ondrelmod_getcheckedmode, METH_NOARGS,
     SERVICE_DOC("Tells whether the library checks its arguments.", "ondrel.getcheckedmode()", "None.",
                 "ondrel.getcheckedmode()", "True or False.", "setcheckedmode")},
    {"setcheckedmode", ondrelmod_setcheckedmode, METH_O,
     SERVICE_DOC("Turns the library's argument checks on or off.", "ondrel.setcheckedmode(checked_mode)",
                 "checked_mode: True turns checking on; any other value turns it off.",
                 "ondrel.setcheckedmode(False)", "Only the True object itself turns checking on.",
                 "getcheckedmode")},
    {"addcbmsghandler", ondrelmod_addcbmsghandler, METH_VARARGS,
     SERVICE_DOC("Adds a handler of every message the library prints.",
                 "ondrel.addcbmsghandler(msghandler, data, priority)",
                 "msghandler: called as msghandler(object, data, thread, message, msgtype, msgnumber).\n"
                 "  data: any object, passed back to it.\n  priority: the order among handlers.",
                 "ondrel.addcbmsghandler(f, None, 0)",
                 "The handler may be called on any thread; an exception it raises stops\n"
                 "  the delivery of messages until it is handled.",
                 "removecbmsghandler")},
    {"removecbmsghandler", ondrelmod_removecbmsghandler, METH_VARARGS,
     SERVICE_DOC("Removes message handlers.", "ondrel.removecbmsghandler(msghandler, data)",
                 "msghandler: the handler, or None for any.\n  data: its data, or None for any.",
                 "ondrel.removecbmsghandler(f, None)", "Handlers are matched by identity.", "addcbmsghandler")},
    {nullptr, nullptr, 0, nullptr}};
