// Edit > "Fit Peaks..." and its "Fit Results" panel: one row per fitted line
// with its uncertainties, the fit's figures, and the buttons that copy the
// table, save it as CSV, make the fitted positions the peak list and take a
// standard's widths as the instrument's. The panel follows the active
// pattern's fit.
#pragma once

#include <QWidget>
#include <cstdint>

#include "app/handlers.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace difscop::app {

class FitResultsPanel : public QWidget {
  Q_OBJECT

 public:
  explicit FitResultsPanel(CommandContext& ctx, QWidget* parent = nullptr);

  // Shows the active pattern's fit; cheap when it is the one shown.
  void Refresh();
  // The table as the clipboard gets it (tab-separated, a header line).
  void CopyTable();

  QTableWidget* table() const { return table_; }
  QLabel* summary() const { return summary_; }

 private:
  CommandContext& ctx_;
  QTableWidget* table_;
  QLabel* summary_;
  QPushButton* copy_;
  QPushButton* save_;
  QPushButton* use_;
  QPushButton* instrument_;
  std::uint32_t shownSerial_ = 0;
  bool shown_ = false;
};

// The panel of the main window, made (in a dock, hidden) at the first call.
FitResultsPanel& FitResultsPanelOf(CommandContext& ctx);

}  // namespace difscop::app
