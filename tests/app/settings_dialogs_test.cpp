// The settings commands through the menu with the real dialogs, and the
// external program dialog's browse button.
#include <gtest/gtest.h>

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <fstream>

#include "app/qt_platform.h"
#include "app/spin_buttons.h"
#include "app_test_support.h"
#include "textio/line_reader.h"

using namespace difscop;
using difscop::apptest::ScratchDir;
using difscop::apptest::OkButton;
using difscop::apptest::WithModal;

namespace {

template <typename T>
T* Child(QWidget* dialog, const QString& name) {
  T* child = dialog->findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name.toStdString();
  return child;
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

TEST(ExternalProgramDialog, BrowseProposesTheRowsFilterAndFillsTheEdit) {
  apptest::App();
  ScratchDir dir;
  std::ofstream(dir.File("Cell.bat")) << "#!/bin/sh\n";
  app::QtPlatform platform(nullptr, nullptr);
  platform::ExternalProgramDialog data;
  data.paths = {"/a/CellRef", "/b/Cell", "/c/EXPO", "/d/GenHKL"};
  QStringList filters;
  bool accepted = false;
  ASSERT_TRUE(WithModal([&] { accepted = platform.EditExternalPrograms(data); },
                        [&](QWidget* dialog) {
                          EXPECT_EQ(Child<QLineEdit>(dialog, "programEdit2")->text(), "/c/EXPO");
                          auto* browse = Child<QPushButton>(dialog, "browseButton1");
                          ASSERT_TRUE(WithModal(
                              [&] { browse->click(); },
                              [&](QWidget* w) {
                                auto* files = qobject_cast<QFileDialog*>(w);
                                ASSERT_NE(files, nullptr);
                                filters = files->nameFilters();
                                // Typed, as a user does.
                                Child<QLineEdit>(files, "fileNameEdit")
                                    ->setText(QString::fromStdString(dir.File("Cell.bat")));
                                static_cast<QDialog*>(files)->accept();
                              }));
                          Child<QLineEdit>(dialog, "programEdit3")->setText("/e/GenHKL");
                          OkButton(dialog)->click();
                        }));
  EXPECT_EQ(filters, QStringList({"Execute file (*.bat *.BAT)", "Other Files (*)"}));
  ASSERT_TRUE(accepted);
  EXPECT_EQ(data.paths, (std::array<std::string, 4>{"/a/CellRef", dir.File("Cell.bat"), "/c/EXPO",
                                                    "/e/GenHKL"}));
}

TEST(SettingsCommands, SetParaWithTheRealDialogsThenSaveAndReset) {
  apptest::App();
  ScratchDir dir;
  app::MainFrame frame("/usr/bin/difscop", {});  // the real Qt dialogs
  frame.show();
  workspace::Workspace& ws = frame.patternWindow().workspace();
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
