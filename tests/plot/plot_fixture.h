// Workspaces with one distinct colour per role, and a Surface that records
// what was drawn with the pen, brush, font and colours in force.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "plot/plot.h"
#include "plot/surface.h"
#include "workspace/workspace.h"

namespace difscop::plot::testing {

inline constexpr workspace::Colour kBack = 0x010101, kBase = 0x020202, kFrame = 0x030303,
                                   kObs = 0x040404, kCalc = 0x050505, kDiff = 0x060606,
                                   kRef = 0x070707, kFont = 0x080808, kInk = 0x0A0B0C,
                                   kPaper = 0xF0F1F2;

inline std::unique_ptr<workspace::Workspace> MakeWorkspace() {
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  std::tie(ws->colBack, ws->colBase, ws->colFrame, ws->colObs, ws->colCalc, ws->colDiff, ws->colRef,
           ws->colFont, ws->colMonoInk, ws->colMonoPaper) =
      std::tuple{kBack, kBase, kFrame, kObs, kCalc, kDiff, kRef, kFont, kInk, kPaper};
  return ws;
}

// Observed (and calculated) points over the given segments, then the
// automatic range and ticks, as after a load. A raw pattern has no yCalc.
inline void LoadPoints(workspace::Workspace& ws, std::initializer_list<int> segments, float x0,
                       float step, const std::function<float(int)>& yObs,
                       const std::function<float(int)>& yCalc = nullptr) {
  int n = 0;
  ws.segmentCount = 0;
  for (int c : segments) n += ws.segmentPointCount[++ws.segmentCount] = c;
  for (int i = 1; i <= n; ++i) {
    ws.obs[i] = {x0 + (i - 1) * step, yObs(i)};
    ws.calc[i] = {ws.obs[i].x, yCalc ? yCalc(i) : 0.0f};
  }
  std::tie(ws.obsCount, ws.stepWidth, ws.rawLoaded, ws.blankPlot) = std::tuple{n, step, !yCalc, 0};
  workspace::AutoRange(ws);
  workspace::ChooseTicks(ws);
}

struct DrawnLine {
  DevicePoint from, to;
  Pen pen;
  bool xorMode;
};

struct DrawnEllipse {
  Rect box;
  Pen pen;
  std::optional<Colour> fill;
  int CentreX() const { return (box.left + box.right) / 2; }
  int CentreY() const { return (box.top + box.bottom) / 2; }
};

struct DrawnText {
  int x, y;
  std::string text;
  FontSpec font;
  Colour colour;
  bool transparent;
};

class RecordingSurface : public Surface {
 public:
  std::vector<DrawnLine> lines;
  std::vector<DrawnEllipse> ellipses;
  std::vector<DrawnText> texts;
  std::vector<std::pair<Rect, Colour>> fills;
  struct {
    Rect where;
    std::vector<Colour> pixels;
    int width = 0, height = 0;
  } image;
  std::vector<std::string> calls;  // "pen", "polyline", "ellipses"

  void FillRect(const Rect& rect, Colour colour) override { fills.push_back({rect, colour}); }
  void SetPen(const Pen& pen) override {
    pen_ = pen;
    calls.push_back("pen");
  }
  void SetBrush(std::optional<Colour> fill) override { brush_ = fill; }
  void MoveTo(int x, int y) override { at_ = {x, y}; }
  void LineTo(int x, int y) override {
    lines.push_back({at_, {x, y}, pen_, xor_});
    at_ = {x, y};
  }
  void Ellipse(const Rect& box) override { ellipses.push_back({box, pen_, brush_}); }
  void SetFont(const FontSpec& font) override { font_ = font; }
  void SetTextColour(Colour colour) override { textColour_ = colour; }
  void SetTransparentText(bool transparent) override { transparent_ = transparent; }
  void TextOut(int x, int y, std::string_view text) override {
    texts.push_back({x, y, std::string(text), font_, textColour_, transparent_});
  }
  // Every character is one label width wide (9 pixels for the 18 pixel font).
  TextSize TextExtent(std::string_view text) override {
    return {static_cast<int>(text.size()) * font_.width, font_.height};
  }
  void SetXorMode(bool on) override { xor_ = on; }
  void Polyline(std::span<const DevicePoint> points) override {
    calls.push_back("polyline");
    Surface::Polyline(points);
  }
  void Image(const Rect& where, std::span<const Colour> pixels, int width, int height) override {
    image = {where, {pixels.begin(), pixels.end()}, width, height};
  }
  void Ellipses(std::span<const Rect> boxes) override {
    calls.push_back("ellipses");
    Surface::Ellipses(boxes);
  }

  std::vector<DrawnLine> LinesIn(Colour colour) const { return Having(lines, colour); }
  std::vector<DrawnEllipse> EllipsesIn(Colour colour) const { return Having(ellipses, colour); }
  const DrawnText* Text(std::string_view text) const {
    auto t = std::ranges::find(texts, text, &DrawnText::text);
    return t == texts.end() ? nullptr : &*t;
  }
  int Calls(std::string_view kind) const {
    return static_cast<int>(std::ranges::count(calls, kind));
  }

 private:
  template <typename T>
  static std::vector<T> Having(std::vector<T> all, Colour colour) {
    std::erase_if(all, [&](const T& e) { return e.pen.colour != colour; });
    return all;
  }

  Pen pen_;
  std::optional<Colour> brush_;
  FontSpec font_;
  Colour textColour_ = 0;
  bool transparent_ = false, xor_ = false;
  DevicePoint at_;
};

// The frame of a 700 by 480 client, as the paint lays it out.
inline RecordingSurface Frame(workspace::Workspace& ws) {
  RecordingSurface s;
  DrawFrame(ws, s, 700, 480);
  return s;
}

}  // namespace difscop::plot::testing
