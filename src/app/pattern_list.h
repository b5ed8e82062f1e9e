// The list of open patterns beside the plot: each pattern with its colour,
// a box that shows or hides it and its name (renamed in place by a double
// click or F2). The selected pattern is the active one, which every command
// acts on; Up and Down (or a drag) reorder the list, Remove closes one.
#pragma once

#include <QAbstractListModel>
#include <QDockWidget>
#include <string>
#include <vector>

#include "app/handlers.h"

class QListView;
class QToolButton;

namespace difscop::app {

class PatternListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit PatternListModel(workspace::Workspace& ws, QObject* parent = nullptr);

  // Brings the rows up to the workspace's list; cheap when nothing changed.
  void Refresh();

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
  bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                const QModelIndex& destinationParent, int destinationChild) override;

 signals:
  // A row was edited, moved or shown/hidden: the workspace has changed.
  void edited();

 private:
  struct Row {
    std::string name;
    workspace::Colour colour = 0;
    bool visible = true;
    std::string path;
    bool operator==(const Row&) const = default;
  };
  Row RowOf(int i) const;

  workspace::Workspace& ws_;
  std::vector<Row> rows_;
};

class PatternListDock : public QDockWidget {
  Q_OBJECT

 public:
  PatternListDock(QWidget* parent, CommandContext& ctx);

  // Follows the workspace: rows, the active row selected. The first time a
  // second pattern is open the dock shows itself.
  void Refresh();

  QListView* view() const { return view_; }
  PatternListModel* model() const { return model_; }
  // What the buttons do, on the active pattern.
  void MoveActive(int by);
  void RemoveActive();

 signals:
  // The workspace has changed from the list (active pattern, names, order,
  // visibility): the frame refreshes and the plot is drawn again.
  void edited();

 private:
  void Edited();
  void UpdateButtons();

  CommandContext& ctx_;
  PatternListModel* model_;
  QListView* view_;
  QToolButton* up_;
  QToolButton* down_;
  QToolButton* remove_;
  bool following_ = false;
  bool shownOnce_ = false;
};

}  // namespace difscop::app
