#include "app/pattern_window.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <filesystem>
#include <system_error>

#include "app/commands/command_line.h"
#include "app/install_paths.h"
#include "app/pictures/qt_pictures.h"
#include "app/qt_platform.h"
#include "app/surface/qt_surface.h"
#include "plot/mouse.h"
#include "plot/plot.h"
#include "settings/settings_file.h"

namespace difscop::app {

namespace {

workspace::DevicePoint Device(const QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  return {p.x(), p.y()};
}

}  // namespace

PatternWindow::PatternWindow(QWidget* parent, std::unique_ptr<platform::Platform> platform)
    : QWidget(parent),
      ws_(std::make_unique<workspace::Workspace>()),
      platform_(std::move(platform)) {
  if (!platform_) platform_ = std::make_unique<QtPlatform>(this, [this] { RequestRepaint(); });
  // The paint fills every pixel itself.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setCursor(Qt::ArrowCursor);
  setMinimumSize(80, 60);
}

// The workspace goes last: its destructor deletes the working files.
PatternWindow::~PatternWindow() = default;

void PatternWindow::Create(const std::string& programPath, std::span<const std::string> arguments) {
  workspace::Workspace& ws = *ws_;
  ws.windowTitle = "Difscop --- [File Name : ]  ";
  std::error_code ec;
  ws.startDirectory = std::filesystem::current_path(ec).string();
  ws.dataDirectory = InstalledDataDirectory();
  settings::ApplyDisplayDefaults(ws);
  settings::ReadSettings(ws, *platform_);
  workspace::ResetWorkspace(ws);
  workspace::SetIndexingProgramNames(ws);
  commands::ParseCommandLine(ws, programPath, arguments);
  RequestRepaint();
}

void PatternWindow::RequestRepaint() {
  pictureValid_ = false;
  update();
}

void PatternWindow::DrawPicture() {
  const qreal ratio = devicePixelRatioF();
  if (picture_.size() != size() * ratio) {
    picture_ = QImage(size() * ratio, QImage::Format_RGB32);
    picture_.setDevicePixelRatio(ratio);
  }
  drawing_ = true;
  auto* qt = dynamic_cast<QtPlatform*>(platform_.get());
  if (qt) qt->SetDeferMessages(true);
  if (hooks_.beforePaint) hooks_.beforePaint(width(), height());
#ifdef DIFSCOP_HAVE_EMF
  // An EMF export waits for this paint: the same paint recorded into the file.
  if (ws_->recordingMetafile) {
    exporter::RecordMetafile(*ws_, *platform_, ScreenPictureSize(width(), height()),
                             QtTextMeasure());
  }
#endif
  {
    QPainter painter(&picture_);
    QtSurface surface(painter, &surfaceCache_);
    plot::PaintPatternWindow(*ws_, *platform_, surface, width(), height(), &seriesBuffers_);
  }
  if (qt) qt->SetDeferMessages(false);
  drawing_ = false;
  pictureValid_ = true;
  ++pictureCount_;
}

void PatternWindow::paintEvent(QPaintEvent* /*event*/) {
  // A paint asked for while the picture is drawn (a message box of the
  // start-up load) shows the previous picture.
  const bool fresh =
      !drawing_ && (!pictureValid_ || picture_.size() != size() * devicePixelRatioF());
  if (fresh) DrawPicture();

  QPainter painter(this);
  if (picture_.isNull()) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  painter.drawImage(0, 0, picture_);
  if (!drawing_) {
    QtSurface surface(painter, &surfaceCache_);
    plot::DrawOverlay(*ws_, surface);
  }
  painter.end();

  if (fresh) {
    emit workspaceChanged();
    if (pictureCount_ == 1) emit firstPaintDone();
  }
}

void PatternWindow::resizeEvent(QResizeEvent* event) {
  pictureValid_ = false;
  QWidget::resizeEvent(event);
}

void PatternWindow::Respond(const plot::MouseResponse& response, Qt::MouseButtons held) {
  // While a button is held Qt already sends every move to this window, even
  // outside it; an explicit grab covers the rest.
  if (response.captureMouse && !captured_) {
    captured_ = true;
    if (isVisible() && !(held & Qt::LeftButton)) grabMouse();
  }
  if (response.releaseMouse && captured_) {
    captured_ = false;
    if (QWidget::mouseGrabber() == this) releaseMouse();
  }
  if (response.repaintAll) {
    RequestRepaint();
  } else if (response.repaintOverlay) {
    update();
  }
  emit workspaceChanged();
}

void PatternWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    Respond(plot::OnLeftButtonDown(*ws_, Device(event)), event->buttons());
  QWidget::mousePressEvent(event);
}

void PatternWindow::mouseMoveEvent(QMouseEvent* event) {
  Respond(plot::OnMouseMove(*ws_, Device(event)), event->buttons());
  if (hooks_.mouseMove) hooks_.mouseMove(Device(event));
  QWidget::mouseMoveEvent(event);
}

void PatternWindow::mouseReleaseEvent(QMouseEvent* event) {
  const plot::ViewRange before = plot::ViewRange::Of(*ws_);
  if (event->button() == Qt::LeftButton) {
    Respond(plot::OnLeftButtonUp(*ws_, Device(event)), event->buttons());
    RecordZoom(before);
  } else if (event->button() == Qt::RightButton) {
    const bool shown = !ws_->blankPlot;
    Respond(plot::OnRightButtonUp(*ws_, Device(event)), event->buttons());
    if (shown) RecordZoom(before);
  }
  lastWheel_.invalidate();
  QWidget::mouseReleaseEvent(event);
}

void PatternWindow::wheelEvent(QWheelEvent* event) {
  const QPoint p = event->position().toPoint();
  const plot::ViewRange before = plot::ViewRange::Of(*ws_);
  const plot::MouseResponse response = plot::OnWheel(*ws_, {p.x(), p.y()}, event->angleDelta().y());
  if (response.repaintAll) {
    if (!lastWheel_.isValid() || lastWheel_.elapsed() > 700) RecordZoom(before);
    lastWheel_.start();
    Respond(response, event->buttons());
  }
  event->accept();
}

void PatternWindow::RecordZoom(const plot::ViewRange& before) {
  if (!(plot::ViewRange::Of(*ws_) == before)) zoomHistory_.Record(*ws_, before);
}

bool PatternWindow::ZoomBack() {
  lastWheel_.invalidate();
  if (!zoomHistory_.StepBack(*ws_)) return false;
  RequestRepaint();
  emit workspaceChanged();
  return true;
}

void PatternWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double-click is the double-click itself, as on the
  // desktop the program comes from: it does not start another drag.
  if (event->button() == Qt::LeftButton && hooks_.leftDoubleClick) {
    hooks_.leftDoubleClick(Device(event));
    emit workspaceChanged();
  }
  event->accept();
}

}  // namespace difscop::app
