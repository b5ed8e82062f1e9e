#include "processing/profile_commands.h"

#include "processing/peak_search.h"
#include "processing/snip.h"

namespace difscop::processing {

using workspace::Workspace;

PatternArrays ObservedArrays(const Workspace& ws) {
  PatternArrays a;
  const auto n = static_cast<std::size_t>(std::max(ws.obsCount, 0));
  a.x.reserve(n);
  a.y.reserve(n);
  for (std::size_t i = 1; i <= n; ++i) {
    a.x.push_back(ws.obs[i].x);
    a.y.push_back(ws.obs[i].y);
  }
  return a;
}

ProfileOptions SourceProfileOptions(const Workspace& ws, ProfileShape shape, bool split, bool ka2) {
  ProfileOptions o;
  o.shape = shape;
  o.split = split;
  o.ka2 = ka2;
  o.ka1Wavelength = ws.ka1Wavelength;
  o.ka2Wavelength = ws.ka2Wavelength;
  o.ka2Ratio = ws.ka2Ratio;
  return o;
}

std::vector<double> AutomaticPeakPositions(Workspace& ws, platform::Platform& platform, double from,
                                           double to) {
  const float xMin = ws.xMin, xMax = ws.xMax;
  ws.xMin = static_cast<float>(from);
  ws.xMax = static_cast<float>(to);
  DetectPeaksAutomatic(ws, platform);
  ws.xMin = xMin;
  ws.xMax = xMax;
  std::vector<double> positions;
  for (int i = 1; i <= ws.peakCount; ++i)
    positions.push_back(ws.peak2Theta[static_cast<std::size_t>(i)]);
  return positions;
}

std::vector<double> StripPatternKa2(const Workspace& ws, double windowDegrees) {
  const PatternArrays a = ObservedArrays(ws);
  std::vector<double> background;
  if (windowDegrees > 0.0) background = SnipBackground(a.y, SnipHalfWindow(a.x, windowDegrees));
  return StripKa2(a.x, a.y, background, ws.ka1Wavelength, ws.ka2Wavelength, ws.ka2Ratio);
}

}  // namespace difscop::processing
