// The Qt side of the platform: file filters, the file dialogs, the trial
// solution list and the range dialog, driven as a user would.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>
#include <fstream>

#include "app/qt_platform.h"
#include "app/set_range_form.h"
#include "app/spin_buttons.h"
#include "app_test_support.h"

using namespace difscop;
using difscop::apptest::OkButton;
using difscop::apptest::ScratchDir;

TEST(QtFileFilter, FiltersAndTheDefaultExtension) {
  EXPECT_EQ(
      app::QtFileFilter("Rietan INT File (*.int)|*.int|Other Files (*.*)|*.*||").toStdString(),
      "Rietan INT File (*.int *.INT);;Other Files (*)");
  // A description without its patterns, several patterns, no end marker.
  EXPECT_EQ(app::QtFileFilter("Pictures|*.bmp;*.emf").toStdString(),
            "Pictures (*.bmp *.BMP *.emf *.EMF)");
  EXPECT_EQ(app::QtFileFilter("").toStdString(), "");
  // Only names without an extension get one; a dot in a folder is none.
  EXPECT_EQ(app::WithDefaultExtension("/tmp/out.int", ".dat"), "/tmp/out.int");
  EXPECT_EQ(app::WithDefaultExtension("/tmp/v1.2/out", ".dat"), "/tmp/v1.2/out.dat");
  EXPECT_EQ(app::WithDefaultExtension("/tmp/out", "smp"), "/tmp/out.smp");
  EXPECT_EQ(app::WithDefaultExtension("/tmp/out", ""), "/tmp/out");
}

TEST(QtPlatform, OpenAndSaveDialogs) {
  apptest::App();
  ScratchDir dir;
  std::ofstream(dir.File("a.int")) << "1\n";
  app::QtPlatform platform(nullptr, nullptr);

  QStringList filters;
  std::optional<std::string> chosen;
  ASSERT_TRUE(apptest::WithModal(
      [&] {
        chosen = platform.ChooseOpenFile(
            {"Rietan INT File (*.int)|*.int|Other Files (*.*)|*.*||", ".int", ""});
      },
      [&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        dialog->findChild<QLineEdit*>("fileNameEdit")
            ->setText(QString::fromStdString(dir.File("a.int")));
        static_cast<QDialog*>(dialog)->accept();
      }));
  EXPECT_EQ(filters, QStringList({"Rietan INT File (*.int *.INT)", "Other Files (*)"}));
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, dir.File("a.int"));

  // A typed name without extension gets the default one.
  ASSERT_TRUE(apptest::WithModal(
      [&] {
        chosen = platform.ChooseSaveFile({"Data (*.dat)|*.dat||", ".dat", ""});
      },
      [&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        // Type the name, as a user does; a selection made while the dialog
        // is still reading its directory can be dropped.
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->setText("result");
        static_cast<QDialog*>(dialog)->accept();
      }));
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, dir.File("result.dat"));

  // Cancel answers nothing.
  ASSERT_TRUE(apptest::WithModal(
      [&] {
        chosen = platform.ChooseOpenFile({"Data (*.dat)|*.dat||", ".dat", ""});
      },
      [&](QWidget* w) { static_cast<QDialog*>(w)->reject(); }));
  EXPECT_FALSE(chosen.has_value());
}

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
                                   auto* table = w->findChild<QTableWidget*>();
                                   ASSERT_NE(table, nullptr);
                                   ASSERT_EQ(table->rowCount(), 3);
                                   ASSERT_EQ(table->columnCount(), 8);
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

TEST(SetRange, DialogThroughTheMenuCommand) {
  ScratchDir dir;
  apptest::App();
  app::MainFrame frame("/usr/bin/difscop", {});  // the real Qt dialogs
  frame.show();
  workspace::Workspace& ws = frame.patternWindow().workspace();

  QString title;
  QStringList texts;
  ASSERT_TRUE(apptest::WithModal([&] { frame.RunCommand(32827); },
                                 [&](QWidget* w) {
                                   auto* form = qobject_cast<app::SetRangeForm*>(w);
                                   ASSERT_NE(form, nullptr);
                                   title = form->windowTitle();
                                   for (int i = 0; i < 6; ++i) {
                                     texts << form->edit(i)->text();
                                   }
                                   // End of x: from position 10 down one step.
                                   auto* spin = form->spin(1);
                                   spin->findChildren<QToolButton*>()[1]->click();
                                   EXPECT_EQ(form->edit(1)->text(), "90");
                                   // Arrow keys in a field move its spin buttons.
                                   form->edit(4)->setFocus();
                                   QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
                                   QApplication::sendEvent(form->edit(4), &down);
                                   EXPECT_EQ(form->edit(4)->text(), "9");
                                   form->edit(3)->setText("12000.7");
                                   form->accept();
                                 }));
  EXPECT_EQ(title, "Axis Range Setting");
  EXPECT_EQ(texts, QStringList({"0", "100", "0", "8000", "10", "1000"}));
  EXPECT_EQ(ws.xMax, 90.0f);
  EXPECT_EQ(ws.yMax, 12000.0f);
  EXPECT_EQ(ws.xTick, 9.0f);

  // Cancel changes nothing.
  ASSERT_TRUE(apptest::WithModal([&] { frame.RunCommand(32827); },
                                 [&](QWidget* w) {
                                   auto* form = qobject_cast<app::SetRangeForm*>(w);
                                   form->edit(1)->setText("40");
                                   form->reject();
                                 }));
  EXPECT_EQ(ws.xMax, 90.0f);
}
