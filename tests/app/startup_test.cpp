// Window creation: the start directory, the file named on the command line
// read at the first paint, the title over a load, a cancelled open and a
// clear, the bar toggles; and a failed load reported once the frame is painted.
#include <QAction>
#include <QMessageBox>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <algorithm>
#include <filesystem>

#include "app/commands/command_table.h"
#include "app/toolbar_icons.h"
#include "app_test_support.h"

namespace difscop::apptest {

TEST(Startup, CommandLineFileAtTheFirstPaintThenCancelledOpenClearAndBars) {
  ScratchDir dir;
  const std::string fit = std::string(DIFSCOP_SOURCE_DIR) + "/examples/fit_two_phases.pat";
  TestFrame t({"-i", fit}, "/opt/x-ray/difscop-1.0/bin/difscop");
  workspace::Workspace& ws = t.ws();
  EXPECT_EQ(ws.startDirectory, std::filesystem::current_path().string());
  EXPECT_EQ(t.frame.windowTitle(), "Difscop --- [File Name : ]  ");
  EXPECT_EQ((std::vector<int>{ws.commandLineFilePending, ws.obsCount}), (std::vector<int>{1, 0}))
      << "nothing is read before the window paints";
  t.ShowAndPaint();
  EXPECT_TRUE(t.platform().messages.empty()) << t.platform().messages.front();
  EXPECT_EQ((std::vector<double>{double(ws.commandLineFilePending), double(ws.obsCount),
                                 double(ws.phaseCount), double(ws.plotDrawn), ws.xMin, ws.xMax}),
            (std::vector<double>{0, 5301, 2, 1, 10, 120}));
  const QString title = QString::fromStdString("Difscop --- [File Name : " + fit + " ]");
  EXPECT_EQ(t.frame.windowTitle(), title);
  t.frame.RunCommand(32779);  // cancelled: the title stays
  EXPECT_EQ(t.frame.windowTitle(), title);

  t.frame.RunCommand(32777);
  t.Settle();
  EXPECT_EQ(t.frame.windowTitle(), "Difscop --- [File Name :] ");
  EXPECT_EQ((std::vector<float>{float(ws.blankPlot), float(ws.plotDrawn), ws.xMax, ws.yMax}),
            (std::vector<float>{1, 0, 100, 8000}));
  // Each toggle shows and hides its own bar, with a check mark.
  QAction* toolbar = t.frame.action(commands::kIdToggleToolbar);
  QWidget* bars[] = {t.frame.toolBar(), t.frame.statusBar()};
  for (QAction* action : {toolbar, t.frame.action(commands::kIdToggleStatusBar)}) {
    action->trigger();
    EXPECT_EQ((std::vector<bool>{action->isChecked(), bars[0]->isVisible(), bars[1]->isVisible()}),
              (std::vector<bool>{false, action != toolbar, action == toolbar}));
    action->trigger();
    EXPECT_TRUE(action->isChecked() && bars[0]->isVisible() && bars[1]->isVisible());
  }
  // Closing the toolbar by itself clears the check mark too.
  t.frame.toolBar()->hide();
  EXPECT_FALSE(toolbar->isChecked());
  // Every button has a picture of its own.
  std::vector<QImage> pictures;
  for (QAction* button : t.frame.toolBar()->actions()) {
    if (button->isSeparator()) continue;
    const QImage picture = app::ToolbarImage(button->data().toInt());
    EXPECT_FALSE(picture.isNull()) << button->text().toStdString();
    EXPECT_EQ(std::count(pictures.begin(), pictures.end(), picture), 0)
        << button->text().toStdString();
    pictures.push_back(picture);
  }
}

TEST(Startup, FailedLoadIsReportedOnceTheEmptyFrameIsPainted) {
  ScratchDir dir;
  App();
  app::MainFrame frame("difscop", {"-i", dir.File("missing.pat")});  // real message boxes
  int picturesWhenShown = -1;
  QString text;
  ASSERT_TRUE(WithModalAs<QMessageBox>(
      [&] {
        frame.show();
        QTest::qWait(300);  // the box opens from the event loop after the paint
      },
      [&](QMessageBox* box) {
        picturesWhenShown = frame.patternWindow().pictureCount();
        text = box->text();
        box->accept();
      }));
  EXPECT_TRUE(text.startsWith("Cannot Data File Open !!\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("missing.pat")) << text.toStdString();
  EXPECT_GE(picturesWhenShown, 1);
  const workspace::Workspace& ws = frame.patternWindow().workspace();
  EXPECT_EQ(ws.commandLineFilePending, 0) << "reported once, not at every paint";
  EXPECT_EQ(ws.blankPlot, 1);
}

}  // namespace difscop::apptest
