#include "app/desktop_integration.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "app/commands/command_table.h"
#include "app/main_frame.h"
#include "app/pattern_opening.h"
#include "app/pattern_window.h"
#include "import/open_commands.h"
#include "settings/settings_location.h"

namespace difscop::app {

namespace {

const QString kRecentKey = QStringLiteral("RecentFiles");
const QString kGeometryKey = QStringLiteral("Geometry");

std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

QString FromLocal(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// The local files among the dropped ones.
QStringList DroppedFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) files << url.toLocalFile();
  }
  return files;
}

}  // namespace

QString WindowSettingsPath() {
  const std::filesystem::path config = settings::UserConfigDirectory();
  if (config.empty()) return {};
  return FromLocal((config / "difscop" / "window.conf").string());
}

DesktopIntegration::DesktopIntegration(MainFrame& frame, CommandContext& context)
    : QObject(&frame), frame_(frame), context_(context) {
  HandlerMap& handlers = frame_.handlers();
  handlers[commands::kIdZoomBack] = [this] { frame_.patternWindow().ZoomBack(); };

  InstallShortcuts();
  BuildRecentMenu();
  frame_.setAcceptDrops(true);
  frame_.installEventFilter(this);
  connect(&frame_.patternWindow(), &PatternWindow::workspaceChanged, this,
          &DesktopIntegration::NoteShownPattern);
  RestoreGeometry();
}

void DesktopIntegration::InstallShortcuts() {
  const struct {
    int id;
    QKeySequence keys;
  } kShortcuts[] = {
      {commands::kIdOpenPattern, QKeySequence::Open},
      {commands::kIdExit, QKeySequence(Qt::CTRL | Qt::Key_Q)},
      {commands::kIdPrint, QKeySequence::Print},
      {commands::kIdZoomBack, QKeySequence(Qt::Key_Backspace)},
      {32837, QKeySequence::Copy},  // Copy to Clipboard
      {commands::kIdHelp, QKeySequence::HelpContents},
  };
  for (const auto& s : kShortcuts) {
    if (QAction* action = frame_.action(s.id)) action->setShortcut(s.keys);
  }
}

void DesktopIntegration::BuildRecentMenu() {
  QAction* open = frame_.action(commands::kIdOpenPattern);
  if (!open) return;
  for (QObject* object : open->associatedObjects()) {
    auto* menu = qobject_cast<QMenu*>(object);
    if (!menu) continue;
    recentMenu_ = new QMenu(QStringLiteral("Recent Files (&T)"), menu);
    const QList<QAction*> actions = menu->actions();
    const qsizetype at = actions.indexOf(open) + 1;
    menu->insertMenu(at < actions.size() ? actions[at] : nullptr, recentMenu_);
    break;
  }
  if (!recentMenu_) return;
  const QString file = WindowSettingsPath();
  if (!file.isEmpty()) {
    recent_ = QSettings(file, QSettings::IniFormat).value(kRecentKey).toStringList();
    while (recent_.size() > kRecentFiles) recent_.removeLast();
  }
  RefreshRecentMenu();
}

void DesktopIntegration::RefreshRecentMenu() {
  if (!recentMenu_) return;
  recentMenu_->clear();
  for (qsizetype i = 0; i < recent_.size(); ++i) {
    QString label = recent_[i];
    label.replace('&', QStringLiteral("&&"));
    if (i < 9) label = QStringLiteral("&%1 ").arg(i + 1) + label;
    const QString path = recent_[i];
    recentMenu_->addAction(label, this, [this, path] { OpenPatterns({LocalPath(path)}); });
  }
  recentMenu_->setEnabled(!recent_.isEmpty());
}

void DesktopIntegration::OpenPatterns(const std::vector<std::string>& paths) {
  const std::optional<std::vector<std::string>> opened =
      OpenFiles(context_, paths, import::LoadFileByType);
  if (opened) {
    for (const std::string& path : paths)
      if (std::find(opened->begin(), opened->end(), path) == opened->end()) Forget(FromLocal(path));
  }
  frame_.SyncFromWorkspace();
}

void DesktopIntegration::NoteShownPattern() {
  const workspace::Workspace& ws = context_.ws;
  if (ws.blankPlot || ws.dataFilePath.empty() || ws.dataFilePath == shownPattern_) return;
  shownPattern_ = ws.dataFilePath;
  Remember(FromLocal(ws.dataFilePath));
}

void DesktopIntegration::Remember(const QString& path) {
  recent_.removeAll(path);
  recent_.prepend(path);
  while (recent_.size() > kRecentFiles) recent_.removeLast();
  SaveRecent();
  RefreshRecentMenu();
}

void DesktopIntegration::Forget(const QString& path) {
  if (recent_.removeAll(path) == 0) return;
  SaveRecent();
  RefreshRecentMenu();
}

void DesktopIntegration::SaveRecent() const {
  const QString file = WindowSettingsPath();
  if (file.isEmpty()) return;
  QSettings settings(file, QSettings::IniFormat);
  settings.setValue(kRecentKey, recent_);
}

void DesktopIntegration::RestoreGeometry() {
  const QString file = WindowSettingsPath();
  if (file.isEmpty()) return;
  const QByteArray geometry =
      QSettings(file, QSettings::IniFormat).value(kGeometryKey).toByteArray();
  if (!geometry.isEmpty()) frame_.restoreGeometry(geometry);
}

void DesktopIntegration::SaveGeometry() const {
  const QString file = WindowSettingsPath();
  if (file.isEmpty()) return;
  QSettings settings(file, QSettings::IniFormat);
  settings.setValue(kGeometryKey, frame_.saveGeometry());
}

bool DesktopIntegration::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &frame_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (!DroppedFiles(drag->mimeData()).isEmpty()) {
        drag->acceptProposedAction();
        return true;
      }
      break;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList files = DroppedFiles(drop->mimeData());
      if (files.isEmpty()) break;
      drop->acceptProposedAction();
      std::vector<std::string> paths;
      for (const QString& file : files) paths.push_back(LocalPath(file));
      // Opened once the drop is over: the files' messages must not hold up
      // the program they were dragged from.
      QTimer::singleShot(0, this, [this, paths] { OpenPatterns(paths); });
      return true;
    }
    case QEvent::Close:
      SaveGeometry();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace difscop::app
