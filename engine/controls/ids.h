// Identifiers of the controls and attributes of both layers. The table in
// table.cpp gives each its name, type, layer, default and bounds.
#pragma once

namespace ondr {
namespace id {

// ---- optimizer layer: integer attributes ----
constexpr int ROWS = 1001;            // rows of the current (possibly presolved) form
constexpr int SETS = 1004;            // special ordered sets
constexpr int SETMEMBERS = 1005;      // members of all sets
constexpr int ELEMS = 1006;           // linear matrix nonzeros
constexpr int QELEMS = 1007;          // quadratic objective entries (pairs)
constexpr int QCONSTRAINTS = 1008;    // rows with a quadratic part
constexpr int INDICATORS = 1009;      // indicator rows
constexpr int LPSTATUS = 1010;
constexpr int MIPSTATUS = 1011;
constexpr int SIMPLEXITER = 1012;
constexpr int BARITER = 1013;
constexpr int NODES = 1014;
constexpr int MIPSOLS = 1015;
constexpr int STOPSTATUS = 1016;
constexpr int COLS = 1018;            // columns of the current (possibly presolved) form
constexpr int SPAREROWS = 1019;       // spare row slots (always 0 here)
constexpr int NAMELENGTH = 1028;      // longest name, in units of 8 characters
constexpr int MIPENTS = 1032;         // integer-type columns (B, I, S, R, P)
constexpr int ORIGINALROWS = 1124;
constexpr int PROBNAMELENGTH = 1158;  // bytes to reserve for the problem name
constexpr int ORIGINALSETS = 1194;
constexpr int ORIGINALCOLS = 1214;
constexpr int OBJSENSE_ATTR = 1215;   // 1 minimize, -1 maximize

// ---- optimizer layer: double attributes ----
constexpr int LPOBJVAL = 2001;
constexpr int BESTBOUND = 2002;
constexpr int MIPOBJVAL = 2003;
constexpr int MIPRELGAP = 2004;
constexpr int SOLVETIME = 2005;
constexpr int OBJCONSTANT = 2006;

// ---- optimizer layer: string attributes ----
constexpr int MATRIXNAME = 3001;

// ---- optimizer layer: integer controls ----
constexpr int OUTPUTLOG = 8001;       // 1: log lines to the message path
constexpr int PRESOLVE = 8002;        // 1 on, 0 off
constexpr int THREADS = 8003;         // 0: solver's choice
constexpr int LPITERLIMIT = 8004;
constexpr int DEFAULTALG = 8005;      // 1 auto, 2 dual simplex, 3 primal simplex, 4 barrier
constexpr int MAXNODE = 8006;
constexpr int MAXMIPSOL = 8007;
constexpr int RANDOMSEED = 8008;
constexpr int SCALING = 8009;         // 1 on, 0 off
constexpr int CROSSOVER = 8010;       // 1 on, 0 off (barrier only)
constexpr int MIPSOLVER = 8011;       // 0 automatic, 1 HiGHS MIP
constexpr int MAXNAMELENGTH = 8012;   // longest name accepted
constexpr int KEEPBASIS = 8035;       // 1: a same-size load keeps the warm basis

// ---- optimizer layer: double controls ----
constexpr int FEASTOL = 7001;
constexpr int OPTIMALITYTOL = 7002;
constexpr int MIPRELSTOP = 7003;
constexpr int MIPABSSTOP = 7004;
constexpr int TIMELIMIT = 7005;       // seconds; 1e20 none
constexpr int MIPTOL = 7006;          // integrality tolerance
constexpr int BARGAPSTOP = 7007;
constexpr int MIPABSCUTOFF = 7008;    // in the objective's own sense; +-1e20 none

// ---- optimizer layer: string controls ----
constexpr int MPSRHSNAME = 6001;
constexpr int MPSBOUNDNAME = 6002;
constexpr int MPSRANGENAME = 6003;
constexpr int MPSOBJNAME = 6004;

// ---- nonlinear layer: integer attributes ----
constexpr int NLPROWS = 11999;
constexpr int NLPCOLS = 12000;
constexpr int NLPCOEFS = 12001;
constexpr int NLPITER = 12002;
constexpr int NLPUNITCOLUMN = 12013;  // reading it creates the unit column when missing
constexpr int NLPSTATUS = 12044;
constexpr int NLPSTATE = 12062;       // bit 0x1 constructed, 0x20000000 presolved
constexpr int NLPUSERFUNCS = 12063;
constexpr int NLPSOLVERUSED = 12064;  // 1 Ipopt, 2 SLP (last solve)

// ---- nonlinear layer: double attributes ----
constexpr int NLPOBJVAL = 12179;
constexpr int NLPMAXINFEAS = 12180;
constexpr int NLPTIME = 12181;

// ---- nonlinear layer: pointer attributes (not listed) ----
constexpr int NLPOPTIMIZER = 12601;   // the optimizer problem behind a nonlinear one
constexpr int NLPFUNCOBJECT = 12602;  // the user-function object of a function context

// ---- nonlinear layer: integer controls ----
constexpr int NLPSOLVER = 12400;      // 0 automatic, 1 Ipopt, 2 SLP
constexpr int NLPITERLIMIT = 12401;
constexpr int NLPLOG = 12402;         // 1: iteration log to the message path
constexpr int NLPDERIVATIVES = 12403; // 1 exact Hessian, 0 Ipopt quasi-Newton
constexpr int NLPECHOMESSAGES = 12415;// 1: with NLPLOG, the SLP LP log too

// ---- nonlinear layer: double controls ----
constexpr int NLPFEASTOL = 12100;
constexpr int NLPOPTTOL = 12101;
constexpr int NLPTIMELIMIT = 12102;
constexpr int NLPSTEPBOUND = 12103;   // initial SLP step bound
constexpr int NLPPENALTY = 12104;     // initial SLP penalty weight
constexpr int NLPOBJSENSE = 12146;    // 1.0 minimize, -1.0 maximize

}  // namespace id
}  // namespace ondr
