#include "app/reference_phases.h"

#include <QCheckBox>
#include <QCursor>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPixmap>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "plot/reference_phases.h"
#include "structures/crystal_structure.h"
#include "textio/text_writer.h"

namespace difscop::app {
namespace {

QColor ToQColor(workspace::Colour c) {
  return QColor(workspace::RedOf(c), workspace::GreenOf(c), workspace::BlueOf(c));
}

QDoubleSpinBox* Spin(double lo, double hi, double step, int decimals, double value) {
  auto* spin = new QDoubleSpinBox;
  spin->setRange(lo, hi);
  spin->setSingleStep(step);
  spin->setDecimals(decimals);
  spin->setValue(value);
  spin->setKeyboardTracking(false);
  return spin;
}

// What identifies the active pattern's data for the overlays.
std::string PatternKey(const workspace::Workspace& ws) {
  const int n = ws.obsCount;
  const float lambda = ws.StatedWavelength() > 0.0f ? ws.StatedWavelength() : ws.wavelength;
  return ws.dataFilePath + textio::Format("|%d|%.6f|%.4f|%.4f", n, lambda,
                                          n >= 1 ? ws.obs[1].x : ws.xMin,
                                          n >= 1 ? ws.obs[n].x : ws.xMax);
}

}  // namespace

ReferencePhasePanel::ReferencePhasePanel(CommandContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx) {
  list_ = new QListWidget;
  cellScale_ = Spin(0.8, 1.2, 0.001, 4, 1.0);
  zeroShift_ = Spin(-5.0, 5.0, 0.01, 3, 0.0);
  neutrons_ = new QCheckBox("Neutrons");
  remove_ = new QPushButton("Remove");
  auto* add = new QPushButton("Add...");
  profile_ = new QCheckBox("Calculated profile");
  fwhm_ = Spin(0.005, 5.0, 0.01, 3, options_.shape.fwhm);
  status_ = new QLabel;
  status_->setWordWrap(true);

  auto* phase = new QFormLayout;
  phase->addRow("Cell scale :", cellScale_);
  phase->addRow("Zero shift (deg) :", zeroShift_);
  phase->addRow(neutrons_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(remove_);
  auto* shape = new QFormLayout;
  shape->addRow(profile_);
  shape->addRow("FWHM (deg) :", fwhm_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(phase);
  layout->addLayout(buttons);
  layout->addLayout(shape);
  layout->addWidget(status_);
  layout->addStretch();

  connect(list_, &QListWidget::currentRowChanged, this, [this] { ShowSelected(); });
  for (QDoubleSpinBox* spin : {cellScale_, zeroShift_})
    connect(spin, &QDoubleSpinBox::valueChanged, this, [this] { ApplyEdits(); });
  connect(neutrons_, &QCheckBox::toggled, this, [this] { ApplyEdits(); });
  connect(remove_, &QPushButton::clicked, this, [this] { RemoveSelected(); });
  connect(add, &QPushButton::clicked, this, [this] { AddFromFile(); });
  connect(profile_, &QCheckBox::toggled, this, [this](bool on) {
    options_.profile = on;
    Recompute();
  });
  connect(fwhm_, &QDoubleSpinBox::valueChanged, this, [this](double v) {
    options_.shape.fwhm = v;
    if (options_.profile) Recompute();
  });
  ShowSelected();
}

void ReferencePhasePanel::AddFromFile() {
  const QString path = QFileDialog::getOpenFileName(
      ctx_.window->window(), "Add Reference Phase", QString(),
      "Crystal structures (*.cif *.CIF);;All files (*)");
  if (path.isEmpty()) return;
  const std::string file = path.toStdString();
  const std::vector<structures::StructureBlock> blocks = structures::StructureBlocks(file);
  std::string block;
  if (blocks.size() > 1) {
    // Each block with the phase it holds: "phase_1 (Quartz SiO2)".
    QStringList names;
    for (const structures::StructureBlock& b : blocks)
      names << QString::fromStdString(b.phaseName == b.name ? b.name
                                                            : b.name + " (" + b.phaseName + ")");
    bool ok = false;
    const QString chosen = QInputDialog::getItem(ctx_.window->window(), "Add Reference Phase",
                                                 "Data block :", names, 0, false, &ok);
    if (!ok) return;
    block = blocks[static_cast<std::size_t>(names.indexOf(chosen))].name;
  }
  AddPhase(file, block);
}

bool ReferencePhasePanel::AddPhase(const std::string& path, const std::string& block) {
  const structures::StructureRead read = structures::ReadStructureFile(path, block);
  if (!read.ok) {
    ctx_.platform.ShowMessage(read.error);
    return false;
  }
  structures::ReferencePhase phase;
  phase.structure = read.structure;
  phase.name = read.structure.phaseName;
  phase.colour = plot::ReferencePhaseColour(coloursUsed_++);
  phases_.push_back(std::move(phase));
  QPixmap swatch(12, 12);
  swatch.fill(ToQColor(phases_.back().colour));
  list_->addItem(new QListWidgetItem(QIcon(swatch), QString::fromStdString(phases_.back().name)));
  list_->setCurrentRow(list_->count() - 1);
  Recompute();
  return true;
}

void ReferencePhasePanel::RemoveSelected() {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(phases_.size())) return;
  phases_.erase(phases_.begin() + row);
  delete list_->takeItem(row);
  Recompute();
  ShowSelected();
}

void ReferencePhasePanel::ShowSelected() {
  const int row = list_->currentRow();
  const bool any = row >= 0 && row < static_cast<int>(phases_.size());
  for (QWidget* w : std::initializer_list<QWidget*>{cellScale_, zeroShift_, neutrons_, remove_})
    w->setEnabled(any);
  if (!any) return;
  filling_ = true;
  cellScale_->setValue(phases_[row].cellScale);
  zeroShift_->setValue(phases_[row].zeroShift);
  neutrons_->setChecked(phases_[row].probe == structures::Probe::kNeutron);
  filling_ = false;
}

void ReferencePhasePanel::ApplyEdits() {
  const int row = list_->currentRow();
  if (filling_ || row < 0 || row >= static_cast<int>(phases_.size())) return;
  structures::ReferencePhase& p = phases_[row];
  p.cellScale = cellScale_->value();
  p.zeroShift = zeroShift_->value();
  p.probe = neutrons_->isChecked() ? structures::Probe::kNeutron : structures::Probe::kXray;
  Recompute();
}

void ReferencePhasePanel::Recompute() {
  patternKey_ = PatternKey(ctx_.ws);
  const structures::OverlayUpdate update =
      structures::UpdateReferenceOverlays(phases_, options_, ctx_.ws);
  std::string text;
  if (!update.error.empty()) text = update.error;
  if (!update.scales.empty()) {
    for (std::size_t i = 0; i < update.scales.size(); ++i)
      text += (text.empty() ? "" : "\n") + phases_[i].name + textio::Format(": scale %.4g", update.scales[i]);
    text += textio::Format("\nRwp %.1f %%", 100.0 * update.rwp);
  }
  status_->setText(QString::fromStdString(text));
  ctx_.platform.RequestRepaint();
}

void ReferencePhasePanel::FollowPattern() {
  if (phases_.empty() || PatternKey(ctx_.ws) == patternKey_) return;
  patternKey_ = PatternKey(ctx_.ws);
  structures::UpdateReferenceOverlays(phases_, options_, ctx_.ws);
}

ReferencePhasePanel& ReferencePanelOf(CommandContext& ctx) {
  QWidget* top = ctx.window->window();
  auto* panel = top->findChild<ReferencePhasePanel*>();
  if (!panel) {
    auto* dock = new QDockWidget("Reference Phases", top);
    dock->setObjectName("referencePhases");
    panel = new ReferencePhasePanel(ctx, dock);
    dock->setWidget(panel);
    if (auto* frame = qobject_cast<QMainWindow*>(top))
      frame->addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
  }
  return *panel;
}

void InstallReferencePhaseHandlers(CommandContext& ctx, HandlerMap& handlers) {
  handlers[kIdAddReferencePhase] = [&ctx] {
    ReferencePhasePanel& panel = ReferencePanelOf(ctx);
    panel.parentWidget()->show();
    panel.AddFromFile();
  };
  ctx.hooks.beforePaint = [&ctx](int, int) {
    if (auto* panel = ctx.window->window()->findChild<ReferencePhasePanel*>())
      panel->FollowPattern();
  };
  ctx.hooks.mouseMove = [&ctx](workspace::DevicePoint p) {
    if (ctx.ws.referencePhases.empty() && ctx.ws.indexedCell.sticks.empty()) return;
    if (const auto hit = plot::ReferenceStickAt(ctx.ws, p)) {
      QToolTip::showText(QCursor::pos(),
                         QString::fromStdString(plot::ReferenceStickText(ctx.ws, *hit)),
                         ctx.window);
    } else {
      QToolTip::hideText();
    }
  };
}

}  // namespace difscop::app
