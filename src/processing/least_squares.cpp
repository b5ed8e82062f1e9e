#include "processing/least_squares.h"

#include <cmath>
#include <utility>

namespace difscop::processing {

int SolveLeastSquares(int n, int m, std::span<const double> design,
                      std::span<const double> observed, LeastSquaresFit& fit) {
  if (n < 0 || m < 1 || design.size() < static_cast<std::size_t>(n) * m ||
      observed.size() < static_cast<std::size_t>(n))
    return -1;
  const auto M = static_cast<std::size_t>(m);
  const auto N = static_cast<std::size_t>(n);
  auto X = [&](std::size_t i, std::size_t j) { return design[i * M + j]; };

  // Normal matrix and right-hand side, sums in ascending point order.
  std::vector<double>& a = fit.inverse;
  std::vector<double>& r = fit.coefficients;
  a.assign(M * M, 0.0);
  r.assign(M, 0.0);
  for (std::size_t j = 0; j < M; ++j) {
    for (std::size_t k = j; k < M; ++k) {
      double sum = 0.0;
      for (std::size_t i = 0; i < N; ++i) sum += X(i, j) * X(i, k);
      a[j * M + k] = sum;
      a[k * M + j] = sum;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < N; ++i) sum += X(i, j) * observed[i];
    r[j] = sum;
  }

  // Gauss-Jordan in place; pivot[p] records the row swapped into p.
  std::vector<std::size_t> pivot(M);
  for (std::size_t p = 0; p < M; ++p) {
    double bound = kSingularityLimit;
    bool found = false;
    for (std::size_t q = p; q < M; ++q) {
      if (std::fabs(a[q * M + p]) > bound) {
        bound = std::fabs(a[q * M + p]);
        pivot[p] = q;
        found = true;
      }
    }
    if (!found) return -1;
    if (pivot[p] != p) {
      for (std::size_t k = 0; k < M; ++k) std::swap(a[p * M + k], a[pivot[p] * M + k]);
      std::swap(r[p], r[pivot[p]]);
    }
    const double v = a[p * M + p];
    a[p * M + p] = 1.0;
    for (std::size_t k = 0; k < M; ++k) a[p * M + k] /= v;
    r[p] /= v;
    for (std::size_t q = 0; q < M; ++q) {
      if (q == p) continue;
      const double t = a[q * M + p];
      a[q * M + p] = 0.0;
      for (std::size_t k = 0; k < M; ++k) a[q * M + k] -= t * a[p * M + k];
      r[q] -= t * r[p];
    }
  }
  // Undo the row exchanges on the columns of the inverse, last one first.
  for (std::size_t c = M - 1; c-- > 0;) {
    if (pivot[c] != c) {
      for (std::size_t row = 0; row < M; ++row) std::swap(a[row * M + c], a[row * M + pivot[c]]);
    }
  }

  fit.fitted.assign(N, 0.0);
  fit.residualSum = 0.0;
  for (std::size_t i = 0; i < N; ++i) {
    double value = 0.0;
    for (std::size_t j = 0; j < M; ++j) value += X(i, j) * r[j];
    fit.fitted[i] = value;
    const double d = observed[i] - value;
    fit.residualSum += d * d;
  }
  return 0;
}

namespace {

// x^j as pow gives it; the low powers directly (the same correctly rounded
// values), which keeps pow out of the parabola fit.
double Power(double x, std::size_t j) {
  switch (j) {
    case 0:
      return 1.0;
    case 1:
      return x;
    case 2:
      return x * x;
    default:
      return std::pow(x, static_cast<double>(j));
  }
}

}  // namespace

int FitPolynomial(std::span<const double> x, std::span<const double> y, int m,
                  LeastSquaresFit& fit) {
  if (m < 1 || x.size() != y.size()) return -1;
  const std::size_t n = x.size();
  const auto M = static_cast<std::size_t>(m);
  std::vector<double> design(n * M);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < M; ++j) design[i * M + j] = Power(x[i], j);
  }
  return SolveLeastSquares(static_cast<int>(n), m, design, y, fit);
}

}  // namespace difscop::processing
