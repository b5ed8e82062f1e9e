// Profile fitting in the window: Fit Peaks draws the fit and fills the
// results panel (copied, saved, its positions used as the peak list), the
// panel follows the active pattern; Auto Background and Strip Ka2 open new
// patterns; the peak search dialog's Auto button.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QImage>
#include <QLabel>
#include <QTableWidget>
#include <fstream>

#include "app/commands/command_table.h"
#include "app/fit_results.h"
#include "app/pattern_list.h"
#include "app/qt_platform.h"
#include "app_test_support.h"
#include "textio/line_reader.h"

namespace difscop::apptest {
namespace {

// Pixels of the picture in a plot colour (0x00BBGGRR).
int PixelsOf(const QImage& image, workspace::Colour colour) {
  const QRgb want = qRgb(workspace::RedOf(colour), workspace::GreenOf(colour), workspace::BlueOf(colour));
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  int n = 0;
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x) n += (rgb.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF);
  return n;
}

QPushButton* Button(QWidget* panel, const QString& text) {
  for (QPushButton* b : panel->findChildren<QPushButton*>())
    if (b->text() == text) return b;
  ADD_FAILURE() << "no button " << text.toStdString();
  return nullptr;
}

platform::FitPeaksDialog SinglePeaks(bool wholeList) {
  platform::FitPeaksDialog d;
  d.wholeList = wholeList;
  d.ka2 = false;
  d.scherrerKText = "0.9";
  return d;
}

}  // namespace

TEST(FitWindow, FitPeaksDrawsTheFitAndItsPanelCopiesSavesAndUsesThePositions) {
  ScratchDir dir;
  TestFrame t;
  t.OpenXy(dir.File("two.xy"), {900, 600});
  EXPECT_FALSE(t.frame.action(commands::kIdUseFittedPositions)->isEnabled());
  QAction* toggle = t.frame.action(commands::kIdToggleFitResults);
  ASSERT_NE(toggle, nullptr);
  EXPECT_FALSE(toggle->isChecked());
  const QImage before = t.window().grab().toImage();
  t.platform().fitPeaksAnswers.push_back(SinglePeaks(false));
  t.frame.RunCommand(commands::kIdFitPeaks);
  t.Settle();
  const QImage after = t.window().grab().toImage();
  // The model in the calculated colour and the difference in its own, where
  // the measured pattern alone drew neither.
  EXPECT_EQ(PixelsOf(before, t.ws().colCalc), 0);
  EXPECT_GT(PixelsOf(after, t.ws().colCalc), 200);
  EXPECT_GT(PixelsOf(after, t.ws().colDiff), PixelsOf(before, t.ws().colDiff) + 100);

  auto* panel = t.frame.findChild<app::FitResultsPanel*>();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isVisible());
  // The panel's menu item follows it, and hides and shows it.
  EXPECT_TRUE(toggle->isChecked());
  toggle->trigger();
  EXPECT_FALSE(panel->isVisible());
  toggle->trigger();
  EXPECT_TRUE(panel->isVisible());
  QTableWidget* table = panel->table();
  ASSERT_EQ(table->rowCount(), 2);
  EXPECT_EQ(table->horizontalHeaderItem(0)->text(), "2theta");
  EXPECT_TRUE(table->item(0, 0)->text().startsWith("22.0")) << table->item(0, 0)->text().toStdString();
  EXPECT_TRUE(table->item(1, 0)->text().startsWith("38.0")) << table->item(1, 0)->text().toStdString();
  EXPECT_TRUE(table->item(1, 3)->text().contains('(')) << "FWHM with its uncertainty";
  EXPECT_TRUE(panel->summary()->text().contains("Rwp")) << panel->summary()->text().toStdString();

  Button(panel, "Copy")->click();
  const QStringList copied = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(copied.size(), 3);
  EXPECT_TRUE(copied[0].startsWith("2theta\t2theta_esd\td")) << copied[0].toStdString();
  EXPECT_NEAR(copied[1].section('\t', 0, 0).toDouble(), 22.0, 0.002) << copied[1].toStdString();

  t.platform().saveAnswers.push_back(dir.File("fit.csv"));
  Button(panel, "Save as CSV...")->click();
  ASSERT_EQ(t.platform().saveRequests.size(), 1u);
  EXPECT_EQ(t.platform().saveRequests[0].defaultExtension, ".csv");
  const std::string csv = textio::ReadWholeFile(dir.File("fit.csv")).value_or("");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3) << csv;
  EXPECT_EQ(csv.substr(0, 17), "2theta,2theta_esd");

  // The positions become the peak list, and with it indexing is offered.
  EXPECT_TRUE(t.frame.action(commands::kIdUseFittedPositions)->isEnabled());
  Button(panel, "Use Fitted Positions")->click();
  ASSERT_EQ(t.ws().peakCount, 2);
  EXPECT_NEAR(t.ws().peak2Theta[1], 22.0, 0.002);
  EXPECT_NEAR(t.ws().peak2Theta[2], 38.0, 0.002);
  EXPECT_GT(t.ws().peak2ThetaEsd[1], 0.0f);
  EXPECT_TRUE(t.frame.action(32900)->isEnabled());  // Built-in Indexing

  // Another pattern has no fit of its own; back on the first, its fit shows.
  t.platform().openAnswers.push_back(dir.File("two.xy"));
  t.frame.RunCommand(commands::kIdOpenPattern);
  t.Settle();
  EXPECT_EQ(table->rowCount(), 0);
  EXPECT_TRUE(panel->summary()->text().startsWith("No fit")) << panel->summary()->text().toStdString();
  EXPECT_FALSE(t.frame.action(commands::kIdUseFittedPositions)->isEnabled());
  workspace::Activate(t.ws(), 0);
  t.frame.SyncFromWorkspace();
  EXPECT_EQ(table->rowCount(), 2);
}

TEST(FitWindow, AutoBackgroundAndStripKa2OpenNewPatternsInTheList) {
  ScratchDir dir;
  TestFrame t;
  t.OpenXy(dir.File("two.xy"));
  t.platform().autoBackgroundAnswers.push_back("2");
  t.platform().yesNoAnswers.push_back(true);
  t.frame.RunCommand(commands::kIdAutoBackground);
  t.Settle();
  ASSERT_EQ(t.ws().patterns.size(), 2u);
  EXPECT_EQ(t.ws().patterns[1].name, "two.xy - background");
  EXPECT_EQ(t.ws().activePattern, 1);
  EXPECT_NEAR(t.ws().obs[1].y, 0.0f, 5.0f);  // the flat 100 is gone
  EXPECT_TRUE(t.frame.patternList().isVisible());
  EXPECT_TRUE(t.frame.windowTitle().endsWith("two.xy - background")) << t.frame.windowTitle().toStdString();

  t.frame.RunCommand(commands::kIdStripKa2);
  ASSERT_EQ(t.ws().patterns.size(), 3u);
  EXPECT_EQ(t.ws().patterns[2].name, "two.xy - background - Ka2 stripped");
  // Every command takes it: its peaks are searched as any pattern's.
  t.platform().peakSearchAnswers.push_back(platform::PeakSearchDialog{"500", "4", true});
  t.frame.RunCommand(32810);
  EXPECT_EQ(t.ws().peakCount, 2);
  EXPECT_TRUE(t.platform().messages.empty()) << t.platform().messages[0];
  // A session keeps files: the two made here are named as left out.
  t.platform().saveAnswers.push_back(dir.File("work.json"));
  t.frame.RunCommand(commands::kIdSaveSession);
  ASSERT_EQ(t.platform().messages.size(), 1u);
  EXPECT_EQ(t.platform().messages[0],
            "2 pattern(s) made in this run have no file and are not in the session:\n"
            "two.xy - background\ntwo.xy - background - Ka2 stripped\n"
            "Export them (File > Export Powder Formats) to keep them.");
  const std::string session = textio::ReadWholeFile(dir.File("work.json")).value_or("");
  EXPECT_NE(session.find("two.xy"), std::string::npos);
  EXPECT_EQ(session.find("Ka2 stripped"), std::string::npos);
}

TEST(FitWindow, ThePeakSearchDialogsAutoButtonSearchesFromTheNoise) {
  App();
  app::QtPlatform platform(nullptr, [] {});
  platform::PeakSearchDialog dialog{"500", "4", false};
  bool accepted = false;
  ASSERT_TRUE(WithModal([&] { accepted = platform.EditPeakSearch(dialog); },
                        [&](QWidget* form) {
                          EXPECT_EQ(form->windowTitle(), "Peak Search");
                          Button(form, "Auto")->click();
                        }));
  EXPECT_TRUE(accepted);
  EXPECT_TRUE(dialog.automatic);
  // OK keeps the typed threshold.
  ASSERT_TRUE(WithModal([&] { accepted = platform.EditPeakSearch(dialog); },
                        [&](QWidget* form) { OkButton(form)->click(); }));
  EXPECT_TRUE(accepted);
  EXPECT_FALSE(dialog.automatic);
  EXPECT_EQ(dialog.thresholdText, "500");
}

TEST(FitWindow, TheFitAndBackgroundDialogsShowAndReturnTheirFields) {
  App();
  app::QtPlatform platform(nullptr, [] {});
  platform::FitPeaksDialog fit{false, false, false, true, "0.9"};
  bool accepted = false;
  ASSERT_TRUE(WithModal([&] { accepted = platform.EditFitPeaks(fit); },
                        [&](QWidget* form) {
                          EXPECT_EQ(form->windowTitle(), "Fit Peaks");
                          const auto radios = form->findChildren<QRadioButton*>();
                          ASSERT_EQ(radios.size(), 2);
                          EXPECT_TRUE(radios[0]->isChecked());
                          radios[1]->setChecked(true);
                          form->findChild<QComboBox*>()->setCurrentIndex(1);
                          for (QCheckBox* box : form->findChildren<QCheckBox*>()) box->toggle();
                          QLineEdit* k = form->findChild<QLineEdit*>();
                          EXPECT_EQ(k->text(), "0.9");
                          k->setText("1.1");
                          OkButton(form)->click();
                        }));
  EXPECT_TRUE(accepted);
  EXPECT_EQ(std::tuple(fit.wholeList, fit.pearsonVii, fit.split, fit.ka2, fit.scherrerKText),
            std::tuple(true, true, true, false, std::string("1.1")));
  // Cancel leaves the fields.
  ASSERT_TRUE(WithModal([&] { accepted = platform.EditFitPeaks(fit); },
                        [&](QWidget* form) {
                          form->findChild<QLineEdit*>()->setText("2");
                          qobject_cast<QDialog*>(form)->reject();
                        }));
  EXPECT_FALSE(accepted);
  EXPECT_EQ(fit.scherrerKText, "1.1");

  platform::AutoBackgroundDialog background{"1.5"};
  ASSERT_TRUE(WithModal([&] { accepted = platform.EditAutoBackground(background); },
                        [&](QWidget* form) {
                          EXPECT_EQ(form->windowTitle(), "Auto Background");
                          QLineEdit* window = form->findChild<QLineEdit*>();
                          EXPECT_EQ(window->text(), "1.5");
                          window->setText("3");
                          OkButton(form)->click();
                        }));
  EXPECT_TRUE(accepted);
  EXPECT_EQ(background.windowText, "3");
}

}  // namespace difscop::apptest
