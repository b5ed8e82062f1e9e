// One reader per measured-pattern format, used by ReadRawPatternText. Each
// fills the workspace from the reader and returns false after showing its
// failure text through the context.
#pragma once

#include "import/read_context.h"
#include "textio/line_reader.h"
#include "workspace/workspace.h"

namespace difscop::import {

bool ReadRint(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadMac(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadRad(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadHermes(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadXy(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadRietanInt(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadSimulated(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);

}  // namespace difscop::import
