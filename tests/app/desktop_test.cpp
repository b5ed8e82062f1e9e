// The desktop side of the window: dropped files, Recent Files and the
// remembered geometry.
#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "app/commands/command_table.h"
#include "app/desktop_integration.h"
#include "app_test_support.h"

namespace difscop::apptest {

TEST(Desktop, DroppedAndRecentFilesOpenByTypeAndAreRemembered) {
  ScratchDir dir;
  std::vector<std::string> files;
  for (int i = 0; i < 12; ++i) {
    files.push_back(dir.File("p" + std::to_string(i) + ".xy"));
    WriteXyFile(files.back(), 10 + i, 40 + i, 0.02);
  }
  const QList<QUrl> dropped = {QUrl("https://example.org/a.xy"),  // only local files are taken
                               QUrl::fromLocalFile(QString::fromStdString(files[0])),
                               QUrl::fromLocalFile(QString::fromStdString(files[1]))};
  QStringList expected;
  {
    TestFrame t;
    t.ShowAndPaint();
    // The local files of a drop open.
    QMimeData data;
    data.setUrls(dropped);
    const QPoint at(t.frame.width() / 2, t.frame.height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&t.frame, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&t.frame, &drop);
    t.Settle();
    ASSERT_EQ(t.ws().patterns.size(), 2u);
    EXPECT_EQ(workspace::PatternAt(t.ws(), 0).dataFilePath, files[0]);
    // Open Pattern, twelve files: the ten newest are kept, newest first.
    for (int i = 1; i < 12; ++i) {
      t.platform().openAnswers.push_back(files[i]);
      t.frame.RunCommand(commands::kIdOpenPattern);
      t.Settle();
    }
    for (int i = 11; i > 1; --i) expected << QString::fromStdString(files[i]);
    EXPECT_EQ(t.frame.desktop().recentFiles(), expected);
    // A recent file opens from its menu entry and moves to the top.
    QMenu* recent = t.frame.desktop().recentMenu();
    ASSERT_EQ(recent->actions().size(), 10);
    EXPECT_EQ(recent->actions()[4]->text().toStdString(), "&5 " + files[7]);
    recent->actions()[4]->trigger();
    t.Settle();
    EXPECT_EQ(t.ws().dataFilePath, files[7]);
    // One that has gone says so and leaves the list.
    std::filesystem::remove(files[11]);
    recent->actions()[1]->trigger();
    EXPECT_FALSE(t.platform().messages.empty());
    t.frame.setGeometry(60, 70, 640, 470);
    t.frame.close();
  }
  // The next start has the list (without the one gone) and the window where
  // it was left.
  TestFrame next;
  expected.removeAll(QString::fromStdString(files[11]));
  expected.move(expected.indexOf(QString::fromStdString(files[7])), 0);
  EXPECT_EQ(next.frame.desktop().recentFiles(), expected);
  EXPECT_EQ(next.frame.size(), QSize(640, 470));
}

}  // namespace difscop::apptest

namespace difscop::apptest {

// An input that brings xylib down, opened from the window by Open Pattern
// and by Open Raw Data's xylib entry: the format's refusal, the pattern open
// before stays, and the window goes on with the next file.
TEST(Desktop, ALibraryCrashIsARefusalNotTheWindowsEnd) {
  ScratchDir dir;
  TestFrame t;
  t.OpenXy(dir.File("first.xy"));
  const std::string crash =
      std::string(DIFSCOP_SOURCE_DIR) + "/tests/data/xylib/uxd_counts_twice.uxd";
  for (int id : {commands::kIdOpenPattern, 32904}) {
    t.platform().messages.clear();
    t.platform().openAnswers.push_back(crash);
    t.frame.RunCommand(id);
    t.Settle();
    ASSERT_EQ(t.platform().messages.size(), 1u) << id;
    EXPECT_TRUE(t.platform().messages[0].starts_with(
        "Not Readable Format File !!!\nuxd_counts_twice.uxd: the reader stopped (signal "))
        << t.platform().messages[0];
    EXPECT_EQ(std::tuple(t.ws().obsCount, t.ws().dataFilePath), std::tuple(2001, dir.File("first.xy")));
  }
  t.platform().openAnswers.push_back(dir.File("first.xy"));
  t.frame.RunCommand(commands::kIdOpenPattern);
  t.Settle();
  EXPECT_EQ(std::tuple(t.ws().obsCount, t.ws().patterns.size()), std::tuple(2001, 2u));
}

}  // namespace difscop::apptest
