// The file dialogs with their filters, and the range dialog through its menu
// command, driven as a user would.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <fstream>

#include "app/qt_platform.h"
#include "app/set_range_form.h"
#include "app/spin_buttons.h"
#include "app_test_support.h"

using namespace difscop;
using difscop::apptest::ScratchDir;

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
