// The open patterns as the plot shows them: which are drawn, in which
// colour, scaled (normalisation) and shifted (stacking) how, and the
// drawing range and ticks that fit them on the axes shown.
#pragma once

#include <string>
#include <vector>

#include "workspace/workspace.h"

namespace difscop::plot {

using workspace::Workspace;

struct ShownPattern {
  const workspace::Pattern* pattern = nullptr;
  int index = 0;  // position in the pattern list (0 for the lone pattern)
  std::string name;
  workspace::Colour colour = 0;
  bool active = false;
  float wavelength = 0.0f;
  float scale = 1.0f;   // intensities are multiplied by it (normalisation)
  float offset = 0.0f;  // added on the intensity scale shown (stacking)
};

// The main series of a pattern: calc for a simulation, else obs.
const workspace::PointArray& MainSeries(const workspace::Pattern& p);

// The visible patterns that hold points, in list order (the first at the
// bottom of a stack or map), with their scale and offset. Before the list
// exists the workspace's own pattern is the one shown, whatever it holds.
std::vector<ShownPattern> ShownPatterns(const Workspace& ws);
// The same into shown, whose memory is reused (a window's repaints).
void ShownPatterns(const Workspace& ws, std::vector<ShownPattern>& shown);

// How many patterns ShownPatterns gives, without scaling them.
int ShownCount(const Workspace& ws);

// True when the plot is the one-pattern plot of old: the active pattern
// alone, in 2theta and linear counts, overlaid and not normalised.
bool ClassicView(const Workspace& ws);

// Lower end of the intensity scale as drawn: yMin, except on the log scale
// where a yMin at or below 0 stands for four decades under yMax.
float YLow(const Workspace& ws);

// Sets the drawing range and ticks to what is shown on the axes shown;
// in the classic view exactly workspace::AutoRange and ChooseTicks. A view
// without points keeps its range.
void AutoRangeView(Workspace& ws);

// Tick increments for the range and axes shown: ChooseTicks for 2theta and
// linear counts; steps of 1, 2 or 5 times a power of ten for d and Q; the
// unit u of square-root ticks at k*k*u; one decade on the log scale.
void ChooseViewTicks(Workspace& ws);

// The active pattern as drawn: its wavelength, scale and stack offset.
struct ActiveView {
  float wavelength = 0.0f;
  float scale = 1.0f;
  float offset = 0.0f;
};
ActiveView ActivePatternView(const Workspace& ws);

// The active pattern's 2theta and counts under a device point, whatever
// the axes, scale and offset show.
workspace::Point ActivePointAt(const Workspace& ws, workspace::DevicePoint p);

// 1, 2 or 5 times a power of ten, the nearest at or above v (v > 0).
float NiceStep(float v);

// The legend's text for a pattern: the file name of a path.
std::string PatternLabel(const std::string& name);

}  // namespace difscop::plot
