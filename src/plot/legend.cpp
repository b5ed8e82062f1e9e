// The legend: a box in the frame's top right corner with a line of each
// pattern's colour and its name, the reflection rows of the phases of a fit
// and the reference phases. Entries that do not fit are counted in a last
// line; a name longer than the legend can hold is cut short.
#include <algorithm>
#include <string>
#include <vector>

#include "plot/geometry.h"
#include "plot/palette.h"
#include "plot/plot.h"
#include "plot/view.h"

namespace difscop::plot {
namespace {

struct Entry {
  Colour colour;
  std::string text;
  bool sample = true;  // a line of the colour before the text
};

constexpr std::size_t kLongestName = 40;

std::string Shortened(std::string text) {
  if (text.size() <= kLongestName) return text;
  std::size_t cut = kLongestName - 3;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // UTF-8
  return text.substr(0, cut) + "...";
}

void AddFitPhases(const Workspace& ws, const std::vector<ShownPattern>& shown,
                  std::vector<Entry>& entries);

std::vector<Entry> Entries(const Workspace& ws, const std::vector<ShownPattern>& shown) {
  std::vector<Entry> entries;
  if (shown.size() > 1 && ws.layout != workspace::Layout::kMap) {
    for (const ShownPattern& s : shown) entries.push_back({s.colour, PatternLabel(s.name)});
  }
  AddFitPhases(ws, shown, entries);
  for (const workspace::ReferenceOverlay& phase : ws.referencePhases)
    entries.push_back({phase.colour, phase.name.empty() ? "Reference phase" : phase.name});
  for (Entry& e : entries) e.text = Shortened(std::move(e.text));
  return entries;
}

void AddFitPhases(const Workspace& ws, const std::vector<ShownPattern>& shown,
                  std::vector<Entry>& entries) {
  const bool activeShown = std::ranges::any_of(shown, &ShownPattern::active);
  const int phases = PhaseRows(ws);
  if (!activeShown || ws.rawLoaded || phases < 1) return;
  bool named = false;
  for (int k = 1; k <= phases; ++k) named = named || !ws.phaseName[k].empty();
  if (phases < 2 && !named) return;
  for (int k = 1; k <= phases; ++k) {
    const std::string& name = ws.phaseName[k];
    entries.push_back({phases > 1 ? PhaseColour(k) : ws.colRef,
                       name.empty() ? "Phase " + std::to_string(k) : name});
  }
}

}  // namespace

void DrawLegend(const Workspace& ws, const std::vector<ShownPattern>& shown, Surface& surface) {
  std::vector<Entry> entries = Entries(ws, shown);
  if (entries.empty()) return;
  const int h = std::max(ws.fontSize, 8);
  const int w = h / 2;
  surface.SetFont({ws.fontName, h, w, 0});
  surface.SetTransparentText(true);

  // As many rows as the frame holds; the last one counts the rest.
  const int room = std::max((ws.baseY - ws.plotTop - h) / h, 1);
  if (static_cast<int>(entries.size()) > room) {
    const std::size_t kept = static_cast<std::size_t>(room - 1);
    const std::size_t rest = entries.size() - kept;
    entries.resize(kept);
    entries.push_back({ws.colFont, "+ " + std::to_string(rest) + " more", false});
  }
  int textWidth = 0;
  for (const Entry& e : entries) textWidth = std::max(textWidth, surface.TextExtent(e.text).width);
  const int line = 3 * w;
  const int boxWidth = w + line + w + textWidth + w;
  const int right = ws.plotRight - w;
  const int left = std::max(right - boxWidth, ws.plotLeft + 1);
  const int top = ws.plotTop + h / 2;
  const int rows = static_cast<int>(entries.size());
  surface.FillRect({left, top, right, top + rows * h + h / 2}, PaperColour(ws, ws.colBase));

  surface.SetTextColour(InkColour(ws, ws.colFont));
  for (int k = 0; k < rows; ++k) {
    const Entry& e = entries[static_cast<std::size_t>(k)];
    const int y = top + h / 4 + k * h;
    const int middle = y + h / 2;
    if (e.sample) {
      surface.SetPen({InkColour(ws, e.colour), 2, PenStyle::Solid});
      const DevicePoint ends[] = {{left + w, middle}, {left + w + line, middle}};
      surface.Segments(ends);
    }
    surface.TextOut(left + 2 * w + line, y, e.text);
  }
}

}  // namespace difscop::plot
