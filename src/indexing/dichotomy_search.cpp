// The only file that sees the crystallographic library's headers.
#include "indexing/dichotomy_search.h"

#include <cmath>
#include <numbers>

#include "ObjCryst/ObjCryst/Indexing.h"

namespace difscop::indexing {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

ObjCryst::CrystalSystem LibrarySystem(CrystalSystem system) {
  switch (system) {
    case CrystalSystem::Cubic:
      return ObjCryst::CUBIC;
    case CrystalSystem::Tetragonal:
      return ObjCryst::TETRAGONAL;
    case CrystalSystem::Hexagonal:
      return ObjCryst::HEXAGONAL;
    case CrystalSystem::Rhombohedral:
      return ObjCryst::RHOMBOEDRAL;
    case CrystalSystem::Orthorhombic:
      return ObjCryst::ORTHOROMBIC;
    case CrystalSystem::Monoclinic:
      return ObjCryst::MONOCLINIC;
    case CrystalSystem::Triclinic:
      break;
  }
  return ObjCryst::TRICLINIC;
}

ObjCryst::CrystalCentering LibraryCentring(Centring centring) {
  switch (centring) {
    case 'I':
      return ObjCryst::LATTICE_I;
    case 'A':
      return ObjCryst::LATTICE_A;
    case 'B':
      return ObjCryst::LATTICE_B;
    case 'C':
      return ObjCryst::LATTICE_C;
    case 'F':
      return ObjCryst::LATTICE_F;
    default:
      return ObjCryst::LATTICE_P;
  }
}

}  // namespace

std::vector<SliceSolution> SearchSlice(const SliceRequest& request) {
  std::vector<SliceSolution> found;
  ObjCryst::PeakList peaks;
  for (std::size_t i = 0; i < request.dSpacings.size(); ++i) {
    const double error = i < request.dStarError.size() ? request.dStarError[i] : 0.0;
    peaks.AddPeak(static_cast<float>(1.0 / request.dSpacings[i]), 1.0f, static_cast<float>(error));
  }
  try {
    ObjCryst::CellExplorer explorer(peaks, LibrarySystem(request.system),
                                    static_cast<unsigned>(request.spurious));
    explorer.SetLengthMinMax(static_cast<float>(request.lengthMin),
                             static_cast<float>(request.lengthMax));
    explorer.SetAngleMinMax(static_cast<float>(90 * kDegree),
                            static_cast<float>(request.angleMax * kDegree));
    explorer.SetVolumeMinMax(static_cast<float>(request.volumeMin),
                             static_cast<float>(request.volumeMax));
    explorer.SetNbSpurious(static_cast<unsigned>(request.spurious));
    explorer.SetD2Error(0);
    explorer.SetMinMaxZeroShift(0, 0);
    explorer.SetCrystalSystem(LibrarySystem(request.system));
    explorer.SetCrystalCentering(LibraryCentring(request.centring));
    explorer.DicVol(10, 4, 50, 6);
    explorer.ReduceSolutions(true);
    for (const auto& [cell, score] : explorer.GetSolutions()) {
      const std::vector<float> direct = cell.DirectUnitCell(true);
      if (direct.size() < 6) continue;
      SliceSolution s;
      s.cell = {direct[0], direct[1], direct[2], direct[3] / kDegree, direct[4] / kDegree,
                direct[5] / kDegree};
      s.score = score;
      found.push_back(s);
    }
  } catch (...) {
    // The library signals a cell it cannot handle by throwing; such a slice
    // simply has no solutions.
  }
  return found;
}

double EstimatedVolume(double dStarLow, double dStarHigh, int lineCount, CrystalSystem system,
                       Centring centring, double observed) {
  return ObjCryst::EstimateCellVolume(static_cast<float>(dStarHigh), static_cast<float>(dStarLow),
                                      static_cast<float>(lineCount), LibrarySystem(system),
                                      LibraryCentring(centring), static_cast<float>(observed));
}

}  // namespace difscop::indexing
