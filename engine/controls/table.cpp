#include "controls/table.h"
#include <strings.h>
#include <unordered_map>
#include "controls/ids.h"

namespace ondr {

#define INTC(id, name, d, lo, hi, doc) {id, name, PT_INT, LAYER_OPT, true, d, nullptr, lo, hi, doc}
#define DBLC(id, name, d, lo, hi, doc) {id, name, PT_DBL, LAYER_OPT, true, d, nullptr, lo, hi, doc}
#define STRC(id, name, d, doc) {id, name, PT_STR, LAYER_OPT, true, 0, d, 0, 0, doc}
#define INTA(id, name, doc) {id, name, PT_INT, LAYER_OPT, false, 0, nullptr, 0, 0, doc}
#define DBLA(id, name, doc) {id, name, PT_DBL, LAYER_OPT, false, 0, nullptr, 0, 0, doc}
#define STRA(id, name, doc) {id, name, PT_STR, LAYER_OPT, false, 0, nullptr, 0, 0, doc}
#define NINTC(id, name, d, lo, hi, doc) {id, name, PT_INT, LAYER_NLP, true, d, nullptr, lo, hi, doc}
#define NDBLC(id, name, d, lo, hi, doc) {id, name, PT_DBL, LAYER_NLP, true, d, nullptr, lo, hi, doc}
#define NINTA(id, name, doc) {id, name, PT_INT, LAYER_NLP, false, 0, nullptr, 0, 0, doc}
#define NDBLA(id, name, doc) {id, name, PT_DBL, LAYER_NLP, false, 0, nullptr, 0, 0, doc}
#define NSTRA(id, name, doc) {id, name, PT_STR, LAYER_NLP, false, 0, nullptr, 0, 0, doc}
#define NPTRA(id, name, doc) {id, name, PT_PTR, LAYER_NLP, false, 0, nullptr, 0, 0, doc}

constexpr double BIG = 1e20;
constexpr double IMAX = 2147483647.0;

const ParamDef kParams[] = {
    // optimizer attributes
    INTA(id::ROWS, "ROWS", "rows of the problem in its current form"),
    INTA(id::SETS, "SETS", "special ordered sets"),
    INTA(id::SETMEMBERS, "SETMEMBERS", "members of all special ordered sets"),
    INTA(id::ELEMS, "ELEMS", "nonzero entries of the linear matrix"),
    INTA(id::QELEMS, "QELEMS", "entries of the quadratic objective"),
    INTA(id::QCONSTRAINTS, "QCONSTRAINTS", "rows with a quadratic part"),
    INTA(id::INDICATORS, "INDICATORS", "indicator rows"),
    INTA(id::LPSTATUS, "LPSTATUS", "status of the last LP solve"),
    INTA(id::MIPSTATUS, "MIPSTATUS", "status of the last MIP solve"),
    INTA(id::SIMPLEXITER, "SIMPLEXITER", "simplex iterations of the last solve"),
    INTA(id::BARITER, "BARITER", "barrier iterations of the last solve"),
    INTA(id::NODES, "NODES", "branch-and-bound nodes of the last solve"),
    INTA(id::MIPSOLS, "MIPSOLS", "integer solutions found by the last solve"),
    INTA(id::STOPSTATUS, "STOPSTATUS", "why the last solve stopped early (0: it did not)"),
    INTA(id::COLS, "COLS", "columns of the problem in its current form"),
    INTA(id::SPAREROWS, "SPAREROWS", "spare row slots"),
    INTA(id::NAMELENGTH, "NAMELENGTH", "longest name, in units of 8 characters"),
    INTA(id::MIPENTS, "MIPENTS", "columns of integer type"),
    INTA(id::ORIGINALROWS, "ORIGINALROWS", "rows of the problem as loaded"),
    INTA(id::PROBNAMELENGTH, "PROBNAMELENGTH", "bytes to reserve for the problem name"),
    INTA(id::ORIGINALSETS, "ORIGINALSETS", "special ordered sets as loaded"),
    INTA(id::ORIGINALCOLS, "ORIGINALCOLS", "columns of the problem as loaded"),
    INTA(id::OBJSENSE_ATTR, "OBJSENSE", "objective sense: 1 minimize, -1 maximize"),
    INTA(id::CURRENTNODE, "CURRENTNODE", "tree search node being processed (from 1; 0 none)"),
    INTA(id::PARENTNODE, "PARENTNODE", "parent of the tree search node being processed (0: root)"),
    INTA(id::NODEDEPTH, "NODEDEPTH", "depth of the tree search node being processed (root 0)"),
    INTA(id::ACTIVENODES, "ACTIVENODES", "open nodes of the tree search (after it: left open)"),
    INTA(id::MAXNODELPROWS, "MAXNODELPROWS", "most rows a node LP of the last tree search held"),
    INTA(id::POOLCUTS, "POOLCUTS", "cuts in the cut pool"),
    INTA(id::LAZYROWSADDED, "LAZYROWSADDED", "delayed rows and model cuts the last tree search added to its LPs"),
    DBLA(id::LPOBJVAL, "LPOBJVAL", "objective value of the last LP solve"),
    DBLA(id::BESTBOUND, "BESTBOUND", "best bound of the last MIP solve"),
    DBLA(id::MIPOBJVAL, "MIPOBJVAL", "objective value of the best integer solution"),
    DBLA(id::MIPRELGAP, "MIPRELGAP", "relative gap of the last MIP solve"),
    DBLA(id::SOLVETIME, "SOLVETIME", "seconds taken by the last solve"),
    DBLA(id::OBJCONSTANT, "OBJCONSTANT", "constant term of the objective"),
    DBLA(id::REPAIRVIOLATION, "REPAIRVIOLATION", "minimum penalised violation found by the last repair"),
    STRA(id::MATRIXNAME, "MATRIXNAME", "name of the problem"),
    // optimizer controls
    INTC(id::OUTPUTLOG, "OUTPUTLOG", 0, 0, 1, "1: print solver log lines"),
    INTC(id::PRESOLVE, "PRESOLVE", 1, 0, 1, "1: presolve before solving"),
    INTC(id::THREADS, "THREADS", 0, 0, 1024, "threads to use, 0: the solver's choice"),
    INTC(id::LPITERLIMIT, "LPITERLIMIT", IMAX, 0, IMAX, "iteration limit of LP and QP solves"),
    INTC(id::DEFAULTALG, "DEFAULTALG", 1, 1, 4,
         "LP algorithm: 1 automatic, 2 dual simplex, 3 primal simplex, 4 barrier"),
    INTC(id::MAXNODE, "MAXNODE", IMAX, 0, IMAX, "branch-and-bound node limit"),
    INTC(id::MAXMIPSOL, "MAXMIPSOL", IMAX, 1, IMAX, "limit on improving integer solutions found"),
    INTC(id::RANDOMSEED, "RANDOMSEED", 0, 0, IMAX, "seed of the solvers' random choices"),
    INTC(id::SCALING, "SCALING", 1, 0, 1, "1: scale the problem before solving"),
    INTC(id::CROSSOVER, "CROSSOVER", 1, 0, 1, "1: crossover to a basis after barrier"),
    INTC(id::MIPSOLVER, "MIPSOLVER", 0, 0, 2,
         "MIP search: 1 HiGHS's MIP (a problem it cannot solve, MIQP, MIQCP or MINLP, is "
         "refused), 2 the library's own tree search, 0 automatic: HiGHS's MIP when nothing needs "
         "node control and HiGHS can solve the problem; the tree search when a node-level "
         "callback is registered, a branching or cut function of the library is used, the "
         "problem is MIQP, MIQCP or MINLP (node QPs and NLPs), or sets and indicator rows "
         "(semi-continuous, partially integer columns) have no finite big-M"),
    INTC(id::MAXNAMELENGTH, "MAXNAMELENGTH", 1024, 8, 1024, "longest row, column or set name"),
    INTC(id::KEEPBASIS, "KEEPBASIS", 1, 0, 1,
         "1: loading a problem of the same size keeps the previous basis as the start basis"),
    INTC(id::CUTSTRATEGY, "CUTSTRATEGY", 1, 0, 1, "1: the tree search adds its own cuts at the root, 0: it adds none"),
    INTC(id::BRANCHRELIABILITY, "BRANCHRELIABILITY", 4, 0, IMAX,
         "tree search: observations per direction before a column's pseudocosts are trusted"),
    INTC(id::BRANCHMAXSTRONG, "BRANCHMAXSTRONG", 10, 0, IMAX,
         "tree search: candidates measured by strong branching at one node at most"),
    INTC(id::CUTROUNDS, "CUTROUNDS", 20, 0, 1000, "tree search: rounds of cuts at the root at most"),
    INTC(id::QPSOLVER, "QPSOLVER", 0, 0, 2,
         "convex QP method: 1 HiGHS's active-set solver, 2 the interior-point local solver, 0 "
         "automatic: the interior point for QPs with more than 300 columns or more than 15000 "
         "quadratic objective entries, the active set otherwise"),
    DBLC(id::FEASTOL, "FEASTOL", 1e-6, 1e-10, 1e-1, "primal feasibility tolerance"),
    DBLC(id::OPTIMALITYTOL, "OPTIMALITYTOL", 1e-6, 1e-10, 1e-1, "dual feasibility tolerance"),
    DBLC(id::MIPRELSTOP, "MIPRELSTOP", 1e-4, 0, BIG, "relative MIP gap at which to stop"),
    DBLC(id::MIPABSSTOP, "MIPABSSTOP", 1e-6, 0, BIG, "absolute MIP gap at which to stop"),
    DBLC(id::TIMELIMIT, "TIMELIMIT", BIG, 0, BIG, "time limit in seconds (1e20: none)"),
    DBLC(id::MIPTOL, "MIPTOL", 1e-6, 1e-9, 0.5, "integrality tolerance"),
    DBLC(id::BARGAPSTOP, "BARGAPSTOP", 1e-8, 1e-12, 1, "barrier convergence tolerance"),
    DBLC(id::MIPRELGAPNOTIFY, "MIPRELGAPNOTIFY", -1, -1, BIG,
         "relative gap at which gapnotify is called (negative: none)"),
    DBLC(id::MIPABSGAPNOTIFY, "MIPABSGAPNOTIFY", -1, -1, BIG,
         "absolute gap at which gapnotify is called (negative: none)"),
    DBLC(id::MIPABSGAPNOTIFYOBJ, "MIPABSGAPNOTIFYOBJ", BIG, -BIG, BIG,
         "objective value at which gapnotify is called (1e20: none)"),
    DBLC(id::MIPABSGAPNOTIFYBOUND, "MIPABSGAPNOTIFYBOUND", BIG, -BIG, BIG,
         "best bound at which gapnotify is called (1e20: none)"),
    DBLC(id::MIPABSCUTOFF, "MIPABSCUTOFF", BIG, -BIG, BIG,
         "integer solutions must be better than this objective value (+-1e20: none)"),
    STRC(id::MPSRHSNAME, "MPSRHSNAME", "RHS", "name of the right-hand side vector in MPS files"),
    STRC(id::MPSBOUNDNAME, "MPSBOUNDNAME", "BND", "name of the bound vector in MPS files"),
    STRC(id::MPSRANGENAME, "MPSRANGENAME", "RNG", "name of the range vector in MPS files"),
    STRC(id::MPSOBJNAME, "MPSOBJNAME", "OBJ", "name of the objective row in MPS files"),
    DBLC(id::TUNERMAXTIME, "TUNERMAXTIME", 60, 0, BIG, "seconds the tuner may spend in all"),
    DBLC(id::TUNERTRIALTIME, "TUNERTRIALTIME", 0, 0, BIG,
         "seconds one tuner trial may take (0: three times the best time so far, within the budget)"),
    INTC(id::IISMETHOD, "IISMETHOD", 0, 0, 2,
         "IIS of a linear problem: 1 HiGHS's IIS (the filter when it fails the check), 2 the "
         "library's deletion filter, 0 automatic (the filter: faster in bench/iis.py)"),
    INTC(id::IISMAXSOLVES, "IISMAXSOLVES", 100000, 1, IMAX,
         "solves one IIS search call may make before it stops with status 2"),
    INTC(id::IISMAXCOUNT, "IISMAXCOUNT", 0, 0, IMAX, "IIS that iisall looks for (0: every one)"),
    // nonlinear layer attributes
    NINTA(id::NLPROWS, "NLPROWS", "rows of the nonlinear problem"),
    NINTA(id::NLPCOLS, "NLPCOLS", "columns of the nonlinear problem"),
    NINTA(id::NLPCOEFS, "NLPCOEFS", "nonlinear coefficients"),
    NINTA(id::NLPITER, "NLPITER", "iterations of the last nonlinear solve"),
    NINTA(id::NLPUNITCOLUMN, "NLPUNITCOLUMN", "the column fixed at 1 that carries constant formulas"),
    NINTA(id::NLPSTATUS, "NLPSTATUS", "status of the last nonlinear solve"),
    NINTA(id::NLPSTATE, "NLPSTATE", "state bits: 0x1 constructed, 0x20000000 presolved"),
    NINTA(id::NLPUSERFUNCS, "NLPUSERFUNCS", "user functions"),
    NINTA(id::NLPSOLVERUSED, "NLPSOLVERUSED", "local solver of the last solve: 1 Ipopt, 2 SLP"),
    NDBLA(id::NLPOBJVAL, "NLPOBJVAL", "objective value of the last nonlinear solve"),
    NDBLA(id::NLPMAXINFEAS, "NLPMAXINFEAS", "largest constraint violation at the solution"),
    NDBLA(id::NLPTIME, "NLPTIME", "seconds taken by the last nonlinear solve"),
    NINTA(id::NLPVALIDATIONSTATUS, "NLPVALIDATIONSTATUS", "last validation: 1 within its tolerance"),
    NINTA(id::NLPTOLSETS, "NLPTOLSETS", "tolerance sets"),
    NDBLA(id::NLPVALIDATIONABS, "NLPVALIDATIONABS", "largest violation found by the last validation"),
    NDBLA(id::NLPVALIDATIONREL, "NLPVALIDATIONREL", "largest relative violation of the last validation"),
    NDBLA(id::NLPKKTSTATIONARITY, "NLPKKTSTATIONARITY", "stationarity residual of the last KKT check"),
    NDBLA(id::NLPKKTCOMPLEMENTARITY, "NLPKKTCOMPLEMENTARITY", "complementarity residual of the last KKT check"),
    NSTRA(id::NLPUNIQUEPREFIX, "NLPUNIQUEPREFIX", "a prefix no row or column name starts with"),
    NPTRA(id::NLPOPTIMIZER, "NLPOPTIMIZER", "the optimizer problem behind a nonlinear problem"),
    // nonlinear layer controls
    NINTC(id::NLPSOLVER, "NLPSOLVER", 0, 0, 2, "local solver: 0 automatic, 1 Ipopt, 2 SLP"),
    NINTC(id::NLPITERLIMIT, "NLPITERLIMIT", 1000, 0, IMAX, "iteration limit of nonlinear solves"),
    NINTC(id::NLPLOG, "NLPLOG", 0, 0, 1, "1: print the nonlinear iteration log"),
    NINTC(id::NLPDERIVATIVES, "NLPDERIVATIVES", 1, 0, 1,
          "1: exact second derivatives, 0: Ipopt approximates the Hessian (quasi-Newton)"),
    NINTC(id::NLPECHOMESSAGES, "NLPECHOMESSAGES", 1, 0, 1,
          "1: with NLPLOG, the LP solver's log lines of SLP solves too"),
    NDBLC(id::NLPFEASTOL, "NLPFEASTOL", 1e-6, 1e-12, 1, "constraint violation tolerance"),
    NDBLC(id::NLPOPTTOL, "NLPOPTTOL", 1e-6, 1e-12, 1, "optimality tolerance"),
    NDBLC(id::NLPTIMELIMIT, "NLPTIMELIMIT", BIG, 0, BIG, "time limit in seconds (1e20: none)"),
    NDBLC(id::NLPSTEPBOUND, "NLPSTEPBOUND", 1.0, 1e-9, BIG, "initial step bound of SLP"),
    NDBLC(id::NLPPENALTY, "NLPPENALTY", 10.0, 1e-9, BIG, "initial penalty weight of SLP"),
    NDBLC(id::NLPOBJSENSE, "NLPOBJSENSE", 1.0, -1.0, 1.0, "objective sense: 1 minimize, -1 maximize"),
    {0, "", 0, 0, false, 0, nullptr, 0, 0, ""},
};

const ParamDef *find_param(int layer, int pid) {
  static const auto index = [] {
    std::unordered_map<long, const ParamDef *> m;
    for (const ParamDef *p = kParams; p->id; ++p) m[(long)p->layer << 32 | (unsigned)p->id] = p;
    return m;
  }();
  auto it = index.find((long)layer << 32 | (unsigned)pid);
  return it == index.end() ? nullptr : it->second;
}

const ParamDef *find_param_by_name(const char *name) {
  if (!name) return nullptr;
  for (const ParamDef *p = kParams; p->id; ++p)
    if (strcasecmp(p->name, name) == 0) return p;
  return nullptr;
}

}  // namespace ondr
