// The size, resolution and colours asked for before a picture is exported.
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

#include "app/qt_platform.h"

namespace difscop::app {

namespace {

QSpinBox* Spin(const char* name, int minimum, int maximum, int value, const char* suffix) {
  auto* spin = new QSpinBox;
  spin->setObjectName(QString::fromLatin1(name));
  spin->setRange(minimum, maximum);
  spin->setValue(value);
  spin->setSuffix(QString::fromLatin1(suffix));
  return spin;
}

}  // namespace

bool QtPlatform::EditPictureSize(platform::PictureSizeDialog& data) {
  QDialog dialog(DialogParent());
  dialog.setWindowTitle(QStringLiteral("Picture Size"));
  QSpinBox* width = Spin("width", 16, 16384, data.width, " px");
  QSpinBox* height = Spin("height", 16, 16384, data.height, " px");
  QSpinBox* dpi = Spin("dpi", 24, 2400, data.dpi, " dpi");
  dpi->setToolTip(QStringLiteral("96 draws one dot for each pixel of the window"));
  auto* screen = new QCheckBox(QStringLiteral("Screen colours (dark ground) instead of paper"));
  screen->setChecked(data.screenColours);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QFormLayout(&dialog);
  layout->addRow(QStringLiteral("Width :"), width);
  layout->addRow(QStringLiteral("Height :"), height);
  layout->addRow(QStringLiteral("Resolution :"), dpi);
  layout->addRow(screen);
  layout->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  data.width = width->value();
  data.height = height->value();
  data.dpi = dpi->value();
  data.screenColours = screen->isChecked();
  return true;
}

}  // namespace difscop::app
