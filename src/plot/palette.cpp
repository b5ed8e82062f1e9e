#include "plot/palette.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "workspace/palette.h"

namespace difscop::plot {
namespace {

using workspace::RgbColour;


// viridis as a polynomial in t (within a level or two of the published
// table on every channel).
constexpr double kViridis[7][3] = {
    {0.2777273272234177, 0.005407344544966578, 0.3340998053353061},
    {0.1050930431085774, 1.404613529898575, 1.384590162594685},
    {-0.3308618287255563, 0.214847559468213, 0.09509516302823659},
    {-4.634230498983486, -5.799100973351585, -19.33244095627987},
    {6.228269936347081, 14.17993336680509, 56.69055260068105},
    {4.776384997670288, -13.74514537774601, -65.35303263337234},
    {-5.435455855934631, 4.645852612178535, 26.3124352495832},
};

constexpr int kMapLevels = 256;

constexpr int Channel(double t, int c) {
  double v = 0.0;
  for (int k = 6; k >= 0; --k) v = v * t + kViridis[k][c];
  v = v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
  return static_cast<int>(v * 255.0 + 0.5);
}

constexpr std::array<workspace::Colour, kMapLevels> MakeMap() {
  std::array<workspace::Colour, kMapLevels> map{};
  for (int i = 0; i < kMapLevels; ++i) {
    const double t = static_cast<double>(i) / (kMapLevels - 1);
    map[i] = RgbColour(Channel(t, 0), Channel(t, 1), Channel(t, 2));
  }
  return map;
}

constexpr std::array<workspace::Colour, kMapLevels> kMap = MakeMap();

}  // namespace

workspace::Colour PatternColour(int i) {
  return workspace::kPatternPalette[static_cast<std::size_t>(std::max(i, 0) % kPaletteSize)];
}

workspace::Colour PhaseColour(int phase) {
  return PatternColour(phase - 1);
}

workspace::Colour MapColour(float t) {
  if (!(t > 0.0f)) return kMap.front();
  if (t >= 1.0f) return kMap.back();
  return kMap[static_cast<std::size_t>(t * (kMapLevels - 1) + 0.5f)];
}

}  // namespace difscop::plot
