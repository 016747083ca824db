/* libondr group H: problem, solution and basis files. */
#ifndef ONDR_IO_H
#define ONDR_IO_H
#include "ondr_base.h"

#endif
