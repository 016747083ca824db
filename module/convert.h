// Conversion of Python arguments to the C arrays the library takes, of the
// arrays it fills back to Python lists, and of row, column and set
// references (index, name or modelling object) to indices.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <cstdint>
#include <string>

// Element kinds of converted arrays.
enum ConvCode {
  CONV_ROW = 0, CONV_COL = 1, CONV_SET = 2, CONV_INT = 3, CONV_INT64 = 4, CONV_DOUBLE = 5,
  CONV_CHAR = 6, CONV_BYTE = 7, CONV_STRING = 8, CONV_CUT = 9, CONV_OBJECT = 10,
};
// Index kinds of ObjInt2int.
enum IndexKind { KIND_ROW = 0, KIND_COL = 1, KIND_SET = 2 };

size_t conv_elem_size(int code);
// Python object (list, tuple, sequence, iterator; None = absent) -> a new C
// array from the module allocator in *out. `count` (may be null) is shared
// by the arrays of one call: -1 until the first array fixes it.
int conv_obj2arr(PyObject *problem, int64_t *count, PyObject *obj, void **out, int code);
// The fast route of conv_obj2arr for a NumPy array: numeric arrays become
// the C array with one copy (a cast where the dtype differs), 1-D only.
// 0 done, -1 failed (exception set), 1 not taken (take items one by one).
int numpy_obj2arr(PyObject *obj, int64_t *count, void **out, int code);
// n elements of `data` -> the list `list` (None or null: nothing to do).
int conv_arr2obj(PyObject *problem, int64_t n, const void *data, PyObject *list, int code);
// A Python integer -> a C int: 0, or -1 with OverflowError naming `what`
// when the value does not fit in 32 bits (TypeError when not an integer).
int pyInt2int(PyObject *obj, int *out, const char *what);
// One reference -> an index of the given kind.
int ObjInt2int(PyObject *obj, PyObject *problem, int *out, int kind);

// Register rows/columns just created through low-level methods with the
// modelling layer (new constraint/variable objects bound to them).
int addRowsAsConstraints(PyObject *problem, PyObject *names, int first, int count);
int addRowNames(PyObject *problem, PyObject *names, int first, int count);
// Checks `count` names (str or bytes, no NUL, within the library's length
// limit) and lays them end to end in `out` for one ONDRaddnames call; `bad`
// is the message (with %d for the position) for a name that is none.
// None or null names: `out` stays empty.
int packNames(PyObject *problem, PyObject *names, int count, const char *bad, std::string &out);
// Sends names packed by packNames for rows (type 1) or columns (type 2)
// first..first+count-1; nothing when `packed` is empty.
int sendRowColNames(PyObject *problem, int type, const std::string &packed, int first, int count);
// A column type letter as a variable's vartype (0 continuous, 1 binary,
// 2 integer, 3 semi-continuous, 4 semi-integer, 5 partially integer); -1 for
// any other letter.
int type_of_letter(char c);
int setColNamesTypes(PyObject *problem, PyObject *names, PyObject *types, int first, int count);
int addColsAsVariables(PyObject *problem, PyObject *names, PyObject *types, int nentities,
                       const int *entity_cols, const char *entity_types, const double *entity_limits,
                       int first, int count);
