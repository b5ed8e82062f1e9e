// difscop-cli info FORMAT FILE [--wavelength W] [--json]: loads a pattern as
// the program would and prints what it holds, one "name: value" line each
// (with FORMAT auto, first the reader the detection picked), or one JSON
// document with the same names.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/load_pattern.h"
#include "cli/processing_options.h"
#include "cli/subcommands.h"
#include "textio/scan.h"
#include "textio/text_writer.h"
#include "workspace/workspace.h"

namespace difscop::cli {

namespace {

std::string Number(double v) {
  return textio::Format("%.6g", v);
}

template <typename Fn>
std::string Joined(int first, int last, Fn item) {
  std::string text;
  for (int i = first; i <= last; ++i) {
    if (!text.empty()) text += ' ';
    text += item(i);
  }
  return text;
}

void PrintInfo(const workspace::Workspace& ws) {
  const int n = ws.obsCount;
  const workspace::PointArray& profile = ws.simulationMode ? ws.calc : ws.obs;
  auto line = [](const char* name, const std::string& value) {
    std::printf("%s: %s\n", name, value.c_str());
  };
  auto point = [&](int i) {
    return i >= 1 ? Number(profile[i].x) + " " + Number(profile[i].y) : std::string("-");
  };
  // Phases beyond the table's rows have nothing to show.
  const int phases = std::min(ws.phaseCount, workspace::kMaxPhases);
  const int segments = std::min(ws.segmentCount, workspace::kMaxSegments);
  auto reflection = [&](int p, bool last) {
    const int count = ws.reflectionCount[p];
    if (count < 1) return std::string("-");
    return Number(ws.reflectionPos[p][last ? count : 1]);
  };

  line("obsCount", std::to_string(n));
  line("stepStart", Number(ws.stepStart));
  line("stepWidth", Number(ws.stepWidth));
  line("stepEnd", Number(ws.stepEnd));
  line("segmentCount", std::to_string(ws.segmentCount));
  line("segmentPointCount",
       Joined(1, segments, [&](int k) { return std::to_string(ws.segmentPointCount[k]); }));
  line("phaseCount", std::to_string(ws.phaseCount));
  line("reflectionCount",
       Joined(1, phases, [&](int p) { return std::to_string(ws.reflectionCount[p]); }));
  line("reflectionFirst", Joined(1, phases, [&](int p) { return reflection(p, false); }));
  line("reflectionLast", Joined(1, phases, [&](int p) { return reflection(p, true); }));
  line("wavelength", Number(ws.wavelength));
  if (ws.fileWavelength > 0.0f) line("fileWavelength", Number(ws.fileWavelength));
  line("xMin", Number(ws.xMin));
  line("xMax", Number(ws.xMax));
  line("yMin", Number(ws.yMin));
  line("yMax", Number(ws.yMax));
  line("xTick", Number(ws.xTick));
  line("yTick", Number(ws.yTick));
  line("first", point(n >= 1 ? 1 : 0));
  line("last", point(n));
}

// The same fields as one JSON document: numbers as numbers, lists as arrays,
// a point as {"x", "y"} (null for none).
void PrintInfoJson(const workspace::Workspace& ws, const std::string& file,
                   const std::string& detected) {
  const int n = ws.obsCount;
  const workspace::PointArray& profile = ws.simulationMode ? ws.calc : ws.obs;
  const int phases = std::min(ws.phaseCount, workspace::kMaxPhases);
  const int segments = std::min(ws.segmentCount, workspace::kMaxSegments);
  auto point = [&](int i) {
    return i >= 1 ? Json{{"x", JsonFloat(profile[i].x)}, {"y", JsonFloat(profile[i].y)}} : Json(nullptr);
  };
  Json segmentPoints = Json::array(), counts = Json::array(), firsts = Json::array(),
       lasts = Json::array();
  for (int k = 1; k <= segments; ++k) segmentPoints.push_back(ws.segmentPointCount[k]);
  for (int p = 1; p <= phases; ++p) {
    const int count = ws.reflectionCount[p];
    counts.push_back(count);
    firsts.push_back(count >= 1 ? Json(JsonFloat(ws.reflectionPos[p][1])) : Json(nullptr));
    lasts.push_back(count >= 1 ? Json(JsonFloat(ws.reflectionPos[p][count])) : Json(nullptr));
  }
  Json doc = FileDocument(file);
  if (!detected.empty()) doc["format"] = detected;
  doc["obsCount"] = n;
  doc["stepStart"] = JsonFloat(ws.stepStart);
  doc["stepWidth"] = JsonFloat(ws.stepWidth);
  doc["stepEnd"] = JsonFloat(ws.stepEnd);
  doc["segmentCount"] = ws.segmentCount;
  doc["segmentPointCount"] = segmentPoints;
  doc["phaseCount"] = ws.phaseCount;
  doc["reflectionCount"] = counts;
  doc["reflectionFirst"] = firsts;
  doc["reflectionLast"] = lasts;
  doc["wavelength"] = JsonFloat(ws.wavelength);
  if (ws.fileWavelength > 0.0f) doc["fileWavelength"] = JsonFloat(ws.fileWavelength);
  doc["xMin"] = JsonFloat(ws.xMin);
  doc["xMax"] = JsonFloat(ws.xMax);
  doc["yMin"] = JsonFloat(ws.yMin);
  doc["yMax"] = JsonFloat(ws.yMax);
  doc["xTick"] = JsonFloat(ws.xTick);
  doc["yTick"] = JsonFloat(ws.yTick);
  doc["first"] = point(n >= 1 ? 1 : 0);
  doc["last"] = point(n);
  PrintJson(doc);
}

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
  std::optional<float> wavelength;
  std::vector<std::string> positional;
  bool json = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--wavelength") {
      double w = 0.0;
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "--wavelength needs a number\n");
        return 2;
      }
      if (!CliNumber("--wavelength", args[i + 1], w)) return 2;
      wavelength = static_cast<float>(w);
      ++i;
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) return UsageError("info");
  auto ws = std::make_unique<workspace::Workspace>();
  std::string detected;
  if (!LoadPatternForCli(*ws, positional[0], positional[1], wavelength, &detected)) return 1;
  workspace::AutoRange(*ws);
  workspace::ChooseTicks(*ws);
  if (json) {
    PrintInfoJson(*ws, positional[1], detected);
    return 0;
  }
  if (!detected.empty()) std::printf("format: %s\n", detected.c_str());
  PrintInfo(*ws);
  return 0;
}

}  // namespace difscop::cli
