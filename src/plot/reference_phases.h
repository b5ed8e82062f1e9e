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

// The colour of the indexed cell's reflections: none of the phases' nor
// of the pattern's own.
workspace::Colour IndexedCellColour();

// Draws ws.referencePhases, then the active pattern's indexed cell (each
// of its sticks at least two marker rows long, so that a line the pattern
// lacks still shows), inside the frame DrawFrame laid out.
void DrawReferencePhases(const workspace::Workspace& ws, Surface& surface);

struct StickHit {
  int phase = 0;  // index into ws.referencePhases; their count for the indexed cell
  int stick = 0;  // index into its sticks
};

// The stick under a device point: within 3 pixels across, between its foot
// and its top (3 pixels beyond); the nearest one across when several are.
std::optional<StickHit> ReferenceStickAt(const workspace::Workspace& ws,
                                         workspace::DevicePoint p);

// "Quartz SiO2  1 0 1  d = 3.3448 A  2theta = 26.640  I = 42.0", as the hover
// shows it; the indexed cell's sticks without an intensity.
std::string ReferenceStickText(const workspace::Workspace& ws, const StickHit& hit);

}  // namespace difscop::plot
