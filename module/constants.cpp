// The module constants, published at import in this order.
#include "module/env.h"
#include "module/pyref.h"

namespace {
struct Constant {
  const char *name;
  int kind;  // 0 int, 1 float
  double value;
};

const Constant kConstants[] = {
    {"continuous", 0, 0}, {"binary", 0, 1}, {"integer", 0, 2},
    {"semicontinuous", 0, 3}, {"semiinteger", 0, 4}, {"partiallyinteger", 0, 5},
    {"minimize", 0, 1}, {"maximize", 0, -1}, {"leq", 0, 1},
    {"geq", 0, 2}, {"eq", 0, 3}, {"range", 0, 4},
    {"infinity", 1, 1e20}, {"solinfo_absprimalinfeas", 0, 0}, {"solinfo_relprimalinfeas", 0, 1},
    {"solinfo_absdualinfeas", 0, 2}, {"solinfo_reldualinfeas", 0, 3}, {"solinfo_maxmipfractional", 0, 4},
    {"basis_nonbasic_lower", 0, 0}, {"basis_basic", 0, 1}, {"basis_nonbasic_upper", 0, 2},
    {"basis_superbasic", 0, 3}, {"lp_unstarted", 0, 0}, {"lp_optimal", 0, 1},
    {"lp_infeas", 0, 2}, {"lp_cutoff", 0, 3}, {"lp_unfinished", 0, 4},
    {"lp_unbounded", 0, 5}, {"lp_cutoff_in_dual", 0, 6}, {"lp_unsolved", 0, 7},
    {"lp_nonconvex", 0, 8}, {"mip_not_loaded", 0, 0}, {"mip_lp_not_optimal", 0, 1},
    {"mip_lp_optimal", 0, 2}, {"mip_no_sol_found", 0, 3}, {"mip_solution", 0, 4},
    {"mip_infeas", 0, 5}, {"mip_optimal", 0, 6}, {"mip_unbounded", 0, 7},
    {"nlp_unstarted", 0, 0}, {"nlp_solution", 0, 1}, {"nlp_locally_optimal", 0, 1},
    {"nlp_globally_optimal", 0, 2}, {"nlp_locally_infeasible", 0, 3}, {"nlp_infeasible", 0, 4},
    {"nlp_unbounded", 0, 5}, {"nlp_unfinished", 0, 6}, {"stop_timelimit", 0, 1},
    {"stop_ctrlc", 0, 2}, {"stop_nodelimit", 0, 3}, {"stop_iterlimit", 0, 4},
    {"stop_mipgap", 0, 5}, {"stop_sollimit", 0, 6}, {"stop_user", 0, 9},
    {"type_notdefined", 0, 0}, {"type_int", 0, 1}, {"type_int64", 0, 2},
    {"type_double", 0, 3}, {"type_string", 0, 4}, {"colinfo_value", 0, 1},
    {"colinfo_rdj", 0, 2}, {"colinfo_deltaindex", 0, 3}, {"colinfo_delta", 0, 4},
    {"colinfo_deltadj", 0, 5}, {"colinfo_updaterow", 0, 6}, {"colinfo_sb", 0, 7},
    {"colinfo_sbdual", 0, 8}, {"rowinfo_slack", 0, 1}, {"rowinfo_dual", 0, 2},
    {"rowinfo_numpenaltyerrors", 0, 3}, {"rowinfo_maxpenaltyerror", 0, 4}, {"rowinfo_totalpenaltyerror", 0, 5},
    {"rowinfo_currentpenaltyerror", 0, 6}, {"rowinfo_currentpenaltyfactor", 0, 7}, {"rowinfo_penaltycolumnplus", 0, 8},
    {"rowinfo_penaltycolumnplusvalue", 0, 9}, {"rowinfo_penaltycolumnplusdj", 0, 10}, {"rowinfo_penaltycolumnminus", 0, 11},
    {"rowinfo_penaltycolumnminusvalue", 0, 12}, {"rowinfo_penaltycolumnminusdj", 0, 13}, {"msset_initialvalues", 0, 0},
    {"msset_initialfiltered", 0, 6}, {"msset_solvers", 0, 1}, {"msset_slp_basic", 0, 2},
    {"msset_slp_extended", 0, 3}, {"msset_knitro_basic", 0, 4}, {"msset_knitro_extended", 0, 5},
};
}  // namespace

int addModuleConstants(PyObject *module) {
  ond_py_env.next_var_id = 1;
  ond_py_env.next_con_id = 1;
  ond_py_env.next_sos_id = 1;
  for (const Constant &c : kConstants) {
    PyObject *v = c.kind == 0 ? PyLong_FromDouble(c.value) : PyFloat_FromDouble(c.value);
    if (!v || PyModule_AddObject(module, c.name, v) != 0) {
      Py_XDECREF(v);
      return -1;
    }
  }
  return 0;
}

int module_constant_count() { return (int)(sizeof kConstants / sizeof kConstants[0]); }
