// Dialogs of the import commands.
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "app/qt_platform.h"
#include "textio/scan.h"

namespace difscop::app {

bool QtPlatform::EditNeutronWavelength(platform::NeutronWavelengthDialog& data) {
  QDialog dialog(DialogParent());
  dialog.setWindowTitle(QStringLiteral("Neutron Wavelength"));
  auto* edit = new QLineEdit(QString::fromStdString(data.wavelengthText));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&dialog, edit] {
    if (!textio::ParseFiniteNumber(edit->text().toStdString())) {
      QMessageBox::warning(&dialog, QStringLiteral("Difscop"), QString::fromLatin1(platform::kEnterNumber));
      edit->setFocus();
      edit->selectAll();
      return;
    }
    dialog.accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QGridLayout(&dialog);
  layout->addWidget(new QLabel(QStringLiteral("Wavelength (A):")), 0, 0);
  layout->addWidget(edit, 0, 1);
  layout->addWidget(buttons, 1, 0, 1, 2);
  edit->selectAll();
  if (dialog.exec() != QDialog::Accepted) return false;
  data.wavelengthText = edit->text().toStdString();
  return true;
}

}  // namespace difscop::app
