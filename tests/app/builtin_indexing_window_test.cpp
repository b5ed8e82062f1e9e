// Index > Built-in Indexing... driven as a user would: options, the search
// under its progress window, a solution chosen, the refinement report; and a
// search cancelled half-way.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <cstdlib>

#include "app/builtin_indexing.h"
#include "app_test_support.h"

using namespace difscop;

namespace {

// Measured BaSO4 lines (Cu Ka1), as the peak search gives them.
constexpr float kBaSO4[] = {19.980f, 20.457f, 22.798f, 23.561f, 24.863f, 25.857f, 26.842f,
                            28.755f, 31.536f, 32.808f, 36.192f, 38.733f, 39.495f, 40.810f,
                            42.597f, 42.927f, 44.016f, 49.018f, 54.819f, 60.258f};

QPushButton* Button(QWidget* w, const QString& text) {
  for (QPushButton* b : w->findChildren<QPushButton*>()) {
    if (b->text() == text) return b;
  }
  return nullptr;
}

// Answers each modal window of the command by what it is, until the command
// returns; what it saw goes into seen.
void Drive(apptest::TestFrame& t, bool cancel, QStringList& seen) {
  QTimer poll;
  poll.setInterval(20);
  QPointer<QWidget> last;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || w == last) return;
    if (w->findChild<QSpinBox*>()) {  // the options
      last = w;
      seen << "options";
      w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    } else if (QPushButton* c = Button(w, "Cancel"); c && !w->findChild<QTableWidget*>()) {
      last = w;
      seen << "progress";
      if (cancel) c->click();
    } else if (auto* table = w->findChild<QTableWidget*>()) {
      last = w;
      seen << QString("solutions %1 %2").arg(table->rowCount()).arg(table->item(0, 3)->text());
      emit table->cellDoubleClicked(0, 0);
      w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    } else if (auto* report = w->findChild<QPlainTextEdit*>()) {
      last = w;
      seen << report->toPlainText().section('\n', 0, 0);
      if (const char* shot = std::getenv("DIFSCOP_GRAB")) w->grab().save(shot);
      Button(w, "Write CellRef Input")->click();
      Button(w, "Close")->click();
    }
  });
  poll.start();
  t.frame.RunCommand(app::kIdBuiltinIndexing);
  poll.stop();
}

}  // namespace

TEST(BuiltinIndexingWindow, FromThePeakListToTheRefinedCellOrCancelled) {
  for (bool cancel : {true, false}) {
    SCOPED_TRACE(cancel ? "cancelled" : "run through");
    apptest::ScratchDir dir;
    apptest::TestFrame t;
    workspace::Workspace& ws = t.ws();
    ws.startDirectory = dir.path().string();
    ws.cellRefInput = "CellRef.inp";
    ws.rawLoaded = 1;
    ws.autoPeaksFound = 1;
    ws.peakCount = 0;
    for (float angle : kBaSO4) ws.peak2Theta[++ws.peakCount] = angle;
    const auto peaksBefore = ws.peak2Theta;
    QStringList seen;
    Drive(t, cancel, seen);
    EXPECT_EQ(ws.peak2Theta, peaksBefore);
    EXPECT_EQ(ws.peakCount, 20);
    if (cancel) {
      EXPECT_EQ(seen, (QStringList{"options", "progress"}));
      EXPECT_FALSE(std::filesystem::exists(dir.path() / "CellRef.inp"));
      EXPECT_EQ(ws.cellRefPrepared, 0);
      EXPECT_TRUE(t.platform().messages.empty());
      continue;
    }
    ASSERT_EQ(seen.size(), 4);
    EXPECT_TRUE(seen[2].startsWith("solutions ")) << seen[2].toStdString();
    EXPECT_TRUE(seen[2].endsWith(" orthorhombic")) << seen[2].toStdString();
    EXPECT_TRUE(seen[3].startsWith("refined: 5.45")) << seen[3].toStdString();
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "CellRef.inp"));
    EXPECT_EQ(ws.cellRefPrepared, 1);
  }
}
