#include "plot/reference_phases.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "plot/geometry.h"
#include "textio/text_writer.h"

namespace difscop::plot {
namespace {

using workspace::ReferenceOverlay;
using workspace::ReferenceStick;

// Sticks start at intensity 0, or at the frame's foot when the range starts
// above it.
int FootY(const Workspace& ws) {
  return std::clamp(DeviceY(ws, std::max(0.0f, ws.yMin)), ws.plotTop, ws.baseY);
}

int TopY(const Workspace& ws, const ReferenceStick& s) {
  return std::clamp(DeviceY(ws, s.height), ws.plotTop, ws.baseY);
}

bool InXRange(const Workspace& ws, int x) { return x >= ws.plotLeft && x <= ws.plotRight; }

void DrawProfile(const Workspace& ws, const ReferenceOverlay& phase, Surface& surface) {
  std::vector<DevicePoint> run;
  auto flush = [&] {
    if (run.size() >= 2) surface.Polyline(run);
    run.clear();
  };
  for (const workspace::Point& p : phase.profile) {
    const DevicePoint d{DeviceX(ws, p.x), DeviceY(ws, p.y)};
    if (InsideFrame(ws, d.x, d.y)) {
      run.push_back(d);
    } else {
      flush();
    }
  }
  flush();
}

void DrawLegend(const Workspace& ws, Surface& surface) {
  const int h = ws.fontSize;
  const int w = ws.fontSize / 2;
  surface.SetFont({ws.fontName, h, w, 0});
  surface.SetTransparentText(true);
  int widest = 0;
  for (const ReferenceOverlay& phase : ws.referencePhases)
    widest = std::max(widest, surface.TextExtent(phase.name).width);
  const int lineLength = 3 * w;
  const int left = ws.plotRight - w - widest - lineLength - w;
  int y = ws.plotTop + h / 2;
  for (const ReferenceOverlay& phase : ws.referencePhases) {
    const workspace::Colour colour = InkColour(ws, phase.colour);
    surface.SetPen({colour, 2, PenStyle::Solid});
    surface.MoveTo(left, y + h / 2);
    surface.LineTo(left + lineLength, y + h / 2);
    surface.SetTextColour(colour);
    surface.TextOut(left + lineLength + w, y, phase.name);
    y += h + h / 4;
  }
}

}  // namespace

workspace::Colour ReferencePhaseColour(int k) {
  static constexpr workspace::Colour kPalette[] = {
      workspace::RgbColour(255, 160, 0),   workspace::RgbColour(255, 64, 255),
      workspace::RgbColour(64, 224, 208),  workspace::RgbColour(240, 240, 240),
      workspace::RgbColour(255, 128, 160), workspace::RgbColour(160, 255, 96),
      workspace::RgbColour(176, 128, 255), workspace::RgbColour(200, 180, 100)};
  const int n = static_cast<int>(std::size(kPalette));
  return kPalette[((k % n) + n) % n];
}

void DrawReferencePhases(const Workspace& ws, Surface& surface) {
  if (ws.referencePhases.empty() || ws.xScale == 0.0f || ws.yScale == 0.0f) return;
  const int foot = FootY(ws);
  std::vector<DevicePoint> ends;
  for (const ReferenceOverlay& phase : ws.referencePhases) {
    ends.clear();
    for (const ReferenceStick& s : phase.sticks) {
      const int x = DeviceX(ws, s.twoTheta);
      if (!InXRange(ws, x)) continue;
      ends.push_back({x, foot});
      ends.push_back({x, TopY(ws, s)});
    }
    surface.SetPen({InkColour(ws, phase.colour), 1, PenStyle::Solid});
    if (!ends.empty()) surface.Segments(ends);
    if (!phase.profile.empty()) DrawProfile(ws, phase, surface);
  }
  DrawLegend(ws, surface);
}

std::optional<StickHit> ReferenceStickAt(const Workspace& ws, workspace::DevicePoint p) {
  if (ws.xScale == 0.0f || ws.yScale == 0.0f) return std::nullopt;
  constexpr int kReach = 3;
  const int foot = FootY(ws);
  std::optional<StickHit> best;
  int bestDistance = kReach + 1;
  for (std::size_t i = 0; i < ws.referencePhases.size(); ++i) {
    const std::vector<ReferenceStick>& sticks = ws.referencePhases[i].sticks;
    for (std::size_t j = 0; j < sticks.size(); ++j) {
      const int x = DeviceX(ws, sticks[j].twoTheta);
      const int distance = std::abs(x - p.x);
      if (distance >= bestDistance || !InXRange(ws, x)) continue;
      const int top = TopY(ws, sticks[j]);
      if (p.y > foot + kReach || p.y < top - kReach) continue;
      bestDistance = distance;
      best = StickHit{static_cast<int>(i), static_cast<int>(j)};
    }
  }
  return best;
}

std::string ReferenceStickText(const Workspace& ws, const StickHit& hit) {
  const ReferenceOverlay& phase = ws.referencePhases.at(hit.phase);
  const ReferenceStick& s = phase.sticks.at(hit.stick);
  return phase.name + "  " +
         textio::Format("%d %d %d  d = %.4f A  2theta = %.3f  I = %.1f", s.h, s.k, s.l, s.d,
                        s.twoTheta, s.intensity);
}

}  // namespace difscop::plot
