// Index > Built-in Indexing... driven as a user would: options, the search
// under its progress window, a solution chosen, the refinement report; and a
// search cancelled half-way.
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

#include "app/builtin_indexing.h"
#include "app_test_support.h"

namespace difscop::apptest {
namespace {

// Answers each modal window of the command by what it holds until the
// command returns; what it saw goes into seen.
QStringList Drive(TestFrame& t, bool cancel) {
  QStringList seen;
  QPointer<QWidget> last;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || w == last) return;
    last = w;
    auto click = [w](const QString& text) {
      for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text() == text) return b->click();
    };
    if (w->findChild<QSpinBox*>()) {
      seen << "options";
      OkButton(w)->click();
    } else if (auto* table = w->findChild<QTableWidget*>()) {
      seen << "solutions " + table->item(0, 3)->text();
      emit table->cellDoubleClicked(0, 0);
      OkButton(w)->click();
    } else if (auto* report = w->findChild<QPlainTextEdit*>()) {
      seen << report->toPlainText().section('\n', 0, 0).left(13);
      click("Write CellRef Input");
      click("Close");
    } else {
      seen << "progress";
      if (cancel) click("Cancel");
    }
  });
  poll.start(20);
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
    const QStringList run = {"options", "progress", "solutions orthorhombic", "refined: 5.45"};
    EXPECT_EQ(seen, cancel ? run.mid(0, 2) : run);
    EXPECT_EQ(std::filesystem::exists(dir.path() / "CellRef.inp"), !cancel);
    EXPECT_EQ(ws.cellRefPrepared, cancel ? 0 : 1);
    EXPECT_TRUE(!cancel || t.platform().messages.empty());
  }
}

}  // namespace difscop::apptest
