// Workspaces for the plot tests: distinct colours per role so the recorded
// drawing tells the elements apart.
#pragma once

#include <functional>
#include <memory>

#include "workspace/workspace.h"

namespace difscop::plot::testing {

inline constexpr workspace::Colour kBack = 0x010101;
inline constexpr workspace::Colour kBase = 0x020202;
inline constexpr workspace::Colour kFrame = 0x030303;
inline constexpr workspace::Colour kObs = 0x040404;
inline constexpr workspace::Colour kCalc = 0x050505;
inline constexpr workspace::Colour kDiff = 0x060606;
inline constexpr workspace::Colour kRef = 0x070707;
inline constexpr workspace::Colour kFont = 0x080808;
inline constexpr workspace::Colour kInk = 0x0A0B0C;
inline constexpr workspace::Colour kPaper = 0xF0F1F2;

inline std::unique_ptr<workspace::Workspace> MakeWorkspace() {
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  ws->colBack = kBack;
  ws->colBase = kBase;
  ws->colFrame = kFrame;
  ws->colObs = kObs;
  ws->colCalc = kCalc;
  ws->colDiff = kDiff;
  ws->colRef = kRef;
  ws->colFont = kFont;
  ws->colMonoInk = kInk;
  ws->colMonoPaper = kPaper;
  return ws;
}

// A measured pattern of n points from x0 in steps, loaded as a raw read
// leaves it (one segment, range and ticks chosen).
inline void LoadRaw(workspace::Workspace& ws, int n, float x0, float step,
                    const std::function<float(int)>& y) {
  for (int i = 1; i <= n; ++i) ws.obs[i] = {x0 + (i - 1) * step, y(i)};
  ws.obsCount = n;
  ws.stepStart = x0;
  ws.stepWidth = step;
  ws.stepEnd = ws.obs[n].x;
  ws.segmentCount = 1;
  ws.segmentPointCount[1] = n;
  ws.rawLoaded = 1;
  ws.blankPlot = 0;
  workspace::AutoRange(ws);
  workspace::ChooseTicks(ws);
}

// A fit: observed and calculated profiles over the given segments.
inline void LoadFitted(workspace::Workspace& ws, std::initializer_list<int> segments, float x0,
                       float step, int phases, const std::function<float(int)>& yObs,
                       const std::function<float(int)>& yCalc) {
  int n = 0;
  ws.segmentCount = 0;
  for (int c : segments) {
    ws.segmentPointCount[++ws.segmentCount] = c;
    n += c;
  }
  for (int i = 1; i <= n; ++i) {
    ws.obs[i] = {x0 + (i - 1) * step, yObs(i)};
    ws.calc[i] = {ws.obs[i].x, yCalc(i)};
  }
  ws.obsCount = n;
  ws.stepWidth = step;
  ws.phaseCount = phases;
  ws.rawLoaded = 0;
  ws.blankPlot = 0;
  workspace::AutoRange(ws);
  workspace::ChooseTicks(ws);
}

}  // namespace difscop::plot::testing
