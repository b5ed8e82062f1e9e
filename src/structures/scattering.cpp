// Neutral atoms take gemmi's tables: International Tables C (1992)
// four-Gaussian form factors, Neutron News (1992) coherent lengths,
// Cromer-Liberman f' and f''. gemmi keeps one form factor per element, so an
// ion ("O2-", "Si4+") takes the same table's ionic entry from cctbx; an ion
// that table lacks scatters as the neutral atom.
#include "structures/scattering.h"

#include <cctbx/eltbx/xray_scattering.h>
#include <gemmi/elem.hpp>
#include <gemmi/fprime.hpp>
#include <gemmi/it92.hpp>
#include <gemmi/math.hpp>
#include <gemmi/neutron92.hpp>

#include <cmath>
#include <cstdlib>
#include <optional>

namespace difscop::structures {
namespace {

// The International Tables' coefficients of an ion, a1..a4, b1..b4, c.
std::optional<std::array<double, 9>> IonCoefficients(const std::string& element, int charge) {
  const std::string label =
      element + std::to_string(std::abs(charge)) + (charge > 0 ? "+" : "-");
  try {
    const cctbx::eltbx::xray_scattering::it1992 entry(label, true);
    const auto gaussian = entry.fetch();
    if (gaussian.n_terms() != 4) return std::nullopt;
    std::array<double, 9> coefs{};
    for (int i = 0; i < 4; ++i) {
      coefs[i] = gaussian.array_of_a()[i];
      coefs[4 + i] = gaussian.array_of_b()[i];
    }
    coefs[8] = gaussian.c();
    return coefs;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

bool ScatteringTable::Build(const std::vector<AtomSite>& sites, const PowderSettings& settings,
                            std::string& error) {
  entries_.clear();
  siteEntry_.clear();
  const double energy = gemmi::hc() / settings.wavelength;  // eV
  for (const AtomSite& site : sites) {
    int index = -1;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].element == site.element && entries_[i].charge == site.charge)
        index = static_cast<int>(i);
    }
    if (index < 0) {
      const gemmi::El el = gemmi::find_element(site.element.c_str());
      Entry e;
      e.element = site.element;
      e.charge = site.charge;
      if (settings.probe == Probe::kNeutron) {
        if (!gemmi::Neutron92<double>::has(el)) {
          error = "No neutron scattering length for " + site.element;
          return false;
        }
        e.constant = gemmi::Neutron92<double>::get_(el);
      } else {
        if (!gemmi::IT92<double>::has(el)) {
          error = "No X-ray form factor for " + site.element;
          return false;
        }
        e.gaussian = true;
        const auto& coef = gemmi::IT92<double>::get(el);
        for (int i = 0; i < 9; ++i) e.coefs[i] = coef.coefs[i];
        if (site.charge != 0) {
          if (auto ion = IonCoefficients(site.element, site.charge)) e.coefs = *ion;
        }
        if (settings.anomalous) {
          const int z = gemmi::Element(el).atomic_number();
          e.constant = gemmi::cromer_liberman(z, energy, &e.imaginary);
        }
      }
      entries_.push_back(e);
      index = static_cast<int>(entries_.size()) - 1;
    }
    siteEntry_.push_back(index);
  }
  return true;
}

void ScatteringTable::Evaluate(double stol2, std::vector<double>& real,
                               std::vector<double>& imag) const {
  real.resize(entries_.size());
  imag.resize(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    double f = e.constant;
    if (e.gaussian) {
      f += e.coefs[8];
      for (int j = 0; j < 4; ++j) f += e.coefs[j] * std::exp(-e.coefs[4 + j] * stol2);
    }
    real[i] = f;
    imag[i] = e.imaginary;
  }
}

}  // namespace difscop::structures
