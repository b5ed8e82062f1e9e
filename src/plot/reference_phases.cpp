#include "plot/reference_phases.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "plot/axes.h"
#include "plot/geometry.h"
#include "plot/view.h"
#include "textio/text_writer.h"

namespace difscop::plot {
namespace {

using workspace::ReferenceOverlay;
using workspace::ReferenceStick;

// The phases are computed at the active pattern's wavelength and scaled to
// its counts: they are drawn on the axes shown as that pattern is, with its
// normalisation and stack offset. On a map, whose rows are patterns, the
// sticks hang from the frame's top, a sixth of it for the strongest.
struct StickMapper {
  const Workspace& ws;
  ActiveView view;
  float low;
  bool map;

  explicit StickMapper(const Workspace& w)
      : ws(w),
        view(ActivePatternView(w)),
        low(ScaleY(w.yAxis, YLow(w))),
        map(w.layout == workspace::Layout::kMap) {}

  int X(float twoTheta) const { return DeviceX(ws, AxisX(ws.xAxis, twoTheta, view.wavelength)); }
  int CountsY(float counts) const {
    if (ws.yAxis == workspace::YAxis::kLog && !(counts * view.scale > 0.0f))
      return ws.baseY;  // nothing to show on a log scale
    const float t = ScaleY(ws.yAxis, counts * view.scale) + view.offset;
    return std::clamp(ws.baseY + TruncCoordinate((t - low) * ws.yScale), ws.plotTop, ws.baseY);
  }
  // Sticks start at intensity 0 (or the frame's foot when the range starts
  // above it); on a map at the frame's top.
  int Foot() const {
    if (map) return ws.plotTop;
    return CountsY(ws.yAxis == workspace::YAxis::kLog ? 0.0f : std::max(0.0f, UnscaledLow()));
  }
  int Top(const ReferenceStick& s, float strongest) const {
    if (!map) return CountsY(s.height);
    const float share = strongest > 0.0f ? s.height / strongest : 0.0f;
    return ws.plotTop + static_cast<int>(share * static_cast<float>(ws.baseY - ws.plotTop) / 6.0f);
  }
  // The indexed cell's sticks reach at least two marker rows from the foot.
  int CellTop(const ReferenceStick& s, float strongest, int foot) const {
    const int top = Top(s, strongest), least = 2 * std::abs(ws.rowStep);
    if (map) return std::max(top, foot + least);
    return std::max(std::min(top, foot - least), ws.plotTop);
  }
  float UnscaledLow() const { return ws.yMin; }
};

bool InXRange(const Workspace& ws, int x) { return x >= ws.plotLeft && x <= ws.plotRight; }

float Strongest(const ReferenceOverlay& phase) {
  float top = 0.0f;
  for (const ReferenceStick& s : phase.sticks) top = std::max(top, s.height);
  return top;
}

void DrawProfile(const Workspace& ws, const StickMapper& m, const ReferenceOverlay& phase,
                 Surface& surface) {
  std::vector<DevicePoint> run;
  auto flush = [&] {
    if (run.size() >= 2) surface.Polyline(run);
    run.clear();
  };
  for (const workspace::Point& p : phase.profile) {
    const DevicePoint d{m.X(p.x), m.CountsY(p.y)};
    if (InsideFrame(ws, d.x, d.y)) {
      run.push_back(d);
    } else {
      flush();
    }
  }
  flush();
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

workspace::Colour IndexedCellColour() { return workspace::RgbColour(255, 255, 255); }

void DrawReferencePhases(const Workspace& ws, Surface& surface) {
  if ((ws.referencePhases.empty() && ws.indexedCell.sticks.empty()) || ws.xScale == 0.0f ||
      ws.yScale == 0.0f)
    return;
  const StickMapper m(ws);
  const int foot = m.Foot();
  std::vector<DevicePoint> ends;
  auto draw = [&](const ReferenceOverlay& phase, bool cell) {
    ends.clear();
    const float strongest = Strongest(phase);
    for (const ReferenceStick& s : phase.sticks) {
      const int x = m.X(s.twoTheta);
      if (!InXRange(ws, x)) continue;
      ends.push_back({x, foot});
      ends.push_back({x, cell ? m.CellTop(s, strongest, foot) : m.Top(s, strongest)});
    }
    surface.SetPen({InkColour(ws, phase.colour), 1, PenStyle::Solid});
    if (!ends.empty()) surface.Segments(ends);
    if (!phase.profile.empty() && !m.map) DrawProfile(ws, m, phase, surface);
  };
  for (const ReferenceOverlay& phase : ws.referencePhases) draw(phase, false);
  draw(ws.indexedCell, true);
}

std::optional<StickHit> ReferenceStickAt(const Workspace& ws, workspace::DevicePoint p) {
  if (ws.xScale == 0.0f || ws.yScale == 0.0f) return std::nullopt;
  constexpr int kReach = 3;
  const StickMapper m(ws);
  const int foot = m.Foot();
  std::optional<StickHit> best;
  int bestDistance = kReach + 1;
  for (std::size_t i = 0; i <= ws.referencePhases.size(); ++i) {
    const bool cell = i == ws.referencePhases.size();
    const ReferenceOverlay& phase = cell ? ws.indexedCell : ws.referencePhases[i];
    const std::vector<ReferenceStick>& sticks = phase.sticks;
    const float strongest = Strongest(phase);
    for (std::size_t j = 0; j < sticks.size(); ++j) {
      const int x = m.X(sticks[j].twoTheta);
      const int distance = std::abs(x - p.x);
      if (distance >= bestDistance || !InXRange(ws, x)) continue;
      const int top = cell ? m.CellTop(sticks[j], strongest, foot) : m.Top(sticks[j], strongest);
      const int upper = std::min(top, foot), lower = std::max(top, foot);
      if (p.y > lower + kReach || p.y < upper - kReach) continue;
      bestDistance = distance;
      best = StickHit{static_cast<int>(i), static_cast<int>(j)};
    }
  }
  return best;
}

std::string ReferenceStickText(const Workspace& ws, const StickHit& hit) {
  const bool cell = hit.phase == static_cast<int>(ws.referencePhases.size());
  const ReferenceOverlay& phase = cell ? ws.indexedCell : ws.referencePhases.at(hit.phase);
  const ReferenceStick& s = phase.sticks.at(hit.stick);
  std::string text = phase.name + "  " +
                     textio::Format("%d %d %d  d = %.4f A  2theta = %.3f", s.h, s.k, s.l, s.d,
                                    s.twoTheta);
  if (!cell) text += textio::Format("  I = %.1f", s.intensity);
  return text;
}

}  // namespace difscop::plot
