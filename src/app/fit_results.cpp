#include "app/fit_results.h"

#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "app/commands/command_table.h"
#include "app/main_frame.h"
#include "processing/fit_commands.h"
#include "textio/text_writer.h"

namespace difscop::app {
namespace {

// Column titles and the decimals of a value without an uncertainty.
struct Column {
  const char* title;
  int decimals;
};
constexpr Column kColumns[] = {{"2theta", 4}, {"d (A)", 5},  {"Height", 1},   {"FWHM", 4},
                               {"Area", 2},   {"Shape", 3}, {"Size (nm)", 1}};

// Runs a command as the menu would, then lets the frame follow.
void RunAsMenu(CommandContext& ctx, int id) {
  if (auto* frame = qobject_cast<MainFrame*>(ctx.window->window())) frame->RunCommand(id);
}

}  // namespace

FitResultsPanel::FitResultsPanel(CommandContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx) {
  table_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)));
  QStringList titles;
  for (const Column& c : kColumns) titles << c.title;
  table_->setHorizontalHeaderLabels(titles);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  summary_ = new QLabel;
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  copy_ = new QPushButton("Copy");
  save_ = new QPushButton("Save as CSV...");
  use_ = new QPushButton("Use Fitted Positions");
  instrument_ = new QPushButton("Use as Instrument");
  instrument_->setToolTip(
      "Take the widths of this fit (a standard's) as the instrument's, removed from later sizes");
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {copy_, save_, use_, instrument_}) buttons->addWidget(b);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addWidget(summary_);
  layout->addLayout(buttons);

  connect(copy_, &QPushButton::clicked, this, [this] { CopyTable(); });
  connect(save_, &QPushButton::clicked, this,
          [this] { processing::SaveFitResultsCommand(ctx_.ws, ctx_.platform); });
  connect(use_, &QPushButton::clicked, this,
          [this] { RunAsMenu(ctx_, commands::kIdUseFittedPositions); });
  connect(instrument_, &QPushButton::clicked, this, [this] {
    processing::UseAsInstrumentCommand(ctx_.ws, ctx_.platform);
    Refresh();
  });
  Refresh();
}

void FitResultsPanel::Refresh() {
  const workspace::PeakFitResult& fit = ctx_.ws.peakFit;
  const bool any = !fit.lines.empty();
  if (shown_ && fit.serial == shownSerial_ && table_->rowCount() == static_cast<int>(fit.lines.size()))
    return;
  shown_ = true;
  shownSerial_ = fit.serial;
  for (QPushButton* b : {copy_, save_, use_, instrument_}) b->setEnabled(any);
  table_->setRowCount(static_cast<int>(fit.lines.size()));
  for (int row = 0; row < table_->rowCount(); ++row) {
    const workspace::FittedLine& l = fit.lines[static_cast<std::size_t>(row)];
    const workspace::FitValue* values[] = {&l.twoTheta, &l.d,     &l.height, &l.fwhm,
                                           &l.area,     &l.shape, &l.size};
    for (int col = 0; col < table_->columnCount(); ++col) {
      const workspace::FitValue& v = *values[col];
      auto* item = new QTableWidgetItem(QString::fromStdString(
          processing::ValueWithEsd(v.value, v.esd, kColumns[col].decimals)));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table_->setItem(row, col, item);
    }
  }
  if (!any) {
    summary_->setText("No fit of this pattern: Edit > Fit Peaks...");
    return;
  }
  std::string text = textio::Format("%zu lines, %s; Rwp %.2f %%, reduced chi^2 %.3g (%d points, %d "
                                    "parameters)",
                                    fit.lines.size(), fit.shape.c_str(), 100.0 * fit.rwp,
                                    fit.reducedChiSquare, fit.points, fit.parameters);
  if (fit.unfitted > 0) text += textio::Format("; %d peak(s) gave no sound line", fit.unfitted);
  if (std::isfinite(fit.whSize.value))
    text += "\nWilliamson-Hall: size " + processing::ValueWithEsd(fit.whSize.value, fit.whSize.esd, 1) +
            " nm, strain " + textio::Format("%.2e (%.1e)", fit.whStrain.value, fit.whStrain.esd);
  if (ctx_.ws.instrumentU != 0.0 || ctx_.ws.instrumentV != 0.0 || ctx_.ws.instrumentW != 0.0)
    text += textio::Format("\nInstrument width removed: U %.4g, V %.4g, W %.4g",
                           ctx_.ws.instrumentU, ctx_.ws.instrumentV, ctx_.ws.instrumentW);
  summary_->setText(QString::fromStdString(text));
}

void FitResultsPanel::CopyTable() {
  QApplication::clipboard()->setText(
      QString::fromStdString(processing::FitResultsTable(ctx_.ws.peakFit, '\t', "\n")));
}

FitResultsPanel& FitResultsPanelOf(CommandContext& ctx) {
  QWidget* top = ctx.window->window();
  auto* panel = top->findChild<FitResultsPanel*>();
  if (!panel) {
    auto* dock = new QDockWidget("Fit Results", top);
    dock->setObjectName("fitResults");
    panel = new FitResultsPanel(ctx, dock);
    dock->setWidget(panel);
    if (auto* frame = qobject_cast<QMainWindow*>(top))
      frame->addDockWidget(Qt::BottomDockWidgetArea, dock);
  }
  return *panel;
}

void InstallFitHandlers(CommandContext& ctx, HandlerMap& handlers) {
  handlers[commands::kIdFitPeaks] = [&ctx] {
    processing::FitPeaksCommand(ctx.ws, ctx.platform);
    if (ctx.ws.peakFit.lines.empty()) return;
    FitResultsPanel& panel = FitResultsPanelOf(ctx);
    panel.Refresh();
    panel.parentWidget()->show();
  };
  handlers[commands::kIdUseFittedPositions] = [&ctx] {
    processing::UseFittedPositionsCommand(ctx.ws, ctx.platform);
  };
  handlers[commands::kIdAutoBackground] = [&ctx] {
    processing::AutoBackgroundCommand(ctx.ws, ctx.platform);
  };
  handlers[commands::kIdStripKa2] = [&ctx] { processing::StripKa2Command(ctx.ws, ctx.platform); };
  handlers[commands::kIdObservedAsPattern] = [&ctx] {
    processing::ObservedAsPatternCommand(ctx.ws, ctx.platform);
  };
}

}  // namespace difscop::app
