// Shared pieces of the window tests: the application object, a scratch
// directory, small pattern files and a platform with scripted answers that
// repaints the real window.
#pragma once

#include <QApplication>
#include <QPushButton>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/pattern_window.h"
#include "platform/scripted_platform.h"

namespace difscop::apptest {

QApplication& App();

// A fresh directory made current for the test's life (the workspace deletes
// its working files in the start directory).
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
  std::optional<std::string> previousConfig_;
};

// An (x,y) file from `from` to `to` in steps of `step`, two peaks on a flat
// background.
void WriteXyFile(const std::string& path, double from, double to, double step);
// An Igor text file of a fit (observed and calculated) with `phases`
// reflection blocks.
void WriteIgorFile(const std::string& path, int points, int phases);

// Answers from queues; repaints go to the window like the Qt platform's.
class TestPlatform : public platform::ScriptedPlatform {
 public:
  app::PatternWindow* window = nullptr;
  void RequestRepaint() override {
    ScriptedPlatform::RequestRepaint();
    if (window) window->RequestRepaint();
  }
};

// A frame over a TestPlatform; platform() reaches the answers.
struct TestFrame {
  TestFrame(const std::vector<std::string>& arguments = {},
            const std::string& program = "/usr/bin/difscop");
  app::MainFrame frame;
  TestPlatform& platform();
  workspace::Workspace& ws() { return frame.patternWindow().workspace(); }
  app::PatternWindow& window() { return frame.patternWindow(); }
  // Shows the frame and waits until the pattern window has painted.
  void ShowAndPaint();
  // Lets pending paints run.
  void Settle();
  // Shows the frame (at size, if given) and opens a measured (x,y) pattern
  // written at path from 10 to 50 degrees through its menu command (peaks at
  // 22 and 38).
  void OpenXy(const std::string& path, QSize size = {});
};

// Device coordinates of data values, from the geometry of the last paint.
int DeviceX(const workspace::Workspace& ws, double x);
int DeviceY(const workspace::Workspace& ws, double y);

// The Ok button of a dialog's button box.
QPushButton* OkButton(QWidget* dialog);

// Mouse events sent straight to a widget, as the window system would.
void MousePress(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton);
void MouseMove(QWidget* w, QPoint at, Qt::MouseButtons held = Qt::NoButton);
void MouseRelease(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton);
void MouseClick(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton);
// Press, release, double-click, release.
void MouseDoubleClick(QWidget* w, QPoint at);

// Runs trigger(); while its modal dialog is open, act(dialog) runs (and
// should close it). Returns false when no modal dialog appeared.
bool WithModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& act);

}  // namespace difscop::apptest
