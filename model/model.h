// The modelling algebra: variables, linear and quadratic terms, expressions,
// nonlinear expression trees, constraints and special ordered sets.
//
// Nothing here calls the solver library. The record layouts below are read
// by the problem layer when it turns modelling objects into columns, rows,
// sets and nonlinear formulas; the generic operations are what the
// aggregation functions and the problem layer build on.
//
// Conventions of every function declared here: a PyObject* result is a new
// reference, or null with a Python exception set; an int result is 0 on
// success and -1 with an exception set. Borrowed results are marked.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <cstdint>
#include <string>

// ---------------------------------------------------------------------------
// Type objects (defined in var.cpp, terms.cpp, expression.cpp, nonlinear.cpp,
// constraint.cpp, sos.cpp; slots filled by model_types_setup()).

extern PyTypeObject var_type;         // ondrel.var
extern PyTypeObject linterm_type;     // ondrel.linterm: coef * var
extern PyTypeObject quadterm_type;    // ondrel.quadterm: coef * var1 * var2
extern PyTypeObject expression_type;  // ondrel.expression: polynomial of degree <= 2
extern PyTypeObject nonlinear_type;   // ondrel.nonlinear: expression tree node
extern PyTypeObject constraint_type;  // ondrel.constraint: lb <= body <= ub
extern PyTypeObject sos_type;         // ondrel.SOS: special ordered set

// ---------------------------------------------------------------------------
// Records.

// A decision variable. `id` is unique in the process, given when the object
// is created and never changed: it is the variable's hash, and every
// dictionary keyed by variables (expressions, problem maps) relies on it.
struct VarObject {
  PyObject_HEAD
  int64_t id;
  PyObject *name;     // str (or bytes, or whatever the user assigned); null: "C<id>"
  double lb;          // lower bound
  double ub;          // upper bound (1e20: none)
  double threshold;   // semi-continuous / partially integer threshold
  int32_t vartype;    // 0 continuous, 1 binary, 2 integer, 3 semicontinuous,
                      // 4 semiinteger, 5 partiallyinteger
};

// coef * var. Immutable; never holds a zero coefficient when made by the
// algebra (linterm_fill turns 0 into the float 0.0).
struct LinTermObject {
  PyObject_HEAD
  double coef;
  PyObject *var;      // ondrel.var, counted
};

// coef * var1 * var2 with var1->id <= var2->id (the same object for a square).
// Immutable; a coefficient 0 is possible (x*y - x*y).
struct QuadTermObject {
  PyObject_HEAD
  double coef;
  PyObject *var1;
  PyObject *var2;
};

// constant + sum linear[v]*v + sum quadratic[v][w]*v*w.
// - Containers are null until first used; null and empty mean the same.
// - Keys are ondrel.var objects; coefficients are Python floats.
// - A product v*w is stored once, under quadratic[v][w] with v->id <= w->id.
// - quadvars holds every variable ever stored in the quadratic part (it may
//   name variables whose entries were later removed). It exists whenever
//   quadratic does.
// - Entries with coefficient 0 can occur; readers skip them where it matters.
// - Containers are never shared between expressions.
struct ExpressionObject {
  PyObject_HEAD
  double constant;
  PyObject *linear;     // dict var -> float, or null
  PyObject *quadratic;  // dict var -> dict var -> float, or null
  PyObject *quadvars;   // set of var, or null
};

// A node of a nonlinear expression tree. `args` is a list for sums (op 0)
// and products (op 3), a tuple for binary operators (1, 4, 5) and for max,
// min, user (15, 16, 22), and the single argument itself for unary nodes.
// Sums keep their polynomial part (constant, variable, term or expression)
// as the last argument; products keep at most one constant, last.
struct NonlinObject {
  PyObject_HEAD
  PyObject *args;
  int32_t op;           // NonlinOp
};

// One entry of a compact linear body: a variable (counted) and its
// coefficient.
struct LinEntry {
  PyObject *var;
  double coef;
};

// lb <= body <= ub. The constant of an expression body built by a
// comparison has been moved into the bounds; a body given to the
// constructor is stored as given (the problem layer accounts for its
// constant).
//
// A linear body built by a comparison is kept compact: `lin` holds its
// `nlin` entries in the order the expression held them, and `body` is null
// until it is first read (constraint_body makes the expression then and the
// compact entries are dropped). A compact body costs 16 bytes per entry
// instead of a dictionary and a float object per entry.
//
// A constraint whose name is a str (or absent) and whose body holds only
// variables and numbers cannot be part of a reference cycle, so it is kept
// out of the cyclic garbage collector; assigning another name or body puts
// it back (constraint_retrack).
struct ConstraintObject {
  PyObject_HEAD
  int64_t id;
  PyObject *name;       // any object; null: "R<id>"
  PyObject *body;       // operand (kinds 0..5), or null: compact or unfilled
  double lb;            // -1e20: none
  double ub;            // 1e20: none
  LinEntry *lin;        // compact linear body (PyMem), or null
  Py_ssize_t nlin;      // its entries; -1: no compact body
};

// Special ordered set; the lists are the user's own (checked when the set
// is added to a problem).
struct SOSObject {
  PyObject_HEAD
  int64_t id;
  PyObject *name;       // any object; null: "sos<id>"
  int32_t type;         // 1 or 2
  PyObject *indices;    // list, or null for an unfilled record
  PyObject *weights;    // list, or null
};

constexpr double kInfinity = 1e20;

// ---------------------------------------------------------------------------
// Operand kinds. Every operation first classifies its operands; binary
// operators dispatch on the higher kind.

enum OperandKind : int {
  kInvalid = -1,
  kConstant = 0,    // int (and subclasses), float (and subclasses), NumPy
                    // intc, int_, float32, float64 scalars
  kVariable = 1,
  kLinTerm = 2,
  kQuadTerm = 3,
  kExpression = 4,
  kNonlinear = 5,
};

// The kind of `obj`; for anything else (null included) RuntimeError
// "Invalid object in operation" and kInvalid.
int getExprType(PyObject *obj);
// The kind of `obj`, or kInvalid without setting an error.
int operandKind(PyObject *obj);
// True for kinds 1..5.
inline bool isModelObject(PyObject *obj) { return operandKind(obj) > kConstant; }
// The value of a constant operand; false with an exception when it cannot
// be read as a double (an int too large, for instance).
bool constValue(PyObject *obj, double *value);
// True when `obj` is a constant operand equal to `value`. Never fails.
bool constEquals(PyObject *obj, double value);
// A NumPy array (or subclass).
bool isNdarray(PyObject *obj);

inline VarObject *asVar(PyObject *o) { return (VarObject *)o; }
inline LinTermObject *asLin(PyObject *o) { return (LinTermObject *)o; }
inline QuadTermObject *asQuad(PyObject *o) { return (QuadTermObject *)o; }
inline ExpressionObject *asExpr(PyObject *o) { return (ExpressionObject *)o; }
inline NonlinObject *asNonlin(PyObject *o) { return (NonlinObject *)o; }
inline int64_t varId(PyObject *v) { return asVar(v)->id; }
inline bool sameVar(PyObject *v, PyObject *w) { return varId(v) == varId(w); }

// ---------------------------------------------------------------------------
// Variables (var.cpp).

// A new variable: fresh id, no name, lb 0, ub 1e20, threshold -1e20, type 0.
// Failure: RuntimeError "Could not allocate an object of type Variable".
PyObject *var_new();
// var_new() named "C<id>".
PyObject *var_base();
// The printable name of a variable as a str: the name if it is one, bytes
// decoded as UTF-8, "C<id>" when absent, else str() of the object.
PyObject *var_name(PyObject *var);
// Appends the name as UTF-8; false with an exception set on failure.
bool var_append_name(std::string &out, PyObject *var);
// f = 1: v itself; f = 0: the float 0.0; otherwise the linear term f*v.
PyObject *var_copy(PyObject *v, double f);

// ---------------------------------------------------------------------------
// Terms (terms.cpp).

// c = 0: the float 0.0; otherwise a new linear term c*v.
PyObject *linterm_fill(PyObject *v, double c);
// linterm_fill(t.var, f * t.coef).
PyObject *linterm_copy(PyObject *t, double f);
// A new quadratic term c*v*w, variables ordered by id (v wins a tie).
// No zero test.
PyObject *quadterm_fill(PyObject *v, PyObject *w, double c);
// quadterm_fill(q.var1, q.var2, f * q.coef).
PyObject *quadterm_copy(PyObject *q, double f);
// a + f*b for operands of kinds <= 2 (at least one a linear term), and
// for kinds <= 3 (at least one a quadratic term).
PyObject *linterm_alg_sum(PyObject *a, PyObject *b, double f);
PyObject *quadterm_alg_sum(PyObject *a, PyObject *b, double f);

// ---------------------------------------------------------------------------
// Expressions (expression.cpp).

// A new empty expression (constant 0, no containers).
PyObject *expression_new();
inline PyObject *expression_base() { return expression_new(); }
// Amend one coefficient (see expression.cpp for the exact rules).
int expression_setLinTerm(PyObject *e, PyObject *v, double c);
int expression_addToLinTerm(PyObject *e, PyObject *v, double c);
int expression_setQuadTerm(PyObject *e, PyObject *v, PyObject *w, double c);
int expression_addToQuadTerm(PyObject *e, PyObject *v, PyObject *w, double c);
// A new expression equal to f*x for x of kind 0..4.
PyObject *expression_copy(PyObject *x, double f);
// Multiply every coefficient and the constant of e by k, in place.
int expression_scale(PyObject *e, double k);
// Keeps the quadratic containers of e out of the cyclic collector. They
// hold only variables, floats and inner dictionaries, and the expression
// itself is not visible to the collector, so tracking them could never
// free anything; it only made every collection walk them. A dictionary is
// tracked again by Python when a dictionary is stored in it: every place
// that stores an inner dictionary calls this afterwards.
void expression_untrack(PyObject *e);
// True when e has a linear / quadratic entry (zero coefficients included).
bool expression_hasLinear(PyObject *e);
bool expression_hasQuadratic(PyObject *e);
// Appends the printed form; false with an exception set on failure.
bool expression_print(PyObject *e, std::string &out);

// ---------------------------------------------------------------------------
// Nonlinear expressions (nonlinear.cpp).

enum NonlinOp : int {
  kOpSum = 0, kOpMinus = 1, kOpNeg = 2, kOpProd = 3, kOpDiv = 4, kOpPow = 5,
  kOpExp = 6, kOpLog = 7, kOpLog10 = 8, kOpSin = 9, kOpCos = 10, kOpTan = 11,
  kOpAsin = 12, kOpAcos = 13, kOpAtan = 14, kOpMax = 15, kOpMin = 16,
  kOpAbs = 17, kOpSign = 18, kOpErf = 19, kOpErfc = 20, kOpSqrt = 21,
  kOpUser = 22,
};
constexpr int kNonlinOpCount = 23;

// The printing table: per operator code its symbol, its arity (1, 2, or -1
// for any number) and its notation (0 infix, -1 prefix).
struct NonlinOpInfo {
  const char *symbol;
  int arity;
  int notation;
};
extern const NonlinOpInfo printToolArray[kNonlinOpCount];

// A unary node of `code` over an operand; RuntimeError
// "Invalid object <x> in unary operation" otherwise.
PyObject *nonlin_instantiate_unary(int code, PyObject *x);
// A binary node of `code`: codes 0 and 3 get the list [a, b] when a is
// nonlinear, else [b, a]; other codes the tuple (a, b).
PyObject *nonlin_instantiate_binary(int code, PyObject *a, PyObject *b);
// Argument access for tree walkers: size (-1 for a non-node), first and
// next element (borrowed; null at the end, or with an error for a non-node).
Py_ssize_t nonlin_arg_size(PyObject *n);
PyObject *nonlin_arg_first(PyObject *n, Py_ssize_t *i);
PyObject *nonlin_arg_next(PyObject *n, Py_ssize_t *i);
// f * n as a new tree whose containers are the copy's own.
PyObject *nonlin_copy(PyObject *n, double f);
// a + f*b, new object / reusing a (see nonlinear.cpp).
PyObject *nonlin_alg_sum(PyObject *a, PyObject *b, double f);
PyObject *nonlin_incremental_alg_sum(PyObject *a, PyObject *b, double f);
PyObject *nonlin_sub(PyObject *a, PyObject *b);
PyObject *nonlin_mul(PyObject *a, PyObject *b);
PyObject *nonlin_div(PyObject *a, PyObject *b);
PyObject *nonlin_pow(PyObject *a, PyObject *b);
PyObject *nonlin_imul(PyObject *a, PyObject *b);
PyObject *nonlin_idiv(PyObject *a, PyObject *b);
PyObject *nonlin_ipow(PyObject *a, PyObject *b);
// Appends the printed form of any operand (nonlinear nodes up to 64 levels
// deep); false with an exception set on failure.
bool model_print(PyObject *obj, std::string &out, int depth = 0);

// ---------------------------------------------------------------------------
// Arithmetic and generic operations (arithmetic.cpp).

enum ArithOp : int { kAdd = 0, kSub = 1, kMul = 2, kDiv = 3, kPow = 4 };

// The binary operator `op` on two operands, as Python's number protocol
// reaches it through the modelling types' slots: a NumPy array on the right
// is handled elementwise by NumPy; otherwise the operands are classified
// and the operation of the kind that owns it is applied.
PyObject *model_binary(int op, PyObject *a, PyObject *b);
// In-place forms (the left operand's kind decides the rules).
PyObject *model_inplace(int op, PyObject *a, PyObject *b);
// a + f*b for operands with at least one expression: a new expression /
// amending a when it is an expression.
PyObject *expression_alg_sum(PyObject *a, PyObject *b, double f);
PyObject *expression_incremental_alg_sum(PyObject *a, PyObject *b, double f);
PyObject *expression_mul(PyObject *a, PyObject *b);

// Generic operations over operands of any kind, NumPy arrays and None
// (None is the neutral start of an accumulation).
PyObject *general_copy(PyObject *x, double f);   // f*x; constants and variables
                                                 // with f = 1 are returned as is
PyObject *general_neg(PyObject *x);
PyObject *general_mul(PyObject *a, PyObject *b);
PyObject *general_iadd(PyObject *a, PyObject *b);
PyObject *general_imul(PyObject *a, PyObject *b);
PyObject *general_iadd_step(PyObject *a, PyObject *b, PyObject *last);
PyObject *general_imul_step(PyObject *a, PyObject *b, PyObject *last);

// ---------------------------------------------------------------------------
// Constraints and sets (constraint.cpp, sos.cpp).

// lhs op rhs with Python's comparison codes (Py_LE, Py_EQ, Py_GE build a
// constraint; Py_LT, Py_NE, Py_GT are refused).
PyObject *make_constraint(PyObject *lhs, PyObject *rhs, int op);
// The rich comparison of every modelling type: make_constraint, or the
// elementwise comparison when the right operand is a NumPy array.
PyObject *model_richcompare(PyObject *a, PyObject *b, int op);
// A new constraint: fresh id, name "R<id>", no body, lb -1e20, ub 1e20.
PyObject *constraint_base();
// The body of a constraint (borrowed), the expression made from a compact
// body on first use; null without an exception for an unfilled record,
// null with one when the expression cannot be made.
PyObject *constraint_body(PyObject *con);
// The compact linear body: true with its entries (borrowed) when the
// constraint has one.
inline bool constraint_compact(PyObject *con, const LinEntry **entries, Py_ssize_t *n) {
  ConstraintObject *c = (ConstraintObject *)con;
  if (c->nlin < 0) return false;
  *entries = c->lin;
  *n = c->nlin;
  return true;
}
// A new set: fresh id, name "sos<id>", type 1, no lists.
PyObject *sos_base();
// Row type of a constraint: 'G', 'R', 'E', 'L' or 'N' from (lb, ub); on
// entry *rhs holds the value the bound is added to (minus the body's
// constant). Returns the new rhs (1e20 for 'N'); *range is set for 'R'.
double getRhsSense(PyObject *con, char *rowtype, double *rhs, double *range);
// Ascending comparator of 32-bit integers, for qsort.
int compareInt(const void *a, const void *b);

// ---------------------------------------------------------------------------
// NumPy comparisons (numpy_compare.cpp): `<=`, `>=` and `==` on arrays that
// hold modelling objects build arrays of constraints.

// Elementwise comparison of two array-likes through the module's object
// comparison ufuncs.
PyObject *array_compare(PyObject *a, PyObject *b, int op);
