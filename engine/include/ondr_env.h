/* libondr group A: environment, messages, errors, interrupt. */
#ifndef ONDR_ENV_H
#define ONDR_ENV_H
#include "ondr_base.h"

/* Start the library. Repeatable: a second call without ONDRfree succeeds and
   keeps the library started; ONDRfree then ONDRinit starts it afresh.
   `path` is an optional directory for the library's own files (may be NULL). */
ONDR_API int ONDRinit(const char *path);
/* Stop the library; every problem still alive is destroyed with it. */
ONDR_API int ONDRfree(void);
ONDR_API int ONDRenablemessages(int enable);

/* Last error of a problem; `errmsg` receives at most 512 bytes. */
ONDR_API int ONDRgetlasterror(ONDRprob prob, char *errmsg);
/* Last error of a failure without a problem (or of any failure) on the
   calling thread: each thread reads back only its own. */
ONDR_API int ONDR_ge_getlasterror(int *msgcode, char *msg, int maxbytes, int *nbytes);

ONDR_API int ONDRgetversion(char *version);   /* at most 32 bytes */
ONDR_API int ONDRgetbanner(char *banner);     /* at most 528 bytes */
ONDR_API int ONDRgetcheckedmode(int *checkedmode);
ONDR_API int ONDRsetcheckedmode(int checkedmode);

/* Ask a running solve to stop; callable from any thread. */
ONDR_API int ONDRinterrupt(ONDRprob prob, int reason);
ONDR_API int ONDRsetlogfile(ONDRprob prob, const char *filename);
ONDR_API int ONDRsetmessagestatus(ONDRprob prob, int errcode, int status);
ONDR_API int ONDRgetmessagestatus(ONDRprob prob, int errcode, int *status);

#endif
