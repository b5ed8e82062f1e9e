// Shared pieces of the window tests.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QPushButton>
#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/pattern_window.h"
#include "platform/scripted_platform.h"

namespace difscop::apptest {

QApplication& App();

// A fresh current directory with a complete settings file and its own user
// configuration (geometry, recent files) for the test's life.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_, previous_;
  std::optional<std::string> previousConfig_;
};

// Two peaks, at 30% and 70% of the range, on a flat background of 100.
void WriteXyFile(const std::string& path, double from, double to, double step);

// Scripted answers; repaints go to the window like the Qt platform's.
class TestPlatform : public platform::ScriptedPlatform {
 public:
  app::PatternWindow* window = nullptr;
  void RequestRepaint() override {
    ScriptedPlatform::RequestRepaint();
    if (window) window->RequestRepaint();
  }
  // Called as each message is shown, to look at what is on screen then.
  std::function<void()> messageShown;
  void ShowMessage(const std::string& text) override {
    if (messageShown) messageShown();
    ScriptedPlatform::ShowMessage(text);
  }
};

struct TestFrame {
  TestFrame(const std::vector<std::string>& arguments = {},
            const std::string& program = "/usr/bin/difscop");
  app::MainFrame frame;
  TestPlatform& platform() { return static_cast<TestPlatform&>(window().platform()); }
  workspace::Workspace& ws() { return window().workspace(); }
  app::PatternWindow& window() { return frame.patternWindow(); }
  void ShowAndPaint();
  void Settle() {  // lets pending paints run
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }
  // Shows the frame and opens an (x,y) pattern from 10 to 50 degrees (peaks
  // at 22, 38) written at path.
  void OpenXy(const std::string& path, QSize size = {});
};

// The device column of an angle, as the last paint drew it.
inline int DeviceX(const workspace::Workspace& ws, double x) {
  return ws.plotLeft + static_cast<int>(std::lround((x - ws.xMin) * ws.xScale));
}

// A mouse event at `at`: `button` pressed, released or (on a move) held.
void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton);
void MouseClick(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton);

QPushButton* OkButton(QWidget* dialog);

// Runs trigger(); while its modal dialog is open, act(dialog) runs (and
// should close it). Returns false when no modal dialog appeared.
bool WithModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& act);
// The same for a dialog of class D; another one fails the test.
template <typename D>
bool WithModalAs(const std::function<void()>& trigger, const std::function<void(D*)>& act) {
  return WithModal(trigger, [&](QWidget* w) {
    if (D* dialog = qobject_cast<D*>(w)) return act(dialog);
    ADD_FAILURE() << "unexpected " << w->metaObject()->className();
    if (auto* other = qobject_cast<QDialog*>(w)) other->reject();
  });
}

}  // namespace difscop::apptest
