// Reference phases over the pattern: a stick for each reflection in the
// phase's colour and its calculated profile where one was fitted; the
// plot's legend names them.
#pragma once

#include <optional>
#include <string>

#include "plot/surface.h"
#include "workspace/workspace.h"

namespace difscop::plot {

// The colour the k-th added phase (0-based) gets: distinct from each other,
// from the pattern's own colours and readable on the dark plot base.
workspace::Colour ReferencePhaseColour(int k);

// Draws ws.referencePhases inside the frame DrawFrame laid out.
void DrawReferencePhases(const workspace::Workspace& ws, Surface& surface);

struct StickHit {
  int phase = 0;  // index into ws.referencePhases
  int stick = 0;  // index into its sticks
};

// The stick under a device point: within 3 pixels across, between its foot
// and its top (3 pixels beyond); the nearest one across when several are.
std::optional<StickHit> ReferenceStickAt(const workspace::Workspace& ws,
                                         workspace::DevicePoint p);

// "Quartz SiO2  1 0 1  d = 3.3448 A  I = 42.0", as the hover shows it.
std::string ReferenceStickText(const workspace::Workspace& ws, const StickHit& hit);

}  // namespace difscop::plot
