// Index > Built-in Indexing... driven as a user would: options, the search
// under its progress window, a solution chosen (its reflections drawn over
// the pattern), the refinement report; a search cancelled half-way; a real
// pattern from its searched peaks and from its fitted positions; the
// wavelength question.
#include <unistd.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QToolTip>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <optional>

#include "app/builtin_indexing.h"
#include "app/commands/command_table.h"
#include "app_test_support.h"
#include "plot/reference_phases.h"

namespace difscop::apptest {
namespace {

// Fields of /proc/PID/stat after the name: state, parent, process group.
struct ProcessStat {
  char state = 0;
  int parent = 0, group = 0;
};
std::optional<ProcessStat> StatOf(const std::string& pid) {
  std::ifstream in("/proc/" + pid + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  const std::size_t close = text.rfind(')');
  ProcessStat s;
  if (close == std::string::npos ||
      std::sscanf(text.c_str() + close + 1, " %c %d %d", &s.state, &s.parent, &s.group) != 3)
    return std::nullopt;
  return s;
}

std::vector<std::string> Processes() {
  std::vector<std::string> pids;
  for (const auto& e : std::filesystem::directory_iterator("/proc")) {
    const std::string name = e.path().filename().string();
    if (std::isdigit(static_cast<unsigned char>(name[0]))) pids.push_back(name);
  }
  return pids;
}

// The program the search runs in, once it has been started: the file name
// of our child's executable, and its process id.
std::pair<std::string, int> SearchProgram() {
  std::pair<std::string, int> found{"no child", 0};
  for (int i = 0; i < 200 && found.first != "difscop-index"; ++i) {
    for (const std::string& pid : Processes()) {
      const std::optional<ProcessStat> s = StatOf(pid);
      if (!s || s->parent != ::getpid() || s->state == 'Z') continue;
      std::error_code ec;
      found = {std::filesystem::read_symlink("/proc/" + pid + "/exe", ec).filename().string(),
               std::stoi(pid)};
    }
    if (found.first != "difscop-index") ::usleep(10000);
  }
  return found;
}

// Live processes of a process group, once those killed had time to go.
int GroupMembers(int group) {
  int n = 0;
  for (int i = 0; i < 100; ++i) {
    n = 0;
    for (const std::string& pid : Processes()) {
      const std::optional<ProcessStat> s = StatOf(pid);
      n += s && s->group == group && s->state != 'Z' ? 1 : 0;
    }
    if (n == 0) break;
    ::usleep(20000);
  }
  return n;
}

// How the user answers the command's windows.
struct Script {
  // The crystal systems searched, the volumes up to volumeMax (0: as
  // estimated from the lines).
  QStringList systems = {"cubic", "tetragonal", "hexagonal", "rhombohedral", "orthorhombic",
                         "monoclinic"};
  double volumeMax = 0;
  // Cancel as soon as the search runs, or once it has found a cell.
  bool cancelSearch = false;
  bool cancelWhenFound = false;
  // The rows of the solutions list selected in turn, the last one chosen
  // with OK; none: the list is cancelled.
  std::vector<int> select = {0};
};

// Answers each modal window of the command by what it holds until the
// command returns; what it saw goes into seen.
QStringList Drive(TestFrame& t, Script script, int* searchGroup) {
  QStringList seen;
  QPointer<QWidget> last;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) return;
    auto click = [w](const QString& text) {
      for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text() == text) return b->click();
    };
    if (w == last) {
      // The progress window, until it shows a cell found.
      if (!script.cancelWhenFound) return;
      for (QLabel* l : w->findChildren<QLabel*>()) {
        if (l->text().startsWith("Cells found: ") && l->text() != "Cells found: 0") {
          seen << "cancelled when found";
          click("Cancel");
          script.cancelWhenFound = false;
        }
      }
      return;
    }
    last = w;
    if (w->findChild<QSpinBox*>()) {
      seen << "options";
      for (QCheckBox* box : w->findChildren<QCheckBox*>())
        if (!box->text().startsWith("Refine")) box->setChecked(script.systems.contains(box->text()));
      for (QLabel* l : w->findChildren<QLabel*>()) {
        if (l->text() == "Volume to (A^3)")
          qobject_cast<QDoubleSpinBox*>(l->buddy())->setValue(script.volumeMax);
      }
      OkButton(w)->click();
    } else if (auto* table = w->findChild<QTableWidget*>()) {
      // The system and its centring; a row selected (not double clicked)
      // gives its number and draws its cell at once.
      seen << "solutions " + (table->rowCount() > 0
                                  ? table->item(0, 1)->text() + " " + table->item(0, 2)->text()
                                  : "none") +
                  (w->windowTitle().contains("cancelled") ? " (cancelled)" : "");
      for (int row : script.select) {
        row = std::min(row, table->rowCount() - 1);
        table->selectRow(row);
        const QString drawn = QString::fromStdString(t.ws().indexedCell.name).section(' ', 0, 1);
        const QString listed = table->item(row, 1)->text() + " " + table->item(row, 2)->text();
        seen << (drawn == listed ? "ticks of the row" : "ticks " + drawn + " for " + listed);
      }
      if (script.select.empty()) {
        qobject_cast<QDialog*>(w)->reject();
      } else {
        OkButton(w)->click();
      }
    } else if (auto* report = w->findChild<QPlainTextEdit*>()) {
      seen << report->toPlainText().section('\n', 0, 0).left(13);
      click("Write CellRef Input");
      click("Close");
    } else {
      // The search runs in the indexing program, exec'd, never in a fork of
      // this multi-threaded program.
      const auto [program, pid] = SearchProgram();
      seen << "progress in " + QString::fromStdString(program);
      *searchGroup = pid;
      if (script.cancelSearch) click("Cancel");
    }
  });
  poll.start(20);
  t.frame.RunCommand(app::kIdBuiltinIndexing);
  return seen;
}

// The stick of the indexed cell nearest to twoTheta, or a huge distance.
double TickDistance(const workspace::Workspace& ws, double twoTheta) {
  double best = 1e9;
  for (const auto& s : ws.indexedCell.sticks) best = std::min(best, std::fabs(s.twoTheta - twoTheta));
  return best;
}

// Pixels of the picture in a plot colour.
int PixelsOf(const QImage& image, workspace::Colour c) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const QRgb want = qRgb(workspace::RedOf(c), workspace::GreenOf(c), workspace::BlueOf(c));
  int n = 0;
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x) n += (rgb.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF);
  return n;
}

// Sharp lines of Cu Ka1 (and, with ka2, their Ka2 companions at half the
// height) from 15 to 65 degrees, as a file that states no wavelength.
void WriteLines(const std::string& path, bool ka2) {
  std::ofstream out(path);
  const double lines[] = {20.0, 27.5, 33.0, 41.0, 48.5, 55.0, 61.0};
  for (double x = 15; x <= 65.0001; x += 0.01) {
    double y = 50;
    for (double t : lines) {
      y += 4000 * std::exp(-std::pow((x - t) / 0.04, 2));
      const double t2 = 2 * std::asin(std::sin(t * std::numbers::pi / 360) * 1.54441 / 1.540593) * 180 / std::numbers::pi;
      if (ka2) y += 2000 * std::exp(-std::pow((x - t2) / 0.04, 2));
    }
    out << x << ' ' << y << '\n';
  }
}

}  // namespace

TEST(BuiltinIndexingWindow, FromThePeakListToTheRefinedCellOrCancelled) {
  // Measured BaSO4 lines (Cu Ka1), as the peak search gives them.
  constexpr float kBaSO4[] = {19.980f, 20.457f, 22.798f, 23.561f, 24.863f, 25.857f, 26.842f,
                              28.755f, 31.536f, 32.808f, 36.192f, 38.733f, 39.495f, 40.810f,
                              42.597f, 42.927f, 44.016f, 49.018f, 54.819f, 60.258f};
  enum Run { kCancelSearch, kRunThrough, kCancelList };
  for (Run run : {kCancelSearch, kRunThrough, kCancelList}) {
    SCOPED_TRACE(run);
    ScratchDir dir;
    TestFrame t;
    workspace::Workspace& ws = t.ws();
    ws.startDirectory = dir.path().string();
    ws.cellRefInput = "CellRef.inp";
    ws.rawLoaded = ws.autoPeaksFound = 1;
    ws.peakCount = 0;
    for (float angle : kBaSO4) ws.peak2Theta[++ws.peakCount] = angle;
    const auto peaksBefore = ws.peak2Theta;
    // A cell drawn by an earlier run.
    ws.indexedCell.name = "cubic P 5.000";
    ws.indexedCell.sticks.resize(3);
    int searchGroup = 0;
    Script script;
    script.cancelSearch = run == kCancelSearch;
    // Another row first (when there is one): its cell replaces the one
    // drawn, then the best.
    if (run == kRunThrough) script.select = {1, 0};
    if (run == kCancelList) script.select = {};
    const QStringList seen = Drive(t, script, &searchGroup);
    EXPECT_EQ(ws.peak2Theta, peaksBefore);
    const QStringList wanted[] = {
        {"options", "progress in difscop-index"},
        {"options", "progress in difscop-index", "solutions orthorhombic P", "ticks of the row",
         "ticks of the row", "refined: 5.45"},
        {"options", "progress in difscop-index", "solutions orthorhombic P"}};
    EXPECT_EQ(seen.join(" | ").toStdString(), wanted[run].join(" | ").toStdString());
    // Cancel, or the end of the search, leaves none of its processes.
    EXPECT_EQ(searchGroup > 0 ? GroupMembers(searchGroup) : -1, 0);
    EXPECT_EQ(std::filesystem::exists(dir.path() / "CellRef.inp"), run == kRunThrough);
    EXPECT_EQ(ws.cellRefPrepared, run == kRunThrough ? 1 : 0);
    EXPECT_TRUE(run == kRunThrough || t.platform().messages.empty());
    if (run != kRunThrough) {
      // The cell drawn before stays.
      EXPECT_EQ(ws.indexedCell.name, "cubic P 5.000");
      continue;
    }
    // The refined cell (a 5.45, b 7.15, c 8.88) is drawn: a tick on every line.
    EXPECT_EQ(ws.indexedCell.name.substr(0, 19), "orthorhombic P 5.45") << ws.indexedCell.name;
    for (float angle : kBaSO4) EXPECT_LT(TickDistance(ws, angle), 0.04) << angle;
  }
}

// A measured PbSO4 pattern (Cu Ka1/Ka2) with no peak list: the search from
// the noise gives one, the orthorhombic cell is found (and kept when the
// search is cancelled) and its ticks sit on the peaks; then the fitted Ka1
// positions are indexed, the ticks on them.
TEST(BuiltinIndexingWindow, AMeasuredPatternIndexedFromItsPeaksAndItsFittedPositions) {
  ScratchDir dir;
  TestFrame t;
  t.frame.resize(1000, 640);
  t.ShowAndPaint();
  t.platform().openAnswers.push_back(std::string(DIFSCOP_SOURCE_DIR) +
                                     "/tests/data/real/fullprof_free_pbso4_xray.dat");
  t.frame.RunCommand(commands::kIdOpenPattern);
  t.Settle();
  workspace::Workspace& ws = t.ws();
  ASSERT_EQ(ws.obsCount, 6001);
  ws.startDirectory = dir.path().string();
  ws.cellRefInput = "CellRef.inp";
  EXPECT_TRUE(t.frame.action(app::kIdBuiltinIndexing)->isEnabled());
  // "Eliminate Ka2 peaks ?"
  t.platform().yesNoAnswers.push_back(true);
  int group = 0;
  // Cancelled once the primitive cell is found, while the centred ones are
  // still searched up to large volumes: the list keeps what was found.
  Script script;
  script.systems = {"orthorhombic"};
  script.volumeMax = 5000;
  script.cancelWhenFound = true;
  QStringList seen = Drive(t, script, &group);
  EXPECT_EQ(seen.join(" | ").toStdString(),
            "options | progress in difscop-index | cancelled when found | "
            "solutions orthorhombic P (cancelled) | ticks of the row | refined: 5.39");
  // Only the peak search asked: a lab pattern gets no wavelength warning.
  ASSERT_EQ(t.platform().questions.size(), 1u);
  EXPECT_EQ(t.platform().questions[0].find("synchrotron"), std::string::npos);
  ASSERT_GE(ws.peakCount, 20);
  // Each of the 20 lines indexed has its tick within the tolerance; the
  // tops of the searched peaks (Ka1 and Ka2 blended) lie off by up to a
  // few hundredths.
  std::vector<double> off;
  for (int i = 1; i <= 20; ++i) off.push_back(TickDistance(ws, ws.peak2Theta[i]));
  for (int i = 0; i < 20; ++i) EXPECT_LT(off[i], 0.04) << ws.peak2Theta[i + 1];
  t.Settle();
  EXPECT_GT(PixelsOf(t.window().picture(), plot::IndexedCellColour()), 500);
  if (const char* out = std::getenv("DIFSCOP_INDEXING_GRAB")) t.frame.grab().save(out);
  // The mouse over a tick names its reflection.
  // (one with no other within half a degree)
  const auto& sticks = ws.indexedCell.sticks;
  std::size_t alone = 1;
  while (alone + 1 < sticks.size() && (sticks[alone].twoTheta - sticks[alone - 1].twoTheta < 0.5 ||
                                       sticks[alone + 1].twoTheta - sticks[alone].twoTheta < 0.5))
    ++alone;
  ASSERT_LT(alone + 1, sticks.size());
  const workspace::ReferenceStick& tick = sticks[alone];
  const auto hit = plot::ReferenceStickAt(ws, {DeviceX(ws, tick.twoTheta), ws.baseY - 2});
  ASSERT_TRUE(hit.has_value());
  const std::string text = plot::ReferenceStickText(ws, *hit);
  EXPECT_EQ(text.find(ws.indexedCell.name + "  " + std::to_string(tick.h) + " "), 0u) << text;
  t.frame.context().hooks.mouseMove({DeviceX(ws, tick.twoTheta), ws.baseY - 2});
  EXPECT_EQ(QToolTip::text().toStdString(), text);
  // On the d axis it stands at the d of where it is drawn in 2theta.
  t.frame.RunCommand(commands::kIdAxisD);
  t.Settle();
  const double d = ws.wavelength / (2 * std::sin(tick.twoTheta * std::numbers::pi / 360));
  const auto onD = plot::ReferenceStickAt(ws, {DeviceX(ws, d), ws.baseY - 2});
  ASSERT_TRUE(onD.has_value());
  EXPECT_EQ(plot::ReferenceStickText(ws, *onD), text);
  t.frame.RunCommand(commands::kIdAxisTwoTheta);
  t.Settle();

  // The fitted Ka1 positions, with their uncertainties, become the lines.
  platform::FitPeaksDialog fit;
  fit.wholeList = true;
  fit.ka2 = true;
  fit.scherrerKText = "0.9";
  t.platform().fitPeaksAnswers.push_back(fit);
  t.frame.RunCommand(commands::kIdFitPeaks);
  t.frame.RunCommand(commands::kIdUseFittedPositions);
  ASSERT_GE(ws.peakCount, 20);
  ASSERT_GT(ws.peak2ThetaEsd[1], 0.0f);
  script = {};
  script.systems = {"orthorhombic"};
  seen = Drive(t, script, &group);
  EXPECT_EQ(seen.join(" | ").toStdString(),
            "options | progress in difscop-index | solutions orthorhombic P | ticks of the row | "
            "refined: 5.39");
  // The fitted Ka1 positions: half of them within 0.005 degrees of their
  // tick, all within the tolerance.
  off.clear();
  for (int i = 1; i <= 20; ++i) off.push_back(TickDistance(ws, ws.peak2Theta[i]));
  for (int i = 0; i < 20; ++i) EXPECT_LT(off[i], 0.05) << ws.peak2Theta[i + 1];
  std::nth_element(off.begin(), off.begin() + 10, off.end());
  EXPECT_LT(off[10], 0.005);
  // Another pattern has no cell drawn; back on this one, its cell is.
  const std::string cell = ws.indexedCell.name;
  t.platform().openAnswers.push_back(dir.File("other.xy"));
  WriteXyFile(dir.File("other.xy"), 10, 50, 0.02);
  t.frame.RunCommand(commands::kIdOpenPattern);
  t.Settle();
  EXPECT_TRUE(ws.indexedCell.sticks.empty());
  EXPECT_EQ(PixelsOf(t.window().picture(), plot::IndexedCellColour()), 0);
  workspace::Activate(ws, 0);
  EXPECT_EQ(ws.indexedCell.name, cell);
}

// A pattern whose file states no wavelength and whose lines have no Ka2
// companions is asked about before it is indexed at the tube's wavelength;
// one with companions is not.
TEST(BuiltinIndexingWindow, SingleLinesWithoutAWavelengthAreQuestionedFirst) {
  for (bool ka2 : {false, true}) {
    SCOPED_TRACE(ka2 ? "Ka1 and Ka2" : "single lines");
    ScratchDir dir;
    TestFrame t;
    t.ShowAndPaint();
    WriteLines(dir.File("lines.xy"), ka2);
    t.platform().openAnswers.push_back(dir.File("lines.xy"));
    t.frame.RunCommand(32783);
    workspace::Workspace& ws = t.ws();
    ASSERT_GT(ws.obsCount, 4000);
    ws.autoPeaksFound = 1;
    ws.peakCount = 0;
    for (double x : {20.0, 27.5, 33.0, 41.0, 48.5, 55.0, 61.0})
      ws.peak2Theta[++ws.peakCount] = static_cast<float>(x);
    // No to the question; the options would be cancelled.
    bool options = false;
    WithModal([&] { t.frame.RunCommand(app::kIdBuiltinIndexing); },
              [&](QWidget* w) {
                options = true;
                qobject_cast<QDialog*>(w)->reject();
              });
    const auto& asked = t.platform().questions;
    EXPECT_EQ(asked.size(), ka2 ? 0u : 1u);
    if (!ka2 && !asked.empty()) {
      EXPECT_NE(asked[0].find("synchrotron or neutron"), std::string::npos) << asked[0];
      EXPECT_NE(asked[0].find("1.54059"), std::string::npos) << asked[0];
    }
    EXPECT_EQ(options, ka2);
  }
}

}  // namespace difscop::apptest
