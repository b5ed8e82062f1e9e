#include "app/spin_buttons.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace difscop::app {

SpinButtons::SpinButtons(QWidget* parent) : QWidget(parent) {
  up_ = new QToolButton(this);
  down_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(16, 11);
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(up_);
  layout->addWidget(down_);
  connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
  connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
}

void SpinButtons::SetRange(int minimum, int maximum) {
  minimum_ = std::min(minimum, maximum);
  maximum_ = std::max(minimum, maximum);
  position_ = std::clamp(position_, minimum_, maximum_);
}

void SpinButtons::SetPosition(int position) {
  position_ = std::clamp(position, minimum_, maximum_);
}

void SpinButtons::Step(int steps) {
  const int next = std::clamp(position_ + steps, minimum_, maximum_);
  if (next == position_) return;
  position_ = next;
  emit positionChanged(position_);
}

}  // namespace difscop::app
