// What each kind of atom scatters: X-ray form factor with f' and f'', or
// neutron scattering length, one entry per element and charge.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "structures/crystal_structure.h"
#include "structures/powder_reflections.h"

namespace difscop::structures {

class ScatteringTable {
 public:
  // False, with a message naming the element, when the tables have nothing
  // for one of the sites.
  bool Build(const std::vector<AtomSite>& sites, const PowderSettings& settings,
             std::string& error);

  std::size_t Count() const { return entries_.size(); }
  // The entry of structure site i.
  int IndexOf(std::size_t site) const { return siteEntry_[site]; }

  // Every entry's real (f0 + f', or b) and imaginary (f'') part at
  // (sin theta / lambda)².
  void Evaluate(double stol2, std::vector<double>& real, std::vector<double>& imag) const;

 private:
  struct Entry {
    std::string element;
    int charge = 0;
    bool gaussian = false;          // X-rays: f0 from four Gaussians and a constant
    std::array<double, 9> coefs{};  // a1..a4, b1..b4, c
    double constant = 0.0;          // f' or the neutron length
    double imaginary = 0.0;         // f''
  };
  std::vector<Entry> entries_;
  std::vector<int> siteEntry_;
};

}  // namespace difscop::structures
