// The legend: a box in the frame's top right corner with a line of each
// pattern's colour and its name, the reflection rows of the phases of a fit
// and the reference phases. Entries that do not fit are counted in a last
// line; a name longer than the legend can hold is cut short.
#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "plot/geometry.h"
#include "plot/palette.h"
#include "plot/plot.h"
#include "plot/view.h"

namespace difscop::plot {
namespace {

constexpr std::size_t kLongestName = 40;

// Cuts a name longer than the legend holds, in place.
void Shorten(std::string& text) {
  if (text.size() <= kLongestName) return;
  std::size_t cut = kLongestName - 3;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // UTF-8
  text.resize(cut);
  text.append("...");
}

// The legend's lines, written over the entries of the last paint so that
// their texts keep their memory.
class Lines {
 public:
  explicit Lines(std::vector<LegendEntry>& entries) : entries_(entries) {}
  ~Lines() { entries_.resize(used_); }
  std::string& Add(Colour colour, bool sample = true) {
    if (used_ == entries_.size()) entries_.emplace_back();
    LegendEntry& e = entries_[used_++];
    e.colour = colour;
    e.sample = sample;
    e.text.clear();
    return e.text;
  }

 private:
  std::vector<LegendEntry>& entries_;
  std::size_t used_ = 0;
};

void AddFitPhases(const Workspace& ws, const std::vector<ShownPattern>& shown, Lines& lines) {
  const bool activeShown = std::ranges::any_of(shown, &ShownPattern::active);
  const int phases = PhaseRows(ws);
  if (!activeShown || ws.rawLoaded || phases < 1) return;
  bool named = false;
  for (int k = 1; k <= phases; ++k) named = named || !ws.phaseName[k].empty();
  if (phases < 2 && !named) return;
  for (int k = 1; k <= phases; ++k) {
    const std::string& name = ws.phaseName[k];
    std::string& text = lines.Add(phases > 1 ? PhaseColour(k) : ws.colRef);
    if (name.empty()) {
      char number[16];
      const auto end = std::to_chars(number, number + sizeof number, k).ptr;
      text.append("Phase ").append(number, end);
    } else {
      text.assign(name);
    }
  }
}

void MakeEntries(const Workspace& ws, const std::vector<ShownPattern>& shown,
                 std::vector<LegendEntry>& entries) {
  {
    Lines lines(entries);
    if (shown.size() > 1 && ws.layout != workspace::Layout::kMap) {
      for (const ShownPattern& s : shown) lines.Add(s.colour).assign(PatternLabel(s.name));
    }
    AddFitPhases(ws, shown, lines);
    for (const workspace::ReferenceOverlay& phase : ws.referencePhases)
      lines.Add(phase.colour).assign(phase.name.empty() ? "Reference phase" : phase.name);
    if (!ws.indexedCell.sticks.empty())
      lines.Add(ws.indexedCell.colour).assign(ws.indexedCell.name);
  }
  for (LegendEntry& e : entries) Shorten(e.text);
}

}  // namespace

void DrawLegend(const Workspace& ws, const std::vector<ShownPattern>& shown, Surface& surface,
                std::vector<LegendEntry>& entries) {
  MakeEntries(ws, shown, entries);
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
    entries.resize(kept + 1);
    LegendEntry& last = entries.back();
    last.colour = ws.colFont;
    last.sample = false;
    char number[24];
    const auto end = std::to_chars(number, number + sizeof number, rest).ptr;
    last.text.assign("+ ").append(number, end).append(" more");
  }
  int textWidth = 0;
  for (const LegendEntry& e : entries) textWidth = std::max(textWidth, surface.TextExtent(e.text).width);
  const int line = 3 * w;
  const int boxWidth = w + line + w + textWidth + w;
  const int right = ws.plotRight - w;
  const int left = std::max(right - boxWidth, ws.plotLeft + 1);
  const int top = ws.plotTop + h / 2;
  const int rows = static_cast<int>(entries.size());
  surface.FillRect({left, top, right, top + rows * h + h / 2}, PaperColour(ws, ws.colBase));

  surface.SetTextColour(InkColour(ws, ws.colFont));
  for (int k = 0; k < rows; ++k) {
    const LegendEntry& e = entries[static_cast<std::size_t>(k)];
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
