// Reflection generation and structure factors. gemmi gives the symmetry
// (systematic absences, the reciprocal asymmetric unit), the cell metric,
// the X-ray form factors (International Tables C, 1992), the neutron lengths
// (Neutron News 1992) and f', f'' (Cromer-Liberman); the sum over atoms is
// ours, because it has to weigh special positions, anomalous terms and
// anisotropic displacements for every operation at once, and to be quick.
#include "structures/powder_reflections.h"

#include <gemmi/symmetry.hpp>
#include <gemmi/unitcell.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <tuple>

#include "structures/scattering.h"

namespace difscop::structures {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegree = kPi / 180.0;

using Miller = gemmi::Op::Miller;

struct Site {
  double x, y, z;
  double weight;  // occupancy x distinct positions / operations
  int scatterer;  // index into the scatterer list
  bool anisotropic;
  double uIso;
  std::array<double, 6> beta;  // exp(-(b11 h² + b22 k² + b33 l² + b12 hk + b13 hl + b23 kl))
};

std::optional<gemmi::GroupOps> GroupFrom(const std::vector<std::string>& triplets) {
  std::vector<gemmi::Op> ops;
  try {
    for (const std::string& t : triplets) ops.push_back(gemmi::parse_triplet(t).wrap());
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (ops.empty() || !(ops.front() == gemmi::Op::identity())) return std::nullopt;
  return gemmi::split_centering_vectors(ops);
}

// Positions of a site under every operation that differ by more than
// 0.02 Å: the site's multiplicity in the cell.
int DistinctPositions(const gemmi::UnitCell& cell, const gemmi::GroupOps& group,
                      const gemmi::Fractional& p) {
  std::vector<gemmi::Fractional> seen;
  for (const gemmi::Op::Tran& cen : group.cen_ops) {
    for (const gemmi::Op& op : group.sym_ops) {
      const auto xyz = op.add_centering(cen).apply_to_xyz({p.x, p.y, p.z});
      const gemmi::Fractional q(xyz[0], xyz[1], xyz[2]);
      const bool known = std::any_of(seen.begin(), seen.end(), [&](const gemmi::Fractional& s) {
        const gemmi::Fractional diff = (q - s).wrap_to_zero();
        return cell.orthogonalize_difference(diff).length_sq() < 0.02 * 0.02;
      });
      if (!known) seen.push_back(q);
    }
  }
  return static_cast<int>(seen.size());
}

// The anisotropic displacement 2 pi² sum U_ij a*_i a*_j h_i h_j as a
// quadratic form in 2 pi h, 2 pi k, 2 pi l (the rotated indices the sum
// keeps): U_ij a*_i a*_j / 2.
std::array<double, 6> BetaOf(const AtomSite& s, const gemmi::UnitCell& cell) {
  const double f = 0.5;
  const double ar = cell.ar, br = cell.br, cr = cell.cr;
  const auto& u = s.uAniso;
  return {f * u[0] * ar * ar,     f * u[1] * br * br,     f * u[2] * cr * cr,
          2 * f * u[3] * ar * br, 2 * f * u[4] * ar * cr, 2 * f * u[5] * br * cr};
}

// Whether hkl stands for its form: with gemmi's asymmetric unit when the
// group is tabulated, else when it is the largest member of its form.
class FormChooser {
 public:
  FormChooser(const gemmi::GroupOps& group) : group_(group) {
    if (const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_ops(group))
      asu_.emplace(sg);
  }

  bool Represents(const Miller& hkl) const {
    if (asu_) return asu_->is_in(hkl);
    return Preferred(Form(hkl)) == hkl;
  }

  // The member a crystallographer writes: most indices not negative, then
  // the largest (200 rather than 020, 110 rather than 2-10, 11-1 in a
  // monoclinic form without a member of all signs).
  static Miller Preferred(const std::vector<Miller>& form) {
    auto key = [](const Miller& m) {
      return std::make_tuple((m[0] >= 0) + (m[1] >= 0) + (m[2] >= 0), m[0], m[1], m[2]);
    };
    Miller best = form.front();
    for (const Miller& m : form) {
      if (key(m) > key(best)) best = m;
    }
    return best;
  }

  // The distinct members of the form: the point group's rotations and the
  // Friedel mates.
  std::vector<Miller> Form(const Miller& hkl) const {
    std::vector<Miller> members;
    for (const gemmi::Op& op : group_.sym_ops) {
      const Miller m = op.apply_to_hkl(hkl);
      for (const Miller& e : {m, Miller{-m[0], -m[1], -m[2]}}) {
        if (std::find(members.begin(), members.end(), e) == members.end()) members.push_back(e);
      }
    }
    return members;
  }

 private:
  const gemmi::GroupOps& group_;
  std::optional<gemmi::ReciprocalAsu> asu_;
};

// The operations the sum runs over. With an inversion through the origin
// only one of each pair (R, t), (-R, -t) is kept and the sum takes 2 cos.
std::vector<gemmi::Op> SumOperations(const gemmi::GroupOps& group, bool& centric) {
  const gemmi::Op* inversion = group.find_by_rotation(
      {-gemmi::Op::DEN, 0, 0, 0, -gemmi::Op::DEN, 0, 0, 0, -gemmi::Op::DEN});
  centric = inversion && inversion->tran == gemmi::Op::Tran{0, 0, 0};
  if (!centric) return group.sym_ops;
  std::vector<gemmi::Op> kept;
  for (const gemmi::Op& op : group.sym_ops) {
    const gemmi::Op::Rot neg = op.negated_rot();
    if (std::none_of(kept.begin(), kept.end(), [&](const gemmi::Op& k) { return k.rot == neg; }))
      kept.push_back(op);
  }
  return kept;
}

// The sums of (f0 + f') and of f'' over the atoms, each as cos and sin
// parts: |F|² averaged over a Friedel pair is their sum of squares.
struct StructureFactor {
  double a1 = 0, b1 = 0, a2 = 0, b2 = 0;
  double Squared() const { return a1 * a1 + b1 * b1 + a2 * a2 + b2 * b2; }
};

// rotated[j] is 2 pi R_j^T h, shift[j] the phase of operation j's
// translation. With centric set the sine parts cancel and are not taken.
StructureFactor SumOverSites(const std::vector<Site>& sites,
                             const std::vector<std::array<double, 3>>& rotated,
                             const std::vector<double>& shift, bool centric, double stol2,
                             const std::vector<double>& fReal, const std::vector<double>& fImag) {
  constexpr double kIsoFactor = 8.0 * kPi * kPi;
  StructureFactor f;
  const std::size_t nOps = rotated.size();
  for (const Site& s : sites) {
    double sumCos = 0, sumSin = 0;
    for (std::size_t j = 0; j < nOps; ++j) {
      const auto& r = rotated[j];
      const double phase = r[0] * s.x + r[1] * s.y + r[2] * s.z + shift[j];
      double t = 1.0;
      if (s.anisotropic) {
        const auto& b = s.beta;
        t = std::exp(-(b[0] * r[0] * r[0] + b[1] * r[1] * r[1] + b[2] * r[2] * r[2] +
                       b[3] * r[0] * r[1] + b[4] * r[0] * r[2] + b[5] * r[1] * r[2]));
      }
      if (centric) {
        sumCos += t * std::cos(phase);
      } else {
        double sn, cs;
        ::sincos(phase, &sn, &cs);
        sumCos += t * cs;
        sumSin += t * sn;
      }
    }
    double w = s.weight;
    if (!s.anisotropic) w *= std::exp(-kIsoFactor * s.uIso * stol2);
    f.a1 += w * fReal[s.scatterer] * sumCos;
    f.b1 += w * fReal[s.scatterer] * sumSin;
    f.a2 += w * fImag[s.scatterer] * sumCos;
    f.b2 += w * fImag[s.scatterer] * sumSin;
  }
  return f;
}

std::string TooMany() {
  return "More than " + std::to_string(kMaxPowderReflections) +
         " reflections in the range; narrow the 2theta range";
}

}  // namespace

double LorentzPolarisation(double twoTheta, const PowderSettings& settings) {
  const double theta = 0.5 * twoTheta * kDegree;
  const double s = std::sin(theta);
  const double lorentz = 1.0 / (s * s * std::cos(theta));
  if (settings.probe == Probe::kNeutron) return lorentz;
  const double c2m = std::cos(settings.monochromatorTwoTheta * kDegree);
  const double c2t = std::cos(twoTheta * kDegree);
  return lorentz * (1.0 + c2m * c2m * c2t * c2t);
}

PowderReflections ComputePowderReflections(const CrystalStructure& structure,
                                           const PowderSettings& settings) {
  PowderReflections result;
  if (!(settings.wavelength > 0.0) || !std::isfinite(settings.wavelength)) {
    result.error = "The wavelength must be a positive number of Angstrom";
    return result;
  }
  if (!(settings.cellScale > 0.0) || !std::isfinite(settings.cellScale)) {
    result.error = "The cell scale factor must be positive";
    return result;
  }
  if (!(settings.twoThetaMax > settings.twoThetaMin)) {
    result.error = "The 2theta range is empty";
    return result;
  }
  const auto group = GroupFrom(structure.symmetryOperations);
  if (!group) {
    result.error = "The structure's symmetry operations cannot be used";
    return result;
  }
  const CellParameters& c = structure.cell;
  const double scale = settings.cellScale;
  const gemmi::UnitCell cell(c.a * scale, c.b * scale, c.c * scale, c.alpha, c.beta, c.gamma);
  if (!(cell.volume > 0.0)) {
    result.error = "The structure's unit cell is not a possible cell";
    return result;
  }

  ScatteringTable table;
  std::string scatteringError;
  if (!table.Build(structure.sites, settings, scatteringError)) {
    result.error = scatteringError;
    return result;
  }

  const int nOps = static_cast<int>(group->sym_ops.size() * group->cen_ops.size());
  std::vector<Site> sites;
  for (std::size_t i = 0; i < structure.sites.size(); ++i) {
    const AtomSite& s = structure.sites[i];
    const int distinct = DistinctPositions(cell, *group, gemmi::Fractional(s.x, s.y, s.z));
    Site site{s.x, s.y, s.z, s.occupancy * distinct / nOps, table.IndexOf(i), s.anisotropic,
              s.uIso, {}};
    if (s.anisotropic) site.beta = BetaOf(s, cell);
    sites.push_back(site);
  }

  bool centric = false;
  const std::vector<gemmi::Op> sumOps = SumOperations(*group, centric);
  const double sumFactor = static_cast<double>(group->cen_ops.size()) * (centric ? 2.0 : 1.0);

  // d limits from the 2theta range on the unshifted scale.
  const double lambda = settings.wavelength;
  const double maxTheta = std::min(90.0, 0.5 * (settings.twoThetaMax - settings.zeroShift));
  if (!(maxTheta > 0.0)) return result.ok = true, result;
  const double dMin = lambda / (2.0 * std::sin(maxTheta * kDegree));
  // Lattice points in the sphere and in the box around it, refused before
  // the search when either would run far past the reflection capacity.
  const double sphere = cell.volume * 4.0 / 3.0 * kPi / (dMin * dMin * dMin);
  const double hBound = cell.a / dMin, kBound = cell.b / dMin, lBound = cell.c / dMin;
  const double box = (2 * hBound + 1) * (2 * kBound + 1) * (2 * lBound + 1);
  const double capacity = static_cast<double>(kMaxPowderReflections);
  if (sphere > 2 * static_cast<double>(nOps) * capacity || box > 2000 * capacity) {
    result.error = TooMany();
    return result;
  }
  const int hMax = static_cast<int>(hBound);
  const int kMax = static_cast<int>(kBound);
  const int lMax = static_cast<int>(lBound);

  const FormChooser chooser(*group);
  std::vector<double> fReal(table.Count()), fImag(table.Count());
  std::vector<std::array<double, 3>> rotated(sumOps.size());
  std::vector<double> shift(sumOps.size());
  for (int h = -hMax; h <= hMax; ++h) {
    for (int k = -kMax; k <= kMax; ++k) {
      for (int l = -lMax; l <= lMax; ++l) {
        const Miller hkl{h, k, l};
        if ((h | k | l) == 0) continue;
        const double invD2 = cell.calculate_1_d2(hkl);
        if (invD2 * dMin * dMin > 1.0 + 1e-12) continue;
        if (!chooser.Represents(hkl) || group->is_systematically_absent(hkl)) continue;
        const double d = 1.0 / std::sqrt(invD2);
        const double sinTheta = lambda / (2.0 * d);
        if (sinTheta >= 1.0) continue;
        const double twoThetaTrue = 2.0 * std::asin(sinTheta) / kDegree;
        const double twoTheta = twoThetaTrue + settings.zeroShift;
        if (twoTheta < settings.twoThetaMin || twoTheta > settings.twoThetaMax) continue;
        if (result.reflections.size() >= kMaxPowderReflections) {
          result.reflections.clear();
          result.error = TooMany();
          return result;
        }

        const double stol2 = 0.25 * invD2;
        table.Evaluate(stol2, fReal, fImag);
        for (std::size_t j = 0; j < sumOps.size(); ++j) {
          const Miller m = sumOps[j].apply_to_hkl(hkl);
          rotated[j] = {2.0 * kPi * m[0], 2.0 * kPi * m[1], 2.0 * kPi * m[2]};
          shift[j] = -sumOps[j].phase_shift(hkl);
        }
        const StructureFactor f = SumOverSites(sites, rotated, shift, centric, stol2, fReal, fImag);
        const std::vector<Miller> form = chooser.Form(hkl);
        const Miller shown = FormChooser::Preferred(form);
        PowderReflection r;
        r.h = shown[0];
        r.k = shown[1];
        r.l = shown[2];
        r.multiplicity = static_cast<int>(form.size());
        r.d = d;
        r.twoTheta = twoTheta;
        r.fSquared = f.Squared() * sumFactor * sumFactor;
        r.intensity = r.multiplicity * r.fSquared * LorentzPolarisation(twoThetaTrue, settings);
        result.reflections.push_back(r);
      }
    }
  }

  std::sort(result.reflections.begin(), result.reflections.end(),
            [](const PowderReflection& x, const PowderReflection& y) {
              if (x.d != y.d) return x.d > y.d;
              return std::tie(x.h, x.k, x.l) > std::tie(y.h, y.k, y.l);
            });
  double strongest = 0.0;
  for (const PowderReflection& r : result.reflections) strongest = std::max(strongest, r.intensity);
  if (strongest > 0.0) {
    for (PowderReflection& r : result.reflections) r.intensity *= 100.0 / strongest;
  }
  result.ok = true;
  return result;
}

}  // namespace difscop::structures
