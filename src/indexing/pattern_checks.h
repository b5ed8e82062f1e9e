// What the built-in indexing asks of the pattern beyond its peak list: whether
// it was measured with a Ka1/Ka2 tube (processing/ka2_companions.h).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "indexing/cell_refinement.h"
#include "workspace/workspace.h"

namespace difscop::indexing {

// The warning for a pattern indexed at a wavelength its file did not give
// although its peaks have no Ka2 companions, or nothing.
std::optional<std::string> WavelengthWarning(const workspace::Workspace& ws,
                                             std::span<const double> peaks);

}  // namespace difscop::indexing
