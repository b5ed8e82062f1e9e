// Several patterns in the window: opened together, listed, made active,
// reordered, hidden, renamed, removed, and kept as a session.
#include <QListView>
#include <fstream>

#include "app/commands/command_table.h"
#include "app/pattern_list.h"
#include "app_test_support.h"

namespace difscop::apptest {

namespace {

// The list as "name[*]" per row, * for hidden, then "| active NAME".
std::string Listed(TestFrame& t) {
  t.frame.SyncFromWorkspace();
  std::string s;
  app::PatternListModel& model = *t.frame.patternList().model();
  for (int i = 0; i < model.rowCount(); ++i) {
    const QModelIndex row = model.index(i);
    s += model.data(row, Qt::DisplayRole).toString().toStdString() +
         (model.data(row, Qt::CheckStateRole).toInt() == Qt::Checked ? "" : "*") + " ";
  }
  const int active = t.ws().activePattern;
  return s + "| active " + (active >= 0 ? t.ws().patterns[active].name : "none");
}

}  // namespace

TEST(PatternList, OpenSeveralThenActivateReorderHideRenameAndRemove) {
  ScratchDir dir;
  TestFrame t;
  t.ShowAndPaint();
  for (const char* name : {"a.xy", "b.xy", "c.xy", "d.xy"}) WriteXyFile(dir.File(name), 10, 40, 0.05);
  std::ofstream(dir.File("bad.xy")) << "0 0\n";
  t.platform().openManyAnswers.push_back(
      {dir.File("a.xy"), dir.File("bad.xy"), dir.File("b.xy"), dir.File("gone.xy"), dir.File("c.xy")});
  t.frame.RunCommand(commands::kIdOpenPattern);
  t.Settle();
  EXPECT_EQ(Listed(t), "a.xy b.xy c.xy | active c.xy");
  EXPECT_TRUE(t.frame.patternList().isVisible());
  // The two failures in one message, each with its reason.
  ASSERT_EQ(t.platform().messages.size(), 1u);
  const std::string& report = t.platform().messages[0];
  EXPECT_TRUE(report.starts_with("2 of 5 files could not be opened !!!\n\n" + dir.File("bad.xy") +
                                 "\nNot xy Format File !!!\nbad.xy"))
      << report;
  EXPECT_NE(report.find(dir.File("gone.xy") + "\nCannot Data File Open !!\ngone.xy: "), std::string::npos);
  EXPECT_EQ(t.frame.windowTitle().toStdString(), "Difscop --- [File Name : " + dir.File("c.xy") + "]  ");

  // Choosing a row makes its pattern active, with its data and title.
  QListView* view = t.frame.patternList().view();
  view->setCurrentIndex(view->model()->index(0, 0));
  EXPECT_EQ(Listed(t), "a.xy b.xy c.xy | active a.xy");
  EXPECT_EQ(t.ws().dataFilePath, dir.File("a.xy"));
  EXPECT_TRUE(t.frame.windowTitle().toStdString().find("a.xy") != std::string::npos);
  t.frame.patternList().MoveActive(1);
  t.frame.patternList().MoveActive(1);
  t.frame.patternList().MoveActive(1);  // already last
  EXPECT_EQ(Listed(t), "b.xy c.xy a.xy | active a.xy");
  // A drag asks the model for the same move.
  EXPECT_TRUE(view->model()->moveRow({}, 0, {}, 2));
  EXPECT_EQ(Listed(t), "c.xy b.xy a.xy | active a.xy");
  view->model()->setData(view->model()->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
  view->model()->setData(view->model()->index(2, 0), "300 K", Qt::EditRole);
  view->model()->setData(view->model()->index(0, 0), "  ", Qt::EditRole);  // no empty names
  EXPECT_EQ(Listed(t), "c.xy b.xy* 300 K | active 300 K");
  EXPECT_EQ(t.frame.windowTitle().toStdString(),
            "Difscop --- [File Name : " + dir.File("a.xy") + "]  300 K");

  // A lone file opens beside them; one that fails leaves them as they were.
  t.platform().messages.clear();
  t.platform().openAnswers = {dir.File("d.xy"), dir.File("bad.xy")};
  t.frame.RunCommand(commands::kIdOpenPattern);
  t.frame.RunCommand(32783);
  EXPECT_EQ(Listed(t), "c.xy b.xy* 300 K d.xy | active d.xy");
  EXPECT_EQ(t.platform().Headlines(), (std::vector<std::string>{"Not xy Format File !!!"}));
  EXPECT_EQ(std::tuple(t.ws().obsCount, int(t.ws().blankPlot)), std::tuple(601, 0));

  // Removing the active pattern makes the next one active; Close All empties the list.
  t.frame.patternList().RemoveActive();
  EXPECT_EQ(Listed(t), "c.xy b.xy* 300 K | active 300 K");
  t.frame.RunCommand(commands::kIdCloseAll);
  EXPECT_EQ(Listed(t), "| active none");
  EXPECT_EQ(std::tuple(t.ws().obsCount, t.ws().windowTitle),
            std::tuple(0, std::string("Difscop --- [File Name :] ")));
}

TEST(PatternList, SessionsKeepTheListAndViewAndSkipMissingFiles) {
  ScratchDir dir;
  {
    TestFrame t({dir.File("a.xy"), dir.File("b.xy"), dir.File("c.xy")});
    for (const char* name : {"a.xy", "b.xy", "c.xy"}) WriteXyFile(dir.File(name), 10, 40, 0.05);
    t.ShowAndPaint();
    t.Settle();
    EXPECT_EQ(Listed(t), "a.xy b.xy c.xy | active c.xy");  // named together on the command line
    t.ws().patterns[0].name = "first";
    t.ws().patterns[1].visible = false;
    app::PatternListModel& model = *t.frame.patternList().model();
    t.frame.patternList().view()->setCurrentIndex(model.index(1));
    t.ws().xMin = 15;
    t.ws().layout = workspace::Layout::kMap;
    t.platform().saveAnswers.push_back(dir.File("series.json"));
    t.frame.RunCommand(commands::kIdSaveSession);
    EXPECT_TRUE(t.platform().messages.empty());
  }
  std::filesystem::remove(dir.File("c.xy"));
  TestFrame t;
  t.OpenXy(dir.File("other.xy"));
  t.platform().openAnswers.push_back(dir.File("series.json"));
  std::tuple<float, workspace::Layout> viewAtMessage{};
  t.platform().messageShown = [&] { viewAtMessage = {t.ws().xMin, t.ws().layout}; };
  t.frame.RunCommand(commands::kIdOpenSession);
  t.platform().messageShown = nullptr;
  // The session replaces what was open; the missing file is said (over the
  // session's view) and skipped.
  EXPECT_EQ(viewAtMessage, std::tuple(15.0f, workspace::Layout::kMap));
  EXPECT_EQ(Listed(t), "first b.xy* | active b.xy");
  EXPECT_EQ(std::tuple(t.ws().xMin, t.ws().layout), std::tuple(15.0f, workspace::Layout::kMap));
  ASSERT_EQ(t.platform().messages.size(), 1u);
  EXPECT_TRUE(t.platform().messages[0].starts_with("1 of 3 files could not be opened !!!\n\n" +
                                                   dir.File("c.xy") + "\nCannot Data File Open !!"))
      << t.platform().messages[0];

  // A file that is no session says so and changes nothing.
  t.platform().messages.clear();
  t.platform().openAnswers.push_back(dir.File("a.xy"));
  t.frame.RunCommand(commands::kIdOpenSession);
  EXPECT_EQ(Listed(t), "first b.xy* | active b.xy");
  EXPECT_EQ(t.platform().Headlines(), (std::vector<std::string>{"Not a Difscop session file !!!"}));
}

}  // namespace difscop::apptest
