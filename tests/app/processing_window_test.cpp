// The processing dialogs and picking in the real window, driven as a user
// would: widgets filled and buttons pressed, mouse events on the plot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "app/qt_platform.h"
#include "app_test_support.h"

using namespace difscop;
using difscop::apptest::ScratchDir;
using difscop::apptest::TestFrame;

namespace {

int DeviceX(const workspace::Workspace& ws, double x) {
  return ws.plotLeft + static_cast<int>(std::lround((x - ws.xMin) * ws.xScale));
}
int DeviceY(const workspace::Workspace& ws, double y) {
  return ws.baseY + static_cast<int>(std::lround((y - ws.yMin) * ws.yScale));
}

// Closes the message box that the next modal step opens, keeping its text.
void AnswerNextMessage(QString& text) {
  QTimer::singleShot(50, [&text] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      text = box->text();
      box->accept();
    }
  });
}

}  // namespace

TEST(ProcessingDialogs, SmoothingRefusesACountOutsideTheRangeAndStaysOpen) {
  apptest::App();
  app::QtPlatform platform(nullptr, nullptr);
  platform::SmoothingDialog data{3, true};
  bool ok = false;
  QString refusal;
  bool stillOpen = false;
  ASSERT_TRUE(apptest::WithModal([&] { ok = platform.EditSmoothing(data); },
                                 [&](QWidget* w) {
                                   EXPECT_EQ(w->windowTitle(), "Smoothing Point");
                                   auto* edit = w->findChild<QLineEdit*>();
                                   EXPECT_EQ(edit->text(), "3");
                                   edit->setText("30");
                                   AnswerNextMessage(refusal);
                                   static_cast<QDialog*>(w)->accept();
                                   stillOpen = w->isVisible();
                                   edit->setText("9");
                                   w->findChild<QCheckBox*>()->setChecked(false);
                                   static_cast<QDialog*>(w)->accept();
                                 }));
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(refusal, "Please enter an integer between 1 and 25.");
  EXPECT_TRUE(ok);
  EXPECT_EQ(data.points, 9);
  EXPECT_FALSE(data.smoothingOn);
}

TEST(ProcessingDialogs, AnodeRowFillsTheWavelengthsAndPeakListSaves) {
  apptest::App();
  app::QtPlatform platform(nullptr, nullptr);
  platform::XraySourceDialog data{" 1.5405930", " 1.5444100", " 0.500",
                                  " 185.000",   " 0.05",      " 0.05"};
  bool ok = false;
  ASSERT_TRUE(apptest::WithModal([&] { ok = platform.EditXraySource(data); },
                                 [&](QWidget* w) {
                                   EXPECT_EQ(w->windowTitle(), "Conditions for Ka2 Elimination");
                                   auto* table = w->findChild<QTableWidget*>("anodeTable");
                                   ASSERT_NE(table, nullptr);
                                   ASSERT_EQ(table->rowCount(), 5);
                                   EXPECT_EQ(table->item(2, 0)->text(), "Co");
                                   const QRect cell = table->visualItemRect(table->item(2, 3));
                                   QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                                                     cell.center());
                                   static_cast<QDialog*>(w)->accept();
                                 }));
  EXPECT_TRUE(ok);
  EXPECT_EQ(data.ka1Text, "1.78900");
  EXPECT_EQ(data.ka2Text, "1.79289");
  EXPECT_EQ(data.ratioText, " 0.500");

  platform::PeakListDialog list;
  list.lines = {"  1  28.443  3.1356     1234"};
  int saves = 0;
  QStringList shown;
  ASSERT_TRUE(apptest::WithModal([&] { platform.ShowPeakList(list, [&] { ++saves; }); },
                                 [&](QWidget* w) {
                                   EXPECT_EQ(w->windowTitle(), "Searched Peak List");
                                   auto* box = w->findChild<QListWidget*>("peakList");
                                   for (int i = 0; i < box->count(); ++i)
                                     shown << box->item(i)->text();
                                   w->findChild<QPushButton*>("saveAs")->click();
                                   static_cast<QDialog*>(w)->accept();
                                 }));
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(shown, QStringList{"  1  28.443  3.1356     1234"});
}

TEST(ProcessingWindow, DoubleClickPicksAPeakAndMarksItUntilTheNextPaint) {
  ScratchDir dir;
  TestFrame t;
  apptest::WriteXyFile(dir.File("raw.xy"), 10, 50, 0.02);  // peaks at 22 and 38
  t.frame.resize(1200, 700);
  t.ShowAndPaint();
  t.platform().openAnswers.push_back(dir.File("raw.xy"));
  t.frame.RunCommand(32783);
  t.Settle();
  workspace::Workspace& ws = t.ws();
  ASSERT_TRUE(ws.plotDrawn);

  t.frame.RunCommand(32838);
  t.Settle();
  ASSERT_TRUE(ws.manualPeakMode);
  const QPoint at(DeviceX(ws, 22.0), (ws.plotTop + ws.plotBottom) / 2);
  apptest::MouseMove(&t.window(), at);
  apptest::MouseDoubleClick(&t.window(), at);
  ASSERT_EQ(ws.manualPeakCount, 1);
  EXPECT_NEAR(ws.peak2Theta[1], 22.0f, 2.0f / ws.xScale + 0.02f);

  // The marker is the inverse of the difference colour.
  const workspace::Colour inverse = ~ws.colDiff & 0xFFFFFF;
  const QColor marker(workspace::RedOf(inverse), workspace::GreenOf(inverse),
                      workspace::BlueOf(inverse));
  auto markerShown = [&] {
    const QImage shot = t.window().grab().toImage();
    return shot.pixelColor(at.x(), ws.plotTop + 5) == marker;
  };
  t.Settle();
  EXPECT_TRUE(markerShown());
  t.window().RequestRepaint();
  t.Settle();
  EXPECT_FALSE(markerShown());

  // The list shows the refined peak.
  t.frame.RunCommand(32816);
  ASSERT_EQ(t.platform().peakListShown.size(), 1u);
  ASSERT_EQ(t.platform().peakListShown[0].lines.size(), 1u);
  EXPECT_NEAR(ws.peak2Theta[1], 22.0f, 0.01f);
}

TEST(ProcessingWindow, BackgroundPointsByClicksThenOverlay) {
  ScratchDir dir;
  TestFrame t;
  apptest::WriteXyFile(dir.File("raw.xy"), 10, 50, 0.02);
  t.frame.resize(1200, 700);
  t.ShowAndPaint();
  t.platform().openAnswers.push_back(dir.File("raw.xy"));
  t.frame.RunCommand(32783);
  t.Settle();
  workspace::Workspace& ws = t.ws();

  t.frame.RunCommand(32854);
  ASSERT_TRUE(ws.backgroundPickMode);
  for (double x : {12.0, 16.0, 27.0, 31.0, 44.0, 48.0}) {
    apptest::MouseClick(&t.window(), QPoint(DeviceX(ws, x), DeviceY(ws, 100.0)));
    t.Settle();
  }
  ASSERT_EQ(ws.backgroundPointCount, 6);
  t.platform().yesNoAnswers = {false};
  t.frame.RunCommand(32858);
  ASSERT_EQ(t.platform().questions.size(), 1u);
  EXPECT_EQ(t.platform().questions[0],
            "Saved as " + dir.File("rawBkG.dat") + " (report: " + dir.File("BkG.txt") +
                ").  Reload Bk file ?");
  EXPECT_TRUE(ws.backgroundCurveValid);
  EXPECT_FALSE(ws.backgroundPickMode);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "BkG.txt"));
  // The clicked level is the background: a flat stretch reduces to about 0.
  EXPECT_NEAR(ws.background[100].y, 0.0f, 30.0f);
}
