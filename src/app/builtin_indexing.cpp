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
#include "indexing/cell_overlay.h"
#include "indexing/pattern_checks.h"
#include "indexing/run_commands.h"
#include "indexing/search_program.h"
#include "platform/helper_programs.h"
#include "plot/reference_phases.h"
#include "processing/peak_search.h"
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
  auto* edge = new QDoubleSpinBox;
  edge->setDecimals(1);
  edge->setRange(0, 100);
  edge->setSpecialValueText(QStringLiteral("estimated"));
  edge->setValue(options.lengthMax);
  form->addRow(QStringLiteral("Longest edge (A)"), edge);
  auto* zero = new QDoubleSpinBox;
  zero->setDecimals(2);
  zero->setRange(0, indexing::kMaxZeroRange);
  zero->setSingleStep(0.05);
  zero->setSpecialValueText(QStringLiteral("none"));
  zero->setValue(options.zeroRange);
  form->addRow(QStringLiteral("Zero offset searched within +- (deg)"), zero);
  auto* displacement = new QCheckBox(QStringLiteral("Refine a sample displacement (cos theta)"));
  displacement->setChecked(options.displacement);
  form->addRow(QString(), displacement);
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
  options.lengthMax = edge->value();
  options.zeroRange = zero->value();
  options.displacement = displacement->isChecked();
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
    best_ = new QLabel(QStringLiteral("Best M20 so far: -"));
    found_ = new QLabel(QStringLiteral("Cells found: 0"));
    for (QLabel* l : {system_, cells_, best_, found_}) {
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
    system_->setText(QStringLiteral("Searching: %1 %2")
                         .arg(QString::fromLatin1(indexing::CrystalSystemName(p.system)))
                         .arg(QChar::fromLatin1(p.centring)));
    cells_->setText(QStringLiteral("Cells tested: %1").arg(p.cellsTested));
    best_->setText(p.bestM20 > 0 ? QStringLiteral("Best M20 so far: %1").arg(p.bestM20, 0, 'f', 1)
                                 : QStringLiteral("Best M20 so far: -"));
    found_->setText(QStringLiteral("Cells found: %1").arg(p.solutions));
  }

  // The search stops and reports the cells it has found.
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
  QLabel* found_;
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

// Draws the reflections of a cell over the active pattern, as the indexing
// placed its lines there (zero and displacement applied).
void ShowCell(CommandContext& ctx, const indexing::Cell& cell, indexing::CrystalSystem system,
              indexing::Centring centring, const indexing::Corrections& corrections,
              double wavelength) {
  workspace::Workspace& ws = ctx.ws;
  ws.indexedCell = indexing::CellOverlay(ws, ws.xMin, ws.xMax, cell, system, centring, corrections,
                                         wavelength);
  ws.indexedCell.colour = plot::IndexedCellColour();
  ctx.platform.RequestRepaint();
}

// The list of solutions; the cell of the row selected is drawn over the
// pattern while the list is open.
std::optional<int> ChooseSolution(CommandContext& ctx,
                                  const std::vector<indexing::IndexSolution>& solutions,
                                  bool cancelled, double wavelength) {
  std::vector<std::pair<const char*, int>> columns;
  for (const indexing::ListColumn& c : indexing::kSolutionColumns) columns.push_back({c.title, c.width});
  return ChooseFromSolutionList(
      ParentOf(ctx),
      cancelled ? QStringLiteral("Solutions of the built-in indexing "
                                 "(cancelled: the cells found so far)")
                : QStringLiteral("Solutions of the built-in indexing"),
      columns, indexing::SolutionRows(solutions), [&](int row) {
        if (row < 0 || row >= static_cast<int>(solutions.size())) return;
        const indexing::IndexSolution& s = solutions[static_cast<std::size_t>(row)];
        ShowCell(ctx, s.cell, s.system, s.centring, s.corrections, wavelength);
      });
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
    // No peak list yet: the search with the threshold from the noise makes
    // one, as Auto in the peak search does.
    processing::SearchPeaksAutomatic(ws, ctx.platform);
    ws.autoPeaksFound = 1;
    ctx.platform.RequestRepaint();
  }
  // Kept from one run to the next; the tolerance follows the pattern's step
  // until it is changed.
  static indexing::IndexOptions options;
  static double defaultTolerance = options.tolerance;
  if (options.tolerance == defaultTolerance) {
    options.tolerance = indexing::DefaultTolerance(static_cast<double>(ws.stepWidth));
    defaultTolerance = options.tolerance;
  }
  indexing::RefinePeaksForRun(ws);
  // Fitted positions (Use Fitted Positions) come with their uncertainties,
  // which weigh the lines in the refinement.
  const std::vector<double> angles = indexing::PeakListAngles(ws);
  const std::vector<double> esds = indexing::PeakListEsds(ws);
  const double wavelength = static_cast<double>(ws.wavelength);
  if (std::optional<std::string> warning = indexing::WavelengthWarning(ws, angles)) {
    if (!ctx.platform.AskYesNo(*warning + "\n\nIndex at this wavelength ?")) return;
  }
  if (!EditOptions(ParentOf(ctx), options, static_cast<int>(angles.size()))) return;
  if (std::optional<std::string> refusal = indexing::CheckIndexInput(angles, wavelength, options)) {
    ctx.platform.ShowMessage(*refusal);
    return;
  }
  indexing::IndexOutcome outcome = SearchWithProgress(ParentOf(ctx), angles, wavelength, options);
  using Status = indexing::IndexOutcome::Status;
  switch (outcome.status) {
    case Status::Cancelled:
      if (outcome.solutions.empty()) return;
      break;
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
  // Cancel leaves the cell drawn before.
  workspace::ReferenceOverlay before = ws.indexedCell;
  std::optional<int> chosen =
      ChooseSolution(ctx, outcome.solutions, outcome.status == Status::Cancelled, wavelength);
  if (!chosen) {
    ws.indexedCell = std::move(before);
    ctx.platform.RequestRepaint();
    return;
  }
  const indexing::IndexSolution& solution = outcome.solutions[static_cast<std::size_t>(*chosen)];
  ShowCell(ctx, solution.cell, solution.system, solution.centring, solution.corrections, wavelength);
  std::string message;
  std::optional<indexing::Refinement> refinement =
      indexing::RefineSolution(solution, angles, wavelength, options, message, esds);
  if (!refinement) {
    ctx.platform.ShowMessage(message);
    return;
  }
  ShowCell(ctx, refinement->cell, refinement->system, refinement->centring,
           refinement->corrections, wavelength);
  ShowReport(ctx, *refinement, angles);
}

}  // namespace difscop::app
