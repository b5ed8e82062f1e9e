// The "Axis Range Setting" dialog: six whole-number fields, each with spin
// buttons that write a multiple of their position into it.
#pragma once

#include <QDialog>
#include <array>

#include "platform/platform.h"

class QLineEdit;

namespace difscop::app {

class SpinButtons;

class SetRangeForm : public QDialog {
  Q_OBJECT

 public:
  // Shows the fields of data; Store() hands the texts back.
  SetRangeForm(const platform::SetRangeDialog& data, QWidget* parent = nullptr);

  QLineEdit* edit(int field) const { return edits_[field]; }
  SpinButtons* spin(int field) const { return spins_[field]; }
  void Store(platform::SetRangeDialog& data) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<QLineEdit*, 6> edits_{};
  std::array<SpinButtons*, 6> spins_{};
};

}  // namespace difscop::app
