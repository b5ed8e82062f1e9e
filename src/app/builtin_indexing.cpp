#include "app/builtin_indexing.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWidget>
#include <array>
#include <atomic>
#include <thread>

#include "indexing/builtin_indexing.h"
#include "indexing/run_commands.h"
#include "indexing/search_program.h"
#include "platform/helper_programs.h"
#include "textio/text_writer.h"

namespace difscop::app {

namespace {

using indexing::CrystalSystem;

QWidget* ParentOf(const CommandContext& ctx) { return ctx.window ? ctx.window->window() : nullptr; }

// The search options; false on Cancel.
bool EditOptions(QWidget* parent, indexing::IndexOptions& options, int peakCount) {
  QDialog box(parent);
  box.setWindowTitle(QStringLiteral("Built-in Indexing"));
  auto* layout = new QVBoxLayout(&box);
  auto* form = new QFormLayout;
  auto* lines = new QSpinBox;
  lines->setRange(indexing::kMinIndexLines, workspace::kMaxPeaks);
  lines->setValue(options.lines);
  form->addRow(QStringLiteral("Lines used (%1 in the peak list)").arg(peakCount), lines);
  auto* spurious = new QSpinBox;
  spurious->setRange(0, 5);
  spurious->setValue(options.maxSpurious);
  form->addRow(QStringLiteral("Spurious lines allowed"), spurious);
  auto* tolerance = new QDoubleSpinBox;
  tolerance->setDecimals(3);
  tolerance->setRange(0.005, 1.0);
  tolerance->setSingleStep(0.01);
  tolerance->setValue(options.tolerance);
  form->addRow(QStringLiteral("2theta tolerance (deg)"), tolerance);
  auto volume = [](double value) {
    auto* v = new QDoubleSpinBox;
    v->setDecimals(1);
    v->setRange(0, 100000);
    v->setSingleStep(100);
    v->setSpecialValueText(QStringLiteral("estimated"));
    v->setValue(value);
    return v;
  };
  QDoubleSpinBox* volumeMin = volume(options.volumeMin);
  QDoubleSpinBox* volumeMax = volume(options.volumeMax);
  form->addRow(QStringLiteral("Volume from (A^3)"), volumeMin);
  form->addRow(QStringLiteral("Volume to (A^3)"), volumeMax);
  auto* zero = new QCheckBox(QStringLiteral("Refine a zero shift"));
  zero->setChecked(options.zeroShift);
  form->addRow(QString(), zero);
  layout->addLayout(form);

  auto* systems = new QGridLayout;
  std::array<QCheckBox*, indexing::kCrystalSystemCount> checks{};
  for (int i = 0; i < indexing::kCrystalSystemCount; ++i) {
    const auto system = static_cast<CrystalSystem>(i);
    checks[i] = new QCheckBox(QString::fromLatin1(indexing::CrystalSystemName(system)));
    checks[i]->setChecked(std::find(options.systems.begin(), options.systems.end(), system) !=
                          options.systems.end());
    systems->addWidget(checks[i], i / 4, i % 4);
  }
  layout->addWidget(new QLabel(QStringLiteral("Crystal systems")));
  layout->addLayout(systems);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  layout->addWidget(buttons);
  if (box.exec() != QDialog::Accepted) return false;

  options.lines = lines->value();
  options.maxSpurious = spurious->value();
  options.tolerance = tolerance->value();
  options.volumeMin = volumeMin->value();
  options.volumeMax = volumeMax->value();
  options.zeroShift = zero->isChecked();
  options.systems.clear();
  for (int i = 0; i < indexing::kCrystalSystemCount; ++i) {
    if (checks[i]->isChecked()) options.systems.push_back(static_cast<CrystalSystem>(i));
  }
  return true;
}

// The progress window: closing it or Cancel asks the search to stop; it
// closes itself when the search has ended.
class ProgressWindow : public QDialog {
 public:
  ProgressWindow(QWidget* parent, std::atomic<bool>& cancel) : QDialog(parent), cancel_(cancel) {
    setWindowTitle(QStringLiteral("Built-in Indexing"));
    auto* layout = new QVBoxLayout(this);
    system_ = new QLabel(QStringLiteral("Searching ..."));
    cells_ = new QLabel(QStringLiteral("Cells tested: 0"));
    best_ = new QLabel(QStringLiteral("Best score so far: -"));
    for (QLabel* l : {system_, cells_, best_}) {
      l->setMinimumWidth(280);
      layout->addWidget(l);
    }
    auto* row = new QHBoxLayout;
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"));
    row->addStretch();
    row->addWidget(cancelButton);
    layout->addLayout(row);
    connect(cancelButton, &QPushButton::clicked, this, &ProgressWindow::reject);
  }

  void Show(const indexing::IndexProgress& p) {
    if (cancel_) return;
    system_->setText(QStringLiteral("Searching: %1")
                         .arg(QString::fromLatin1(indexing::CrystalSystemName(p.system))));
    cells_->setText(QStringLiteral("Cells tested: %1").arg(p.cellsTested));
    best_->setText(p.bestScore > 0 ? QStringLiteral("Best score so far: %1").arg(p.bestScore, 0, 'f', 1)
                                   : QStringLiteral("Best score so far: -"));
  }

  void reject() override {
    cancel_ = true;
    system_->setText(QStringLiteral("Cancelling ..."));
  }

  void Finish() { QDialog::accept(); }

 private:
  std::atomic<bool>& cancel_;
  QLabel* system_;
  QLabel* cells_;
  QLabel* best_;
};

indexing::IndexOutcome SearchWithProgress(QWidget* parent, const std::vector<double>& angles,
                                          double wavelength,
                                          const indexing::IndexOptions& options) {
  std::atomic<bool> cancel{false};
  ProgressWindow window(parent, cancel);
  indexing::IndexOutcome outcome;
  // The search runs in a program of its own; the worker follows its reply.
  const std::string program = platform::HelperProgramPath("difscop-index");
  std::thread worker([&] {
    outcome = indexing::RunSearchProgram(
        program, angles, wavelength, options,
        [&window](const indexing::IndexProgress& p) {
          QMetaObject::invokeMethod(&window, [&window, p] { window.Show(p); }, Qt::QueuedConnection);
        },
        &cancel);
    QMetaObject::invokeMethod(&window, [&window] { window.Finish(); }, Qt::QueuedConnection);
  });
  window.exec();
  worker.join();
  return outcome;
}

std::optional<int> ChooseSolution(QWidget* parent,
                                  const std::vector<indexing::IndexSolution>& solutions) {
  std::vector<std::vector<std::string>> rows;
  int number = 0;
  for (const indexing::IndexSolution& s : solutions) {
    rows.push_back({textio::Format("%2d", ++number), textio::Format("%.2f", s.score),
                    textio::Format("%.2f", s.merit.m20), indexing::CrystalSystemName(s.system),
                    textio::Format("%.5f", s.cell.a), textio::Format("%.5f", s.cell.b),
                    textio::Format("%.5f", s.cell.c), textio::Format("%.3f", s.cell.alpha),
                    textio::Format("%.3f", s.cell.beta), textio::Format("%.3f", s.cell.gamma),
                    textio::Format("%.2f", s.cell.Volume())});
  }
  return ChooseFromSolutionList(parent, QStringLiteral("Solutions of the built-in indexing"),
                                {{"No", 30},
                                 {"Score", 50},
                                 {"M20", 50},
                                 {"System", 80},
                                 {"a", 65},
                                 {"b", 65},
                                 {"c", 65},
                                 {"alpha", 55},
                                 {"beta", 55},
                                 {"gamma", 55},
                                 {"V", 70}},
                                rows);
}

void ShowReport(CommandContext& ctx, const indexing::Refinement& refinement,
                const std::vector<double>& angles) {
  const std::string report = indexing::RefinementReport(refinement, angles);
  QDialog box(ParentOf(ctx));
  box.setWindowTitle(QStringLiteral("Cell refinement"));
  auto* layout = new QVBoxLayout(&box);
  auto* text = new QPlainTextEdit;
  text->setReadOnly(true);
  text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text->setPlainText(QString::fromStdString(report).remove(QLatin1Char('\r')));
  text->setMinimumSize(560, 420);
  layout->addWidget(text);
  auto* row = new QHBoxLayout;
  auto* save = new QPushButton(QStringLiteral("Save Beside Pattern"));
  auto* cellRef = new QPushButton(QStringLiteral("Write CellRef Input"));
  auto* close = new QPushButton(QStringLiteral("Close"));
  save->setEnabled(!ctx.ws.dataFilePath.empty());
  row->addWidget(save);
  row->addWidget(cellRef);
  row->addStretch();
  row->addWidget(close);
  layout->addLayout(row);
  QObject::connect(close, &QPushButton::clicked, &box, &QDialog::accept);
  QObject::connect(save, &QPushButton::clicked, &box, [&ctx, report] {
    const std::string path = indexing::ReportPathBesidePattern(ctx.ws.dataFilePath);
    std::string why;
    ctx.platform.ShowMessage(textio::WriteFileAtomically(path, report, &why)
                                 ? path + " saved"
                                 : path + "  not created !!!\n" + why);
  });
  QObject::connect(cellRef, &QPushButton::clicked, &box, [&ctx, &refinement, &angles] {
    if (indexing::WriteBuiltinCellRef(ctx.ws, ctx.platform, refinement, angles)) {
      ctx.platform.ShowMessage(indexing::InStartDirectory(ctx.ws, ctx.ws.cellRefInput) +
                               " written");
    }
  });
  box.exec();
}

}  // namespace

void BuiltinIndexingCommand(CommandContext& ctx) {
  workspace::Workspace& ws = ctx.ws;
  if (!ws.autoPeaksFound && !ws.manualPeakMode) {
    ctx.platform.ShowMessage("No peak list: search or pick peaks first !!!");
    return;
  }
  static indexing::IndexOptions options;  // kept from one run to the next
  indexing::RefinePeaksForRun(ws);
  const std::vector<double> angles = indexing::PeakListAngles(ws);
  const double wavelength = static_cast<double>(ws.wavelength);
  if (!EditOptions(ParentOf(ctx), options, static_cast<int>(angles.size()))) return;
  if (std::optional<std::string> refusal = indexing::CheckIndexInput(angles, wavelength, options)) {
    ctx.platform.ShowMessage(*refusal);
    return;
  }
  indexing::IndexOutcome outcome = SearchWithProgress(ParentOf(ctx), angles, wavelength, options);
  using Status = indexing::IndexOutcome::Status;
  switch (outcome.status) {
    case Status::Cancelled:
      return;
    case Status::Refused:
    case Status::Failed:
      ctx.platform.ShowMessage(outcome.message);
      return;
    case Status::NoSolution:
      ctx.platform.ShowMessage("No reliable solution !!!");
      return;
    case Status::Solved:
      break;
  }
  std::optional<int> chosen = ChooseSolution(ParentOf(ctx), outcome.solutions);
  if (!chosen) return;
  std::string message;
  std::optional<indexing::Refinement> refinement = indexing::RefineSolution(
      outcome.solutions[static_cast<std::size_t>(*chosen)], angles, wavelength, options, message);
  if (!refinement) {
    ctx.platform.ShowMessage(message);
    return;
  }
  ShowReport(ctx, *refinement, angles);
}

}  // namespace difscop::app
