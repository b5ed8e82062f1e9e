// Window creation, the file named on the command line, the bar toggles and
// the title over a load, a cancelled open and a clear.
#include <gtest/gtest.h>

#include <QAction>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/commands/command_table.h"
#include "app_test_support.h"

using namespace difscop;
using difscop::apptest::ScratchDir;
using difscop::apptest::TestFrame;

TEST(Startup, SettingsFromTheStartDirectoryAndADashInTheProgramPathIsNoSwitch) {
  ScratchDir dir;
  {
    // The same settings with a larger label font.
    std::ifstream in(dir.File("Difscop.ini"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.replace(text.find("SFont=18"), 8, "SFont=24");
    std::ofstream(dir.File("Difscop.ini"), std::ios::binary) << text;
  }
  TestFrame t({}, "/opt/x-ray/difscop-1.0/bin/difscop");
  EXPECT_EQ(t.ws().startDirectory, std::filesystem::current_path().string());
  EXPECT_EQ(t.ws().fontSize, 24);
  t.ShowAndPaint();
  EXPECT_EQ(t.ws().commandLineFilePending, 0);
  EXPECT_EQ(t.ws().dataFilePath, "");
  EXPECT_EQ(t.ws().blankPlot, 1);
  EXPECT_TRUE(t.platform().messages.empty()) << t.platform().messages.front();
  EXPECT_EQ(t.frame.windowTitle(), "Difscop --- [File Name : ]  ");
}

TEST(Startup, CommandLineFileLoadsAtTheFirstPaint) {
  ScratchDir dir;
  apptest::WriteIgorFile(dir.File("fit.pat"), 800, 2);
  TestFrame t({"-i", dir.File("fit.pat")});
  EXPECT_EQ(t.ws().commandLineFilePending, 1);
  EXPECT_EQ(t.ws().obsCount, 0) << "nothing is read before the window paints";
  t.ShowAndPaint();
  EXPECT_TRUE(t.platform().messages.empty());
  EXPECT_EQ(t.ws().commandLineFilePending, 0);
  EXPECT_EQ(t.ws().obsCount, 800);
  EXPECT_EQ(t.ws().phaseCount, 2);
  EXPECT_EQ(t.ws().plotDrawn, 1);
  EXPECT_EQ(t.ws().xMin, 10.0f);
  EXPECT_EQ(t.ws().xMax, 30.0f);
  EXPECT_TRUE(t.frame.windowTitle().startsWith("Difscop --- [File Name : "));
  EXPECT_TRUE(t.frame.windowTitle().contains("fit.pat"));
}

TEST(Startup, FailedLoadIsReportedOnceTheEmptyFrameIsPainted) {
  ScratchDir dir;
  apptest::App();
  app::MainFrame frame("difscop", {"-i", dir.File("missing.pat")});  // real message boxes
  int picturesWhenShown = -1;
  QString text;
  const bool shown = apptest::WithModal(
      [&] {
        frame.show();
        // The box opens from the event loop after the paint.
        QTest::qWait(300);
      },
      [&](QWidget* w) {
        picturesWhenShown = frame.patternWindow().pictureCount();
        if (auto* box = qobject_cast<QMessageBox*>(w)) text = box->text();
        static_cast<QDialog*>(w)->accept();
      });
  ASSERT_TRUE(shown);
  EXPECT_TRUE(text.startsWith("Cannot Data File Open !!\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("missing.pat")) << text.toStdString();
  EXPECT_GE(picturesWhenShown, 1);
  const workspace::Workspace& ws = frame.patternWindow().workspace();
  EXPECT_EQ(ws.commandLineFilePending, 0) << "reported once, not at every paint";
  EXPECT_EQ(ws.blankPlot, 1);
}

TEST(MainFrame, TogglesShowAndHideBarsWithCheckMarks) {
  ScratchDir dir;
  TestFrame t;
  t.ShowAndPaint();
  QAction* toolbar = t.frame.action(commands::kIdToggleToolbar);
  QAction* status = t.frame.action(commands::kIdToggleStatusBar);
  ASSERT_TRUE(toolbar->isCheckable());
  EXPECT_TRUE(toolbar->isChecked());
  EXPECT_TRUE(status->isChecked());
  toolbar->trigger();
  EXPECT_FALSE(toolbar->isChecked());
  EXPECT_FALSE(t.frame.toolBar()->isVisible());
  status->trigger();
  EXPECT_FALSE(t.frame.statusBar()->isVisible());
  toolbar->trigger();
  status->trigger();
  EXPECT_TRUE(t.frame.toolBar()->isVisible());
  EXPECT_TRUE(t.frame.statusBar()->isVisible());
  // Closing the toolbar by itself clears the check mark too.
  t.frame.toolBar()->hide();
  EXPECT_FALSE(toolbar->isChecked());
}

TEST(MainFrame, TitleAfterLoadCancelledOpenAndClear) {
  ScratchDir dir;
  TestFrame t;
  const std::string xy = dir.File("quartz.xy");
  t.OpenXy(xy);
  EXPECT_EQ(t.frame.windowTitle().toStdString(), "Difscop --- [File Name : " + xy + "]  ");
  t.frame.RunCommand(32779);  // cancelled: the title stays
  EXPECT_EQ(t.frame.windowTitle().toStdString(), "Difscop --- [File Name : " + xy + "]  ");

  t.frame.RunCommand(32777);
  EXPECT_EQ(t.frame.windowTitle(), "Difscop --- [File Name :] ");
  EXPECT_EQ(t.ws().blankPlot, 1);
  EXPECT_EQ(t.ws().xMax, 100.0f);
  EXPECT_EQ(t.ws().yMax, 8000.0f);
}
