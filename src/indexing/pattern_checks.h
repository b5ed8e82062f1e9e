// What the built-in indexing asks of the pattern beyond its peak list: whether
// it was measured with a Ka1/Ka2 tube.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "indexing/cell_refinement.h"
#include "workspace/workspace.h"

namespace difscop::indexing {

// Whether the strongest peaks have Ka2 companions: the pattern stands
// higher on the Ka2 side of each, at the Ka1-Ka2 separation, than on the
// other. nullopt when no peak lies where the two are resolved.
std::optional<bool> HasKa2Companions(const workspace::Pattern& pattern,
                                     std::span<const double> peaks, double ka1, double ka2);

// The warning for a pattern indexed at a wavelength its file did not give
// although its peaks have no Ka2 companions, or nothing.
std::optional<std::string> WavelengthWarning(const workspace::Workspace& ws,
                                             std::span<const double> peaks);

}  // namespace difscop::indexing
