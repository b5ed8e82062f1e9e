// One reader per refinement-result format, used by ReadFittedPatternText.
#pragma once

#include "import/read_context.h"
#include "textio/line_reader.h"
#include "workspace/workspace.h"

namespace difscop::import {

bool ReadIgor(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadGsasCif(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
// Any powder CIF, by tag name (what ReadGsasCif falls back on).
bool ReadPowderCif(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadFullProf(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);

}  // namespace difscop::import
