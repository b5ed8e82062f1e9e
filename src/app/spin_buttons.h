// An up-down control without a buddy: two arrow buttons keeping a position
// within a range (no wrap). The owner decides what a position writes where.
#pragma once

#include <QWidget>

class QToolButton;

namespace difscop::app {

class SpinButtons : public QWidget {
  Q_OBJECT

 public:
  explicit SpinButtons(QWidget* parent = nullptr);

  void SetRange(int minimum, int maximum);
  void SetPosition(int position);
  int position() const { return position_; }
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  // One step up (+1) or down (-1), as the arrows and the arrow keys do.
  void Step(int steps);

 signals:
  void positionChanged(int position);

 private:
  QToolButton* up_;
  QToolButton* down_;
  int minimum_ = 0;
  int maximum_ = 100;
  int position_ = 0;
};

}  // namespace difscop::app
