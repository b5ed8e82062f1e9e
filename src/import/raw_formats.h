// One reader per measured-pattern format, used by ReadRawPatternText. Each
// fills the workspace from the reader and returns false after showing its
// failure text through the context.
#pragma once

#include <string>
#include <string_view>

#include "import/read_context.h"
#include "textio/line_reader.h"
#include "workspace/workspace.h"

namespace difscop::import {

bool ReadRint(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadMac(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadRad(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadHermes(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadXy(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
// (x,y) text as ReadXy reads it, intensities of any sign (background-
// subtracted data) taken.
bool ReadXyColumns(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadFreeFormat(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadRietanInt(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadSimulated(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadRigakuAscii(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
bool ReadGsasRaw(workspace::Workspace& ws, textio::LineReader& in, ReadContext& context);
// xylib reads the file's bytes as they are (binary formats among them), in
// difscop-xylib: a crash or a hang there is the format's refusal.
bool ReadXylib(workspace::Workspace& ws, std::string_view bytes, const std::string& path,
               ReadContext& context);

// Cheap signature tests over the start of a file, for format detection.
bool LooksLikeRigakuAscii(std::string_view head);
bool LooksLikeGsasRaw(std::string_view head);
// "start step end" on the first line and exactly the counts that grid
// holds after it (DBW: with each full line's closing angle).
bool LooksLikeFreeFormat(std::string_view text);
// Whether each point of (x,y) text lies within ReadXy's range.
bool XyValuesInRange(std::string_view text);
// Whether one of xylib's formats takes the bytes (XylibFormatFor, asked in
// difscop-xylib).
bool XylibRecognises(std::string_view bytes, const std::string& path);

// The open-file filter of every format xylib lists, then "Other Files".
std::string XylibDialogFilter();

}  // namespace difscop::import
