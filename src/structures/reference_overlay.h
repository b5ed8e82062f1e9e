// Reference phases over the active pattern: each phase's reflections at the
// pattern's wavelength over its range, as sticks scaled to the data, and on
// request its calculated profile with one scale per phase fitted to the
// measured points.
#pragma once

#include <string>
#include <vector>

#include "structures/crystal_structure.h"
#include "structures/powder_reflections.h"
#include "structures/reference_profile.h"
#include "workspace/workspace.h"

namespace difscop::structures {

// A phase as the user added and adjusted it.
struct ReferencePhase {
  CrystalStructure structure;
  std::string name;
  workspace::Colour colour = 0;
  Probe probe = Probe::kXray;
  double cellScale = 1.0;
  double zeroShift = 0.0;  // degrees 2theta
};

struct ReferenceOptions {
  bool profile = false;  // fit and draw the calculated profiles
  ProfileShape shape;
  double monochromatorTwoTheta = 0.0;
};

struct OverlayUpdate {
  bool ok = false;
  std::string error;           // the first phase that could not be computed, and why
  std::vector<double> scales;  // with a profile: one per phase
  double rwp = 0.0;
};

// Fills ws.referencePhases from the phases. Without a profile each phase's
// strongest line among the measured points reaches the highest point around
// it (the drawing range's top when there are no points); with a profile a
// stick reaches the top its fitted peak would have alone.
OverlayUpdate UpdateReferenceOverlays(const std::vector<ReferencePhase>& phases,
                                      const ReferenceOptions& options, workspace::Workspace& ws);

}  // namespace difscop::structures
