// Background reduction: a degree-5 polynomial through the picked background
// points, subtracted from the measured pattern, with its report (BkG.txt) and
// the reduced pattern as an (x,y) data file.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::processing {

// The reduced data file of a data file: its name cut before the first "."
// (from the name's second character on) followed by "BkG.dat", beside it;
// a name without such a "." gives "BkG.dat" in the current directory.
std::string BackgroundDataPath(const std::string& dataFilePath);

// Contents of BkG.txt and of the reduced data file for the coefficients
// a_1 .. a_6; also fills background[1 .. obsCount].
struct BackgroundFiles {
  std::string report;
  std::string data;
};
BackgroundFiles ReduceBackground(workspace::Workspace& ws, const double (&coefficients)[6]);

// The same files for an automatic (SNIP) background, one value per point:
// the report names the window instead of listing picked points.
BackgroundFiles ReduceSnipBackground(workspace::Workspace& ws, std::span<const double> background,
                                     double windowDegrees);

// The SNIP background of the measured pattern, one value per point.
std::vector<double> PatternSnipBackground(const workspace::Workspace& ws, double windowDegrees);

// Fits the background and writes reportDirectory/BkG.txt and dataPath,
// replaced together only once both are whole on disk. Fewer than six points,
// a failed fit or a file that cannot be written: a message, false, and both
// old files as they were.
bool CalculateBackground(workspace::Workspace& ws, platform::Platform& platform,
                         const std::filesystem::path& reportDirectory, const std::string& dataPath);

// The same with the SNIP background of the given window (degrees) of a
// measured pattern.
bool CalculateSnipBackground(workspace::Workspace& ws, platform::Platform& platform,
                             double windowDegrees, const std::filesystem::path& reportDirectory,
                             const std::string& dataPath);

// Writes dataPath and reportDirectory/BkG.txt together (both or neither); a
// message and false when they cannot be written.
bool WriteBackgroundFiles(platform::Platform& platform, const BackgroundFiles& files,
                          const std::filesystem::path& reportDirectory, const std::string& dataPath);

// Adds a picked point in data units when its 2theta lies strictly inside the
// measured range and the table has room; false otherwise.
bool AddBackgroundPoint(workspace::Workspace& ws, float twoTheta, float intensity);

// Edit > Back Grd. Red. Point: starts picking background points.
void BackgroundPointCommand(workspace::Workspace& ws, platform::Platform& platform);

// Edit > Back Grd Cal.: fits, writes BkG.txt (start directory) and the
// reduced data file, then, naming both, offers to reload the reduced file in
// place of the measured pattern; No overlays the reduced curve instead.
void BackgroundCalculationCommand(workspace::Workspace& ws, platform::Platform& platform);

}  // namespace difscop::processing
