// The one child window: owns the workspace, paints the plot, turns mouse
// events into the plot's mouse handling.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <memory>
#include <span>
#include <string>

#include "app/handlers.h"
#include "app/surface/qt_surface.h"
#include "platform/platform.h"
#include "plot/plot.h"
#include "plot/zoom_history.h"
#include "workspace/workspace.h"

namespace difscop::plot {
struct MouseResponse;
}

namespace difscop::app {

class PatternWindow : public QWidget {
  Q_OBJECT

 public:
  // platform: what the core reaches the user through; a QtPlatform over this
  // window when null.
  explicit PatternWindow(QWidget* parent = nullptr,
                         std::unique_ptr<platform::Platform> platform = nullptr);
  ~PatternWindow() override;

  // Window creation: title, start directory, settings defaults and file,
  // reset, program names, start switches (programPath is not searched for
  // switches). A file named there is loaded by the first paint.
  void Create(const std::string& programPath, std::span<const std::string> arguments);

  workspace::Workspace& workspace() { return *ws_; }
  platform::Platform& platform() { return *platform_; }
  WindowHooks& hooks() { return hooks_; }

  // The plot changed: the next paint draws a fresh picture.
  void RequestRepaint();

  // The picture of the last paint, without the rubber band or cursor line.
  const QImage& picture() const { return picture_; }
  int pictureCount() const { return pictureCount_; }

  // Back to the range before the last zoom (drag, wheel or right click);
  // false when there is none.
  bool ZoomBack();
  const plot::ZoomHistory& zoomHistory() const { return zoomHistory_; }

 signals:
  // The workspace may have changed (title, pane texts, enabling).
  void workspaceChanged();
  // The first paint has been drawn (start-up load included).
  void firstPaintDone();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void DrawPicture();
  void Respond(const plot::MouseResponse& response, Qt::MouseButtons held);
  // Remembers `before` when the range has changed since.
  void RecordZoom(const plot::ViewRange& before);

  std::unique_ptr<workspace::Workspace> ws_;
  std::unique_ptr<platform::Platform> platform_;
  WindowHooks hooks_;
  QImage picture_;
  // Drawing memory kept for the window's life: repaints allocate nothing.
  plot::SeriesBuffers seriesBuffers_;
  QtSurfaceCache surfaceCache_;
  bool pictureValid_ = false;
  bool drawing_ = false;
  bool captured_ = false;
  int pictureCount_ = 0;
  plot::ZoomHistory zoomHistory_;
  // One turn of the wheel, however many notches, is one step back.
  QElapsedTimer lastWheel_;
};

}  // namespace difscop::app
