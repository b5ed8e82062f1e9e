#include "workspace/workspace.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "workspace/palette.h"

namespace difscop::workspace {

Session::~Session() { DeleteWorkingFiles(*this); }

void ResetWorkspace(Workspace& ws) {
  for (auto& text : ws.statusPaneText) text.clear();

  ws.phaseCount = 1;
  ws.peakThreshold = 500;
  ws.peakDiffPoints = 4;
  ws.smoothPoints = 3;

  ws.xMin = 0.0f;
  ws.yMin = 0.0f;
  ws.xMax = 100.0f;
  ws.yMax = 8000.0f;
  ws.wavelength = 1.540593f;
  ws.wavelengthFromPattern = 0;
  ws.fileWavelength = 0.0f;
  ws.goniometerRadius = 185.0f;
  ws.fontName = "Times New Roman";

  ws.xTick = ws.xMax / 10.0f;
  ws.yTick = ws.yMax / 8.0f;

  ws.colorDrawing = 1;
  ws.blankPlot = 1;
  ws.rawLoaded = 0;
  ws.autoPeaksFound = 0;
  ws.smoothedValid = 0;
  ws.manualPeakMode = 0;
  ws.plotDrawn = 0;
  ws.dragActive = 0;
  ws.recordingMetafile = 0;
  ws.commandLineFilePending = 0;
  ws.itoRunDone = 0;
  ws.treorRunDone = 0;
  ws.dicvolRunDone = 0;
  ws.cellRefPrepared = 0;
  ws.cellRunDone = 0;
  ws.simulationMode = 0;
  ws.expoPrepared = 0;
  ws.sma4Written = 0;
  ws.emfWritten = 0;
  ws.bmpWritten = 0;
  ws.backgroundPickMode = 0;
  ws.backgroundCurveValid = 0;
  ws.backgroundPointCount = 0;
  ws.ka2Stripped = 0;
  ws.peakFit = {};
  ws.indexedCell = {};
}

void AutoRange(Workspace& ws) {
  const PointArray& src = ws.simulationMode ? ws.calc : ws.obs;
  const int n = ws.obsCount;
  ws.viewRangePending = 1;
  // Fewer than two points keep the reset range: one point would give an
  // empty range that no paint can scale.
  if (n < 2) return;

  // Patterns measured downwards in 2theta exist, so the ends of the range are
  // the extreme angles, not the first and last points.
  float xMin = src[1].x;
  float xMax = src[1].x;
  float yMax = src[1].y;
  float yMin = 0.0f;
  for (int i = 1; i <= n; ++i) {
    if (src[i].x < xMin) xMin = src[i].x;
    if (src[i].x > xMax) xMax = src[i].x;
    if (src[i].y > yMax) yMax = src[i].y;
    if (src[i].y < yMin) yMin = src[i].y;
  }
  xMin = static_cast<float>(std::floor(xMin / 10.0f) * 10.0);
  xMax = static_cast<float>(std::ceil(xMax / 10.0f) * 10.0);
  yMax = static_cast<float>(std::ceil(yMax / 100.0f) * 105.0);

  // All angles equal would give a zero-width scale: keep the reset range.
  if (!(xMax > xMin)) return;
  ws.xMin = xMin;
  ws.xMax = xMax;
  // Intensities below zero (background-subtracted data) are drawn too, down
  // to the hundred below the lowest.
  ws.yMin = static_cast<float>(std::floor(yMin / 100.0f) * 100.0);
  // A pattern without a positive count still gets its angles drawn, over the
  // smallest intensity range the rounding above can give.
  ws.yMax = yMax > 0.0f ? yMax : 105.0f;
}

void ChooseTicks(Workspace& ws) {
  const float r = ws.xMax - ws.xMin;
  const float s = ws.yMax - ws.yMin;

  if (r >= 100.0f)
    ws.xTick = 20.0f;
  else if (r >= 40.0f)
    ws.xTick = 10.0f;
  else if (r >= 20.0f)
    ws.xTick = 5.0f;
  else if (r >= 10.0f)
    ws.xTick = 2.0f;
  else
    ws.xTick = 1.0f;

  if (s >= 500000.0f)
    ws.yTick = 100000.0f;
  else if (s >= 100000.0f)
    ws.yTick = 50000.0f;
  else if (s >= 50000.0f)
    ws.yTick = 10000.0f;
  else if (s >= 10000.0f)
    ws.yTick = 5000.0f;
  else if (s >= 5000.0f)
    ws.yTick = 1000.0f;
  else if (s >= 1000.0f)
    ws.yTick = 500.0f;
  else if (s >= 200.0f)
    ws.yTick = 100.0f;
  else
    ws.yTick = 50.0f;
}

void UpdateTitle(Workspace& ws) {
  ws.windowTitle = "Difscop --- [File Name : " + ws.dataFilePath + "]  ";
  if (ws.activePattern < 0 || ws.activePattern >= static_cast<int>(ws.patterns.size())) return;
  const std::string& name = ws.patterns[ws.activePattern].name;
  if (name != std::filesystem::path(ws.dataFilePath).filename().string()) ws.windowTitle += name;
}

void SetClearedTitle(Workspace& ws) { ws.windowTitle = "Difscop --- [File Name :] "; }

void SetIndexingProgramNames(Session& ws) {
  ws.itoBaseName = "Ito";
  ws.itoOutput = "Ito.imp";
  ws.dicvolInput = "Dicvol.dat";
  ws.dicvolOutput = "Dicvol.imp";
  ws.treorBaseName = "Treor";
  ws.treorOutput = "Treor.imp";
  ws.sma4FilePath.clear();
  ws.emfFilePath.clear();
  ws.bmpFilePath.clear();
}

std::array<std::string, 11> WorkingFiles(const Session& ws) {
  return {ws.itoBaseName + ".dat",   ws.itoBaseName + ".con",   ws.itoOutput, ws.dicvolInput,
          ws.dicvolOutput,           ws.treorBaseName + ".dat", ws.treorBaseName + ".con",
          ws.treorOutput,            ws.cellInput,              ws.cellRefOutput,
          ws.cellRefInput};
}

std::string WorkingFilePath(const Session& ws, const std::string& name) {
  namespace fs = std::filesystem;
  if (name.empty() || ws.startDirectory.empty()) return name;
  fs::path path(name);
  if (path.is_absolute()) return name;
  return (fs::path(ws.startDirectory) / path).string();
}

void ClaimWorkingFile(Session& ws, const std::string& name) {
  namespace fs = std::filesystem;
  const std::string path = WorkingFilePath(ws, name);
  if (path.empty()) return;
  for (const WorkingFileClaim& claim : ws.claimedFiles) {
    if (claim.path == path) return;
  }
  WorkingFileClaim claim{path, false, {}};
  std::error_code ec;
  claim.modified = fs::last_write_time(path, ec);
  claim.existed = !ec;
  ws.claimedFiles.push_back(std::move(claim));
}

void DeleteWorkingFiles(const Session& ws) {
  namespace fs = std::filesystem;
  for (const std::string& name : WorkingFiles(ws)) {
    // Only a claimed path is deleted, so a name left empty (no settings
    // file, no program names) deletes nothing.
    const std::string path = WorkingFilePath(ws, name);
    const WorkingFileClaim* claim = nullptr;
    for (const WorkingFileClaim& c : ws.claimedFiles) {
      if (c.path == path) claim = &c;
    }
    if (!claim) continue;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) continue;
    const fs::file_time_type now = fs::last_write_time(path, ec);
    if (ec || (claim->existed && now == claim->modified)) continue;
    fs::remove(path, ec);
  }
}

namespace {

// Puts the active pattern's data back into its list entry.
void Stash(Workspace& ws) {
  if (ws.activePattern >= 0) std::swap(static_cast<Pattern&>(ws), ws.patterns[ws.activePattern].pattern);
}

// Takes entry i's data into the workspace's Pattern part.
void Unstash(Workspace& ws, int i) {
  ws.activePattern = i;
  if (i >= 0) std::swap(static_cast<Pattern&>(ws), ws.patterns[i].pattern);
}

}  // namespace

int PatternListSize(const Workspace& ws) {
  if (!ws.patterns.empty()) return static_cast<int>(ws.patterns.size());
  return ws.obsCount > 0 ? 1 : 0;
}

const Pattern& PatternAt(const Workspace& ws, int i) {
  if (i == ws.activePattern || ws.patterns.empty()) return ws;
  return ws.patterns[i].pattern;
}

void ListLoadedPattern(Workspace& ws) {
  if (!ws.patterns.empty() || ws.obsCount <= 0) return;
  const std::string name = std::filesystem::path(ws.dataFilePath).filename().string();
  ws.patterns.push_back({Pattern{}, name, NextPatternColour(ws), true});
  ws.activePattern = 0;
}

int AddPattern(Workspace& ws, const std::string& name) {
  ListLoadedPattern(ws);
  Stash(ws);
  ws.patterns.push_back({Pattern{}, name, NextPatternColour(ws), true});
  static_cast<Pattern&>(ws) = Pattern{};
  ws.activePattern = static_cast<int>(ws.patterns.size()) - 1;
  return ws.activePattern;
}

int AddPattern(Workspace& ws, const std::string& name, Colour colour) {
  const int i = AddPattern(ws, name);
  ws.patterns[static_cast<std::size_t>(i)].colour = colour;
  return i;
}

void Activate(Workspace& ws, int i) {
  if (i < 0 || i >= static_cast<int>(ws.patterns.size()) || i == ws.activePattern) return;
  Stash(ws);
  Unstash(ws, i);
}

void RemovePattern(Workspace& ws, int i) {
  const int n = static_cast<int>(ws.patterns.size());
  if (i < 0 || i >= n) return;
  Stash(ws);
  const int active = ws.activePattern;
  ws.patterns.erase(ws.patterns.begin() + i);
  // The active pattern stays active; removing it activates its successor
  // (or the new last one); removing the last leaves the empty pattern.
  int next = active;
  if (i < active) next = active - 1;
  if (i == active) next = std::min(i, n - 2);
  ws.activePattern = -1;
  static_cast<Pattern&>(ws) = Pattern{};
  Unstash(ws, next);
}

void MovePattern(Workspace& ws, int from, int to) {
  const int n = static_cast<int>(ws.patterns.size());
  if (from < 0 || from >= n || to < 0 || to >= n || from == to) return;
  Stash(ws);
  const int active = ws.activePattern;
  OpenPattern moved = std::move(ws.patterns[from]);
  ws.patterns.erase(ws.patterns.begin() + from);
  ws.patterns.insert(ws.patterns.begin() + to, std::move(moved));
  int next = active;
  if (active == from)
    next = to;
  else if (from < active && to >= active)
    --next;
  else if (from > active && to <= active)
    ++next;
  Unstash(ws, next);
}

Colour NextPatternColour(const Session& session) {
  for (Colour c : kPatternPalette) {
    const auto used = [c](const OpenPattern& p) { return p.colour == c; };
    if (std::none_of(session.patterns.begin(), session.patterns.end(), used)) return c;
  }
  return kPatternPalette[session.patterns.size() % kPatternPalette.size()];
}

void CloseAllPatterns(Workspace& ws) {
  ws.patterns.clear();
  ws.activePattern = -1;
  static_cast<Pattern&>(ws) = Pattern{};
  ResetWorkspace(ws);
  SetClearedTitle(ws);
}

double ObservedAt(const Pattern& p, double x) {
  const int n = p.obsCount;
  if (n < 2) return 0;
  int lo = 1, hi = n;
  if (x <= p.obs[1].x) return p.obs[1].y;
  if (x >= p.obs[static_cast<std::size_t>(n)].x) return p.obs[static_cast<std::size_t>(n)].y;
  while (hi - lo > 1) {
    const int mid = (lo + hi) / 2;
    (p.obs[static_cast<std::size_t>(mid)].x <= x ? lo : hi) = mid;
  }
  const Point a = p.obs[static_cast<std::size_t>(lo)], b = p.obs[static_cast<std::size_t>(hi)];
  const double t = b.x > a.x ? (x - a.x) / (b.x - a.x) : 0.0;
  return a.y + t * (b.y - a.y);
}

float DSpacing(float wavelength, float twoTheta) {
  return static_cast<float>(wavelength / (2.0 * std::sin(twoTheta * 3.14159265 / 360.0)));
}

}  // namespace difscop::workspace
