#include "app_test_support.h"

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

namespace difscop::apptest {

namespace fs = std::filesystem;

QApplication& App() {
  static int argc = 1;
  static char name[] = "test_app";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return a;
  }();
  return *app;
}

ScratchDir::ScratchDir() {
  previous_ = fs::current_path();
  std::random_device rd;
  path_ = fs::temp_directory_path() / ("difscop_app_" + std::to_string(rd()));
  fs::create_directories(path_);
  fs::current_path(path_);
  if (const char* config = std::getenv("XDG_CONFIG_HOME")) previousConfig_ = config;
  setenv("XDG_CONFIG_HOME", (path_ / "config").c_str(), 1);
  std::ofstream ini(path_ / "Difscop.ini", std::ios::binary);
  ini << "[Difscop Ini File]\r\n\r\n[Color Setting]\r\nColFrame=65535\r\nColBack =8388608\r\n"
         "ColFont =65535\r\nColBase =0\r\nColCalc =16711680\r\nColObs  =255\r\n"
         "ColDiff =65280\r\nColRef  =65535\r\nColObsF =255\r\nColDiffF=65280\r\n"
         "[Font Size]\r\nSFont=18\r\n[Dot Radius Setting]\r\nRObsdot=1\r\nRDiffdot=1\r\n"
         "[Line Width]\r\nLCwidth=1\r\nLFwidth=1\r\n[X-ray Source]\r\nKa1=1.540593\r\n"
         "Ka2=1.54441\r\nWtol=0.05\r\nItol=0.05\r\nRatio=0.5\r\n[CellRef]\r\nCellRef = CellRef\r\n"
         "[Cell]\r\nCell = Cell\r\n[EXPO]\r\nEXPO = EXPO\r\n[GenHKL]\r\nGenHKL = GenHKL\r\n";
}

ScratchDir::~ScratchDir() {
  if (previousConfig_)
    setenv("XDG_CONFIG_HOME", previousConfig_->c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
  std::error_code ec;
  fs::current_path(previous_, ec);
  fs::remove_all(path_, ec);
}

void WriteXyFile(const std::string& path, double from, double to, double step) {
  FILE* f = std::fopen(path.c_str(), "wb");
  const int n = static_cast<int>(std::lround((to - from) / step)) + 1;
  for (int i = 0; i < n; ++i) {
    const double x = from + i * step;
    const double y = 100 + 5000 * std::exp(-std::pow((x - from - 0.3 * (to - from)) / 0.2, 2)) +
                     2000 * std::exp(-std::pow((x - from - 0.7 * (to - from)) / 0.3, 2));
    std::fprintf(f, "%.4f %.1f\r\n", x, y);
  }
  std::fclose(f);
}

TestFrame::TestFrame(const std::vector<std::string>& arguments, const std::string& program)
    : frame(program, arguments, (App(), std::make_unique<TestPlatform>())) {
  platform().window = &frame.patternWindow();
}

void TestFrame::ShowAndPaint() {
  frame.show();
  if (QTest::qWaitForWindowExposed(&frame)) Settle();
}

void TestFrame::OpenXy(const std::string& path, QSize size) {
  WriteXyFile(path, 10, 50, 0.02);
  if (size.isValid()) frame.resize(size);
  ShowAndPaint();
  platform().openAnswers.push_back(path);
  frame.RunCommand(32783);
  Settle();
}

QPushButton* OkButton(QWidget* dialog) {
  auto* box = dialog->findChild<QDialogButtonBox*>();
  return box ? box->button(QDialogButtonBox::Ok) : nullptr;
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
  QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)),
                    type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}
void MouseClick(QWidget* w, QPoint at, Qt::MouseButton button) {
  SendMouse(w, QEvent::MouseButtonPress, at, button);
  SendMouse(w, QEvent::MouseButtonRelease, at, button);
}

bool WithModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& act) {
  bool seen = false;
  QPointer<QWidget> acted;
  QElapsedTimer since;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    // A file dialog still filling its directory model may drop a selection
    // made too early; act again on the same dialog if it is still open.
    if (seen && !(modal == acted && since.elapsed() > 500)) return;
    seen = true;
    acted = modal;
    since.start();
    act(modal);
  });
  poll.start();
  trigger();
  poll.stop();
  return seen;
}

}  // namespace difscop::apptest
