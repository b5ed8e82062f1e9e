#include "indexing/cell_reduction.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "gemmi/cellred.hpp"

namespace difscop::indexing {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// Monoclinic: the b-unique cell whose a and c are the shortest pair on the ac
// face with beta nearest 90 (then >= 90). a' = p a + q c, c' = r a + s c with
// ps - qr = +-1; a C-centred cell stays C-centred when p and s are odd and q
// is even.
Cell StandardMonoclinic(const Cell& cell, Centring centring) {
  const double aa = cell.a * cell.a, cc = cell.c * cell.c,
               ac = cell.a * cell.c * std::cos(cell.beta * kDegree);
  Cell best = cell;
  double bestScore = 1e300;
  constexpr int kRange = 3;
  for (int p = -kRange; p <= kRange; ++p)
    for (int q = -kRange; q <= kRange; ++q)
      for (int r = -kRange; r <= kRange; ++r)
        for (int s = -kRange; s <= kRange; ++s) {
          if (std::abs(p * s - q * r) != 1) continue;
          if (centring == 'C' && (p % 2 == 0 || q % 2 != 0 || s % 2 == 0)) continue;
          const double a2 = p * p * aa + q * q * cc + 2 * p * q * ac;
          const double c2 = r * r * aa + s * s * cc + 2 * r * s * ac;
          const double dot = p * r * aa + q * s * cc + (p * s + q * r) * ac;
          if (!(a2 > 0 && c2 > 0)) continue;
          Cell t = cell;
          t.a = std::sqrt(a2);
          t.c = std::sqrt(c2);
          t.beta = std::acos(std::clamp(-std::fabs(dot) / (t.a * t.c), -1.0, 1.0)) / kDegree;
          if (centring != 'C' && t.a > t.c) std::swap(t.a, t.c);
          // Nearest 90 first, then the shorter edges.
          const double score = (t.beta - 90) * 1e3 + (t.a + t.c) * 1e-6 + t.a * 1e-9;
          if (score < bestScore - 1e-9) {
            bestScore = score;
            best = t;
          }
        }
  return best;
}

gemmi::GruberVector Niggli(const Cell& cell, Centring centring) {
  gemmi::UnitCell unit(cell.a, cell.b, cell.c, cell.alpha, cell.beta, cell.gamma);
  gemmi::GruberVector g(unit, centring);
  g.niggli_reduce(1e-9 * (g.A + g.B + g.C));
  return g;
}

}  // namespace

Cell StandardCell(const Cell& cell, CrystalSystem system, Centring centring) {
  Cell s = Symmetrized(cell, system);
  if (system == CrystalSystem::Orthorhombic) {
    double edges[] = {s.a, s.b, s.c};
    std::sort(edges, edges + (centring == 'C' ? 2 : 3));
    s.a = edges[0];
    s.b = edges[1];
    s.c = edges[2];
  }
  if (system == CrystalSystem::Monoclinic) s = StandardMonoclinic(s, centring);
  return s;
}

bool SameLattice(const Cell& x, Centring cx, const Cell& y, Centring cy, double tolerance) {
  const gemmi::GruberVector gx = Niggli(x, cx), gy = Niggli(y, cy);
  const double scale = std::max({gx.A, gx.B, gx.C});
  // The angles' signs flip near 90 degrees: their sizes are compared.
  const double px[] = {gx.A, gx.B, gx.C, std::fabs(gx.xi), std::fabs(gx.eta), std::fabs(gx.zeta)};
  const double py[] = {gy.A, gy.B, gy.C, std::fabs(gy.xi), std::fabs(gy.eta), std::fabs(gy.zeta)};
  for (int i = 0; i < 6; ++i) {
    if (std::fabs(px[i] - py[i]) > tolerance * (i < 3 ? std::max(px[i], py[i]) : scale)) return false;
  }
  return true;
}

}  // namespace difscop::indexing
