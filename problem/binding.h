// Keeping a problem's containers and maps in step with its library problem:
// recording objects, and rolling a call back when the library refuses it.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <cstdint>
#include <string>
#include <vector>
#include "problem/indexmap.h"
#include "problem/problem.h"

// map[id] = index for an index map (problem/indexmap.h). 0 or -1.
int map_store(PyObject *map, int64_t id, int64_t index);
// 1 when id is a key of the map, else 0.
int map_has(PyObject *map, int64_t id);

// Remembers how long a container was and which ids a call added to its map,
// so that a failed call can leave the problem exactly as it was.
class BindingUndo {
 public:
  BindingUndo(PyObject *list, PyObject *map) : list_(list), map_(map), len_(PyList_GET_SIZE(list)) {}
  void added(int64_t id) { ids_.push_back(id); }
  // Truncate the container and drop the added ids (keeps any pending error).
  void rollback();
 private:
  PyObject *list_, *map_;
  Py_ssize_t len_;
  std::vector<int64_t> ids_;
};

// Read an optimizer integer attribute, raising the library error on failure.
int prob_int_attrib(ProblemObject *p, int id, int *value);

// A name for the library: a str without NUL characters, kept whole as
// UTF-8, and refused (ValueError) when longer than the library accepts, so
// that a name written to a file reads back and is found as given.
// `invalid` is the error for anything that is not such a str.
// `limit`, when given, caches the library's limit across the names of one
// call (a negative value: not read yet).
int checked_name(ProblemObject *p, PyObject *name, const char *invalid, std::string &out, int *limit = nullptr);
// The library's longest accepted name in bytes, read once into *limit
// (negative: not read yet). 0, or -1 with the library error.
int name_limit(ProblemObject *p, int *limit);
