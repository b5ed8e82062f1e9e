#include "import/fitted_reader.h"

#include <utility>

#include "import/fitted_formats.h"
#include "import/read_context.h"
#include "textio/line_reader.h"

namespace difscop::import {

bool ReadFittedPatternText(workspace::Workspace& ws, platform::Platform& platform, int kind,
                           std::string text, const std::string& path, bool cut) {
  textio::LineReader in(std::move(text));
  ReadContext context(platform, path);
  context.pointsCut = cut;
  ws.phaseCount = 1;
  bool ok = false;
  switch (kind) {
    case kIgorPat:
      ok = ReadIgor(ws, in, context);
      break;
    case kGsasCif:
      ok = ReadGsasCif(ws, in, context);
      break;
    case kFullProfPrf:
      ok = ReadFullProf(ws, in, context);
      break;
    default:
      return false;
  }
  if (ok && ws.obsCount < 1) ok = context.Fail("No Data Point in File !!!");
  if (!ok) {
    DiscardPartialRead(ws);
    return false;
  }
  ws.windowTitle = "Difscop --- [File Name : " + path + " ]";
  context.ReportCuts();
  return true;
}

bool ReadFittedPattern(workspace::Workspace& ws, platform::Platform& platform, int kind,
                       const std::string& path) {
  bool cut = false;
  std::optional<std::string> text = LoadFileOrSay(path, platform, &cut);
  if (!text) {
    DiscardPartialRead(ws);
    return false;
  }
  return ReadFittedPatternText(ws, platform, kind, std::move(*text), path, cut);
}

void FillObservedFromCalculated(workspace::Workspace& ws) {
  for (int i = 1; i <= ws.obsCount; ++i) ws.obs[i] = ws.calc[i];
}

}  // namespace difscop::import
