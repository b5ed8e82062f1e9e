// The colours a picture or a printout is drawn in: the screen's (the display
// settings: light lines on a dark ground) or paper's, white paper, dark ink
// and series colours that read on white.
#pragma once

#include <array>

#include "workspace/workspace.h"

namespace difscop::plot {

enum class ColourScheme { kPaper, kScreen };

// While it lives, the view draws in the scheme's colours; the display
// settings come back with it. The screen scheme changes nothing, and neither
// does black and white drawing, which has its own ink and paper.
class ColourSchemeScope {
 public:
  ColourSchemeScope(workspace::View& view, ColourScheme scheme);
  ~ColourSchemeScope();
  ColourSchemeScope(const ColourSchemeScope&) = delete;
  ColourSchemeScope& operator=(const ColourSchemeScope&) = delete;

 private:
  static constexpr std::size_t kFields = 10;
  workspace::View& view_;
  bool replaced_ = false;
  std::array<workspace::Colour, kFields> saved_{};
};

}  // namespace difscop::plot
