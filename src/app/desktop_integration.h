// What a desktop user expects of the main window beyond its menus: the
// usual shortcut keys, patterns dropped from a file manager, File > Recent
// Files, the window's size and place kept from one run to the next, and
// stepping back through zooms.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "app/handlers.h"

class QMenu;

namespace difscop::app {

class MainFrame;

// The settings file of the window (geometry and recent files):
// <config>/difscop/window.conf; empty when there is no configuration
// directory, and nothing is kept.
QString WindowSettingsPath();

class DesktopIntegration : public QObject {
  Q_OBJECT

 public:
  static constexpr int kRecentFiles = 10;

  // Installs the handler of Zoom Back, the shortcuts and
  // the Recent Files menu into the built frame, and restores its geometry.
  DesktopIntegration(MainFrame& frame, CommandContext& context);

  // Opens files by their type into the list, as Open Pattern, a drop and
  // Recent Files do; one that cannot be opened leaves Recent Files.
  void OpenPatterns(const std::vector<std::string>& paths);

  QStringList recentFiles() const { return recent_; }
  QMenu* recentMenu() const { return recentMenu_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void InstallShortcuts();
  void BuildRecentMenu();
  void RefreshRecentMenu();
  // A pattern newly on screen joins Recent Files, which opens it again by
  // the format its contents show.
  void NoteShownPattern();
  void Remember(const QString& path);
  void Forget(const QString& path);
  void SaveRecent() const;
  void RestoreGeometry();
  void SaveGeometry() const;

  MainFrame& frame_;
  CommandContext& context_;
  QMenu* recentMenu_ = nullptr;
  QStringList recent_;
  std::string shownPattern_;
};

}  // namespace difscop::app
