// The indexing dialogs driven as a user would: the solution lists and the
// EXPO input with its checks.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "app/qt_platform.h"
#include "app_test_support.h"

using namespace difscop;

namespace {

QPushButton* OkButton(QWidget* dialog) {
  auto* box = dialog->findChild<QDialogButtonBox*>();
  return box ? box->button(QDialogButtonBox::Ok) : nullptr;
}

}  // namespace

TEST(IndexingDialogs, TrialListDoubleClickWritesTheNumberAndOkChoosesIt) {
  apptest::App();
  app::QtPlatform platform(nullptr, nullptr);
  platform::TrialSolutionsDialog data;
  for (int i = 0; i < 3; ++i) {
    platform::TrialSolutionRow row;
    row.merit = 0.5f + static_cast<float>(i) / 8.0f;
    row.cell = {"  4.123456", "  5.0", "  6.0", " 90.000000", " 90.000000", " 90.000000"};
    data.rows.push_back(row);
  }
  bool ok = false;
  ASSERT_TRUE(apptest::WithModal([&] { ok = platform.ChooseTrialSolution(data); },
                                 [&](QWidget* w) {
                                   EXPECT_EQ(w->windowTitle(), "Trial solutions from Ito or Treor");
                                   auto* table = w->findChild<QTableWidget*>();
                                   ASSERT_NE(table, nullptr);
                                   EXPECT_TRUE(table->showGrid());
                                   EXPECT_EQ(table->selectionBehavior(),
                                             QAbstractItemView::SelectRows);
                                   ASSERT_EQ(table->rowCount(), 3);
                                   ASSERT_EQ(table->columnCount(), 8);
                                   EXPECT_EQ(table->horizontalHeaderItem(1)->text(), "Merit");
                                   EXPECT_EQ(table->item(1, 1)->text(), "0.6250");
                                   EXPECT_EQ(table->item(0, 2)->text(), "  4.1234");
                                   emit table->cellDoubleClicked(2, 4);
                                   auto* number = w->findChild<QLineEdit*>();
                                   ASSERT_NE(number, nullptr);
                                   EXPECT_EQ(number->text(), " 3");
                                   OkButton(w)->click();
                                 }));
  EXPECT_TRUE(ok);
  EXPECT_EQ(data.chosenIndex, 2);
}

TEST(IndexingDialogs, CellListColumnsAndExpoInputBrowseAndChecks) {
  apptest::App();
  apptest::ScratchDir dir;
  app::QtPlatform platform(nullptr, nullptr);
  platform::CellSolutionsDialog cells;
  cells.rows.push_back(
      {{"5.4310", "5.4310", "5.4310", "90.00", "90.00", "90.00"}, "Fd-3m", "84.5"});
  bool ok = false;
  ASSERT_TRUE(apptest::WithModal([&] { ok = platform.ChooseCellSolution(cells); },
                                 [&](QWidget* w) {
                                   EXPECT_EQ(w->windowTitle(), "Possible Solution in Cell");
                                   auto* table = w->findChild<QTableWidget*>();
                                   ASSERT_NE(table, nullptr);
                                   ASSERT_EQ(table->columnCount(), 9);
                                   EXPECT_EQ(table->horizontalHeaderItem(2)->text(), "SG");
                                   EXPECT_EQ(table->item(0, 1)->text(), "84.5%");
                                   w->findChild<QLineEdit*>()->setText("1");
                                   OkButton(w)->click();
                                 }));
  EXPECT_TRUE(ok);
  EXPECT_EQ(cells.chosenIndex, 0);

  platform::ExpoInputDialog input;
  input.start = "10.000";
  input.cell = {"5.4310", "5.4310", "5.4310", "90.00", "90.00", "90.00"};
  ASSERT_TRUE(apptest::WithModal([&] { ok = platform.EditExpoInput(input); },
                                 [&](QWidget* w) {
                                   EXPECT_EQ(w->windowTitle(), "Input data for EXPO");
                                   auto edits = w->findChildren<QLineEdit*>();
                                   ASSERT_EQ(edits.size(), 14);
                                   EXPECT_EQ(edits[2]->text(), "10.000");
                                   edits[0]->setText("Si");
                                   edits[1]->setText(QString::fromStdString(dir.File("si.int")));
                                   edits[6]->setText("Si 8");
                                   edits[7]->setText("F d -3 m");
                                   OkButton(w)->click();
                                 }));
  EXPECT_TRUE(ok);
  EXPECT_EQ(input.dataDirectory, dir.path().string());
  EXPECT_EQ(input.dataFileName, "si.int");
  EXPECT_EQ(input.spaceGroupName, "F d -3 m");
}
