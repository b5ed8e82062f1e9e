// The colours of the plot's patterns, phases and maps. The line colours are
// the pattern list's (workspace/palette.h); the map's scale is viridis, even
// in lightness from dark blue to yellow.
#pragma once

#include <cstdint>

#include "workspace/workspace.h"

namespace difscop::plot {

inline constexpr int kPaletteSize = 7;  // workspace::kPatternPalette.size()

// Colour of the pattern at list position i (any i >= 0; the colours repeat).
workspace::Colour PatternColour(int i);

// Colour of reflection row k (1-based) of a fit of several phases.
workspace::Colour PhaseColour(int phase);

// The map's colour for t in [0, 1] (clamped; NaN gives the lowest colour).
workspace::Colour MapColour(float t);

}  // namespace difscop::plot
