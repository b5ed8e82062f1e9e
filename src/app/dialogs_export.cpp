// Dialogs of the export commands.
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/qt_platform.h"

namespace difscop::app {

namespace {
const QString kMessageTitle = QStringLiteral("Difscop");
}  // namespace

bool QtPlatform::EditDataType(platform::DataTypeDialog& data) {
  QDialog dialog(DialogParent());
  dialog.setWindowTitle(QStringLiteral("Data Type for Rietan INT FIle"));
  auto* box = new QGroupBox(QStringLiteral("Data Type"));
  auto* boxLayout = new QVBoxLayout(box);
  auto* group = new QButtonGroup(&dialog);
  const char* const kTexts[] = {"One-stepped Observed Data", "Two-stepped Observed Data",
                                "One-stepped Smoothed Data", "Two-stepped Smoothed Data"};
  for (int i = 0; i < 4; ++i) {
    auto* radio = new QRadioButton(QString::fromLatin1(kTexts[i]));
    group->addButton(radio, i);
    boxLayout->addWidget(radio);
  }
  if (QAbstractButton* checked = group->button(data.dataType)) checked->setChecked(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(box);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (group->checkedId() >= 0) data.dataType = group->checkedId();
  return true;
}

bool QtPlatform::AskOkCancel(const std::string& text) {
  return QMessageBox::question(DialogParent(), kMessageTitle, QString::fromStdString(text),
                               QMessageBox::Ok | QMessageBox::Cancel,
                               QMessageBox::Ok) == QMessageBox::Ok;
}

void QtPlatform::ShowInformation(const std::string& text) {
  QMessageBox::information(DialogParent(), kMessageTitle, QString::fromStdString(text));
}

}  // namespace difscop::app
