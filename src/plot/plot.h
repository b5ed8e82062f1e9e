// Painting the pattern window: frame, ticks and labels, then the series of
// the current mode, over any Surface (window, bitmap or picture).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "plot/surface.h"
#include "plot/view.h"
#include "workspace/workspace.h"

namespace difscop::plot {

// Lays out the plot for the client size, stores the geometry in the
// workspace, fills the backgrounds and draws frame, ticks, labels and titles.
// A range that cannot be drawn gets the empty frame without ticks.
void DrawFrame(workspace::Workspace& ws, Surface& surface, int clientWidth, int clientHeight);

// A line of the legend: a sample line of its colour (unless sample is
// false) and its text.
struct LegendEntry {
  workspace::Colour colour = 0;
  std::string text;
  bool sample = true;
};

// Working memory of the series drawing. A window keeps one for its life, so
// that once the vectors have grown to the pattern a repaint allocates
// nothing; a one-off picture can do without.
struct SeriesBuffers {
  // Polyline runs, one after another; run k starts at runStarts[k].
  std::vector<workspace::DevicePoint> runPoints[2];
  std::vector<std::size_t> runStarts[2];
  std::vector<workspace::Rect> dots[2];
  // Which pixel rows of the current column hold a dot already.
  std::vector<int> seen[2];
  std::vector<workspace::DevicePoint> markerEnds;
  // A fit's points on the device, mapped before they are thinned.
  std::vector<int> mapped;
  // The map: its pixels, and one pattern's value and colour per column.
  std::vector<workspace::Colour> mapPixels;
  std::vector<float> mapValues;
  std::vector<workspace::Colour> mapRow;
  // The patterns shown and the legend's lines.
  std::vector<ShownPattern> shown;
  std::vector<LegendEntry> legend;
  // Every point drawn as it is, without thinning per pixel column: the
  // reference the thinned drawing is compared with.
  bool everyPoint = false;
};

// Draws the data of the current mode inside the frame DrawFrame laid out.
// Ending a picture recording is left to the caller that set it up.
void DrawSeries(workspace::Workspace& ws, Surface& surface, SeriesBuffers* buffers = nullptr);

// The map: one row per shown pattern, the first at the bottom, each pixel
// coloured by the highest intensity in its column on the scale shown
// between yMin and yMax.
void DrawMap(const workspace::Workspace& ws, const std::vector<ShownPattern>& shown,
             Surface& surface, SeriesBuffers& buffers);

// The shown pattern whose map row holds device row py; -1 outside the map.
int MapRowAt(const workspace::Workspace& ws, int rows, int py);

// The legend in the frame's top right corner: the patterns when several are
// shown, the phases of a fit of several (or named) phases. entries is the
// memory its lines are put together in.
void DrawLegend(const workspace::Workspace& ws, const std::vector<ShownPattern>& shown,
                Surface& surface, std::vector<LegendEntry>& entries);

// Whole paint in the program's order (frame, command-line load, ticks,
// series, plotDrawn). The caller chooses the surface (window or picture).
void PaintPatternWindow(workspace::Workspace& ws, platform::Platform& platform, Surface& surface,
                        int clientWidth, int clientHeight, SeriesBuffers* buffers = nullptr);

// Frame outline as one closed path with the frame pen (also redrawn over
// clamped curves in fitted mode).
void DrawFrameOutline(const workspace::Workspace& ws, Surface& surface);

// printf width of the intensity labels: the digits of yMax, at least one.
int YLabelDigits(float yMax);

}  // namespace difscop::plot
