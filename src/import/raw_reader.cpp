#include "import/raw_reader.h"

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

}  // namespace

bool ReadRawPatternText(workspace::Workspace& ws, platform::Platform& platform, int code,
                        std::string text, const std::string& path, bool cut) {
  ReadContext context(platform, path);
  context.pointsCut = cut;
  bool ok = false;
  if (code == kXylib) ok = ReadXylib(ws, text, path, context);
  textio::LineReader in(code == kXylib ? std::string() : std::move(text));
  switch (code) {
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
    case kXylib:
      break;
    default:
      return false;
  }
  // Every reader refuses a file without points with its own text; this only
  // keeps a reader that does not from calling an empty read a success.
  if (ok && ws.obsCount < 1) ok = context.Fail("No Data Point in File !!!");
  if (!ok) {
    DiscardPartialRead(ws);
    return false;
  }
  if (code != kSimulated) CompleteRawRead(ws);
  context.ReportCuts();
  return true;
}

bool ReadRawPattern(workspace::Workspace& ws, platform::Platform& platform, int code,
                    const std::string& path) {
  bool cut = false;
  std::optional<std::string> text = LoadFileOrSay(path, platform, &cut);
  if (!text) {
    DiscardPartialRead(ws);
    return false;
  }
  return ReadRawPatternText(ws, platform, code, std::move(*text), path, cut);
}

}  // namespace difscop::import
