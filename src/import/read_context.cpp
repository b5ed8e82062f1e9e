#include "import/read_context.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "textio/text_writer.h"

namespace difscop::import {

namespace ws = difscop::workspace;

ReadContext::ReadContext(platform::Platform& p, const std::string& path)
    : platform(p), fileName(std::filesystem::path(path).filename().string()) {}

bool ReadContext::Fail(std::string_view message, std::string_view reason, int line) {
  std::string cause = fileName;
  if (line > 0) cause += (cause.empty() ? "line " : ", line ") + std::to_string(line);
  if (!reason.empty()) cause += (cause.empty() ? "" : ": ") + std::string(reason);
  std::string text(message);
  if (!cause.empty()) text += "\n" + cause;
  platform.ShowMessage(text);
  return false;
}

bool ReadContext::RequirePoints(int count, std::string_view message) {
  return count >= 1 || Fail(message, "no data point found");
}

void ReadContext::ReportCuts() const {
  if (pointsCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxPoints) +
                         " points were read !!!");
  if (segmentsCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxSegments) +
                         " segments were read !!!");
  if (phasesCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxPhases) +
                         " phases were read !!!");
  if (reflectionsCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxReflections) +
                         " reflections were read !!!");
  if (!note.empty()) platform.ShowMessage(note);
}

bool ReadDataLine(textio::LineReader& in, std::string_view& line) {
  while (in.ReadLine(line)) {
    if (line.back() == '\n' || in.Eof()) return true;
    while (in.ReadLine(line) && line.back() != '\n') {
    }
  }
  return false;
}

bool ReadDataLine(textio::LineReader& in, std::string& line) {
  std::string_view view;
  const bool got = ReadDataLine(in, view);
  line.assign(view);
  return got;
}

int LastLineNumber(const textio::LineReader& in) {
  std::string_view before = in.Text().substr(0, in.Position());
  // The last character read may be the line's own feed.
  if (!before.empty()) before.remove_suffix(1);
  return 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
}

std::optional<std::string> LoadFile(const std::string& path, std::string* reason) {
  return textio::ReadTextFile(path, kMaxPatternFileBytes, reason);
}

std::optional<std::string> LoadFileOrSay(const std::string& path, platform::Platform& platform) {
  std::string reason;
  std::optional<std::string> text = LoadFile(path, &reason);
  if (!text) ReadContext(platform, path).Fail("Cannot Data File Open !!", reason);
  return text;
}

bool RefuseNulBytes(std::string_view text, ReadContext& context, std::string_view message) {
  const std::size_t nul = text.find('\0');
  if (nul == std::string_view::npos) return true;
  const std::string_view before = text.substr(0, nul);
  // Line ends counted as the line reader takes them: CR LF, lone CR, LF.
  int line = 1;
  for (std::size_t i = 0; i < before.size(); ++i)
    if (before[i] == '\n' || (before[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
      ++line;
  return context.Fail(message, "the line holds a NUL byte", line);
}

namespace {

bool CheckStep(const ws::Workspace& w, ReadContext& context, std::string_view message) {
  if (!Finite(w.stepStart, w.stepWidth, w.stepEnd) || std::fabs(w.stepWidth) >= 180.0f)
    return context.Fail(message, textio::Format("the step %g does not fit within 0 to 180 degrees",
                                                static_cast<double>(w.stepWidth)));
  return true;
}

}  // namespace

bool CheckPattern(const ws::Workspace& w, const ws::PointArray& profile, bool withCalc,
                  ReadContext& context, std::string_view message) {
  auto fault = [&](const std::string& why) { return context.Fail(message, why); };
  const int n = std::clamp(w.obsCount, 0, ws::kMaxPoints);
  // The points every reader has stored are read straight; a table that
  // holds fewer reads as zero past its end, as it does slot by slot.
  const auto stored = [n](const ws::PointArray& a) { return a.size() > static_cast<std::size_t>(n); };
  if (stored(profile) && stored(w.obs) && (!withCalc || stored(w.calc))) {
    const ws::Point* angles = profile.data();
    const ws::Point* obs = w.obs.data();
    const ws::Point* calc = w.calc.data();
    bool plain = true;
    for (int i = 1; i <= n; ++i) {
      const double x = angles[i].x;
      plain &= x > 0.0 && x < 180.0 && std::isfinite(obs[i].y) && (!withCalc || std::isfinite(calc[i].y));
    }
    if (plain) return CheckStep(w, context, message);
  }
  for (int i = 1; i <= n; ++i) {
    const double x = profile[i].x;
    if (!(x > 0.0 && x < 180.0))
      return fault(textio::Format("point %d: 2theta %g is not within 0 to 180 degrees", i, x));
    if (!std::isfinite(w.obs[i].y) || (withCalc && !std::isfinite(w.calc[i].y)))
      return fault(textio::Format("point %d: the intensity is not a finite number", i));
  }
  return CheckStep(w, context, message);
}

std::string EndsEarly(long long read, long long announced, std::string_view items) {
  return textio::Format("the file ends after %lld of its %lld ", read, announced) +
         std::string(items);
}

void DiscardPartialRead(ws::Workspace& w) {
  w.obsCount = 0;
  w.segmentCount = 0;
  w.segmentPointCount.fill(0);
  w.phaseCount = 1;
  w.reflectionCount.fill(0);
  w.stepStart = w.stepWidth = w.stepEnd = 0.0f;
  w.pairedIntLoad = 0;
}

bool AddReflection(ws::Workspace& w, int phase, float position, ReadContext& context) {
  int& n = w.reflectionCount[phase];
  if (!Finite(position)) return false;
  if (n >= ws::kMaxReflections) {
    context.reflectionsCut = true;
    return false;
  }
  ++n;
  w.reflectionPos[phase][n] = position;
  return true;
}

}  // namespace difscop::import
