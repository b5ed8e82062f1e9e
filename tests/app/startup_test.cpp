// Window creation and the file named on the command line.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app_test_support.h"

using namespace difscop;
using difscop::apptest::ScratchDir;
using difscop::apptest::TestFrame;

TEST(Startup, CreationTakesSettingsFromTheStartDirectory) {
  ScratchDir dir;
  {
    // The same settings with a larger label font.
    std::ifstream in(dir.File("Difscop.ini"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.replace(text.find("SFont=18"), 8, "SFont=24");
    std::ofstream(dir.File("Difscop.ini"), std::ios::binary) << text;
  }
  TestFrame t;
  EXPECT_EQ(t.ws().startDirectory, std::filesystem::current_path().string());
  EXPECT_EQ(t.ws().fontSize, 24);
  EXPECT_EQ(t.ws().itoExe, "Ito13.exe");
  EXPECT_EQ(t.ws().treorOutput, "Treor.imp");
  EXPECT_EQ(t.ws().blankPlot, 1);
  EXPECT_TRUE(t.platform().messages.empty());
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

TEST(Startup, DashInTheProgramPathIsNoSwitch) {
  ScratchDir dir;
  TestFrame t({}, "/opt/x-ray/difscop-1.0/bin/difscop");
  t.ShowAndPaint();
  EXPECT_EQ(t.ws().commandLineFilePending, 0);
  EXPECT_EQ(t.ws().dataFilePath, "");
  EXPECT_EQ(t.ws().blankPlot, 1);
  EXPECT_EQ(t.ws().xMax, 100.0f);
  EXPECT_EQ(t.ws().yMax, 8000.0f);
  EXPECT_TRUE(t.platform().messages.empty()) << t.platform().messages.front();
  EXPECT_EQ(t.frame.windowTitle(), "Difscop --- [File Name : ]  ");
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

TEST(Startup, PaintHookRunsBeforeEachFreshPicture) {
  ScratchDir dir;
  TestFrame t;
  std::vector<std::pair<int, int>> sizes;
  std::vector<int> picturesBefore;
  t.window().hooks().beforePaint = [&](int w, int h) {
    sizes.emplace_back(w, h);
    picturesBefore.push_back(t.window().pictureCount());
  };
  t.ShowAndPaint();
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0], std::make_pair(t.window().width(), t.window().height()));
  EXPECT_EQ(picturesBefore[0], 0);
  // Uncovering the window reuses the picture; a repaint request draws anew.
  t.window().update();
  t.Settle();
  EXPECT_EQ(sizes.size(), 1u);
  t.window().RequestRepaint();
  t.Settle();
  EXPECT_EQ(sizes.size(), 2u);
}
