/* libondr: identifiers of the controls and attributes of both layers, and
   the codes of formula tokens. Every number the interface takes as an id is
   defined here once; the rest of the library, its tests and the module use
   these names.

   The id lists are X-macro tables: X(name, id, type, kind) with type INT,
   DBL, STR or PTR and kind CONTROL or ATTRIB. They define the enumerators
   ONDR_<name> (optimizer layer) and OSLP_<name> (nonlinear layer) below,
   and let a program walk every id, for instance to check them against the
   library's own list. <name> is the name the library lists the id under. */
#ifndef ONDR_IDS_H
#define ONDR_IDS_H

/* ---- optimizer layer (ONDRget...attrib, ONDRget/set...control) ---- */
#define ONDR_ID_LIST(X) \
  /* integer attributes */                                                                        \
  X(ROWS, 1001, INT, ATTRIB)            /* rows of the current (possibly presolved) form */       \
  X(SETS, 1004, INT, ATTRIB)            /* special ordered sets */                                \
  X(SETMEMBERS, 1005, INT, ATTRIB)      /* members of all sets */                                 \
  X(ELEMS, 1006, INT, ATTRIB)           /* linear matrix nonzeros */                              \
  X(QELEMS, 1007, INT, ATTRIB)          /* quadratic objective entries (pairs) */                 \
  X(QCONSTRAINTS, 1008, INT, ATTRIB)    /* rows with a quadratic part */                          \
  X(INDICATORS, 1009, INT, ATTRIB)      /* indicator rows */                                      \
  X(LPSTATUS, 1010, INT, ATTRIB)                                                                  \
  X(MIPSTATUS, 1011, INT, ATTRIB)                                                                 \
  X(SIMPLEXITER, 1012, INT, ATTRIB)                                                               \
  X(BARITER, 1013, INT, ATTRIB)                                                                   \
  X(NODES, 1014, INT, ATTRIB)                                                                     \
  X(MIPSOLS, 1015, INT, ATTRIB)                                                                   \
  X(STOPSTATUS, 1016, INT, ATTRIB)                                                                \
  X(COLS, 1018, INT, ATTRIB)            /* columns of the current (possibly presolved) form */    \
  X(SPAREROWS, 1019, INT, ATTRIB)       /* spare row slots (always 0 here) */                     \
  X(NAMELENGTH, 1028, INT, ATTRIB)      /* longest name, in units of 8 characters */              \
  X(MIPENTS, 1032, INT, ATTRIB)         /* integer-type columns (B, I, S, R, P) */                \
  X(ORIGINALROWS, 1124, INT, ATTRIB)                                                              \
  X(PROBNAMELENGTH, 1158, INT, ATTRIB)  /* bytes to reserve for the problem name */               \
  X(ORIGINALSETS, 1194, INT, ATTRIB)                                                              \
  X(ORIGINALCOLS, 1214, INT, ATTRIB)                                                              \
  X(OBJSENSE, 1215, INT, ATTRIB)        /* 1 minimize, -1 maximize */                             \
  X(CURRENTNODE, 1300, INT, ATTRIB)     /* tree search: node being processed (from 1) */          \
  X(PARENTNODE, 1301, INT, ATTRIB)      /* tree search: its parent (0 for the root) */            \
  X(NODEDEPTH, 1302, INT, ATTRIB)       /* tree search: its depth (root 0) */                     \
  X(ACTIVENODES, 1303, INT, ATTRIB)     /* tree search: open nodes */                             \
  X(MAXNODELPROWS, 1360, INT, ATTRIB)   /* most rows a node LP of the last search held */         \
  X(POOLCUTS, 1361, INT, ATTRIB)        /* cuts in the cut pool */                                \
  X(LAZYROWSADDED, 1362, INT, ATTRIB)   /* marked rows the last search took into its LPs */       \
  /* double attributes */                                                                         \
  X(LPOBJVAL, 2001, DBL, ATTRIB)                                                                  \
  X(BESTBOUND, 2002, DBL, ATTRIB)                                                                 \
  X(MIPOBJVAL, 2003, DBL, ATTRIB)                                                                 \
  X(MIPRELGAP, 2004, DBL, ATTRIB)                                                                 \
  X(SOLVETIME, 2005, DBL, ATTRIB)                                                                 \
  X(OBJCONSTANT, 2006, DBL, ATTRIB)                                                               \
  X(REPAIRVIOLATION, 2400, DBL, ATTRIB) /* minimum penalised violation of the last repair */      \
  /* string attributes */                                                                         \
  X(MATRIXNAME, 3001, STR, ATTRIB)                                                                \
  /* integer controls */                                                                          \
  X(OUTPUTLOG, 8001, INT, CONTROL)      /* 1: log lines to the message path */                    \
  X(PRESOLVE, 8002, INT, CONTROL)       /* 1 on, 0 off */                                         \
  X(THREADS, 8003, INT, CONTROL)        /* 0: solver's choice */                                  \
  X(LPITERLIMIT, 8004, INT, CONTROL)                                                              \
  X(DEFAULTALG, 8005, INT, CONTROL)     /* 1 auto, 2 dual simplex, 3 primal simplex, 4 barrier */ \
  X(MAXNODE, 8006, INT, CONTROL)                                                                  \
  X(MAXMIPSOL, 8007, INT, CONTROL)                                                                \
  X(RANDOMSEED, 8008, INT, CONTROL)                                                               \
  X(SCALING, 8009, INT, CONTROL)        /* 1 on, 0 off */                                         \
  X(CROSSOVER, 8010, INT, CONTROL)      /* 1 on, 0 off (barrier only) */                          \
  X(MIPSOLVER, 8011, INT, CONTROL)      /* 0 automatic, 1 HiGHS MIP, 2 tree search */             \
  X(MAXNAMELENGTH, 8012, INT, CONTROL)  /* longest name accepted */                               \
  X(KEEPBASIS, 8035, INT, CONTROL)      /* 1: a same-size load keeps the warm basis */            \
  X(CUTSTRATEGY, 8360, INT, CONTROL)    /* tree search root cuts: 1 on, 0 off */                  \
  X(BRANCHRELIABILITY, 8400, INT, CONTROL) /* tree search: observations before pseudocosts count */ \
  X(BRANCHMAXSTRONG, 8401, INT, CONTROL) /* tree search: strong-branching candidates per node */   \
  X(CUTROUNDS, 8402, INT, CONTROL)      /* tree search: rounds of root cuts at most */            \
  X(IISMETHOD, 8380, INT, CONTROL)      /* 0 automatic, 1 HiGHS's IIS, 2 own filter (LPs) */      \
  X(IISMAXSOLVES, 8381, INT, CONTROL)   /* solves one IIS call may make */                        \
  X(IISMAXCOUNT, 8382, INT, CONTROL)    /* IIS that iisall looks for, 0 no limit */               \
  X(QPSOLVER, 8440, INT, CONTROL)       /* 0 automatic, 1 HiGHS active set, 2 interior point */  \
  /* double controls */                                                                           \
  X(FEASTOL, 7001, DBL, CONTROL)                                                                  \
  X(OPTIMALITYTOL, 7002, DBL, CONTROL)                                                            \
  X(MIPRELSTOP, 7003, DBL, CONTROL)                                                               \
  X(MIPABSSTOP, 7004, DBL, CONTROL)                                                               \
  X(TIMELIMIT, 7005, DBL, CONTROL)      /* seconds; 1e20 none */                                  \
  X(MIPTOL, 7006, DBL, CONTROL)         /* integrality tolerance */                               \
  X(BARGAPSTOP, 7007, DBL, CONTROL)                                                               \
  X(MIPABSCUTOFF, 7008, DBL, CONTROL)   /* in the objective's own sense; +-1e20 none */           \
  X(MIPRELGAPNOTIFY, 7040, DBL, CONTROL)  /* gapnotify target: relative gap; < 0 none */          \
  X(MIPABSGAPNOTIFY, 7041, DBL, CONTROL)  /* gapnotify target: absolute gap; < 0 none */          \
  X(MIPABSGAPNOTIFYOBJ, 7042, DBL, CONTROL)   /* gapnotify target: objective; +-1e20 none */     \
  X(MIPABSGAPNOTIFYBOUND, 7043, DBL, CONTROL) /* gapnotify target: best bound; +-1e20 none */    \
  /* string controls */                                                                           \
  X(MPSRHSNAME, 6001, STR, CONTROL)                                                               \
  X(MPSBOUNDNAME, 6002, STR, CONTROL)                                                             \
  X(MPSRANGENAME, 6003, STR, CONTROL)                                                             \
  X(MPSOBJNAME, 6004, STR, CONTROL)                                                               \
  X(TUNERMAXTIME, 7400, DBL, CONTROL)   /* seconds the tuner may spend */                         \
  X(TUNERTRIALTIME, 7401, DBL, CONTROL) /* seconds one tuner trial may take; 0: the tuner's choice */

/* ---- nonlinear layer (OSLPget...attrib, OSLPget/set...control) ---- */
#define OSLP_ID_LIST(X) \
  /* integer attributes */                                                                       \
  X(NLPROWS, 11999, INT, ATTRIB)                                                                 \
  X(NLPCOLS, 12000, INT, ATTRIB)                                                                 \
  X(NLPCOEFS, 12001, INT, ATTRIB)                                                                \
  X(NLPITER, 12002, INT, ATTRIB)                                                                 \
  X(NLPUNITCOLUMN, 12013, INT, ATTRIB)     /* reading it creates the unit column when missing */ \
  X(NLPSTATUS, 12044, INT, ATTRIB)                                                               \
  X(NLPSTATE, 12062, INT, ATTRIB)          /* bit 0x1 constructed, 0x20000000 presolved */       \
  X(NLPUSERFUNCS, 12063, INT, ATTRIB)                                                            \
  X(NLPSOLVERUSED, 12064, INT, ATTRIB)     /* 1 Ipopt, 2 SLP (last solve) */                     \
  X(NLPVALIDATIONSTATUS, 12065, INT, ATTRIB) /* last validation: 1 within tolerance */            \
  X(NLPTOLSETS, 12066, INT, ATTRIB)                                                              \
  /* double attributes */                                                                        \
  X(NLPOBJVAL, 12179, DBL, ATTRIB)                                                               \
  X(NLPMAXINFEAS, 12180, DBL, ATTRIB)                                                            \
  X(NLPTIME, 12181, DBL, ATTRIB)                                                                 \
  X(NLPVALIDATIONABS, 12182, DBL, ATTRIB)                                                        \
  X(NLPVALIDATIONREL, 12183, DBL, ATTRIB)                                                        \
  X(NLPKKTSTATIONARITY, 12184, DBL, ATTRIB)                                                      \
  X(NLPKKTCOMPLEMENTARITY, 12185, DBL, ATTRIB)                                                   \
  /* string attributes */                                                                        \
  X(NLPUNIQUEPREFIX, 12190, STR, ATTRIB)                                                         \
  /* pointer attributes */                                                                       \
  X(NLPOPTIMIZER, 12601, PTR, ATTRIB)      /* the optimizer problem behind a nonlinear one */    \
  /* integer controls */                                                                         \
  X(NLPSOLVER, 12400, INT, CONTROL)        /* 0 automatic, 1 Ipopt, 2 SLP */                     \
  X(NLPITERLIMIT, 12401, INT, CONTROL)                                                           \
  X(NLPLOG, 12402, INT, CONTROL)           /* 1: iteration log to the message path */            \
  X(NLPDERIVATIVES, 12403, INT, CONTROL)   /* 1 exact Hessian, 0 Ipopt quasi-Newton */           \
  X(NLPECHOMESSAGES, 12415, INT, CONTROL)  /* 1: with NLPLOG, the SLP LP log too */              \
  /* double controls */                                                                          \
  X(NLPFEASTOL, 12100, DBL, CONTROL)                                                             \
  X(NLPOPTTOL, 12101, DBL, CONTROL)                                                              \
  X(NLPTIMELIMIT, 12102, DBL, CONTROL)                                                           \
  X(NLPSTEPBOUND, 12103, DBL, CONTROL)     /* initial SLP step bound */                          \
  X(NLPPENALTY, 12104, DBL, CONTROL)       /* initial SLP penalty weight */                      \
  X(NLPOBJSENSE, 12146, DBL, CONTROL)      /* 1.0 minimize, -1.0 maximize */

#define ONDR_ID_ENUMERATOR_(name, id, type, kind) ONDR_##name = id,
#define OSLP_ID_ENUMERATOR_(name, id, type, kind) OSLP_##name = id,
enum { ONDR_ID_LIST(ONDR_ID_ENUMERATOR_) };
enum { OSLP_ID_LIST(OSLP_ID_ENUMERATOR_) };
#undef ONDR_ID_ENUMERATOR_
#undef OSLP_ID_ENUMERATOR_

/* Not an attribute: the id of the nonlinear problem (OSLPprob) a user
   function is evaluated for, read with OSLPgetfuncobject. That function also
   takes OSLP_NLPOPTIMIZER for the optimizer problem behind it. */
enum { OSLP_NLPFUNCOBJECT = 12602 };

/* ---- token types ---- */
#define OSLP_TOK_EOF   0   /* ends a formula; value 0 */
#define OSLP_TOK_CON   1   /* a constant */
#define OSLP_TOK_COL  10   /* a column, by index */
#define OSLP_TOK_FUN  11   /* a user function, by number (1, 2, ...) */
#define OSLP_TOK_IFUN 12   /* an internal function, by code below */
#define OSLP_TOK_LB   21   /* unparsed form only: '(' */
#define OSLP_TOK_RB   22   /* parsed: start of a function's arguments; unparsed: ')' */
#define OSLP_TOK_DEL  23   /* unparsed form only: ',' between arguments */
#define OSLP_TOK_OP   31   /* an operator, by code below */

/* ---- operator codes (OSLP_TOK_OP) ---- */
#define OSLP_OP_UMINUS   1
#define OSLP_OP_EXPONENT 2
#define OSLP_OP_MULTIPLY 3
#define OSLP_OP_DIVIDE   4
#define OSLP_OP_PLUS     5
#define OSLP_OP_MINUS    6

/* ---- internal function codes (OSLP_TOK_IFUN) ----
   min and max take one or more arguments, the others exactly one. */
#define OSLP_IFUN_LOG10 14
#define OSLP_IFUN_LN    15
#define OSLP_IFUN_EXP   16
#define OSLP_IFUN_ABS   17
#define OSLP_IFUN_SQRT  18
#define OSLP_IFUN_SIN   27
#define OSLP_IFUN_COS   28
#define OSLP_IFUN_TAN   29
#define OSLP_IFUN_ASIN  30
#define OSLP_IFUN_ACOS  31
#define OSLP_IFUN_ATAN  32
#define OSLP_IFUN_MIN   33
#define OSLP_IFUN_MAX   34
#define OSLP_IFUN_SIGN  46
#define OSLP_IFUN_ERF   49
#define OSLP_IFUN_ERFC  50

#endif
