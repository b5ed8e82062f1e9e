#include "import/fitted_reader.h"

#include <utility>

#include "import/fitted_formats.h"
#include "import/read_context.h"
#include "textio/line_reader.h"

namespace difscop::import {

bool ReadFittedPatternText(workspace::Workspace& ws, platform::Platform& platform, int kind,
                           std::string text, const std::string& path) {
  static constexpr const char* kMessages[] = {"Cannot Igor File Open !!", "Not CIF Format File !!!",
                                              "Not FullProf Format File !!!"};
  if (kind < 0 || kind >= kFittedFormatCount) return false;
  textio::LineReader in(std::move(text));
  ReadContext context(platform, path);
  ws.phaseCount = 1;
  for (std::string& name : ws.phaseName) name.clear();
  bool ok = false;
  const bool clean = RefuseNulBytes(in.Text(), context, kMessages[kind]);
  switch (clean ? kind : -1) {
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
      break;
  }
  if (ok && ws.obsCount < 1) ok = context.Fail("No Data Point in File !!!");
  // A calculated-only Igor file holds its angles in calc.
  if (ok) ok = CheckPattern(ws, ws.pairedIntLoad ? ws.calc : ws.obs, true, context, kMessages[kind]);
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
  std::optional<std::string> text = LoadFileOrSay(path, platform);
  if (!text) {
    DiscardPartialRead(ws);
    return false;
  }
  return ReadFittedPatternText(ws, platform, kind, std::move(*text), path);
}

void FillObservedFromCalculated(workspace::Workspace& ws) {
  for (int i = 1; i <= ws.obsCount; ++i) ws.obs[i] = ws.calc[i];
}

}  // namespace difscop::import
