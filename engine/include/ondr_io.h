/* libondr group H: problem, solution and basis files.

   Problem files
   -------------
   ONDRreadprob replaces the problem by the one in the file; on any fault
   the problem is left as it was and the last error reads
   "<file>:<line>: <what is wrong>". Reading is a load: the warm-start
   basis stays as KEEPBASIS says (ondr_model.h). ONDRwriteprob writes the
   stored model so that reading the file back gives the same model.

   Flags (NULL or "" for none; spaces are ignored; other letters fail):
     'l'  LP format
     'x'  fixed-column MPS
   Without a flag a name ending in .lp (any case) means LP format, anything
   else free MPS. When reading a name without extension that does not
   exist, name.mps and then name.lp are tried.

   MPS (free: fields separated by white space; fixed: fields in columns 2-3,
   5-12, 15-22, 25-36, 40-47, 50-61, names may hold spaces and a number
   field runs on to the next white space):
   - NAME gives the problem name (its first word). OBJSENSE with MIN or MAX
     (same line or the next). OBJNAME names the objective row, else the
     first N row is the objective; further N rows are kept as free rows.
   - COLUMNS: a column's entries are contiguous; MARKER lines 'INTORG' and
     'INTEND' enclose integer columns (default bounds 0 and infinity).
     Duplicate entries are errors.
   - RHS on the objective row is minus the objective constant. RANGES R:
     an L row becomes [rhs-|R|, rhs], a G row [rhs, rhs+|R|], an E row
     [rhs, rhs+R] when R > 0 and [rhs+R, rhs] when R < 0. The vector named
     by the control MPSRHSNAME (MPSRANGENAME, MPSBOUNDNAME) is used when the
     file has it, else the first; entries of other vectors are checked and
     ignored.
   - BOUNDS: UP LO FX FR MI PL BV (binary) LI UI (integer) SC (semi-
     continuous; the value is the upper bound, infinite when absent) SI
     (semi-integer). UP or UI below 0 on a column whose lower bound the file
     left at 0 makes the lower bound minus infinity. For semi-continuous and
     semi-integer columns, x = 0 or limit <= x <= ub: a positive lower bound
     from the file becomes the limit and the stored lower bound 0. Own
     kinds: PI v (partially integer with limit v: integer below v) and SL v
     (the limit v of a semi-continuous or semi-integer column whose lower
     bound is kept as given).
   - QUADOBJ and QSECTION <objective> list one triangle of Q, QMATRIX the
     whole Q, of the objective's 0.5 x'Qx. QCMATRIX <row> (and QSECTION
     <row>) lists the whole Q of the row's x'Qx.
   - SOS: header lines " S1 SOS <name>" or " S2 SOS <name>", member lines
     "<set> <column> <weight>" (also "<column> <weight>" and
     "<column>:<weight>").
   - INDICATORS: " IF <row> <column> <0|1>": the row holds when the binary
     column has that value.
   - Nonlinear content (sections NLCOEFS, NLDETROWS, NLROWSTATUS, see
     oslp_io.h) makes ONDRreadprob fail with "... has nonlinear content;
     read it through the nonlinear layer"; OSLPreadprob reads it. Both
     writers write it.
   - ENDATA ends the file; a file without it is refused.

   LP format: sections Minimize|Maximize (objective, with a constant and a
   quadratic part "[ 2 x ^ 2 + 4 x * y ] / 2"), Subject To (rows "name:
   expr <=|>=|= value", ranges "name: lo <= expr <= hi", quadratic parts
   "[ x ^ 2 + 2 x * y ]", indicators "name: b = 1 -> expr <= value", free
   rows "name: expr >= -infinity", an empty row "[ ]"), Bounds ("x free",
   "x = v", "lo <= x <= hi", "x >= lo", "x <= hi", +-infinity), Generals,
   Binaries (bounds 0 and 1 unless given), Semi-continuous (a column listed
   with Generals too is semi-integer; "x:limit" gives a limit that is not
   the lower bound), own section Partial-integers ("x:limit"), own section
   Ranges ("row = range": the row's range, written where lo <= expr <= hi
   cannot give it back exactly), SOS
   ("name: S1:: x:1 y:2"), own sections NLCoefs, NLDetRows, NLRowStatus,
   and End. Columns are numbered in order of first appearance. A comment
   "\ Problem name: <name>" before the first section names the problem.
   Names a format cannot hold (spaces; in LP also keywords, names starting
   with a digit or a point, and the characters + - * / ^ < > = : [ ] \)
   make the writer fail; unnamed rows, columns and sets get their default
   names, and repeated names a suffix _2, _3, ... */
#ifndef ONDR_IO_H
#define ONDR_IO_H
#include "ondr_base.h"

ONDR_API int ONDRreadprob(ONDRprob prob, const char *filename, const char *flags);
ONDR_API int ONDRwriteprob(ONDRprob prob, const char *filename, const char *flags);

/* Solution, basis and snapshot files. Each format is described in the
   header comment of its reader and writer in engine/io/ (sol_write.cpp,
   prt_write.cpp, slx_file.cpp, binsol_file.cpp, basis_file.cpp,
   snapshot_file.cpp). In text files names are one word, with bytes up to
   the space, DEL and '%' written as %XX; numbers have round-trip
   precision. Readers refuse malformed files with "<file>:<line>: ..." (or
   "<file>: ... (at byte n)") and leave the problem unchanged.

   Solution writers take 'l' (the LP solution) or 'm' (the MIP solution;
   default: the MIP solution when there is one); ONDRwritesol and
   ONDRwriteprtsol also 'c' (columns only) and 'r' (rows only),
   ONDRwriteslxsol 'd' (duals and reduced costs too). ONDRreadslxsol loads
   the file's values as the current solution ('a': skip unknown names);
   ONDRreadbinsol restores the results of the solve that wrote the file.
   ONDRwritebasis/ONDRreadbasis write and read the start basis of the next
   LP solve ("<problem name>.bss" when no file is named). ONDRsave writes
   "<problem name>.svf", ONDRrestore(probname) reads "<probname>.svf".

   Messages (numbers for ONDRsetmessagestatus): 1101 solution written,
   1102 solution read, 1103 basis written, 1104 basis read, 1105 problem
   saved, 1106 problem restored. */
ONDR_API int ONDRwritesol(ONDRprob prob, const char *filename, const char *flags);
ONDR_API int ONDRwriteprtsol(ONDRprob prob, const char *filename, const char *flags);
ONDR_API int ONDRwriteslxsol(ONDRprob prob, const char *filename, const char *flags);
ONDR_API int ONDRreadslxsol(ONDRprob prob, const char *filename, const char *flags);
ONDR_API int ONDRwritebinsol(ONDRprob prob, const char *filename, const char *flags);
ONDR_API int ONDRreadbinsol(ONDRprob prob, const char *filename, const char *flags);
ONDR_API int ONDRwritebasis(ONDRprob prob, const char *filename, const char *flags);
ONDR_API int ONDRreadbasis(ONDRprob prob, const char *filename, const char *flags);
ONDR_API int ONDRsave(ONDRprob prob);
ONDR_API int ONDRrestore(ONDRprob prob, const char *probname, const char *flags);

#endif
