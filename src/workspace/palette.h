// The colours open patterns are drawn in: Okabe and Ito's colour-blind-safe
// set. Its black is left out, as it vanishes on the dark plot background;
// the order keeps neighbours in the list far apart in hue.
#pragma once

#include <array>

#include "workspace/workspace.h"

namespace difscop::workspace {

inline constexpr std::array<Colour, 7> kPatternPalette = {
    RgbColour(213, 94, 0),     // vermillion
    RgbColour(86, 180, 233),   // sky blue
    RgbColour(0, 158, 115),    // bluish green
    RgbColour(230, 159, 0),    // orange
    RgbColour(204, 121, 167),  // reddish purple
    RgbColour(240, 228, 66),   // yellow
    RgbColour(0, 114, 178),    // blue
};

// The colour of the pattern added next: the first palette colour no open
// pattern has, else the palette again from the start by list position.
Colour NextPatternColour(const Session& session);

}  // namespace difscop::workspace
