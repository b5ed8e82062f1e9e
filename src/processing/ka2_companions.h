// Whether a pattern was measured with a Ka1/Ka2 tube, seen from its lines.
#pragma once

#include <optional>
#include <span>

#include "workspace/workspace.h"

namespace difscop::processing {

// Whether the strongest peaks have Ka2 companions: the pattern stands
// higher on the Ka2 side of each, at the Ka1-Ka2 separation, than on the
// other. nullopt when no peak lies where the two are resolved.
std::optional<bool> HasKa2Companions(const workspace::Pattern& pattern,
                                     std::span<const double> peaks, double ka1, double ka2);

}  // namespace difscop::processing
