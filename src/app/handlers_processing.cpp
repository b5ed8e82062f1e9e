// Handlers of the processing commands and the double-click of manual peak
// picking.
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "app/handlers.h"
#include "app/pattern_window.h"
#include "plot/view.h"
#include "processing/background.h"
#include "processing/peak_list.h"
#include "processing/peak_search.h"
#include "processing/smoothing.h"
#include "processing/xray_source.h"

namespace difscop::app {
namespace {

// The vertical markers of double-clicks: solid one-pixel lines in the
// inverse of the difference colour, over the picture until the window draws
// a fresh one.
class PickMarkers : public QWidget {
 public:
  explicit PickMarkers(PatternWindow* window) : QWidget(window), window_(window) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(window->size());
  }

  void Add(int x, int top, int bottom, workspace::Colour pen) {
    if (picture_ != window_->pictureCount()) lines_.clear();
    picture_ = window_->pictureCount();
    resize(window_->size());
    raise();
    show();
    lines_.push_back({x, top, bottom, pen});
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    // A fresh picture of the window has no markers.
    if (picture_ != window_->pictureCount()) {
      lines_.clear();
      return;
    }
    QPainter painter(this);
    for (const Line& line : lines_) {
      const workspace::Colour inverse = ~line.pen & 0xFFFFFF;
      painter.setPen(QPen(QColor(workspace::RedOf(inverse), workspace::GreenOf(inverse),
                                 workspace::BlueOf(inverse)),
                          0));
      painter.drawLine(line.x, line.bottom, line.x, line.top);
    }
  }

 private:
  struct Line {
    int x, top, bottom;
    workspace::Colour pen;
  };
  PatternWindow* window_;
  std::vector<Line> lines_;
  int picture_ = -1;
};

}  // namespace

void InstallProcessingHandlers(CommandContext& ctx, HandlerMap& handlers) {
  handlers[32809] = [&ctx] { processing::SmoothingCommand(ctx.ws, ctx.platform); };
  handlers[32810] = [&ctx] { processing::AutoPeakSearchCommand(ctx.ws, ctx.platform); };
  handlers[32839] = [&ctx] { processing::SetXraySourceCommand(ctx.ws, ctx.platform); };
  handlers[32838] = [&ctx] { processing::ManualPeakSearchCommand(ctx.ws, ctx.platform); };
  handlers[32816] = [&ctx] { processing::SearchedPeakListCommand(ctx.ws, ctx.platform); };
  handlers[32854] = [&ctx] { processing::BackgroundPointCommand(ctx.ws, ctx.platform); };
  handlers[32858] = [&ctx] { processing::BackgroundCalculationCommand(ctx.ws, ctx.platform); };

  auto* window = qobject_cast<PatternWindow*>(ctx.window);
  QPointer<PickMarkers> markers = window ? new PickMarkers(window) : nullptr;
  ctx.hooks.leftDoubleClick = [&ctx, markers](workspace::DevicePoint point) {
    // The angle under the cursor on whatever axis the plot shows.
    const processing::DoubleClickResponse r =
        processing::OnPlotDoubleClick(ctx.ws, point, plot::ActivePointAt(ctx.ws, point).x);
    if (r.beep) ctx.platform.Beep();
    if (!r.drawMarkers || !markers) return;
    for (int x : {r.cursorX, r.clickX})
      markers->Add(x, ctx.ws.plotTop, ctx.ws.plotBottom, ctx.ws.colDiff);
  };
}

}  // namespace difscop::app
