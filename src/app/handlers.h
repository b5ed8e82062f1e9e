// Command handlers, one install function per domain. Each domain fills the
// map with the commands it implements in its own handlers_<domain>.cpp; a
// command left out of the map is shown greyed.
#pragma once

#include <functional>
#include <map>

#include "platform/platform.h"
#include "workspace/workspace.h"

class QWidget;

namespace difscop::app {

// Mouse events of the pattern window that a domain may take over. Each hook
// runs after the window's own handling; after it the frame refreshes its
// title, status panes and toolbar. A hook that changes the plot asks the
// platform for a repaint.
struct WindowHooks {
  // Left double-click at a device point (manual peak picking).
  std::function<void(workspace::DevicePoint)> leftDoubleClick;
  // Runs at the start of every paint that draws a fresh picture, with the
  // client size, before the plot is drawn (a picture export recording that
  // paint). Messages shown from it appear once the paint is over.
  std::function<void(int clientWidth, int clientHeight)> beforePaint;
  // The mouse moved to a device point (hover texts).
  std::function<void(workspace::DevicePoint)> mouseMove;
};

struct CommandContext {
  workspace::Workspace& ws;
  platform::Platform& platform;
  // The pattern window: its size is the client area the plot is drawn in,
  // its top-level window the parent of dialogs.
  QWidget* window;
  WindowHooks& hooks;
};

using HandlerMap = std::map<int, std::function<void()>>;

void InstallImportHandlers(CommandContext& ctx, HandlerMap& handlers);
void InstallPlotHandlers(CommandContext& ctx, HandlerMap& handlers);
void InstallProcessingHandlers(CommandContext& ctx, HandlerMap& handlers);
void InstallExportHandlers(CommandContext& ctx, HandlerMap& handlers);
// PNG, SVG and PDF pictures and printing (handlers_pictures.cpp).
void InstallPictureHandlers(CommandContext& ctx, HandlerMap& handlers);
void InstallIndexingHandlers(CommandContext& ctx, HandlerMap& handlers);
void InstallSettingsHandlers(CommandContext& ctx, HandlerMap& handlers);
// Reference phases from crystal structures (reference_phases.cpp).
void InstallReferencePhaseHandlers(CommandContext& ctx, HandlerMap& handlers);
// Profile fitting, automatic background and Ka2 stripping (fit_results.cpp).
void InstallFitHandlers(CommandContext& ctx, HandlerMap& handlers);

// All of the above, in layer order.
inline void InstallAllHandlers(CommandContext& ctx, HandlerMap& handlers) {
  InstallImportHandlers(ctx, handlers);
  InstallPlotHandlers(ctx, handlers);
  InstallProcessingHandlers(ctx, handlers);
  InstallExportHandlers(ctx, handlers);
  InstallPictureHandlers(ctx, handlers);
  InstallIndexingHandlers(ctx, handlers);
  InstallSettingsHandlers(ctx, handlers);
  InstallReferencePhaseHandlers(ctx, handlers);
  InstallFitHandlers(ctx, handlers);
}

}  // namespace difscop::app
