// The Qt dialogs driven as a user would: the file dialogs with their filters
// (through the external program dialog's browse button), then the range and
// setting dialogs through their menu commands, the settings saved and reset.
#include <gtest/gtest.h>

#include <QColorDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolButton>
#include <fstream>

#include "app/qt_platform.h"
#include "app/set_range_form.h"
#include "app/spin_buttons.h"
#include "app_test_support.h"
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
void AnswerFileDialog(QWidget* w, const std::string& name, bool accept, QStringList* filters) {
  auto* dialog = qobject_cast<QFileDialog*>(w);
  ASSERT_NE(dialog, nullptr);
  if (filters) *filters = dialog->nameFilters();
  Child<QLineEdit>(dialog, "fileNameEdit")->setText(QString::fromStdString(name));
  accept ? static_cast<QDialog*>(dialog)->accept() : static_cast<QDialog*>(dialog)->reject();
}

// Clicks a row's "...." button and answers the colour chooser.
void ChooseColour(QWidget* dialog, int row, const QColor& colour, bool ok) {
  auto* button = Child<QPushButton>(dialog, QStringLiteral("colourButton%1").arg(row));
  ASSERT_TRUE(WithModal([&] { button->click(); },
                        [&](QWidget* w) {
                          auto* chooser = qobject_cast<QColorDialog*>(w);
                          ASSERT_NE(chooser, nullptr);
                          chooser->setCurrentColor(colour);
                          ok ? chooser->accept() : chooser->reject();
                        }));
}

}  // namespace

TEST(QtPlatform, FileDialogsFromAProgramRowsBrowseButtonAndForASave) {
  App();
  ScratchDir dir;
  std::ofstream(dir.File("Cell.bat")) << "#!/bin/sh\n";
  app::QtPlatform platform(nullptr, nullptr);
  // A description that shows its patterns loses them; upper case is added.
  EXPECT_EQ(app::QtFileFilter("Rietan INT File (*.int)|*.int|Other Files (*.*)|*.*||"),
            "Rietan INT File (*.int *.INT);;Other Files (*)");

  platform::ExternalProgramDialog data;
  data.paths = {"/a/CellRef", "/b/Cell", "/c/EXPO", "/d/GenHKL"};
  QStringList filters;
  bool accepted = false;
  ASSERT_TRUE(WithModal([&] { accepted = platform.EditExternalPrograms(data); },
                        [&](QWidget* dialog) {
                          EXPECT_EQ(Child<QLineEdit>(dialog, "programEdit2")->text(), "/c/EXPO");
                          auto* browse = Child<QPushButton>(dialog, "browseButton1");
                          ASSERT_TRUE(WithModal([&] { browse->click(); },
                                                [&](QWidget* w) {
                                                  AnswerFileDialog(w, dir.File("Cell.bat"), true,
                                                                   &filters);
                                                }));
                          Child<QLineEdit>(dialog, "programEdit3")->setText("/e/GenHKL");
                          OkButton(dialog)->click();
                        }));
  EXPECT_EQ(filters, QStringList({"Execute file (*.bat *.BAT)", "Other Files (*)"}));
  ASSERT_TRUE(accepted);
  EXPECT_EQ(data.paths, (std::array<std::string, 4>{"/a/CellRef", dir.File("Cell.bat"), "/c/EXPO",
                                                    "/e/GenHKL"}));

  // A typed name without extension gets the default one; Cancel answers
  // nothing.
  for (bool accept : {true, false}) {
    std::optional<std::string> chosen;
    ASSERT_TRUE(WithModal(
        [&] {
          chosen = platform.ChooseSaveFile({"Data (*.dat)|*.dat||", ".dat", ""});
        },
        [&](QWidget* w) { AnswerFileDialog(w, "result", accept, nullptr); }));
    EXPECT_EQ(chosen, accept ? std::optional(dir.File("result.dat")) : std::nullopt);
  }
}

TEST(RealDialogs, RangeAndSettingsThroughTheMenuThenSavedAndReset) {
  App();
  ScratchDir dir;
  app::MainFrame frame("/usr/bin/difscop", {});  // the real Qt dialogs
  frame.show();
  workspace::Workspace& ws = frame.patternWindow().workspace();

  QStringList texts;
  ASSERT_TRUE(WithModal([&] { frame.RunCommand(32827); },
                        [&](QWidget* w) {
                          auto* form = qobject_cast<app::SetRangeForm*>(w);
                          ASSERT_NE(form, nullptr);
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
  // Cancel changes nothing.
  ASSERT_TRUE(WithModal([&] { frame.RunCommand(32827); },
                        [&](QWidget* w) {
                          qobject_cast<app::SetRangeForm*>(w)->edit(1)->setText("40");
                          static_cast<QDialog*>(w)->reject();
                        }));
  EXPECT_EQ(ws.xMax, 90.0f);

  QStringList refusals;
  auto answer = [&](QWidget* box) {
    auto* message = qobject_cast<QMessageBox*>(box);
    ASSERT_NE(message, nullptr);
    refusals << message->text();
    if (QAbstractButton* yes = message->button(QMessageBox::Yes)) {
      yes->click();
    } else {
      message->accept();
    }
  };
  ASSERT_TRUE(WithModal([&] { frame.RunCommand(32817); },
                        [&](QWidget* dialog) {
                          ChooseColour(dialog, 3, QColor(1, 2, 3), true);
                          // A chooser left with Cancel keeps the row's colour.
                          ChooseColour(dialog, 4, QColor(9, 9, 9), false);
                          Child<app::SpinButtons>(dialog, "sizeSpin1")->Step(1);
                          Child<QLineEdit>(dialog, "sizeEdit0")->setText("11");
                          // Refused, and the dialog stays open.
                          ASSERT_TRUE(WithModal([&] { OkButton(dialog)->click(); }, answer));
                          Child<QLineEdit>(dialog, "sizeEdit0")->setText(" 10 ");
                          OkButton(dialog)->click();
                        }));
  EXPECT_EQ(refusals, QStringList{"Please enter an integer between 0 and 10."});
  EXPECT_EQ(ws.colObs, workspace::RgbColour(1, 2, 3));
  EXPECT_EQ(ws.colCalc, 16711680u);
  EXPECT_EQ(ws.frameLineWidth, 10);
  EXPECT_EQ(ws.calcLineWidth, 2);

  ASSERT_TRUE(WithModal([&] { frame.RunCommand(32830); }, answer));
  const std::string saved = textio::ReadWholeFile(dir.File("Difscop.ini")).value_or("");
  EXPECT_NE(saved.find("ColObs  =197121\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("LCwidth =2\r\nLFwidth =10\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("[CellRef]\r\nCellRef=CellRef\r\n"), std::string::npos) << saved;

  frame.RunCommand(32829);
  EXPECT_EQ(ws.colObs, 255u);
  EXPECT_EQ(ws.frameLineWidth, 1);
}

}  // namespace difscop::apptest
