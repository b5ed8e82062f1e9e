// The "Setting" and "External program directory" dialogs driven as a user
// would, and the settings commands reached through the frame.
#include <gtest/gtest.h>

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFrame>
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
using difscop::apptest::TestFrame;
using difscop::apptest::WithModal;

namespace {

template <typename T>
T* Child(QWidget* dialog, const QString& name) {
  T* child = dialog->findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name.toStdString();
  return child;
}

QPushButton* OkButton(QWidget* dialog) {
  return dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

QColor SwatchColour(QWidget* dialog, int row) {
  return Child<QFrame>(dialog, QStringLiteral("swatch%1").arg(row))
      ->palette()
      .color(QPalette::Window);
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

platform::SettingDialog Defaults() {
  platform::SettingDialog d;
  d.colours = {8388608, 0, 65535, 255, 16711680, 65280, 65535, 65535};
  d.sizes = {1, 1, 1, 1, 18};
  return d;
}

}  // namespace

TEST(SettingDialog, ColoursSizesAndTheRangeCheck) {
  apptest::App();
  app::QtPlatform platform(nullptr, nullptr);
  platform::SettingDialog data = Defaults();
  bool accepted = false;
  QStringList refusals;
  bool stayedOpen = false;
  ASSERT_TRUE(WithModal([&] { accepted = platform.EditSettings(data); },
                        [&](QWidget* dialog) {
                          EXPECT_EQ(SwatchColour(dialog, 0), QColor(0, 0, 128));
                          ChooseColour(dialog, 3, QColor(1, 2, 3), true);
                          EXPECT_EQ(SwatchColour(dialog, 3), QColor(1, 2, 3));
                          // A chooser left with Cancel keeps the row's colour.
                          ChooseColour(dialog, 4, QColor(9, 9, 9), false);
                          EXPECT_EQ(SwatchColour(dialog, 4), QColor(0, 0, 255));

                          Child<app::SpinButtons>(dialog, "sizeSpin1")->Step(1);
                          EXPECT_EQ(Child<QLineEdit>(dialog, "sizeEdit1")->text(), "2");
                          Child<QLineEdit>(dialog, "sizeEdit0")->setText("11");
                          Child<QLineEdit>(dialog, "sizeEdit4")->setText("0");
                          auto refuse = [&](QWidget* box) {
                            auto* message = qobject_cast<QMessageBox*>(box);
                            ASSERT_NE(message, nullptr);
                            refusals << message->text();
                            message->accept();
                          };
                          ASSERT_TRUE(WithModal([&] { OkButton(dialog)->click(); }, refuse));
                          Child<QLineEdit>(dialog, "sizeEdit0")->setText("x");
                          ASSERT_TRUE(WithModal([&] { OkButton(dialog)->click(); }, refuse));
                          stayedOpen = dialog->isVisible();
                          Child<QLineEdit>(dialog, "sizeEdit0")->setText(" 10 ");
                          OkButton(dialog)->click();
                        }));
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(refusals,
            QStringList({"Please enter an integer between 0 and 10.", "Please enter an integer."}));
  ASSERT_TRUE(accepted);
  EXPECT_EQ(data.colours[3], workspace::RgbColour(1, 2, 3));
  EXPECT_EQ(data.colours[4], 16711680u);
  EXPECT_EQ(data.sizes, (std::array<int, 5>{10, 2, 1, 1, 0}));
}

TEST(SettingDialog, CancelDropsChosenColours) {
  apptest::App();
  app::QtPlatform platform(nullptr, nullptr);
  platform::SettingDialog data = Defaults();
  bool accepted = true;
  ASSERT_TRUE(WithModal([&] { accepted = platform.EditSettings(data); },
                        [&](QWidget* dialog) {
                          ChooseColour(dialog, 0, QColor(10, 20, 30), true);
                          Child<QLineEdit>(dialog, "sizeEdit2")->setText("7");
                          static_cast<QDialog*>(dialog)->reject();
                        }));
  EXPECT_FALSE(accepted);
  EXPECT_EQ(data.colours, Defaults().colours);
  EXPECT_EQ(data.sizes, Defaults().sizes);
}

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

TEST(SettingsCommands, SaveAndResetThroughTheFrame) {
  apptest::App();
  ScratchDir dir;
  TestFrame t;
  for (int id : {32817, 32830, 32829, 32853}) EXPECT_TRUE(t.frame.HasHandler(id)) << id;

  t.ws().fontSize = 33;
  t.platform().yesNoAnswers = {true};
  t.frame.RunCommand(32830);
  std::string saved = textio::ReadWholeFile(dir.File("Difscop.ini")).value_or("");
  EXPECT_NE(saved.find("SFont   =33\r\n"), std::string::npos);

  t.frame.RunCommand(32829);
  EXPECT_EQ(t.ws().fontSize, 18);
  EXPECT_GE(t.platform().repaints, 1);
}
