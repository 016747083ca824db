/* libondr group L: callbacks and message handlers. */
#ifndef ONDR_CB_H
#define ONDR_CB_H
#include "ondr_base.h"

#endif
