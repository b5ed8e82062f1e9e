// Dialogs of the plot commands.
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "app/qt_platform.h"
#include "app/set_range_form.h"
#include "app/spin_buttons.h"

namespace difscop::app {

SetRangeForm::SetRangeForm(const platform::SetRangeDialog& data, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Axis Range Setting"));
  auto* grid = new QGridLayout(this);
  for (int i = 0; i < 6; ++i) {
    const platform::RangeField& field = data.fields[i];
    auto* label = new QLabel(QString::fromStdString(field.label));
    edits_[i] = new QLineEdit(QString::fromStdString(field.text));
    edits_[i]->setMaximumWidth(100);
    // Up and down in a field move its spin buttons.
    edits_[i]->installEventFilter(this);
    spins_[i] = new SpinButtons;
    spins_[i]->SetRange(field.spinMinimum, field.spinMaximum);
    spins_[i]->SetPosition(field.spinPosition);
    const int multiplier = field.multiplier;
    QLineEdit* edit = edits_[i];
    connect(spins_[i], &SpinButtons::positionChanged, edit,
            [edit, multiplier](int p) { edit->setText(QString::number(multiplier * p)); });
    label->setBuddy(edits_[i]);
    grid->addWidget(label, i, 0);
    grid->addWidget(edits_[i], i, 1);
    grid->addWidget(spins_[i], i, 2);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 6, 0, 1, 3);
}

void SetRangeForm::Store(platform::SetRangeDialog& data) const {
  for (int i = 0; i < 6; ++i) data.fields[i].text = edits_[i]->text().toStdString();
}

bool SetRangeForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    for (int i = 0; i < 6; ++i) {
      if (watched != edits_[i]) continue;
      if (key == Qt::Key_Up || key == Qt::Key_Down) {
        spins_[i]->Step(key == Qt::Key_Up ? 1 : -1);
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool QtPlatform::EditRange(platform::SetRangeDialog& data) {
  SetRangeForm form(data, DialogParent());
  if (form.exec() != QDialog::Accepted) return false;
  form.Store(data);
  return true;
}

}  // namespace difscop::app
