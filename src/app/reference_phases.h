// Index > "Add Reference Phase...": phases computed from crystal structure
// CIFs drawn over the pattern, and the "Reference Phases" panel that lists
// them with their cell scale, zero shift, radiation and removal, and the
// calculated profile with its width.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "app/handlers.h"
#include "structures/reference_overlay.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace difscop::app {

inline constexpr int kIdAddReferencePhase = 32950;

class ReferencePhasePanel : public QWidget {
  Q_OBJECT

 public:
  ReferencePhasePanel(CommandContext& ctx, QWidget* parent = nullptr);

  // Asks for a CIF (and its data block when it holds several structures) and
  // adds its phase; a file that gives none is refused with the reason.
  void AddFromFile();
  // Adds the structure of a file's block without asking (an empty block:
  // the first with atoms); false, with the message shown, when refused.
  bool AddPhase(const std::string& path, const std::string& block);
  void RemoveSelected();

  const std::vector<structures::ReferencePhase>& phases() const { return phases_; }
  structures::ReferenceOptions& options() { return options_; }
  // Recomputes the overlays after a change of the phases or options.
  void Recompute();
  // Before a paint: recomputes when the pattern is another than last time.
  void FollowPattern();

 private:
  void ShowSelected();
  void ApplyEdits();

  CommandContext& ctx_;
  std::vector<structures::ReferencePhase> phases_;
  structures::ReferenceOptions options_;
  std::string patternKey_;
  int coloursUsed_ = 0;
  bool filling_ = false;
  QListWidget* list_;
  QDoubleSpinBox* cellScale_;
  QDoubleSpinBox* zeroShift_;
  QCheckBox* neutrons_;
  QPushButton* remove_;
  QCheckBox* profile_;
  QDoubleSpinBox* fwhm_;
  QLabel* status_;
};

// The panel of the main window, made (hidden) at the first call.
ReferencePhasePanel& ReferencePanelOf(CommandContext& ctx);

}  // namespace difscop::app
