#include "app/qt_platform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <filesystem>

namespace difscop::app {

namespace {

const QString kTitle = QStringLiteral("Difscop");

std::string ToPath(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

// "*.dat;*.raw" -> "*.dat *.DAT *.raw *.RAW"; "*.*" means every file here.
QString QtPatterns(const QString& patterns) {
  QStringList out;
  for (QString p : patterns.split(';', Qt::SkipEmptyParts)) {
    p = p.trimmed();
    if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    if (!out.contains(p)) out << p;
    // Files made on the desktop these formats come from often carry upper-case
    // extensions; the Qt dialog compares case-sensitively.
    const QString upper = p.toUpper();
    if (!out.contains(upper)) out << upper;
  }
  return out.join(' ');
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i].trimmed();
    if (desc.isEmpty()) break;  // the "||" that ends the list
    // Qt takes the patterns from the last parenthesised group, so a
    // description that already shows its patterns loses them first.
    const int open = desc.lastIndexOf('(');
    if (open > 0 && desc.endsWith(')')) desc = desc.left(open).trimmed();
    filters << desc + " (" + QtPatterns(parts[i + 1]) + ")";
  }
  return filters.join(QStringLiteral(";;"));
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
  if (extension.empty()) return path;
  if (std::filesystem::path(path).filename().has_extension()) return path;
  return extension.front() == '.' ? path + extension : path + "." + extension;
}

QtPlatform::QtPlatform(QWidget* parent, std::function<void()> repaint)
    : parent_(parent), repaint_(std::move(repaint)) {}

QWidget* QtPlatform::DialogParent() const {
  return parent_ ? parent_->window() : nullptr;
}

void QtPlatform::ShowMessage(const std::string& text) {
  Beep();
  const QString message = QString::fromStdString(text);
  if (deferMessages_) {
    QPointer<QWidget> owner = DialogParent();
    QTimer::singleShot(0, QApplication::instance(),
                       [owner, message] { QMessageBox::warning(owner, kTitle, message); });
    return;
  }
  QMessageBox::warning(DialogParent(), kTitle, message);
}

bool QtPlatform::AskYesNo(const std::string& text) {
  return QMessageBox::question(DialogParent(), kTitle, QString::fromStdString(text),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

void QtPlatform::Beep() {
  QApplication::beep();
}

std::vector<std::string> QtPlatform::ChooseOpenFiles(const platform::FileDialogRequest& request,
                                                     bool several) {
  QFileDialog dialog(DialogParent(), QString(),
                     lastDirectory_.isEmpty() ? QDir::currentPath() : lastDirectory_,
                     QtFileFilter(request.filter));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(several ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  if (!request.defaultExtension.empty()) {
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension).remove(0, 1));
  }
  if (!request.initialName.empty()) dialog.selectFile(QString::fromStdString(request.initialName));
  std::vector<std::string> chosen;
  if (dialog.exec() != QDialog::Accepted) return chosen;
  for (const QString& file : dialog.selectedFiles()) {
    lastDirectory_ = QFileInfo(file).absolutePath();
    chosen.push_back(ToPath(QFileInfo(file).absoluteFilePath()));
  }
  return chosen;
}

std::optional<std::string> QtPlatform::ChooseOpenFile(const platform::FileDialogRequest& request) {
  std::vector<std::string> chosen = ChooseOpenFiles(request, false);
  if (chosen.empty()) return std::nullopt;
  return chosen.front();
}

std::vector<std::string> QtPlatform::ChooseOpenFiles(const platform::FileDialogRequest& request) {
  return ChooseOpenFiles(request, true);
}

std::optional<std::string> QtPlatform::ChooseSaveFile(const platform::FileDialogRequest& request) {
  QFileDialog dialog(DialogParent(), QString(),
                     lastDirectory_.isEmpty() ? QDir::currentPath() : lastDirectory_,
                     QtFileFilter(request.filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!request.defaultExtension.empty()) {
    QString suffix = QString::fromStdString(request.defaultExtension);
    if (suffix.startsWith('.')) suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
  }
  if (!request.initialName.empty()) dialog.selectFile(QString::fromStdString(request.initialName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
  lastDirectory_ = QFileInfo(chosen).absolutePath();
  const std::string path = ToPath(chosen);
  const std::string full = WithDefaultExtension(path, request.defaultExtension);
  // A dialog that did not add the extension itself has not asked about the
  // file that will really be written.
  if (full != path && QFileInfo::exists(QFile::decodeName(full.c_str()))) {
    const QString name = QFileInfo(QFile::decodeName(full.c_str())).fileName();
    if (QMessageBox::question(
            DialogParent(), kTitle, name + " already exists.\nDo you want to replace it?",
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
      return std::nullopt;
    }
  }
  return full;
}

void QtPlatform::RequestRepaint() {
  if (repaint_) repaint_();
}

}  // namespace difscop::app
