#include "app/main_frame.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/commands/command_line.h"
#include "app/commands/command_table.h"
#include "app/desktop_integration.h"
#include "app/fit_results.h"
#include "app/pattern_list.h"
#include "app/pattern_opening.h"
#include "app/pattern_window.h"
#include "app/reference_phases.h"
#include "app/toolbar_icons.h"
#include "import/open_commands.h"

namespace difscop::app {

namespace {

QString Text(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Widths of the three text panes, in blanks.
constexpr int kPaneBlanks[] = {18, 22, 72};

}  // namespace

MainFrame::MainFrame(const std::string& programPath, const std::vector<std::string>& arguments,
                     std::unique_ptr<platform::Platform> platform) {
  setWindowIcon(ProgramIcon());

  // The pattern window sits in a sunken panel that fills the client area.
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(panel->frameWidth(), panel->frameWidth(), panel->frameWidth(),
                             panel->frameWidth());
  pattern_ = new PatternWindow(panel, std::move(platform));
  layout->addWidget(pattern_);
  setCentralWidget(panel);
  setFocusProxy(pattern_);

  context_ = std::make_unique<CommandContext>(
      CommandContext{pattern_->workspace(), pattern_->platform(), pattern_, pattern_->hooks()});
  InstallAllHandlers(*context_, handlers_);

  pattern_->Create(programPath, arguments);

  // The list of open patterns shows itself once a second one opens.
  patternList_ = new PatternListDock(this, *context_);
  addDockWidget(Qt::LeftDockWidgetArea, patternList_);
  patternList_->hide();
  connect(patternList_, &PatternListDock::edited, this, &MainFrame::SyncFromWorkspace);
  // The fit's table shows itself after Fit Peaks; the menu shows or hides it.
  fitResults_ = qobject_cast<QDockWidget*>(FitResultsPanelOf(*context_).parentWidget());
  fitResults_->hide();
  // So does the reference phases' list after Add Reference Phase.
  referencePhases_ = qobject_cast<QDockWidget*>(ReferencePanelOf(*context_).parentWidget());

  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  connect(pattern_, &PatternWindow::workspaceChanged, this, &MainFrame::SyncFromWorkspace);
  resize(800, 600);
  desktop_ = new DesktopIntegration(*this, *context_);
  SyncFromWorkspace();
  // Outside the paint: reading many files runs an event loop of its own.
  connect(pattern_, &PatternWindow::firstPaintDone, this,
          [this] { QTimer::singleShot(0, this, &MainFrame::OpenStartupFiles); });
}

void MainFrame::OpenStartupFiles() {
  std::vector<std::string> files = std::move(context_->ws.startupFiles);
  context_->ws.startupFiles.clear();
  if (!files.empty()) {
    OpenFiles(*context_, files, import::LoadFileByType);
    SyncFromWorkspace();
    pattern_->repaint();
  }
  emit startupDone();
}

MainFrame::~MainFrame() = default;

QAction* MainFrame::action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

bool MainFrame::HasHandler(int id) const {
  switch (id) {
    case commands::kIdExit:
    case commands::kIdAbout:
    case commands::kIdToggleToolbar:
    case commands::kIdToggleStatusBar:
    case commands::kIdTogglePatternList:
    case commands::kIdToggleFitResults:
    case commands::kIdToggleReferencePhases:
      return true;
    default:
      return handlers_.count(id) != 0;
  }
}

QAction* MainFrame::MakeAction(int id) {
  const commands::Command* command = commands::FindCommand(id);
  auto* action = new QAction(Text(command->label), this);
  action->setStatusTip(Text(commands::StatusPrompt(command->prompt)));
  const QString tip = Text(commands::Tooltip(command->prompt));
  action->setToolTip(tip.isEmpty() ? action->text() : tip);
  action->setIcon(ToolbarIcon(id));
  action->setIconVisibleInMenu(false);
  action->setData(id);
  switch (id) {
    case commands::kIdToggleToolbar:
    case commands::kIdToggleStatusBar:
      action->setCheckable(true);
      action->setChecked(true);
      break;
    case commands::kIdTogglePatternList:
    case commands::kIdToggleFitResults:
    case commands::kIdToggleReferencePhases: {
      QDockWidget* dock = id == commands::kIdTogglePatternList ? patternList_
                          : id == commands::kIdToggleFitResults ? fitResults_
                                                                : referencePhases_;
      action->setCheckable(true);
      connect(action, &QAction::toggled, dock, &QWidget::setVisible);
      connect(dock, &QDockWidget::visibilityChanged, action, [this, action](bool visible) {
        if (!isHidden() || visible) action->setChecked(visible);
      });
      break;
    }
    case commands::kIdExit:
      connect(action, &QAction::triggered, this, &QWidget::close);
      break;
    case commands::kIdAbout:
      connect(action, &QAction::triggered, this, &MainFrame::ShowAbout);
      break;
    default:
      // A choice of the View menu shows a check mark when it is in force.
      if (commands::Checked(pattern_->workspace(), id)) action->setCheckable(true);
      connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
      break;
  }
  actions_[id] = action;
  return action;
}

void MainFrame::BuildMenus() {
  // Open menus by depth while walking the rows.
  std::array<QMenu*, 8> open{};
  for (const commands::MenuRow& row : commands::MenuRows()) {
    using Kind = commands::MenuRow::Kind;
    QMenu* parent = row.depth > 0 ? open[row.depth - 1] : nullptr;
    switch (row.kind) {
      case Kind::Submenu:
        open[row.depth] =
            parent ? parent->addMenu(Text(row.label)) : menuBar()->addMenu(Text(row.label));
        // Enabling is decided when a menu is about to open.
        connect(open[row.depth], &QMenu::aboutToShow, this, &MainFrame::UpdateEnabling);
        break;
      case Kind::Separator:
        parent->addSeparator();
        break;
      case Kind::Command:
        parent->addAction(MakeAction(row.id));
        break;
    }
  }
}

void MainFrame::BuildToolBar() {
  toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
  toolBar_->setObjectName(QStringLiteral("toolbar"));
  toolBar_->setIconSize(QSize(kButtonWidth, kButtonHeight));
  toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
  toolBar_->setMovable(true);
  for (int id : commands::ToolbarIds()) {
    if (id == 0) {
      toolBar_->addSeparator();
    } else {
      toolBar_->addAction(action(id));
    }
  }
  addToolBar(Qt::TopToolBarArea, toolBar_);

  QAction* toggle = action(commands::kIdToggleToolbar);
  connect(toggle, &QAction::toggled, toolBar_, &QWidget::setVisible);
  // The toolbar can also be closed from its own context menu.
  connect(toolBar_, &QToolBar::visibilityChanged, toggle, [this, toggle](bool visible) {
    if (!isHidden() || visible) toggle->setChecked(visible);
  });
}

void MainFrame::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  // The message pane: prompts of the menu item or button under the mouse
  // cover it, "Ready" otherwise.
  bar->addWidget(new QLabel(QStringLiteral("Ready")), 1);
  const QFontMetrics metrics(bar->font());
  for (int i = 0; i < 3; ++i) {
    panes_[i] = new QLabel(bar);
    panes_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panes_[i]->setMinimumWidth(metrics.horizontalAdvance(QString(kPaneBlanks[i], ' ')) +
                               2 * panes_[i]->frameWidth() + 4);
    bar->addPermanentWidget(panes_[i]);
  }
  QAction* toggle = action(commands::kIdToggleStatusBar);
  connect(toggle, &QAction::toggled, bar, &QWidget::setVisible);
}

void MainFrame::UpdateEnabling() {
  const workspace::Workspace& ws = pattern_->workspace();
  for (auto& [id, action] : actions_) {
    action->setEnabled(HasHandler(id) && commands::Enabled(ws, id));
    if (const std::optional<bool> checked = commands::Checked(ws, id)) action->setChecked(*checked);
  }
}

void MainFrame::SyncFromWorkspace() {
  const workspace::Workspace& ws = pattern_->workspace();
  const QString title = QString::fromStdString(ws.windowTitle);
  if (windowTitle() != title) setWindowTitle(title);
  for (int i = 0; i < 3; ++i) {
    const QString text = QString::fromStdString(ws.statusPaneText[i]);
    if (panes_[i] && panes_[i]->text() != text) panes_[i]->setText(text);
  }
  if (patternList_) patternList_->Refresh();
  if (auto* fit = findChild<FitResultsPanel*>()) fit->Refresh();
  UpdateEnabling();
}

void MainFrame::RunCommand(int id) {
  QAction* a = action(id);
  if (a) UpdateEnabling();
  if (a && !a->isEnabled()) return;
  auto it = handlers_.find(id);
  if (it == handlers_.end()) return;
  it->second();
  SyncFromWorkspace();
}

void MainFrame::ShowAbout() {
  QDialog about(this);
  about.setWindowTitle(QStringLiteral("About Difscop"));
  auto* icon = new QLabel;
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  auto* text = new QVBoxLayout;
  std::string version = commands::VersionText();  // "Difscop 1.0\n"
  version = "Difscop Version " + version.substr(version.find(' ') + 1);
  while (!version.empty() && version.back() == '\n') version.pop_back();
  text->addWidget(new QLabel(QString::fromStdString(version)));
  text->addWidget(new QLabel(QStringLiteral("Powder diffraction pattern viewer and work bench")));
  text->addWidget(new QLabel(QStringLiteral("Copyright \u00A9 2025 The Difscop developers")));
  auto* licence = new QLabel(QStringLiteral(
      "Free software under the GNU General Public License, version 3 or (at your option) any "
      "later version, <a href=\"https://www.gnu.org/licenses/gpl-3.0.html\">GPL-3.0-or-later</a>. "
      "There is no warranty."));
  licence->setWordWrap(true);
  licence->setOpenExternalLinks(true);
  text->addWidget(licence);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addLayout(text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  auto* layout = new QVBoxLayout(&about);
  layout->addLayout(top);
  layout->addWidget(buttons);
  about.exec();
}

}  // namespace difscop::app
