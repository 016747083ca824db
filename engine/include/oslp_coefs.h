/* Nonlinear layer: coefficients, formulas, user functions, SLP variables and
   row statuses.

   A nonlinear coefficient (row, col, factor, formula) adds
       factor * x[col] * formula(x)
   to the row. `col` may be the unit column (integer attribute OSLP_NLPUNITCOLUMN), a
   column fixed at 1 that is never a real column: the coefficient then adds
   factor * formula(x). A row holds at most one coefficient per column:
   adding a coefficient where one exists combines the two into one
   coefficient of factor 1 and formula  f1 * F1 + f2 * F2.

   Formulas are token arrays (types, values) ended by a token of type 0; the
   token types, operators and function codes are in ondr_ids.h, and the two
   forms (parsed = postfix, unparsed = infix) are described below. */
#ifndef OSLP_COEFS_H
#define OSLP_COEFS_H
#include "ondr_base.h"
#include "ondr_ids.h"

/* Parsed form (postfix): CON, COL push a value; OP 1 negates the top value;
   OP 2..6 combine the two top values (left pushed first); RB marks where a
   function's arguments begin; IFUN and FUN apply the function to every value
   pushed since the matching RB.
     e.g.  2 * x * sin(y):   CON 2  COL x  OP 3  RB  COL y  IFUN 27  OP 3  EOF
           max(a, b, c):     RB  COL a  COL b  COL c  IFUN 34  EOF
   Unparsed form (infix): the tokens in reading order, with LB, RB and DEL for
   '(', ')' and ','; a function token is followed by LB; OP 1 is a negating
   minus.   e.g.  max(a, -b):  IFUN 34  LB  COL a  DEL  OP 1  COL b  RB  EOF

   Text form: infix with + - * / ^ (also **), brackets, numbers, column names
   (as given to ONDRaddnames, else the default name "C1" for column 0; quote
   other names in ' or ", doubling the quote inside; "#5" is column 5) and
   functions exp, ln (also log), log10, sin, cos, tan, asin, acos, atan, abs,
   sign, erf, erfc, sqrt, min, max, a user function's name or "@n" for user
   function n.  e.g.  "2 * x * sin(y) + max(x, 'z(1,2)') ^ 2".
   Text the library writes separates every token by one space. */

/* ---- coefficients ----
   Rows and columns are checked against the optimizer problem; formulas are
   checked (columns, user functions, arities) before anything changes. */

/* Adds n coefficients. Formula i starts at token fstart[i] of type/value and
   ends with its EOF token, which must come before fstart[i+1] (fstart has
   n+1 entries). factor NULL: 1.0 each. parsed 1: postfix; 0: unparsed. */
ONDR_API int OSLPaddcoefs(OSLPprob prob, int n, const int rowindex[], const int colindex[],
                          const double factor[], const int fstart[], int parsed,
                          const int type[], const double value[]);
/* Same, replacing all coefficients of the problem. */
ONDR_API int OSLPloadcoefs(OSLPprob prob, int n, const int rowindex[], const int colindex[],
                           const double factor[], const int fstart[], int parsed,
                           const int type[], const double value[]);
/* Deletes the coefficients at (rowindex[i], colindex[i]); each must exist. */
ONDR_API int OSLPdelcoefs(OSLPprob prob, int n, const int rowindex[], const int colindex[]);
/* The (row, col) of every coefficient, in the order they were added (a
   deleted one leaves the others in order). *n gets the count; arrays that
   are not NULL must hold *n entries (call first with NULL arrays). */
ONDR_API int OSLPgetcoefs(OSLPprob prob, int *n, int rowindex[], int colindex[]);
/* Sets the coefficient at (row, col), creating it (factor 1.0 unless given)
   when there is none. factor NULL: unchanged; type NULL: formula unchanged
   (a new coefficient needs a formula). */
ONDR_API int OSLPchgcoef(OSLPprob prob, int rowindex, int colindex, const double *factor,
                         int parsed, const int type[], const double value[]);
/* Same with the formula as text (NULL: unchanged). */
ONDR_API int OSLPchgccoef(OSLPprob prob, int rowindex, int colindex, const double *factor,
                          const char *formula);
/* Factor and formula text of a coefficient; the text with its NUL must fit in
   flen bytes, else the call fails. */
ONDR_API int OSLPgetccoef(OSLPprob prob, int rowindex, int colindex, double *factor,
                          char *formula, int flen);
/* Factor and formula tokens (parsed 1: postfix, 0: unparsed), EOF included
   in *ntoken. The tokens must fit in bufsize, else the call fails; type and
   value may be NULL to ask the count only. */
ONDR_API int OSLPgetcoefformula(OSLPprob prob, int rowindex, int colindex, double *factor,
                                int parsed, int bufsize, int *ntoken, int type[], double value[]);
/* The coefficient's value factor * formula(x) at the current point: the
   solution of the last solve (nonlinear, else MIP, else LP) when there is
   one, else for each column the value set by OSLPchgvar, else its initial
   value, else 0 moved into the column's bounds. */
ONDR_API int OSLPevaluatecoef(OSLPprob prob, int rowindex, int colindex, double *value);

/* ---- formulas ---- */

/* Number of tokens in a formula text (what OSLPpreparseformula gives, EOF not
   counted); -1 when the text cannot be read (the reason is the global last
   error). No handle: names are not looked up. */
ONDR_API int OSLPtokencount(const char *record);
/* Text -> unparsed tokens, EOF NOT included: *ntoken tokens. The arrays hold
   L/2+1 tokens (L = strlen(formula)), enough when the tokens are separated
   by spaces; a longer result fails. strtable (L bytes) gets the names of the
   user functions called, each ended by a NUL; *strtablesize the bytes used.
   strtable and strtablesize may be NULL. */
ONDR_API int OSLPpreparseformula(OSLPprob prob, const char *formula, int *ntoken, int type[],
                                 double value[], char *strtable, int *strtablesize);
/* Unparsed tokens (read up to their EOF, which must be there) -> parsed
   tokens, EOF included in *ntoken. The output never has more tokens than the
   input plus one. */
ONDR_API int OSLPparseformula(OSLPprob prob, const int intype[], const double invalue[],
                              int *ntoken, int type[], double value[]);
/* Text -> parsed tokens, EOF included in *ntoken. The arrays must hold
   strlen(formula) + 1 tokens (no text gives more). */
ONDR_API int OSLPparsecformula(OSLPprob prob, const char *formula, int *ntoken, int type[],
                               double value[]);
/* Checks a parsed formula (read up to its EOF). *badtoken: 0 when valid, else
   the 1-based number of the first bad token. namebuf (NULL-ok, at least 256
   bytes) gets the reason; strtable is not used (NULL-ok). No handle: column
   indices and user function numbers are checked only for their form. The
   call fails only for NULL arrays or a missing EOF. */
ONDR_API int OSLPvalidformula(const int type[], const double value[], int *badtoken,
                              char *namebuf, char *strtable);
/* Value of a formula (parsed 1 or 0) at the current point (as
   OSLPevaluatecoef). */
ONDR_API int OSLPevaluateformula(OSLPprob prob, int parsed, const int type[],
                                 const double value[], double *result);

/* ---- user functions ----
   A user function is called as
       double f(const double *inputs, void *funccontext, const double *deltas,
                double *results);
   inputs: its n argument values. results: n + 1 entries. deltas: n + 1
   entries. Inside, OSLPgetfuncinfo tells what is wanted:
     - value in results: write the value to results[0] (and return it);
     - derivatives: for each argument k (0-based) with deltas[k] != 0, write
       the partial derivative d f / d inputs[k] to results[k + 1]. deltas[k]
       is a suggested step; entries left unwritten are computed by central
       differences, as are all second derivatives.
   Errors: a function fails by returning NaN, or by returning -3.0 without
   writing results[0]; the evaluation then fails, naming the function.
   The library never keeps a function context: it is valid during the call
   only. Calls may come from any thread. */

/* Items of a user function description (OSLPadduserfuncs): per function, a
   list of (type, value) items ended by an item of type 0. */
#define OSLP_UFDESC_END     0   /* ends one function's description */
#define OSLP_UFDESC_STRING  5   /* a string index (OSLPsetstring): the first is
                                   the function's name, the second how it is
                                   called; "DirectC" (the only linkage): through
                                   the address of OSLPchguserfuncaddress */
#define OSLP_UFDESC_CALL   86   /* value: OSLP_UFCALL_* bits */
#define OSLP_UFDESC_INPUTS 87   /* value 1: the inputs are an array of doubles */
/* Call bits (OSLP_UFDESC_CALL). Without an OSLP_UFDESC_CALL item: 1 | 2. */
#define OSLP_UFCALL_CONTEXT 1   /* it uses the function context */
#define OSLP_UFCALL_RESULTS 2   /* it writes its value to results[0] when asked */
#define OSLP_UFCALL_DERIVS 16   /* it can write partial derivatives */

/* Stores a string; *index gets its index (1, 2, ...; the same text gives the
   same index). */
ONDR_API int OSLPsetstring(OSLPprob prob, int *index, const char *text);
/* Registers nfuncs user functions described one after the other in
   type/value; they get the next numbers (the first registered is 1). */
ONDR_API int OSLPadduserfuncs(OSLPprob prob, int nfuncs, const int type[], const double value[]);
/* Names of rows (kind 1), columns (2) and sets (3) of the optimizer problem,
   or of user functions (5, first..last being function numbers).
   NUL-terminated names laid end to end. */
ONDR_API int OSLPaddnames(OSLPprob prob, int kind, const char *names, int first, int last);
ONDR_API int OSLPchguserfuncaddress(OSLPprob prob, int number, void *address);
/* Any pointer, handed back by OSLPgetuserfuncobject; never dereferenced. */
ONDR_API int OSLPsetuserfuncobject(OSLPprob prob, int number, void *object);
ONDR_API int OSLPgetuserfuncobject(OSLPprob prob, int number, void **object);

/* Inside a user function: what its function context refers to.
   id OSLP_NLPFUNCOBJECT: the nonlinear problem (OSLPprob) the function is evaluated for;
   id OSLP_NLPOPTIMIZER: its optimizer problem (ONDRprob). */
ONDR_API int OSLPgetfuncobject(void *funccontext, int id, void **object);
/* Inside a user function: number of arguments, 1 when the value is wanted in
   results[0], 1 when derivatives are wanted, the function's number. Each
   pointer NULL-ok. */
ONDR_API int OSLPgetfuncinfo(void *funccontext, int *nargs, int *valueinresults,
                             int *derivatives, int *number);

/* ---- SLP variables and row statuses ---- */

/* Changes data of a column's SLP variable, each pointer NULL-ok =
   unchanged. detrow: the row that determines the column (-1: none; a row
   determines at most one column). initvalue / value: initial and current
   value (used where formulas are evaluated without a solution). */
ONDR_API int OSLPchgvar(OSLPprob prob, int colindex, const int *detrow,
                        const double *initstepbound, const double *stepbound,
                        const double *penalty, const double *damp, const double *initvalue,
                        const double *value, const int *tolset, const int *history,
                        const int *converged, const int *vartype);
/* Makes the columns ordinary columns again: drops their SLP data. */
ONDR_API int OSLPdelvars(OSLPprob prob, int n, const int colindex[]);
/* Row status bits. 0x800: the row determines a column. */
#define OSLP_ROWSTATUS_DETROW 0x800
ONDR_API int OSLPgetrowstatus(OSLPprob prob, int rowindex, int *status);
ONDR_API int OSLPchgrowstatus(OSLPprob prob, int rowindex, const int *status);

/* State (integer attribute OSLP_NLPSTATE) bits. */
#define OSLP_STATE_CONSTRUCTED 0x1
#define OSLP_STATE_PRESOLVED   0x20000000
/* Leaves the constructed state (clears bit 0x1). */
ONDR_API int OSLPunconstruct(OSLPprob prob);
/* Leaves the presolved state (clears bit 0x20000000), the solution staying
   that of the problem as given. */
ONDR_API int OSLPpostsolve(OSLPprob prob);

#endif
