// Dialogs of the indexing commands: the solution lists, the EXPO input and
// the note shown while a program runs.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/builtin_indexing.h"
#include "app/qt_platform.h"
#include "platform/indexing_dialogs.h"

namespace difscop::app {

namespace {

struct Column {
  const char* title;
  int width;
  Qt::Alignment align;
};

// A report-style list with grid lines and whole-row selection, and the
// "Which number ?" box a double click writes the row number into.
class SolutionListDialog : public QDialog {
 public:
  SolutionListDialog(QWidget* parent, const QString& caption, const std::vector<Column>& columns,
                     const std::vector<std::vector<std::string>>& rows)
      : QDialog(parent), rowCount_(static_cast<int>(rows.size())) {
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(rowCount_, static_cast<int>(columns.size()));
    table_->setShowGrid(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    int width = 0;
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
      auto* header = new QTableWidgetItem(QString::fromLatin1(columns[c].title));
      header->setTextAlignment(columns[c].align | Qt::AlignVCenter);
      table_->setHorizontalHeaderItem(c, header);
      // The widths are the list's own units; leave room for the font in use.
      table_->setColumnWidth(c, columns[c].width * 3 / 2);
      width += columns[c].width * 3 / 2;
    }
    for (int r = 0; r < rowCount_; ++r) {
      for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        auto* item = new QTableWidgetItem(QString::fromStdString(rows[r][c]));
        item->setTextAlignment(columns[c].align | Qt::AlignVCenter);
        table_->setItem(r, c, item);
      }
    }
    table_->setMinimumWidth(width + 24);
    layout->addWidget(table_);
    auto* numberRow = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Which number ?"));
    number_ = new QLineEdit;
    number_->setMaximumWidth(60);
    label->setBuddy(number_);
    numberRow->addWidget(label);
    numberRow->addWidget(number_);
    numberRow->addStretch();
    layout->addLayout(numberRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &SolutionListDialog::TryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // A row chosen with the mouse (or the keys) gives its number, as a double
    // click does.
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
      number_->setText(QString::fromStdString(platform::RowNumberText(row)));
      if (selected_) selected_(row);
    });
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
      const QList<QTableWidgetSelectionRange> ranges = table_->selectedRanges();
      if (ranges.isEmpty()) return;
      number_->setText(QString::fromStdString(platform::RowNumberText(ranges.first().topRow())));
      if (selected_) selected_(ranges.first().topRow());
    });
  }

  void OnSelected(std::function<void(int)> selected) { selected_ = std::move(selected); }

  int chosenIndex() const { return chosen_; }

 private:
  void TryAccept() {
    platform::NumberCheck check =
        platform::CheckChosenNumber(number_->text().toStdString(), rowCount_);
    if (!check.index) {
      QApplication::beep();
      QMessageBox::warning(this, QStringLiteral("Difscop"), QString::fromStdString(check.message));
      return;
    }
    chosen_ = *check.index;
    accept();
  }

  int rowCount_;
  int chosen_ = 0;
  QTableWidget* table_;
  QLineEdit* number_;
  std::function<void(int)> selected_;
};

constexpr Qt::Alignment kRight = Qt::AlignRight;
constexpr Qt::Alignment kLeft = Qt::AlignLeft;

}  // namespace

bool QtPlatform::ChooseTrialSolution(platform::TrialSolutionsDialog& dialog) {
  std::vector<Column> columns{{"No", 30, kRight}};
  for (const char* title : {"Merit", "a", "b", "c", "alpha", "beta", "gamma"}) {
    columns.push_back({title, 65, kRight});
  }
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < static_cast<int>(dialog.rows.size()); ++r) {
    auto cells = platform::TrialSolutionColumns(dialog, r);
    rows.emplace_back(cells.begin(), cells.end());
  }
  SolutionListDialog box(DialogParent(), QStringLiteral("Trial solutions from Ito or Treor"),
                         columns, rows);
  if (box.exec() != QDialog::Accepted) return false;
  dialog.chosenIndex = box.chosenIndex();
  return true;
}

bool QtPlatform::ChooseCellSolution(platform::CellSolutionsDialog& dialog) {
  std::vector<Column> columns{{"No", 30, kRight}, {"Merit", 40, kLeft}, {"SG", 50, kRight}};
  for (const char* title : {"a", "b", "c", "alpha", "beta", "gamma"}) {
    columns.push_back({title, 59, kRight});
  }
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < static_cast<int>(dialog.rows.size()); ++r) {
    auto cells = platform::CellSolutionColumns(dialog, r);
    rows.emplace_back(cells.begin(), cells.end());
  }
  SolutionListDialog box(DialogParent(), QStringLiteral("Possible Solution in Cell"), columns,
                         rows);
  if (box.exec() != QDialog::Accepted) return false;
  dialog.chosenIndex = box.chosenIndex();
  return true;
}

bool QtPlatform::EditExpoInput(platform::ExpoInputDialog& data) {
  QDialog box(DialogParent());
  box.setWindowTitle(QStringLiteral("Input data for EXPO"));
  auto* grid = new QGridLayout(&box);
  auto edit = [](const std::string& text) {
    auto* e = new QLineEdit(QString::fromStdString(text));
    return e;
  };
  QLineEdit* title = edit(data.title);
  QLineEdit* path = edit(data.powderDataPath);
  QLineEdit* start = edit(data.start);
  QLineEdit* end = edit(data.end);
  QLineEdit* step = edit(data.step);
  QLineEdit* wave = edit(data.wavelength);
  QLineEdit* content = edit(data.content);
  QLineEdit* group = edit(data.spaceGroupName);
  std::array<QLineEdit*, 6> cell{};
  for (int i = 0; i < 6; ++i) cell[i] = edit(data.cell[i]);
  auto* browse = new QPushButton(QStringLiteral("Browse"));

  int row = 0;
  auto add = [&](const char* label, QWidget* field, const char* hint = nullptr) {
    auto* l = new QLabel(QString::fromLatin1(label));
    grid->addWidget(l, row, 0);
    grid->addWidget(field, row, 1, 1, 3);
    if (hint) grid->addWidget(new QLabel(QString::fromLatin1(hint)), row, 4);
    ++row;
  };
  add("Title :", title);
  add("Name of powder data:", path);
  grid->addWidget(browse, row - 1, 4);
  add("Start :", start);
  add("End :", end);
  add("Step :", step);
  add("Wave length :", wave);
  add("Content :", content, "(ex. Li 4 Fe 4 P 4 O 16)");
  add("SG name :", group, "(ex. P 21 21 21)");
  grid->addWidget(new QLabel(QStringLiteral("Expected :")), row, 0);
  grid->addWidget(new QLabel(QString::fromStdString(data.expectedSpaceGroup)), row++, 1);
  const char* cellLabels[6] = {"a =", "b = ", "c =", "alpha =", "beta =", "gamma ="};
  for (int i = 0; i < 6; ++i) {
    grid->addWidget(new QLabel(QString::fromLatin1(cellLabels[i])), row + i % 3, i < 3 ? 0 : 2);
    grid->addWidget(cell[i], row + i % 3, i < 3 ? 1 : 3);
  }
  row += 3;
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  grid->addWidget(buttons, row, 0, 1, 5);

  auto readBack = [&] {
    data.title = title->text().toStdString();
    data.powderDataPath = path->text().toStdString();
    data.start = start->text().toStdString();
    data.end = end->text().toStdString();
    data.step = step->text().toStdString();
    data.wavelength = wave->text().toStdString();
    data.content = content->text().toStdString();
    data.spaceGroupName = group->text().toStdString();
    for (int i = 0; i < 6; ++i) data.cell[i] = cell[i]->text().toStdString();
  };
  QObject::connect(browse, &QPushButton::clicked, &box, [&] {
    std::optional<std::string> chosen = ChooseOpenFile(platform::ExpoBrowseRequest());
    if (!chosen) return;
    platform::ExpoInputDialog picked;
    platform::ApplyExpoBrowse(picked, *chosen);
    path->setText(QString::fromStdString(picked.powderDataPath));
    title->setText(QString::fromStdString(picked.title));
  });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, [&] {
    readBack();
    if (std::optional<std::string> refusal = platform::CheckExpoInput(data)) {
      ShowMessage(*refusal);
      return;
    }
    box.accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  return box.exec() == QDialog::Accepted;
}

void QtPlatform::WaitForProgram(const std::string& program,
                                const std::function<bool(bool block)>& hasEnded,
                                const std::function<void()>& stop) {
  QWidget* owner = DialogParent();
  QProgressDialog note(
      QStringLiteral("Waiting for %1 to end ...").arg(QString::fromStdString(program)),
      QStringLiteral("Stop"), 0, 0, owner);
  note.setWindowTitle(QStringLiteral("Difscop"));
  note.setWindowModality(Qt::ApplicationModal);
  note.setMinimumDuration(0);
  // The window keeps painting but takes no commands until the program ends.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &note, [&] {
    if (hasEnded(false)) note.done(0);
  });
  poll.start(100);
  if (!hasEnded(false)) note.exec();
  poll.stop();
  // Stop, Escape or closing the note: the program is not waited for any more.
  if (!hasEnded(false)) stop();
}

}  // namespace difscop::app

namespace difscop::app {

std::optional<int> ChooseFromSolutionList(QWidget* parent, const QString& caption,
                                          const std::vector<std::pair<const char*, int>>& columns,
                                          const std::vector<std::vector<std::string>>& rows,
                                          const std::function<void(int row)>& selected) {
  std::vector<Column> shaped;
  for (const auto& [title, width] : columns) shaped.push_back({title, width, kRight});
  SolutionListDialog box(parent, caption, shaped, rows);
  box.OnSelected(selected);
  if (box.exec() != QDialog::Accepted) return std::nullopt;
  return box.chosenIndex();
}

}  // namespace difscop::app
