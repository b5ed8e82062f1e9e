// Which zero offsets a list of lines points to before any cell is known.
//
// A lattice ties its lines together: a reflection's second and third orders
// lie at four and nine times its Q, and the Q of many lines is the sum of
// the Q of two others (hkl from hk0 and 00l on orthogonal axes, h00 and
// 0kl, 2h from h twice). Off the true zero these relations break, and each
// holds at a zero of its own; at the true one many hold at once. Chance
// lines satisfy some at any zero, so a zero is only ranked, never taken.
#pragma once

#include <span>
#include <vector>

namespace difscop::indexing {

struct ZeroScore {
  double zero = 0;   // degrees 2theta, taken off the observed angles
  double score = 0;  // the relations that hold, orders counted twice
  double peak = 0;   // the sub-step where most hold (the first of them)
};

// The zeros given, best supported first (ties keep their order). Each is
// judged at sub-steps of a quarter tolerance within +-spread of it, a
// relation holding when its Q lies within half the tolerance.
std::vector<ZeroScore> RankZeroOffsets(std::span<const double> twoTheta, double wavelength,
                                       double tolerance, std::span<const double> zeros,
                                       double spread);

}  // namespace difscop::indexing
