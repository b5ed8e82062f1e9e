// The powder reflections of a crystal structure at one wavelength: position,
// multiplicity, |F|² and the intensity a powder diffractometer records.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "structures/crystal_structure.h"

namespace difscop::structures {

enum class Probe { kXray, kNeutron };

struct PowderSettings {
  double wavelength = 1.540593;  // Å
  Probe probe = Probe::kXray;
  double twoThetaMin = 0.0;    // degrees, inclusive, on the shifted scale
  double twoThetaMax = 180.0;  // degrees, inclusive (180 itself never is)
  // 2theta of the monochromator's reflection for the polarisation factor;
  // 0 for none.
  double monochromatorTwoTheta = 0.0;
  double cellScale = 1.0;  // multiplies a, b and c
  double zeroShift = 0.0;  // degrees added to every 2theta
  bool anomalous = true;   // X-rays: f' and f'' at the wavelength (Cromer-Liberman)
};

struct PowderReflection {
  int h = 0, k = 0, l = 0;
  int multiplicity = 0;  // members of the form, Friedel mates included
  double d = 0.0;        // Å
  double twoTheta = 0.0;  // degrees, zero shift included
  // Mean of |F(hkl)|² and |F(-h-k-l)|² for the unit cell: electrons² for
  // X-rays, fm² for neutrons.
  double fSquared = 0.0;
  double intensity = 0.0;  // multiplicity x |F|² x Lorentz-polarisation, strongest = 100
};

struct PowderReflections {
  bool ok = false;
  std::string error;
  std::vector<PowderReflection> reflections;  // by d, largest first
};

// More unique reflections than this in the range are refused (a huge cell to
// a small d): the list would be no help over a pattern.
inline constexpr std::size_t kMaxPowderReflections = 100000;

PowderReflections ComputePowderReflections(const CrystalStructure& structure,
                                           const PowderSettings& settings);

// Lorentz-polarisation factor at a Bragg angle 2theta (degrees):
// (1 + cos²2theta_m cos²2theta) / (sin²theta cos theta); without the
// polarisation term for neutrons.
double LorentzPolarisation(double twoTheta, const PowderSettings& settings);

}  // namespace difscop::structures
