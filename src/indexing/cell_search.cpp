#include "indexing/cell_search.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <numbers>
#include <thread>

namespace difscop::indexing {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
constexpr int kMaxParams = 4;
constexpr int kMaxLines = 256;
// Miller indices beyond this are never needed for the first lines of a
// pattern within the edge limits.
constexpr int kMaxIndex = 80;

// Q = 1/d^2 is linear in the parameters of each family:
//   cubic        A (h^2+k^2+l^2)
//   tetragonal   A (h^2+k^2) + C l^2
//   hexagonal    A (h^2+hk+k^2) + C l^2          (A = 4/(3a^2)), R centring too
//   orthorhombic A h^2 + B k^2 + C l^2
//   monoclinic   A h^2 + B k^2 + C l^2 + D hl    (b unique, D >= 0 for beta >= 90)
enum class Family { Cubic, Tetragonal, Hexagonal, Orthorhombic, Monoclinic };

Family FamilyOf(CrystalSystem system) {
  switch (system) {
    case CrystalSystem::Cubic:
      return Family::Cubic;
    case CrystalSystem::Tetragonal:
      return Family::Tetragonal;
    case CrystalSystem::Hexagonal:
    case CrystalSystem::Rhombohedral:
      return Family::Hexagonal;
    case CrystalSystem::Orthorhombic:
      return Family::Orthorhombic;
    default:
      return Family::Monoclinic;
  }
}

int ParameterCount(Family family) {
  constexpr int counts[] = {1, 2, 2, 3, 4};
  return counts[static_cast<int>(family)];
}

struct Box {
  std::array<double, kMaxParams> lo{}, hi{};
  double z0 = 0, z1 = 0;
};

struct LineMask {
  std::array<std::uint64_t, kMaxLines / 64> words{};
  bool Set(int i) {
    std::uint64_t& w = words[static_cast<std::size_t>(i / 64)];
    const std::uint64_t bit = std::uint64_t{1} << (i % 64);
    if (w & bit) return false;
    w |= bit;
    return true;
  }
};

// Q of a line at 2theta (degrees) and its slope dQ/d(2theta).
double QAt(double twoTheta, double wavelength) {
  const double s = 2.0 * std::sin(std::clamp(twoTheta, 0.0, 179.9) * kDegree / 2.0) / wavelength;
  return s * s;
}
double SlopeAt(double twoTheta, double wavelength) {
  const double t = std::clamp(twoTheta, 0.0, 179.9) * kDegree;
  return 2.0 * std::sin(t) / (wavelength * wavelength) * kDegree;
}

// Solves the n x n system m x = b in place (partial pivoting); false when singular.
bool Solve(int n, double (*m)[kMaxParams + 2], double* b) {
  for (int c = 0; c < n; ++c) {
    int pivot = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) pivot = r;
    if (!(std::fabs(m[pivot][c]) > 1e-300)) return false;
    if (pivot != c) {
      for (int k = 0; k < n; ++k) std::swap(m[c][k], m[pivot][k]);
      std::swap(b[c], b[pivot]);
    }
    for (int r = 0; r < n; ++r) {
      if (r == c) continue;
      const double f = m[r][c] / m[c][c];
      if (f == 0) continue;
      for (int k = c; k < n; ++k) m[r][k] -= f * m[c][k];
      b[r] -= f * b[c];
    }
  }
  for (int c = 0; c < n; ++c) b[c] /= m[c][c];
  return true;
}

class Searcher {
 public:
  explicit Searcher(const LatticeSearch& s)
      : s_(s), family_(FamilyOf(s.system)), n_(ParameterCount(family_)),
        lines_(static_cast<int>(std::min<std::size_t>(s.twoTheta.size(), kMaxLines))) {
    const double sinBeta = std::sin(s.betaMax * kDegree);
    cosBetaStar_ = std::max(0.0, -std::cos(s.betaMax * kDegree));
    const double lo = 1 / (s.lengthMax * s.lengthMax), hi = 1 / (s.lengthMin * s.lengthMin);
    root_.lo.fill(lo);
    root_.hi.fill(hi);
    if (family_ == Family::Hexagonal) {
      root_.lo[0] = lo * 4 / 3;
      root_.hi[0] = hi * 4 / 3;
    }
    if (family_ == Family::Monoclinic) {
      root_.hi[0] = root_.hi[2] = hi / (sinBeta * sinBeta);
      root_.lo[3] = 0;
      root_.hi[3] = 2 * cosBetaStar_ * root_.hi[0];
    }
    root_.z0 = s.zeroMin;
    root_.z1 = s.zeroMax;
    lastTwoTheta_ = s.twoTheta[static_cast<std::size_t>(lines_ - 1)];
    slopeLast_ = SlopeAt(lastTwoTheta_, s.wavelength);
    leafEffect_ = s.tolerance * slopeLast_;
    const double qTop = QAt(lastTwoTheta_ + s.tolerance - s.zeroMin + 0.5, s.wavelength);
    MakeSpecialTerms(qTop / root_.lo[0]);
  }

  const Box& Root() const { return root_; }
  int Lines() const { return lines_; }

  // False when no cell of the box can meet the limits.
  bool Feasible(const Box& b) const {
    double vMin = 0, vMax = 0;
    const auto& lo = b.lo;
    const auto& hi = b.hi;
    switch (family_) {
      case Family::Cubic:
        vMin = std::pow(hi[0], -1.5);
        vMax = std::pow(lo[0], -1.5);
        break;
      case Family::Tetragonal:
        vMin = 1 / (hi[0] * std::sqrt(hi[1]));
        vMax = 1 / (lo[0] * std::sqrt(lo[1]));
        break;
      case Family::Hexagonal:
        vMin = 2 / (std::sqrt(3.0) * hi[0] * std::sqrt(hi[1]));
        vMax = 2 / (std::sqrt(3.0) * lo[0] * std::sqrt(lo[1]));
        break;
      case Family::Orthorhombic:
        // a <= b <= c, or a <= b with c free in the C setting.
        if (hi[0] < lo[1]) return false;
        if (s_.centring != 'C' && hi[1] < lo[2]) return false;
        vMin = 1 / std::sqrt(hi[0] * hi[1] * hi[2]);
        vMax = 1 / std::sqrt(lo[0] * lo[1] * lo[2]);
        break;
      case Family::Monoclinic: {
        // beta within its limit; a primitive cell reduced on its ac face
        // (D <= C <= A); the edges within theirs.
        if (lo[3] > 2 * cosBetaStar_ * std::sqrt(hi[0] * hi[2])) return false;
        if (s_.centring == 'P' && (hi[0] < lo[2] || lo[3] > std::min(hi[0], hi[2]))) return false;
        const double aDen = hi[0] - lo[3] * lo[3] / (4 * hi[2]);
        const double cDen = hi[2] - lo[3] * lo[3] / (4 * hi[0]);
        const double maxLength2 = s_.lengthMax * s_.lengthMax;
        if (!(aDen > 0 && cDen > 0) || 1 / aDen > maxLength2 || 1 / cDen > maxLength2)
          return false;
        const double detMax = hi[0] * hi[2] - lo[3] * lo[3] / 4;
        const double detMin = lo[0] * lo[2] - hi[3] * hi[3] / 4;
        if (!(detMax > 0)) return false;
        vMin = 1 / std::sqrt(hi[1] * detMax);
        vMax = detMin > 0 ? 1 / std::sqrt(lo[1] * detMin) : std::numeric_limits<double>::infinity();
        break;
      }
    }
    return vMin <= s_.volumeMax && vMax >= s_.volumeMin;
  }

  // Each line's window of Q for zero offsets z0..z1.
  void Windows(double z0, double z1, double tolerance, double* lo, double* hi) const {
    for (int i = 0; i < lines_; ++i) {
      const double t = s_.twoTheta[static_cast<std::size_t>(i)];
      lo[i] = QAt(t - tolerance - z1, s_.wavelength);
      hi[i] = QAt(t + tolerance - z0, s_.wavelength);
    }
  }

  // Calls visit(c, qmin, qmax) for the reflections (one per distinct set of
  // coefficients c) whose Q can lie below qMax somewhere in the box, until it
  // returns false.
  template <class Visit>
  void ForEachTerm(const Box& b, double qMax, Visit&& visit) const {
    const auto& lo = b.lo;
    const auto& hi = b.hi;
    int c[kMaxParams] = {};
    switch (family_) {
      case Family::Cubic:
        for (int n : special_) {
          const double q = n * lo[0];
          if (q > qMax) return;
          c[0] = n;
          if (!visit(c, q, n * hi[0])) return;
        }
        return;
      case Family::Tetragonal:
      case Family::Hexagonal:
        for (int l = 0; l <= kMaxIndex; ++l) {
          const double ql = l * l * lo[1];
          if (ql > qMax) return;
          for (int m : special_) {
            if (m == 0 && l == 0) continue;
            if (!PlaneAllowed(m, l)) continue;
            const double q = m * lo[0] + ql;
            if (q > qMax) break;
            c[0] = m;
            c[1] = l * l;
            if (!visit(c, q, m * hi[0] + l * l * hi[1])) return;
          }
        }
        return;
      case Family::Orthorhombic:
        for (int h = 0; h <= kMaxIndex; ++h) {
          const double qh = h * h * lo[0];
          if (qh > qMax) return;
          for (int k = 0; k <= kMaxIndex; ++k) {
            const double qk = qh + k * k * lo[1];
            if (qk > qMax) break;
            for (int l = 0; l <= kMaxIndex; ++l) {
              const double q = qk + l * l * lo[2];
              if (q > qMax) break;
              if ((h | k | l) == 0 || !AllowedByCentring(s_.centring, {h, k, l})) continue;
              c[0] = h * h;
              c[1] = k * k;
              c[2] = l * l;
              if (!visit(c, q, h * h * hi[0] + k * k * hi[1] + l * l * hi[2])) return;
            }
          }
        }
        return;
      case Family::Monoclinic: {
        // |h| <= a sqrt(Q), |l| <= c sqrt(Q) with the longest a and c of the box.
        const double aDen = lo[0] - hi[3] * hi[3] / (4 * lo[2]);
        const double cDen = lo[2] - hi[3] * hi[3] / (4 * lo[0]);
        const int hMax = aDen > 0 ? std::min(kMaxIndex, static_cast<int>(std::sqrt(qMax / aDen)))
                                  : kMaxIndex;
        const int lMax = cDen > 0 ? std::min(kMaxIndex, static_cast<int>(std::sqrt(qMax / cDen)))
                                  : kMaxIndex;
        for (int l = 0; l <= lMax; ++l) {
          for (int h = l == 0 ? 0 : -hMax; h <= hMax; ++h) {
            const double hl = static_cast<double>(h) * l;
            const double qhl = h * h * lo[0] + l * l * lo[2] + std::min(hl * lo[3], hl * hi[3]);
            if (qhl > qMax) continue;
            const double qhlMax = h * h * hi[0] + l * l * hi[2] + std::max(hl * lo[3], hl * hi[3]);
            for (int k = 0; k <= kMaxIndex; ++k) {
              const double q = qhl + k * k * lo[1];
              if (q > qMax) break;
              if ((h | k | l) == 0 || !AllowedByCentring(s_.centring, {h, k, l})) continue;
              c[0] = h * h;
              c[1] = k * k;
              c[2] = l * l;
              c[3] = h * l;
              if (!visit(c, q, qhlMax + k * k * hi[1])) return;
            }
          }
        }
        return;
      }
    }
  }

  // How many of the first count lines no reflection of the box can reach.
  int Missed(const Box& b, const double* lo, const double* hi, int count) const {
    LineMask mask;
    int hit = 0;
    ForEachTerm(b, hi[count - 1], [&](const int*, double qmin, double qmax) {
      int i = static_cast<int>(std::lower_bound(hi, hi + count, qmin) - hi);
      for (; i < count && lo[i] <= qmax; ++i) {
        if (mask.Set(i)) ++hit;
      }
      return hit < count;
    });
    return count - hit;
  }

  // Largest spread in Q that one parameter (or the zero offset) of the box
  // gives a reflection near the last line; its index (n_ for the zero).
  int Widest(const Box& b, double qTop, double& widest) const {
    int which = -1;
    widest = 0;
    for (int j = 0; j < n_; ++j) {
      double scale = std::max(b.lo[j], 1e-12);
      if (family_ == Family::Monoclinic && j == 3)
        scale = 0.7 * std::sqrt(std::max(b.lo[0] * b.lo[2], 1e-24));
      const double effect = (b.hi[j] - b.lo[j]) * qTop / scale;
      if (effect > widest) {
        widest = effect;
        which = j;
      }
    }
    const double zeroEffect = (b.z1 - b.z0) * slopeLast_;
    // The zero offset is halved early: every line's window narrows with it.
    if (zeroEffect > widest * 0.2) {
      widest = zeroEffect;
      which = n_;
    }
    return which;
  }

  double LeafEffect() const { return leafEffect_; }

  // The two halves of b along parameter j (the zero offset for j = n_).
  void Split(const Box& b, int j, Box& first, Box& second) const {
    first = second = b;
    if (j < n_) {
      const auto u = static_cast<std::size_t>(j);
      first.hi[u] = second.lo[u] = (b.lo[u] + b.hi[u]) / 2;
    } else {
      first.z1 = second.z0 = (b.z0 + b.z1) / 2;
    }
  }

  // Least squares from the middle of a leaf box: each line's nearest
  // reflection, then parameters and zero offset; twice. False when the fit
  // fails or leaves more lines than allowed unindexed.
  bool Fit(const Box& b, FoundLattice& out) const {
    std::array<double, kMaxParams> p{};
    for (int j = 0; j < n_; ++j) p[j] = (b.lo[j] + b.hi[j]) / 2;
    double z = (b.z0 + b.z1) / 2;
    const bool fitZero = s_.zeroMax > s_.zeroMin;
    std::array<double, kMaxLines> q{}, slope{}, best{};
    std::array<std::array<int, kMaxParams>, kMaxLines> terms{};
    for (int pass = 0; pass < 3; ++pass) {
      for (int i = 0; i < lines_; ++i) {
        const double t = s_.twoTheta[static_cast<std::size_t>(i)] - z;
        q[static_cast<std::size_t>(i)] = QAt(t, s_.wavelength);
        slope[static_cast<std::size_t>(i)] = SlopeAt(t, s_.wavelength);
        best[static_cast<std::size_t>(i)] = std::numeric_limits<double>::infinity();
      }
      Box point;
      point.lo = point.hi = p;
      ForEachTerm(point, q[static_cast<std::size_t>(lines_ - 1)] * 1.05 + 1e-6,
                  [&](const int* c, double value, double) {
                    auto at = std::lower_bound(q.begin(), q.begin() + lines_, value);
                    for (auto it : {at - 1, at}) {
                      if (it < q.begin() || it >= q.begin() + lines_) continue;
                      const auto i = static_cast<std::size_t>(it - q.begin());
                      const double dist = std::fabs(value - q[i]) / slope[i];
                      if (dist < best[i]) {
                        best[i] = dist;
                        std::copy(c, c + kMaxParams, terms[i].begin());
                      }
                    }
                    return true;
                  });
      if (pass == 2) break;
      // The worst lines, up to the spurious count, stay out of the fit.
      std::array<double, kMaxLines> sorted{};
      std::copy(best.begin(), best.begin() + lines_, sorted.begin());
      std::sort(sorted.begin(), sorted.begin() + lines_);
      const double cut = sorted[static_cast<std::size_t>(lines_ - 1 - s_.spurious)];
      const int m = n_ + (fitZero ? 1 : 0);
      double normal[kMaxParams + 2][kMaxParams + 2] = {};
      double rhs[kMaxParams + 2] = {};
      for (int i = 0; i < lines_; ++i) {
        const auto iu = static_cast<std::size_t>(i);
        if (best[iu] > cut || !std::isfinite(best[iu])) continue;
        double row[kMaxParams + 1];
        for (int j = 0; j < n_; ++j) row[j] = terms[iu][static_cast<std::size_t>(j)];
        if (fitZero) row[n_] = slope[iu];  // Q = Q(2theta - z): dQ/dz = -slope, moved left
        const double w = 1 / (slope[iu] * slope[iu]);
        for (int r = 0; r < m; ++r) {
          rhs[r] += w * row[r] * q[iu];
          for (int k = 0; k < m; ++k) normal[r][k] += w * row[r] * row[k];
        }
      }
      // A parameter no line fixes stays where it is.
      for (int r = 0; r < m; ++r) {
        const double ridge = 1e-9 * normal[r][r] + 1e-30;
        normal[r][r] += ridge;
        if (r < n_) rhs[r] += ridge * p[static_cast<std::size_t>(r)];
      }
      if (!Solve(m, normal, rhs)) return false;
      // rhs holds p, and slope * dz where the zero is fitted: Q_obs(z) ~
      // Q(z_old) - slope dz, so sum c p + slope dz = Q(z_old).
      for (int j = 0; j < n_; ++j) p[static_cast<std::size_t>(j)] = rhs[j];
      if (fitZero) z = std::clamp(z + rhs[n_], s_.zeroMin - s_.tolerance, s_.zeroMax + s_.tolerance);
      for (int j = 0; j < n_; ++j)
        if (!(p[static_cast<std::size_t>(j)] >= 0) || !std::isfinite(p[static_cast<std::size_t>(j)]))
          return false;
    }
    int missed = 0;
    for (int i = 0; i < lines_; ++i)
      if (!(best[static_cast<std::size_t>(i)] <= s_.tolerance)) ++missed;
    if (missed > s_.spurious) return false;
    out.metric = MetricOfParameters(p);
    out.zero = z;
    out.unindexed = missed;
    return true;
  }

  ReciprocalMetric MetricOfParameters(const std::array<double, kMaxParams>& p) const {
    switch (family_) {
      case Family::Cubic:
        return {p[0], p[0], p[0], 0, 0, 0};
      case Family::Tetragonal:
        return {p[0], p[0], p[1], 0, 0, 0};
      case Family::Hexagonal:
        return {p[0], p[0], p[1], p[0] / 2, 0, 0};
      case Family::Orthorhombic:
        return {p[0], p[1], p[2], 0, 0, 0};
      case Family::Monoclinic:
        break;
    }
    return {p[0], p[1], p[2], 0, p[3] / 2, 0};
  }

 private:
  // Tetragonal and hexagonal: may the plane term m go with l?
  bool PlaneAllowed(int m, int l) const {
    switch (s_.centring) {
      case 'I':
        return (m + l) % 2 == 0;  // h^2 + k^2 has the parity of h + k
      case 'R':
        return (m % 3 == 0) == (l % 3 == 0);  // h^2+hk+k^2 = (h-k)^2 mod 3
      default:
        return true;
    }
  }

  // The values h^2+k^2+l^2 (cubic), h^2+k^2 (tetragonal) or h^2+hk+k^2
  // (hexagonal) that occur, ascending, up to limit.
  void MakeSpecialTerms(double limit) {
    if (family_ != Family::Cubic && family_ != Family::Tetragonal && family_ != Family::Hexagonal)
      return;
    const int top = static_cast<int>(std::min(limit, 40000.0)) + 1;
    std::vector<char> seen(static_cast<std::size_t>(top + 1), 0);
    const int r = static_cast<int>(std::sqrt(static_cast<double>(top))) + 1;
    for (int h = 0; h <= r; ++h)
      for (int k = 0; k <= r; ++k) {
        if (family_ == Family::Cubic) {
          for (int l = 0; l <= r; ++l) {
            const int n = h * h + k * k + l * l;
            if (n <= top && n > 0 && AllowedByCentring(s_.centring, {h, k, l}))
              seen[static_cast<std::size_t>(n)] = 1;
          }
        } else {
          const int n = family_ == Family::Tetragonal ? h * h + k * k : h * h + h * k + k * k;
          if (n <= top) seen[static_cast<std::size_t>(n)] = 1;
        }
      }
    for (int n = 0; n <= top; ++n)
      if (seen[static_cast<std::size_t>(n)]) special_.push_back(n);
  }

  const LatticeSearch& s_;
  Family family_;
  int n_;
  int lines_;
  Box root_;
  double cosBetaStar_ = 0;
  double lastTwoTheta_ = 0, slopeLast_ = 0, leafEffect_ = 0;
  std::vector<int> special_;
};

// Two fits of one cell: parameters within a part in a thousand, zero
// offsets within the tolerance.
bool SameFit(const FoundLattice& x, const FoundLattice& y, double tolerance) {
  const double gx[] = {x.metric.g11, x.metric.g22, x.metric.g33, x.metric.g12, x.metric.g13, x.metric.g23};
  const double gy[] = {y.metric.g11, y.metric.g22, y.metric.g33, y.metric.g12, y.metric.g13, y.metric.g23};
  const double scale = std::max({gx[0], gx[1], gx[2]});
  for (int i = 0; i < 6; ++i) {
    const double size = i < 3 ? gx[i] : scale;
    if (std::fabs(gx[i] - gy[i]) > 2e-3 * size) return false;
  }
  return std::fabs(x.zero - y.zero) <= tolerance;
}

}  // namespace

std::vector<FoundLattice> SearchLattices(const LatticeSearch& search, SearchControl& control,
                                         const std::function<void(const FoundLattice&)>& found) {
  std::vector<FoundLattice> result;
  if (search.twoTheta.empty() || !(search.volumeMax > search.volumeMin) ||
      !(search.lengthMax > search.lengthMin))
    return result;
  const Searcher searcher(search);
  const int lines = searcher.Lines();
  std::atomic<bool> stop{false};
  auto stopped = [&] { return stop.load(std::memory_order_relaxed); };

  // Leaves become fits; fits of one cell from neighbouring leaves are kept once.
  std::mutex mutex;
  auto leaf = [&](const Box& b) {
    FoundLattice fit;
    if (!searcher.Fit(b, fit)) return;
    std::lock_guard lock(mutex);
    for (const FoundLattice& f : result)
      if (SameFit(f, fit, search.tolerance)) return;
    result.push_back(fit);
    if (found) found(fit);
  };

  // Depth first from one box.
  auto explore = [&](const Box& start) {
    std::vector<Box> stack{start};
    std::array<double, kMaxLines> lo{}, hi{};
    long long tested = 0;
    while (!stack.empty()) {
      if ((++tested & 63) == 0) {
        control.boxesTested.fetch_add(64, std::memory_order_relaxed);
        if ((control.cancel && control.cancel->load(std::memory_order_relaxed)) || stopped()) {
          stop = true;
          return;
        }
      }
      Box b = stack.back();
      stack.pop_back();
      searcher.Windows(b.z0, b.z1, search.tolerance, lo.data(), hi.data());
      // The first lines have few reflections to try and reject most boxes.
      const int early = std::min(lines, 6 + search.spurious);
      if (searcher.Missed(b, lo.data(), hi.data(), early) > search.spurious) continue;
      if (early < lines && searcher.Missed(b, lo.data(), hi.data(), lines) > search.spurious)
        continue;
      double widest = 0;
      const int j = searcher.Widest(b, hi[static_cast<std::size_t>(lines - 1)], widest);
      if (j < 0 || widest <= searcher.LeafEffect()) {
        leaf(b);
        continue;
      }
      Box first, second;
      searcher.Split(b, j, first, second);
      if (searcher.Feasible(first)) stack.push_back(first);
      if (searcher.Feasible(second)) stack.push_back(second);
    }
    control.boxesTested.fetch_add(tested & 63, std::memory_order_relaxed);
  };

  // Enough boxes to share between the threads.
  std::vector<Box> work{searcher.Root()};
  const int threads = std::max(1, control.threads);
  for (int round = 0; round < 12 && work.size() < static_cast<std::size_t>(64 * threads); ++round) {
    std::vector<Box> next;
    for (const Box& b : work) {
      double widest = 0;
      std::array<double, kMaxLines> lo{}, hi{};
      searcher.Windows(b.z0, b.z1, search.tolerance, lo.data(), hi.data());
      const int j = searcher.Widest(b, hi[static_cast<std::size_t>(lines - 1)], widest);
      if (j < 0 || widest <= searcher.LeafEffect()) {
        next.push_back(b);
        continue;
      }
      Box first, second;
      searcher.Split(b, j, first, second);
      if (searcher.Feasible(first)) next.push_back(first);
      if (searcher.Feasible(second)) next.push_back(second);
    }
    work = std::move(next);
  }

  std::atomic<std::size_t> nextBox{0};
  std::atomic<int> running{threads};
  std::mutex doneMutex;
  std::condition_variable done;
  auto worker = [&] {
    for (;;) {
      const std::size_t i = nextBox.fetch_add(1);
      if (i >= work.size() || stopped()) break;
      explore(work[i]);
    }
    std::lock_guard lock(doneMutex);
    --running;
    done.notify_all();
  };
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) pool.emplace_back(worker);
  {
    std::unique_lock lock(doneMutex);
    while (running > 0) {
      done.wait_for(lock, std::chrono::milliseconds(50));
      if (running == 0) break;
      lock.unlock();
      if (control.tick) control.tick();
      if (control.cancel && control.cancel->load()) stop = true;
      lock.lock();
    }
  }
  for (std::thread& t : pool) t.join();
  return result;
}

}  // namespace difscop::indexing
