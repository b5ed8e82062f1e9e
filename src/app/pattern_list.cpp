#include "app/pattern_list.h"

#include <QColor>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QListView>
#include <QToolButton>
#include <QVBoxLayout>

namespace difscop::app {

using workspace::Workspace;

PatternListModel::PatternListModel(Workspace& ws, QObject* parent)
    : QAbstractListModel(parent), ws_(ws) {}

PatternListModel::Row PatternListModel::RowOf(int i) const {
  const workspace::OpenPattern& p = ws_.patterns[i];
  return {p.name, p.colour, p.visible, workspace::PatternAt(ws_, i).dataFilePath};
}

void PatternListModel::Refresh() {
  // A pattern loaded before the list existed (the command line's) joins it.
  workspace::ListLoadedPattern(ws_);
  const int n = static_cast<int>(ws_.patterns.size());
  if (n != static_cast<int>(rows_.size())) {
    beginResetModel();
    rows_.clear();
    for (int i = 0; i < n; ++i) rows_.push_back(RowOf(i));
    endResetModel();
    return;
  }
  for (int i = 0; i < n; ++i) {
    Row now = RowOf(i);
    if (now == rows_[i]) continue;
    rows_[i] = std::move(now);
    emit dataChanged(index(i), index(i));
  }
}

int PatternListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant PatternListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  const Row& row = rows_[index.row()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return QString::fromStdString(row.name);
    case Qt::DecorationRole:
      return QColor(workspace::RedOf(row.colour), workspace::GreenOf(row.colour),
                    workspace::BlueOf(row.colour));
    case Qt::CheckStateRole:
      return row.visible ? Qt::Checked : Qt::Unchecked;
    case Qt::ToolTipRole:
      return QString::fromStdString(row.path);
    default:
      return {};
  }
}

bool PatternListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.row() >= static_cast<int>(ws_.patterns.size())) return false;
  workspace::OpenPattern& entry = ws_.patterns[index.row()];
  if (role == Qt::CheckStateRole) {
    entry.visible = value.toInt() == Qt::Checked;
  } else if (role == Qt::EditRole) {
    const std::string name = value.toString().trimmed().toStdString();
    if (name.empty()) return false;
    entry.name = name;
    workspace::UpdateTitle(ws_);
  } else {
    return false;
  }
  rows_[index.row()] = RowOf(index.row());
  emit dataChanged(index, index);
  emit edited();
  return true;
}

Qt::ItemFlags PatternListModel::flags(const QModelIndex& index) const {
  // Rows are dropped between rows, never onto one.
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsUserCheckable |
         Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

bool PatternListModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                                const QModelIndex& destinationParent, int destinationChild) {
  const int n = static_cast<int>(ws_.patterns.size());
  if (sourceParent.isValid() || destinationParent.isValid() || count != 1 || sourceRow < 0 ||
      sourceRow >= n || destinationChild < 0 || destinationChild > n)
    return false;
  // destinationChild is the row the moved one goes before.
  if (!beginMoveRows({}, sourceRow, sourceRow, {}, destinationChild)) return false;
  const int to = destinationChild > sourceRow ? destinationChild - 1 : destinationChild;
  workspace::MovePattern(ws_, sourceRow, to);
  Row moved = std::move(rows_[sourceRow]);
  rows_.erase(rows_.begin() + sourceRow);
  rows_.insert(rows_.begin() + to, std::move(moved));
  endMoveRows();
  emit edited();
  return true;
}

PatternListDock::PatternListDock(QWidget* parent, CommandContext& ctx)
    : QDockWidget(QStringLiteral("Patterns"), parent),
      ctx_(ctx),
      model_(new PatternListModel(ctx.ws, this)),
      view_(new QListView) {
  setObjectName(QStringLiteral("patternList"));
  view_->setModel(model_);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  view_->setDragDropMode(QAbstractItemView::InternalMove);
  view_->setDefaultDropAction(Qt::MoveAction);
  view_->setUniformItemSizes(true);

  auto button = [this](const QString& text, const QString& tip) {
    auto* b = new QToolButton;
    b->setText(text);
    b->setToolTip(tip);
    return b;
  };
  up_ = button(QStringLiteral("Up"), QStringLiteral("Move the active pattern up the list"));
  down_ = button(QStringLiteral("Down"), QStringLiteral("Move the active pattern down the list"));
  remove_ = button(QStringLiteral("Remove"), QStringLiteral("Close the active pattern"));
  connect(up_, &QToolButton::clicked, this, [this] { MoveActive(-1); });
  connect(down_, &QToolButton::clicked, this, [this] { MoveActive(1); });
  connect(remove_, &QToolButton::clicked, this, &PatternListDock::RemoveActive);

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->addWidget(up_);
  buttons->addWidget(down_);
  buttons->addStretch();
  buttons->addWidget(remove_);
  auto* panel = new QWidget;
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(view_);
  layout->addLayout(buttons);
  setWidget(panel);

  connect(model_, &PatternListModel::edited, this, &PatternListDock::Edited);
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (following_ || !current.isValid() || current.row() == ctx_.ws.activePattern) return;
            workspace::Activate(ctx_.ws, current.row());
            workspace::UpdateTitle(ctx_.ws);
            Edited();
          });
  UpdateButtons();
}

void PatternListDock::Refresh() {
  following_ = true;
  model_->Refresh();
  const int active = ctx_.ws.activePattern;
  const QModelIndex current = view_->currentIndex();
  if (active >= 0 && (!current.isValid() || current.row() != active)) {
    view_->setCurrentIndex(model_->index(active));
    view_->scrollTo(model_->index(active));
  } else if (active < 0) {
    view_->clearSelection();
  }
  following_ = false;
  if (!shownOnce_ && ctx_.ws.patterns.size() >= 2) {
    shownOnce_ = true;
    show();
  }
  UpdateButtons();
}

void PatternListDock::UpdateButtons() {
  const int active = ctx_.ws.activePattern;
  const int n = static_cast<int>(ctx_.ws.patterns.size());
  up_->setEnabled(active > 0);
  down_->setEnabled(active >= 0 && active + 1 < n);
  remove_->setEnabled(active >= 0);
}

void PatternListDock::MoveActive(int by) {
  const int from = ctx_.ws.activePattern;
  const int to = from + by;
  if (from < 0 || to < 0 || to >= static_cast<int>(ctx_.ws.patterns.size())) return;
  // Before the row that follows it when it moves down.
  model_->moveRows({}, from, 1, {}, to > from ? to + 1 : to);
}

void PatternListDock::RemoveActive() {
  const int active = ctx_.ws.activePattern;
  if (active < 0) return;
  workspace::RemovePattern(ctx_.ws, active);
  if (ctx_.ws.patterns.empty())
    workspace::CloseAllPatterns(ctx_.ws);
  else
    workspace::UpdateTitle(ctx_.ws);
  Edited();
}

void PatternListDock::Edited() {
  ctx_.platform.RequestRepaint();
  Refresh();
  emit edited();
}

}  // namespace difscop::app
