// Include this (not NumPy's headers directly) to use NumPy's C interface:
// the array and ufunc tables are bound once, at import, in numpy.cpp.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#define PY_ARRAY_UNIQUE_SYMBOL ONDREL_OPT_ARRAY_API
#define PY_UFUNC_UNIQUE_SYMBOL ONDREL_OPT_UFUNC_API
#ifndef ONDREL_NUMPY_IMPORT
#define NO_IMPORT_ARRAY
#define NO_IMPORT_UFUNC
#endif
#include <numpy/arrayobject.h>
#include <numpy/ufuncobject.h>
