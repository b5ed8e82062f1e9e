// The Qt dialogs driven as a user would through their menu commands: the
// external programs with a browse button's file dialog and its filters, a
// save dialog, the range and setting dialogs, the settings saved and reset.
#include <QColorDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QToolButton>
#include <fstream>

#include "app/set_range_form.h"
#include "app/spin_buttons.h"
#include "app_test_support.h"
#include "settings/program_paths.h"
#include "textio/line_reader.h"

namespace difscop::apptest {
namespace {

template <typename T>
T* Child(QWidget* dialog, const QString& name) {
  T* child = dialog->findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name.toStdString();
  return child;
}

// Types the name into a file dialog, as a user does (a selection made while
// the dialog still reads its directory can be dropped), and accepts or
// cancels.
void AnswerFileDialog(QFileDialog* dialog, const std::string& name, bool accept) {
  Child<QLineEdit>(dialog, "fileNameEdit")->setText(QString::fromStdString(name));
  accept ? dialog->QDialog::accept() : dialog->QDialog::reject();
}

// Clicks a row's "...." button and answers the colour chooser.
void ChooseColour(QWidget* dialog, int row, const QColor& colour, bool ok) {
  auto* button = Child<QPushButton>(dialog, QStringLiteral("colourButton%1").arg(row));
  ASSERT_TRUE(WithModalAs<QColorDialog>([&] { button->click(); },
                                        [&](QColorDialog* chooser) {
                                          chooser->setCurrentColor(colour);
                                          ok ? chooser->accept() : chooser->reject();
                                        }));
}

}  // namespace

TEST(RealDialogs, ProgramsFilesRangeAndSettingsThroughTheMenuThenSavedAndReset) {
  App();
  ScratchDir dir;
  std::ofstream(dir.File("Cell.bat")) << "#!/bin/sh\n";
  app::MainFrame frame("/usr/bin/difscop", {});  // the real Qt dialogs
  frame.show();
  workspace::Workspace& ws = frame.patternWindow().workspace();

  QStringList filters;
  ASSERT_TRUE(WithModal([&] { frame.RunCommand(32853); },
                        [&](QWidget* dialog) {
                          EXPECT_EQ(Child<QLineEdit>(dialog, "programEdit2")->text(), "EXPO");
                          auto* browse = Child<QPushButton>(dialog, "browseButton1");
                          ASSERT_TRUE(WithModalAs<QFileDialog>(
                              [&] { browse->click(); },
                              [&](QFileDialog* files) {
                                filters = files->nameFilters();
                                AnswerFileDialog(files, dir.File("Cell.bat"), true);
                              }));
                          Child<QLineEdit>(dialog, "programEdit3")->setText("/e/GenHKL");
                          OkButton(dialog)->click();
                        }));
  // The patterns shown in the description are Qt's, upper case added.
  EXPECT_EQ(filters, QStringList({"Execute file (*.bat *.BAT)", "Other Files (*)"}));
  EXPECT_EQ(settings::ProgramPaths(ws),
            (std::array<std::string, 4>{"CellRef", dir.File("Cell.bat"), "EXPO", "/e/GenHKL"}));
  // A typed name without extension gets the default one; Cancel answers
  // nothing.
  for (bool accept : {true, false}) {
    std::optional<std::string> chosen;
    ASSERT_TRUE(WithModalAs<QFileDialog>(
        [&] {
          chosen =
              frame.patternWindow().platform().ChooseSaveFile({"Data (*.dat)|*.dat||", ".dat", ""});
        },
        [&](QFileDialog* files) { AnswerFileDialog(files, "result", accept); }));
    EXPECT_EQ(chosen, accept ? std::optional(dir.File("result.dat")) : std::nullopt);
  }

  QStringList texts;
  ASSERT_TRUE(WithModalAs<app::SetRangeForm>(
      [&] { frame.RunCommand(32827); },
      [&](app::SetRangeForm* form) {
        texts << form->windowTitle();
        for (int i = 0; i < 6; ++i) texts << form->edit(i)->text();
        // End of x: from position 10 down one step.
        form->spin(1)->findChildren<QToolButton*>()[1]->click();
        EXPECT_EQ(form->edit(1)->text(), "90");
        // Arrow keys in a field move its spin buttons.
        form->edit(4)->setFocus();
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(form->edit(4), &down);
        EXPECT_EQ(form->edit(4)->text(), "9");
        form->edit(3)->setText("12000.7");
        form->accept();
      }));
  EXPECT_EQ(texts, QStringList({"Axis Range Setting", "0", "100", "0", "8000", "10", "1000"}));
  EXPECT_EQ((std::vector<float>{ws.xMax, ws.yMax, ws.xTick}), (std::vector<float>{90, 12000, 9}));

  QStringList boxes;
  const std::function<void(QMessageBox*)> answer = [&](QMessageBox* box) {
    boxes << box->text();
    if (QAbstractButton* yes = box->button(QMessageBox::Yes)) return yes->click();
    box->accept();
  };
  ASSERT_TRUE(WithModal([&] { frame.RunCommand(32817); },
                        [&](QWidget* dialog) {
                          ChooseColour(dialog, 3, QColor(1, 2, 3), true);
                          // A chooser left with Cancel keeps the row's colour.
                          ChooseColour(dialog, 4, QColor(9, 9, 9), false);
                          Child<app::SpinButtons>(dialog, "sizeSpin1")->Step(1);
                          Child<QLineEdit>(dialog, "sizeEdit0")->setText("11");
                          // Refused, and the dialog stays open.
                          ASSERT_TRUE(WithModalAs([&] { OkButton(dialog)->click(); }, answer));
                          Child<QLineEdit>(dialog, "sizeEdit0")->setText(" 10 ");
                          OkButton(dialog)->click();
                        }));
  EXPECT_EQ(boxes, QStringList{"Please enter an integer between 0 and 10."});
  EXPECT_EQ((std::vector<unsigned>{ws.colObs, ws.colCalc}),
            (std::vector<unsigned>{workspace::RgbColour(1, 2, 3), 16711680u}));
  EXPECT_EQ((std::vector<int>{ws.frameLineWidth, ws.calcLineWidth}), (std::vector<int>{10, 2}));

  ASSERT_TRUE(WithModalAs([&] { frame.RunCommand(32830); }, answer));
  // Saved after a Yes in the real box (the settings tests check what is written).
  const std::string saved = textio::ReadWholeFile(dir.File("Difscop.ini")).value_or("");
  EXPECT_NE(saved.find("LCwidth =2\r\nLFwidth =10\r\n"), std::string::npos) << saved;
}

}  // namespace difscop::apptest

namespace difscop::apptest {

// Help › About names the version, the licence and who holds the copyright.
TEST(RealDialogs, AboutStatesVersionLicenceAndCopyright) {
  App();
  ScratchDir dir;  // settings of its own: no message about them
  app::MainFrame frame("/usr/bin/difscop", {});
  QString said;
  ASSERT_TRUE(WithModal([&] { frame.action(57664)->trigger(); },
                        [&](QWidget* dialog) {
                          for (QLabel* label : dialog->findChildren<QLabel*>())
                            said += label->text() + "\n";
                          QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
                        }));
  EXPECT_TRUE(said.contains("Difscop Version 1.")) << said.toStdString();
  EXPECT_TRUE(said.contains("GPL-3.0-or-later")) << said.toStdString();
  EXPECT_TRUE(said.contains(QRegularExpression("Copyright \u00A9 20\\d\\d "))) << said.toStdString();
}

}  // namespace difscop::apptest
