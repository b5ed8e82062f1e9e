// Dialogs of the processing commands: they only move text between widgets
// and the platform's structs; the rules they apply live in processing/.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/qt_platform.h"
#include "app/spin_buttons.h"
#include "processing/peak_search.h"
#include "processing/smoothing.h"
#include "processing/xray_source.h"
#include "textio/scan.h"

namespace difscop::app {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Up and down in an edit move its spin buttons, as on the desktop.
class SpinKeys : public QObject {
 public:
  SpinKeys(QLineEdit* edit, SpinButtons* spin) : QObject(edit), spin_(spin) {
    edit->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Up || key == Qt::Key_Down) {
        spin_->Step(key == Qt::Key_Up ? 1 : -1);
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  SpinButtons* spin_;
};

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

// "Smoothing Point".
class SmoothingForm : public QDialog {
 public:
  SmoothingForm(const platform::SmoothingDialog& data, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Smoothing Point"));
    auto* grid = new QGridLayout(this);
    edit_ = new QLineEdit(QString::number(data.points));
    edit_->setMaximumWidth(60);
    auto* spin = new SpinButtons;
    spin->SetRange(1, 21);
    spin->SetPosition(data.points);
    connect(spin, &SpinButtons::positionChanged, edit_,
            [this](int p) { edit_->setText(QString::number(p)); });
    new SpinKeys(edit_, spin);
    auto* label = new QLabel(QStringLiteral("Point (1-21) :"));
    label->setBuddy(edit_);
    check_ = new QCheckBox(QStringLiteral(": Smoothing on/off"));
    check_->setChecked(data.smoothingOn);
    grid->addWidget(label, 0, 0);
    grid->addWidget(edit_, 0, 1);
    grid->addWidget(spin, 0, 2);
    grid->addWidget(check_, 1, 0, 1, 3);
    grid->addWidget(OkCancel(this), 2, 0, 1, 3);
  }

  void accept() override {
    int points = 0;
    const std::string text = edit_->text().toStdString();
    const std::size_t used = textio::ParseInt(text, points);
    std::optional<std::string> refusal =
        used == 0 || text.find_first_not_of(" \t", used) != std::string::npos
            ? std::optional<std::string>("Please enter an integer.")
            : processing::CheckSmoothingPoints(points);
    if (refusal) {
      QMessageBox::warning(this, QStringLiteral("Difscop"), Q(*refusal));
      edit_->setFocus();
      edit_->selectAll();
      return;
    }
    points_ = points;
    QDialog::accept();
  }

  void Store(platform::SmoothingDialog& data) const {
    data.points = points_;
    data.smoothingOn = check_->isChecked();
  }

 private:
  QLineEdit* edit_;
  QCheckBox* check_;
  int points_ = 0;
};

// "Peak Search".
class PeakSearchForm : public QDialog {
 public:
  PeakSearchForm(const platform::PeakSearchDialog& data, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Peak Search"));
    auto* grid = new QGridLayout(this);
    threshold_ = new QLineEdit(Q(data.thresholdText));
    diff_ = new QLineEdit(Q(data.diffPointsText));
    for (QLineEdit* e : {threshold_, diff_}) e->setMaximumWidth(80);
    auto* thresholdSpin = new SpinButtons;
    thresholdSpin->SetRange(1, 10000);
    thresholdSpin->SetPosition(textio::ToInt(data.thresholdText) / 10);
    connect(thresholdSpin, &SpinButtons::positionChanged, threshold_,
            [this](int p) { threshold_->setText(QString::number(p * 10)); });
    auto* diffSpin = new SpinButtons;
    diffSpin->SetRange(1, 10);
    diffSpin->SetPosition(textio::ToInt(data.diffPointsText));
    connect(diffSpin, &SpinButtons::positionChanged, diff_,
            [this](int p) { diff_->setText(QString::number(p)); });
    new SpinKeys(threshold_, thresholdSpin);
    new SpinKeys(diff_, diffSpin);
    auto* thresholdLabel = new QLabel(QStringLiteral("Shreshould :"));
    thresholdLabel->setBuddy(threshold_);
    auto* diffLabel = new QLabel(QStringLiteral("Diff. Point :\n    (1-10)"));
    diffLabel->setBuddy(diff_);
    grid->addWidget(thresholdLabel, 0, 0);
    grid->addWidget(threshold_, 0, 1);
    grid->addWidget(thresholdSpin, 0, 2);
    grid->addWidget(diffLabel, 1, 0);
    grid->addWidget(diff_, 1, 1);
    grid->addWidget(diffSpin, 1, 2);
    QDialogButtonBox* buttons = OkCancel(this);
    // "Auto": the threshold from the pattern's noise instead of the edit.
    QPushButton* automatic = buttons->addButton(QStringLiteral("Auto"), QDialogButtonBox::ActionRole);
    automatic->setToolTip(QStringLiteral(
        "Search with a threshold from the noise: 3 standard deviations above the local background"));
    connect(automatic, &QPushButton::clicked, this, [this] {
      automatic_ = true;
      accept();
      if (result() != QDialog::Accepted) automatic_ = false;
    });
    grid->addWidget(buttons, 2, 0, 1, 3);
  }

  void accept() override {
    int threshold = 0, diff = 0;
    if (std::optional<std::string> refusal =
            processing::ReadPeakSearchDialog(Current(), threshold, diff)) {
      QMessageBox::warning(this, QStringLiteral("Difscop"), Q(*refusal));
      return;
    }
    QDialog::accept();
  }

  platform::PeakSearchDialog Current() const {
    return {threshold_->text().toStdString(), diff_->text().toStdString(), automatic_};
  }

 private:
  QLineEdit* threshold_;
  QLineEdit* diff_;
  bool automatic_ = false;
};

// "Fit Peaks".
class FitPeaksForm : public QDialog {
 public:
  FitPeaksForm(const platform::FitPeaksDialog& data, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Fit Peaks"));
    range_ = new QRadioButton(QStringLiteral("Peaks of the drawn range"));
    list_ = new QRadioButton(QStringLiteral("The whole peak list"));
    (data.wholeList ? list_ : range_)->setChecked(true);
    shape_ = new QComboBox;
    shape_->addItems({QStringLiteral("Pseudo-Voigt (TCH)"), QStringLiteral("Pearson VII")});
    shape_->setCurrentIndex(data.pearsonVii ? 1 : 0);
    split_ = new QCheckBox(QStringLiteral("Split (asymmetric)"));
    split_->setChecked(data.split);
    ka2_ = new QCheckBox(QStringLiteral("Ka1/Ka2 doublets"));
    ka2_->setChecked(data.ka2);
    asymmetry_ = new QCheckBox(QStringLiteral("Axial-divergence asymmetry"));
    asymmetry_->setChecked(data.asymmetry);
    k_ = new QLineEdit(Q(data.scherrerKText));
    k_->setMaximumWidth(80);
    auto* form = new QFormLayout(this);
    form->addRow(range_);
    form->addRow(list_);
    form->addRow(QStringLiteral("Profile :"), shape_);
    form->addRow(split_);
    form->addRow(ka2_);
    form->addRow(asymmetry_);
    form->addRow(QStringLiteral("Scherrer K :"), k_);
    form->addRow(OkCancel(this));
  }

  platform::FitPeaksDialog Current() const {
    return {list_->isChecked(), shape_->currentIndex() == 1, split_->isChecked(),
            ka2_->isChecked(), k_->text().toStdString(), asymmetry_->isChecked()};
  }

 private:
  QRadioButton* range_;
  QRadioButton* list_;
  QComboBox* shape_;
  QCheckBox* split_;
  QCheckBox* ka2_;
  QCheckBox* asymmetry_;
  QLineEdit* k_;
};

// "Auto Background".
class AutoBackgroundForm : public QDialog {
 public:
  AutoBackgroundForm(const platform::AutoBackgroundDialog& data, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Auto Background"));
    window_ = new QLineEdit(Q(data.windowText));
    window_->setMaximumWidth(80);
    window_->setToolTip(QStringLiteral(
        "Wider than the peaks (with their Ka2 companions), narrower than a broad hump"));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Window (deg) :"), window_);
    form->addRow(OkCancel(this));
  }
  std::string Text() const { return window_->text().toStdString(); }

 private:
  QLineEdit* window_;
};

// "Conditions for Ka2 Elimination".
class XraySourceForm : public QDialog {
 public:
  XraySourceForm(const platform::XraySourceDialog& data, QWidget* parent)
      : QDialog(parent), data_(data) {
    setWindowTitle(QStringLiteral("Conditions for Ka2 Elimination"));
    auto* grid = new QGridLayout(this);
    const std::pair<const char*, std::string*> fields[] = {
        {"WaveLength of Ka1 :", &data_.ka1Text},
        {"WaveLength of Ka2 :", &data_.ka2Text},
        {"Ratio of Ka2/Ka1    :", &data_.ratioText},
        {"Goniometer radius   :", &data_.radiusText},
        {"Tolerance for wavelenght :", &data_.wavelengthToleranceText},
        {"Tolerance for intensity     :", &data_.intensityToleranceText}};
    for (int i = 0; i < 6; ++i) {
      edits_[i] = new QLineEdit(Q(*fields[i].second));
      edits_[i]->setMaximumWidth(110);
      auto* label = new QLabel(QString::fromLatin1(fields[i].first));
      label->setBuddy(edits_[i]);
      grid->addWidget(label, i, 0);
      grid->addWidget(edits_[i], i, 1);
    }
    table_ = new QTableWidget(5, 4);
    table_->setObjectName(QStringLiteral("anodeTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("No"), QStringLiteral("Ka1"),
                                       QStringLiteral("Ka2"), QStringLiteral("Kav")});
    table_->horizontalHeaderItem(0)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table_->verticalHeader()->hide();
    table_->setShowGrid(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    for (int r = 0; r < 5; ++r) {
      const platform::AnodeRow& row = platform::kAnodeTable[r];
      const char* cells[] = {row.name, row.ka1, row.ka2, row.kav};
      for (int c = 0; c < 4; ++c) {
        auto* item = new QTableWidgetItem(QString::fromLatin1(cells[c]));
        if (c == 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table_->setItem(r, c, item);
      }
    }
    // The list's own widths, widened where this font needs more room.
    const int widths[] = {26, 57, 53, 53};
    int width = 2 * table_->frameWidth();
    for (int c = 0; c < 4; ++c) {
      table_->resizeColumnToContents(c);
      table_->setColumnWidth(c, std::max(widths[c], table_->columnWidth(c) + 6));
      width += table_->columnWidth(c);
    }
    table_->resizeRowsToContents();
    int height = 2 * table_->frameWidth() + table_->horizontalHeader()->sizeHint().height();
    for (int r = 0; r < 5; ++r) height += table_->rowHeight(r);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setFixedSize(width, height);
    connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) { ChooseRow(row); });
    grid->addWidget(table_, 0, 2, 6, 1);
    grid->addWidget(OkCancel(this), 6, 0, 1, 3);
  }

  void ChooseRow(int row) {
    platform::XraySourceDialog current = Current();
    processing::ChooseAnodeRow(current, row);
    edits_[0]->setText(Q(current.ka1Text));
    edits_[1]->setText(Q(current.ka2Text));
  }

  void accept() override {
    for (QLineEdit* edit : edits_) {
      if (textio::ParseFiniteNumber(edit->text().toStdString())) continue;
      QMessageBox::warning(this, QStringLiteral("Difscop"), QString::fromLatin1(platform::kEnterNumber));
      edit->setFocus();
      edit->selectAll();
      return;
    }
    QDialog::accept();
  }

  platform::XraySourceDialog Current() const {
    platform::XraySourceDialog d;
    std::string* fields[] = {&d.ka1Text,
                             &d.ka2Text,
                             &d.ratioText,
                             &d.radiusText,
                             &d.wavelengthToleranceText,
                             &d.intensityToleranceText};
    for (int i = 0; i < 6; ++i) *fields[i] = edits_[i]->text().toStdString();
    return d;
  }

 private:
  platform::XraySourceDialog data_;
  QLineEdit* edits_[6] = {};
  QTableWidget* table_;
};

// "Searched Peak List".
class PeakListForm : public QDialog {
 public:
  PeakListForm(const platform::PeakListDialog& data, const std::function<void()>& saveAs,
               QWidget* parent)
      : QDialog(parent) {
    setWindowTitle(QStringLiteral("Searched Peak List"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* layout = new QVBoxLayout(this);
    auto* header = new QLabel(Q(data.header));
    header->setFont(fixed);
    auto* list = new QListWidget;
    list->setObjectName(QStringLiteral("peakList"));
    list->setFont(fixed);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    for (const std::string& line : data.lines) list->addItem(Q(line));
    list->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(34, QChar('0'))));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QPushButton* save = buttons->addButton(QStringLiteral("Save as"), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("saveAs"));
    save->setShortcut(QKeySequence::Save);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(save, &QPushButton::clicked, this, [saveAs] { saveAs(); });
    layout->addWidget(header);
    layout->addWidget(list);
    layout->addWidget(buttons);
  }
};

}  // namespace

bool QtPlatform::EditSmoothing(platform::SmoothingDialog& data) {
  SmoothingForm form(data, DialogParent());
  if (form.exec() != QDialog::Accepted) return false;
  form.Store(data);
  return true;
}

bool QtPlatform::EditPeakSearch(platform::PeakSearchDialog& data) {
  PeakSearchForm form(data, DialogParent());
  if (form.exec() != QDialog::Accepted) return false;
  data = form.Current();
  return true;
}

bool QtPlatform::EditFitPeaks(platform::FitPeaksDialog& data) {
  FitPeaksForm form(data, DialogParent());
  if (form.exec() != QDialog::Accepted) return false;
  data = form.Current();
  return true;
}

bool QtPlatform::EditAutoBackground(platform::AutoBackgroundDialog& data) {
  AutoBackgroundForm form(data, DialogParent());
  if (form.exec() != QDialog::Accepted) return false;
  data.windowText = form.Text();
  return true;
}

bool QtPlatform::EditXraySource(platform::XraySourceDialog& data) {
  XraySourceForm form(data, DialogParent());
  if (form.exec() != QDialog::Accepted) return false;
  data = form.Current();
  return true;
}

void QtPlatform::ShowPeakList(const platform::PeakListDialog& data,
                              const std::function<void()>& saveAs) {
  PeakListForm form(data, saveAs, DialogParent());
  form.exec();
}

}  // namespace difscop::app
