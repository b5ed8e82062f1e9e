#include "import/raw_reader.h"

#include <algorithm>
#include <utility>

#include "import/raw_formats.h"
#include "import/read_context.h"
#include "textio/line_reader.h"

namespace difscop::import {

namespace {

// Step values follow the points actually read; with fewer than two points
// the header's values stay.
void CompleteRawRead(workspace::Workspace& ws) {
  const int n = ws.obsCount;
  if (n >= 1) {
    ws.stepStart = ws.obs[1].x;
    ws.stepEnd = ws.obs[n].x;
  }
  if (n >= 2) ws.stepWidth = ws.obs[2].x - ws.obs[1].x;
  ws.segmentCount = 1;
  ws.segmentPointCount[1] = n;
}

// Each format's refusal, for the checks all readers share.
const char* FormatMessage(int code) {
  switch (code) {
    case kRigakuRint:
      return "Not RINT Format File !!!";
    case kMac:
      return "Not Mac Format File !!!";
    case kRigakuRad:
      return "Not RAD Format File !!!";
    case kHermesNeutron:
      return "Not Hermes Format File !!!";
    case kXyText:
    case kXyColumns:
      return "Not xy Format File !!!";
    case kFreeFormat:
      return "Not Free Format File !!!";
    case kRigakuAsciiRas:
      return "Not Rigaku ASC/RAS Format File !!!";
    case kGsasRaw:
      return "Not GSAS Raw Format File !!!";
    case kXylib:
      return "Not Readable Format File !!!";
    default:
      return "Different Format !";
  }
}

}  // namespace

bool ReadRawPatternText(workspace::Workspace& ws, platform::Platform& platform, int code,
                        std::string text, const std::string& path) {
  if (code < 0 || code >= kRawFormatCount) return false;
  ReadContext context(platform, path);
  const char* message = FormatMessage(code);
  bool ok = false;
  if (code == kXylib) ok = ReadXylib(ws, text, path, context);
  textio::LineReader in(code == kXylib ? std::string() : std::move(text));
  const bool clean = code == kXylib || RefuseNulBytes(in.Text(), context, message);
  // Room for the points of a file of short lines (at least 8 bytes a point
  // as written by instruments), so that the table fills without moving.
  if (code != kXylib && code != kSimulated)
    ws.obs.reserve(std::min<std::size_t>(in.Text().size() / 8 + 2, workspace::kMaxPoints + 1));
  switch (clean ? code : -1) {
    case kRigakuRint:
      ok = ReadRint(ws, in, context);
      break;
    case kMac:
      ok = ReadMac(ws, in, context);
      break;
    case kRigakuRad:
      ok = ReadRad(ws, in, context);
      break;
    case kHermesNeutron:
      ok = ReadHermes(ws, in, context);
      break;
    case kXyText:
      ok = ReadXy(ws, in, context);
      break;
    case kRietanInt:
      ok = ReadRietanInt(ws, in, context);
      break;
    case kSimulated:
      ok = ReadSimulated(ws, in, context);
      break;
    case kRigakuAsciiRas:
      ok = ReadRigakuAscii(ws, in, context);
      break;
    case kGsasRaw:
      ok = ReadGsasRaw(ws, in, context);
      break;
    case kFreeFormat:
      ok = ReadFreeFormat(ws, in, context);
      break;
    case kXyColumns:
      ok = ReadXyColumns(ws, in, context);
      break;
    default:
      break;
  }
  // Every reader refuses a file without points with its own text; this only
  // keeps a reader that does not from calling an empty read a success.
  if (ok && ws.obsCount < 1) ok = context.Fail("No Data Point in File !!!");
  if (ok && code != kSimulated) CompleteRawRead(ws);
  if (ok) ok = CheckPattern(ws, code == kSimulated ? ws.calc : ws.obs, code == kSimulated, context,
                            message);
  if (!ok) {
    DiscardPartialRead(ws);
    return false;
  }
  context.ReportCuts();
  return true;
}

bool ReadRawPattern(workspace::Workspace& ws, platform::Platform& platform, int code,
                    const std::string& path) {
  std::optional<std::string> text = LoadFileOrSay(path, platform);
  if (!text) {
    DiscardPartialRead(ws);
    return false;
  }
  return ReadRawPatternText(ws, platform, code, std::move(*text), path);
}

}  // namespace difscop::import
