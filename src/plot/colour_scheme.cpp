#include "plot/colour_scheme.h"

#include <utility>

namespace difscop::plot {
namespace {

using workspace::Colour;
using workspace::RgbColour;
using workspace::View;

// Each display colour with its paper counterpart: the ground, the frame's
// inside and the lettering turn to white and black; the series keep their
// hue, darkened where the screen's would fade on white (yellow markers
// become purple, bright green a deep green).
constexpr std::pair<Colour View::*, Colour> kPaper[] = {
    {&View::colBack, RgbColour(255, 255, 255)}, {&View::colBase, RgbColour(255, 255, 255)},
    {&View::colFrame, RgbColour(0, 0, 0)},      {&View::colFont, RgbColour(0, 0, 0)},
    {&View::colObs, RgbColour(200, 0, 0)},      {&View::colObsFill, RgbColour(200, 0, 0)},
    {&View::colCalc, RgbColour(0, 0, 200)},     {&View::colDiff, RgbColour(0, 128, 0)},
    {&View::colDiffFill, RgbColour(0, 128, 0)}, {&View::colRef, RgbColour(128, 0, 128)},
};
static_assert(std::size(kPaper) == 10, "one saved colour a field");

}  // namespace

ColourSchemeScope::ColourSchemeScope(View& view, ColourScheme scheme) : view_(view) {
  if (scheme != ColourScheme::kPaper || !view.colorDrawing) return;
  replaced_ = true;
  for (std::size_t i = 0; i < kFields; ++i) {
    saved_[i] = view.*kPaper[i].first;
    view.*kPaper[i].first = kPaper[i].second;
  }
}

ColourSchemeScope::~ColourSchemeScope() {
  if (!replaced_) return;
  for (std::size_t i = 0; i < kFields; ++i) view_.*kPaper[i].first = saved_[i];
}

}  // namespace difscop::plot
