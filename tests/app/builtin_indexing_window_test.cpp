// Index > Built-in Indexing... driven as a user would: options, the search
// under its progress window, a solution chosen, the refinement report; and a
// search cancelled half-way.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <cstdlib>

#include "app/builtin_indexing.h"
#include "app_test_support.h"

namespace difscop::apptest {
namespace {

QPushButton* Button(QWidget* w, const QString& text) {
  for (QPushButton* b : w->findChildren<QPushButton*>()) {
    if (b->text() == text) return b;
  }
  return nullptr;
}

// Answers each modal window of the command by what it is, until the command
// returns; what it saw goes into seen.
QStringList Drive(TestFrame& t, bool cancel) {
  QStringList seen;
  QTimer poll;
  poll.setInterval(20);
  QPointer<QWidget> last;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || w == last) return;
    last = w;
    auto* table = w->findChild<QTableWidget*>();
    if (w->findChild<QSpinBox*>()) {  // the options
      seen << "options";
      OkButton(w)->click();
    } else if (QPushButton* c = Button(w, "Cancel"); c && !table) {
      seen << "progress";
      if (cancel) c->click();
    } else if (table) {
      seen << QString("solutions %1").arg(table->item(0, 3)->text());
      emit table->cellDoubleClicked(0, 0);
      OkButton(w)->click();
    } else if (auto* report = w->findChild<QPlainTextEdit*>()) {
      seen << report->toPlainText().section('\n', 0, 0).left(13);
      if (const char* shot = std::getenv("DIFSCOP_GRAB")) w->grab().save(shot);
      Button(w, "Write CellRef Input")->click();
      Button(w, "Close")->click();
    } else {
      last = nullptr;
    }
  });
  poll.start();
  t.frame.RunCommand(app::kIdBuiltinIndexing);
  return seen;
}

}  // namespace

TEST(BuiltinIndexingWindow, FromThePeakListToTheRefinedCellOrCancelled) {
  // Measured BaSO4 lines (Cu Ka1), as the peak search gives them.
  constexpr float kBaSO4[] = {19.980f, 20.457f, 22.798f, 23.561f, 24.863f, 25.857f, 26.842f,
                              28.755f, 31.536f, 32.808f, 36.192f, 38.733f, 39.495f, 40.810f,
                              42.597f, 42.927f, 44.016f, 49.018f, 54.819f, 60.258f};
  for (bool cancel : {true, false}) {
    SCOPED_TRACE(cancel ? "cancelled" : "run through");
    ScratchDir dir;
    TestFrame t;
    workspace::Workspace& ws = t.ws();
    ws.startDirectory = dir.path().string();
    ws.cellRefInput = "CellRef.inp";
    ws.rawLoaded = ws.autoPeaksFound = 1;
    ws.peakCount = 0;
    for (float angle : kBaSO4) ws.peak2Theta[++ws.peakCount] = angle;
    const auto peaksBefore = ws.peak2Theta;
    const QStringList seen = Drive(t, cancel);
    EXPECT_EQ(ws.peak2Theta, peaksBefore);
    EXPECT_EQ(ws.peakCount, 20);
    const QStringList run = {"options", "progress", "solutions orthorhombic", "refined: 5.45"};
    EXPECT_EQ(seen, cancel ? run.mid(0, 2) : run);
    EXPECT_EQ(std::filesystem::exists(dir.path() / "CellRef.inp"), !cancel);
    EXPECT_EQ(ws.cellRefPrepared, cancel ? 0 : 1);
    EXPECT_TRUE(!cancel || t.platform().messages.empty());
  }
}

}  // namespace difscop::apptest
