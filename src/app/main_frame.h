// The main window: menus, toolbar and status bar built from the command
// table, the pattern window in the middle, the About box.
#pragma once

#include <QMainWindow>
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/handlers.h"

class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QToolBar;

namespace difscop::app {

class DesktopIntegration;
class PatternListDock;
class PatternWindow;

class MainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // platform: null for the Qt dialogs (tests pass scripted answers).
  MainFrame(const std::string& programPath, const std::vector<std::string>& arguments,
            std::unique_ptr<platform::Platform> platform = nullptr);
  ~MainFrame() override;

  PatternWindow& patternWindow() { return *pattern_; }
  DesktopIntegration& desktop() { return *desktop_; }
  PatternListDock& patternList() { return *patternList_; }
  QToolBar* toolBar() const { return toolBar_; }
  // The action of a command (menu item and toolbar button share it).
  QAction* action(int id) const;
  // The three text panes of the status bar.
  const std::array<QLabel*, 3>& statusPanes() const { return panes_; }
  bool HasHandler(int id) const;
  // The installed handlers (a test may add or take out one).
  HandlerMap& handlers() { return handlers_; }
  // What the handlers act on, for the ones that keep it (panels).
  CommandContext& context() { return *context_; }

  // Runs a command as its menu item would, if it is enabled.
  void RunCommand(int id);
  // Greys or enables every command from the workspace flags.
  void UpdateEnabling();
  // Copies title and pane texts from the workspace and refreshes the toolbar.
  void SyncFromWorkspace();

  void ShowAbout();

 signals:
  // The first picture is on screen and the files named together on the
  // command line have been opened.
  void startupDone();

 private:
  void OpenStartupFiles();
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  QAction* MakeAction(int id);

  PatternWindow* pattern_ = nullptr;
  DesktopIntegration* desktop_ = nullptr;
  PatternListDock* patternList_ = nullptr;
  QDockWidget* fitResults_ = nullptr;
  QDockWidget* referencePhases_ = nullptr;
  WindowHooks* hooks_ = nullptr;
  std::unique_ptr<CommandContext> context_;
  HandlerMap handlers_;
  std::map<int, QAction*> actions_;
  QToolBar* toolBar_ = nullptr;
  std::array<QLabel*, 3> panes_{};
};

}  // namespace difscop::app
