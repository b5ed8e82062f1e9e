// Dialogs of the settings commands: "Setting" (plot colours and sizes) and
// "External program directory" (the outside programs' paths).
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

#include "app/qt_platform.h"
#include "app/spin_buttons.h"
#include "settings/setting_dialog.h"
#include "workspace/workspace.h"

namespace difscop::app {

namespace {

using platform::ExternalProgramDialog;
using platform::SettingDialog;

QColor ToQColor(std::uint32_t c) {
  return QColor(workspace::RedOf(c), workspace::GreenOf(c), workspace::BlueOf(c));
}

std::uint32_t FromQColor(const QColor& c) {
  return workspace::RgbColour(c.red(), c.green(), c.blue());
}

void Paint(QFrame* swatch, std::uint32_t colour) {
  QPalette palette = swatch->palette();
  palette.setColor(QPalette::Window, ToQColor(colour));
  swatch->setPalette(palette);
  swatch->update();
}

QString FromPath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}
std::string ToPath(const QString& text) {
  return QFile::encodeName(text).toStdString();
}

}  // namespace

bool QtPlatform::EditSettings(SettingDialog& data) {
  // Colours chosen in the dialog live in this copy until OK.
  SettingDialog working = data;

  QDialog dialog(DialogParent());
  dialog.setWindowTitle(QString::fromUtf8(SettingDialog::kCaption));

  auto* colourGroup = new QGroupBox(QString::fromUtf8(SettingDialog::kColourGroup));
  auto* colourGrid = new QGridLayout(colourGroup);
  for (int i = 0; i < static_cast<int>(SettingDialog::kColourRows.size()); ++i) {
    auto* swatch = new QFrame;
    swatch->setObjectName(QStringLiteral("swatch%1").arg(i));
    swatch->setFrameStyle(QFrame::Box | QFrame::Plain);
    swatch->setAutoFillBackground(true);
    swatch->setMinimumSize(48, 18);
    Paint(swatch, working.colours[i]);
    auto* button = new QPushButton(QString::fromUtf8(SettingDialog::kColourButton));
    button->setObjectName(QStringLiteral("colourButton%1").arg(i));
    button->setAutoDefault(false);
    button->setMaximumWidth(40);
    QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &working, swatch, i] {
      const QColor chosen = QColorDialog::getColor(ToQColor(working.colours[i]), &dialog);
      if (!chosen.isValid()) return;  // Cancel keeps the colour
      working.colours[i] = FromQColor(chosen);
      Paint(swatch, working.colours[i]);
    });
    colourGrid->addWidget(new QLabel(QString::fromUtf8(SettingDialog::kColourRows[i].label)), i, 0);
    colourGrid->addWidget(swatch, i, 1);
    colourGrid->addWidget(button, i, 2);
  }

  // Each size: an edit and spin buttons that write into it; a typed value
  // is checked on OK, so the font size may be 0 though its spin stops at 1.
  std::array<QLineEdit*, SettingDialog::kSizeRows.size()> edits{};
  auto* sizeColumn = new QVBoxLayout;
  QGroupBox* group = nullptr;
  QGridLayout* groupGrid = nullptr;
  for (int i = 0; i < static_cast<int>(SettingDialog::kSizeRows.size()); ++i) {
    const platform::SettingSizeRow& row = SettingDialog::kSizeRows[i];
    const QString groupName = QString::fromUtf8(row.group);
    if (!group || group->title() != groupName) {
      group = new QGroupBox(groupName);
      groupGrid = new QGridLayout(group);
      sizeColumn->addWidget(group);
    }
    auto* edit = new QLineEdit(QString::number(working.sizes[i]));
    edit->setObjectName(QStringLiteral("sizeEdit%1").arg(i));
    edit->setMaximumWidth(60);
    auto* spin = new SpinButtons;
    spin->setObjectName(QStringLiteral("sizeSpin%1").arg(i));
    spin->SetRange(row.spinMin, row.spinMax);
    spin->SetPosition(working.sizes[i]);
    QObject::connect(spin, &SpinButtons::positionChanged, edit,
                     [edit](int position) { edit->setText(QString::number(position)); });
    QObject::connect(edit, &QLineEdit::textEdited, spin, [spin](const QString& text) {
      bool ok = false;
      const int value = text.trimmed().toInt(&ok);
      if (ok) spin->SetPosition(value);
    });
    const int line = groupGrid->rowCount();
    groupGrid->addWidget(new QLabel(QString::fromUtf8(row.label)), line, 0);
    auto* field = new QHBoxLayout;
    field->setSpacing(0);
    field->addWidget(edit);
    field->addWidget(spin);
    groupGrid->addLayout(field, line, 1);
    edits[i] = edit;
  }
  sizeColumn->addStretch();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
    for (std::size_t i = 0; i < edits.size(); ++i) {
      bool ok = false;
      const int value = edits[i]->text().trimmed().toInt(&ok);
      if (!ok) {
        QMessageBox::warning(&dialog, QStringLiteral("Difscop"),
                             QStringLiteral("Please enter an integer."));
        edits[i]->setFocus();
        edits[i]->selectAll();
        return;
      }
      working.sizes[i] = value;
    }
    if (std::optional<std::string> refused = settings::CheckSettingSizes(working)) {
      QMessageBox::warning(&dialog, QStringLiteral("Difscop"), QString::fromStdString(*refused));
      QLineEdit* edit = edits[settings::FirstRejectedSize(working)];
      edit->setFocus();
      edit->selectAll();
      return;
    }
    dialog.accept();
  });

  auto* columns = new QHBoxLayout;
  columns->addWidget(colourGroup);
  columns->addLayout(sizeColumn);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(columns);
  layout->addWidget(buttons);

  if (dialog.exec() != QDialog::Accepted) return false;
  data = working;
  return true;
}

bool QtPlatform::EditExternalPrograms(ExternalProgramDialog& data) {
  QDialog dialog(DialogParent());
  dialog.setWindowTitle(QString::fromUtf8(ExternalProgramDialog::kCaption));
  auto* grid = new QGridLayout;
  std::array<QLineEdit*, ExternalProgramDialog::kRows.size()> edits{};
  for (int i = 0; i < static_cast<int>(ExternalProgramDialog::kRows.size()); ++i) {
    const platform::ExternalProgramRow& row = ExternalProgramDialog::kRows[i];
    auto* edit = new QLineEdit(FromPath(data.paths[i]));
    edit->setObjectName(QStringLiteral("programEdit%1").arg(i));
    edit->setMinimumWidth(360);
    auto* browse = new QPushButton(QStringLiteral("Browse"));
    browse->setObjectName(QStringLiteral("browseButton%1").arg(i));
    browse->setAutoDefault(false);
    QObject::connect(browse, &QPushButton::clicked, &dialog, [this, edit, &row] {
      std::optional<std::string> chosen =
          ChooseOpenFile({row.filter, row.defaultExtension, ToPath(edit->text())});
      if (chosen) edit->setText(FromPath(*chosen));
    });
    grid->addWidget(new QLabel(QString::fromUtf8(row.label)), i, 0);
    grid->addWidget(edit, i, 1);
    grid->addWidget(browse, i, 2);
    edits[i] = edit;
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(grid);
  layout->addWidget(buttons);

  if (dialog.exec() != QDialog::Accepted) return false;
  for (std::size_t i = 0; i < edits.size(); ++i) data.paths[i] = ToPath(edits[i]->text());
  return true;
}

}  // namespace difscop::app
