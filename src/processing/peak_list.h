// The peak list: manual picking, refinement of picked peaks, the "Searched
// Peak List" window and its text file.
#pragma once

#include <optional>

#include <string>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::processing {

// With manual picking on, the list becomes the picked peaks, each refined at
// its point index (refining again gives the same values). Otherwise nothing.
void RefineManualPeaks(workspace::Workspace& ws);

// Adds the point at index (1-based) to the manual peak list as a click
// stores it: its index, angle, intensity and d. The caller checks the room.
void AddManualPick(workspace::Workspace& ws, int index);

// One list line, "%3d %7.3f %7.4f  %7.0f" (number, 2theta, d, intensity).
std::string PeakListLine(const workspace::Workspace& ws, int peak);

// The peak list file: header and one line per peak, CR LF line ends.
std::string PeakListFileContents(const workspace::Workspace& ws);

// What the window must draw after a double-click in the plot: inverse
// vertical markers (colDiff pen) at the cursor line's x and the clicked x.
struct DoubleClickResponse {
  bool drawMarkers = false;
  bool beep = false;  // a click inside the frame that picked nothing
  int cursorX = 0;
  int clickX = 0;
};

// Double-click in the plot: with manual picking on, adds the measured point
// at or below the cursor to the list. A click outside the data, or a 201st
// pick, adds nothing and beeps. twoTheta is the angle under the point
// when the plot shows another axis (d, Q); without it the x axis is 2theta.
DoubleClickResponse OnPlotDoubleClick(workspace::Workspace& ws, workspace::DevicePoint point,
                                      std::optional<float> twoTheta = std::nullopt);

// Edit > Manual Peak Search.
void ManualPeakSearchCommand(workspace::Workspace& ws, platform::Platform& platform);

// Edit > Searched Peak List, with its "Save as".
void SearchedPeakListCommand(workspace::Workspace& ws, platform::Platform& platform);

}  // namespace difscop::processing
