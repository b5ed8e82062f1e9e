// Index > Built-in Indexing... driven as a user would: options, the search
// under its progress window, a solution chosen, the refinement report; and a
// search cancelled half-way.
#include <unistd.h>

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <optional>

#include "app/builtin_indexing.h"
#include "app_test_support.h"

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

// Answers each modal window of the command by what it holds until the
// command returns; what it saw goes into seen.
QStringList Drive(TestFrame& t, bool cancel, int* searchGroup) {
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
      // The system and its centring; a row selected (not double clicked)
      // gives its number.
      seen << "solutions " + (table->rowCount() > 0
                                  ? table->item(0, 1)->text() + " " + table->item(0, 2)->text()
                                  : "none");
      table->selectRow(0);
      OkButton(w)->click();
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
    int searchGroup = 0;
    const QStringList seen = Drive(t, cancel, &searchGroup);
    EXPECT_EQ(ws.peak2Theta, peaksBefore);
    const QStringList run = {"options", "progress in difscop-index", "solutions orthorhombic P",
                             "refined: 5.45"};
    EXPECT_EQ(seen.join(" | ").toStdString(),
              (cancel ? run.mid(0, 2) : run).join(" | ").toStdString());
    // Cancel, or the end of the search, leaves none of its processes.
    EXPECT_EQ(searchGroup > 0 ? GroupMembers(searchGroup) : -1, 0);
    EXPECT_EQ(std::filesystem::exists(dir.path() / "CellRef.inp"), !cancel);
    EXPECT_EQ(ws.cellRefPrepared, cancel ? 0 : 1);
    EXPECT_TRUE(!cancel || t.platform().messages.empty());
  }
}

}  // namespace difscop::apptest
