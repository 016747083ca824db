// A formula compiled once into a tape of operations, evaluated with exact
// first derivatives (reverse mode) and second derivatives (forward over
// reverse: one tangent sweep per Hessian direction, the directions chosen to
// cover the structural nonzeros of the formula's Hessian). Each direction's
// sweeps visit only the nodes that depend on it and the nodes its second
// derivatives reach, so a long formula with a sparse Hessian costs about its
// number of nonzeros, not directions x length.
//
// Nonsmooth functions get these derivatives:
//   abs'(0) = 0 (elsewhere the sign of the argument); abs'' = 0;
//   sign' = sign'' = 0 everywhere (sign(0) = 0);
//   max / min: the derivative of the first argument that attains the
//   maximum / minimum (ties go to the earliest argument); second derivative 0.
// A derivative that is not finite where it is needed (sqrt at 0, asin at 1,
// x^0.5 at 0) is an evaluation error; one multiplied by an exact zero is
// not needed (0 * sqrt(x) at x = 0 has derivative 0).
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "nlp/formula.h"
#include "nlp/userfunc.h"

namespace ondr {

// Sums, differences, negations and products or quotients by constants are
// compiled into LIN nodes: c + sum of coef_k * operand_k over any number of
// operands, so chains of them cost one node.
enum class TOp : uint8_t {
  CONST, VAR, LIN, MUL, DIV, POW, EXP, LN, LOG10, SIN, COS, TAN, ASIN, ACOS, ATAN,
  ABS, SIGN, ERF, ERFC, SQRT, MAX, MIN, USER
};

struct TapeNode {
  TOp op = TOp::CONST;
  int a = -1, b = -1;          // operands; VAR: a = local variable
  int argoff = 0, nargs = 0;   // LIN, MAX, MIN, USER: operands in Tape::args
  int user = 0;                // USER: function number
  int goff = 0, hoff = 0;      // USER: offsets of its derivative caches
  double c = 0.0;              // CONST: the value; LIN: the constant
};

// Scratch space of one evaluation; reuse it across tapes and calls of one
// thread.
struct TapeWork {
  std::vector<double> v, g0, g1, h00, h01, h11, a, t, at, ug, uh, uargs;
  std::vector<double> grad;  // gradient by local variable (after reverse)
  std::vector<int> cmark, vmark, cone, vis;
};

class Tape {
 public:
  // Compiles a checked postfix formula. Constant subexpressions are folded.
  // `second_order` false: no Hessian plan (hessian() must not be called).
  explicit Tape(const Formula &postfix, bool second_order = true);
  Tape() = default;

  // Local variables: the columns the formula uses, in first-use order.
  const std::vector<int> &columns() const { return vars_; }
  size_t size() const { return nodes_.size(); }

  // Structurally nonzero second derivatives: pairs (k, l) of local
  // variables with k >= l.
  const std::vector<std::pair<int, int>> &hessian_pairs() const { return pairs_; }

  // Evaluation at x (indexed by column). order 0: value; 1: also first
  // derivatives; 2: also second. Throws Error (message without the row) on a
  // domain error. `uf` supplies the user functions (NULL: none may be called).
  double forward(const double *x, TapeWork &w, int order, const UserFuncTable *uf) const;
  // After forward(order >= 1): w.grad[k] = d value / d local variable k.
  void gradient(TapeWork &w) const;
  // After gradient() with forward(order 2): out[p] = second derivative of
  // hessian_pairs()[p].
  void hessian(TapeWork &w, double *out) const;

 private:
  std::vector<TapeNode> nodes_;
  std::vector<int> args_;
  std::vector<double> coefs_;  // parallel to args_: LIN coefficients (1 elsewhere)
  std::vector<int> vars_;      // local -> column
  std::vector<int> varnode_;   // local -> node
  int ugsize_ = 0, uhsize_ = 0;  // sizes of the user functions' derivative caches
  std::vector<std::pair<int, int>> pairs_;
  // Hessian directions: local variable dir_[d]; its entries dstart_[d] ..
  // dstart_[d+1] - 1 of (dother_, dpair_): pair dpair_ = H(dother_, dir_).
  std::vector<int> dir_, dstart_, dother_, dpair_;

  // Users of each node (CSR), for the Hessian sweeps.
  std::vector<int> pstart_, parents_;
  std::vector<double> pcoef_;  // LIN users: the coefficient of the edge

  void build_hessian_plan();
  template <class InCone, class Seed>
  void seeds(const TapeNode &n, InCone in_cone, Seed seed) const;
  void locals(const TapeNode &n, int i, TapeWork &w, int order) const;
};

// Name of an operation, for messages.
const char *top_name(TOp op);

}  // namespace ondr
