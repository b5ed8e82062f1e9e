#include "processing/peak_list.h"

#include "platform/file_writing.h"
#include "processing/peak_fit.h"
#include "processing/smoothing.h"
#include "textio/text_writer.h"

namespace difscop::processing {

using workspace::Workspace;

void RefineManualPeaks(Workspace& ws) {
  if (!ws.manualPeakMode) return;
  int count = ws.manualPeakCount;
  if (count > workspace::kMaxPeaks) count = workspace::kMaxPeaks;
  if (count < 0) count = 0;
  ws.peakCount = count;
  RefinePeakList(ws);
}

std::string PeakListLine(const Workspace& ws, int peak) {
  const auto i = static_cast<std::size_t>(peak);
  return textio::Format("%3d %7.3f %7.4f  %7.0f", peak, static_cast<double>(ws.peak2Theta[i]),
                        static_cast<double>(ws.peakD[i]), static_cast<double>(ws.peakIntensity[i]));
}

std::string PeakListFileContents(const Workspace& ws) {
  textio::TextWriter out;
  out.Line("No.  2theta     d   Intensity");
  for (int i = 1; i <= ws.peakCount; ++i) out.Line(PeakListLine(ws, i));
  return out.Contents();
}

void AddManualPick(workspace::Workspace& ws, int index) {
  const auto k = static_cast<std::size_t>(++ws.manualPeakCount);
  const workspace::Point& p = ws.obs[static_cast<std::size_t>(index)];
  ws.peakPointIndex[k] = index;
  ws.peak2Theta[k] = p.x;
  ws.peakIntensity[k] = p.y;
  ws.peakD[k] = workspace::DSpacing(ws.wavelength, p.x);
  ws.peak2ThetaEsd[k] = 0.0f;
}

DoubleClickResponse OnPlotDoubleClick(Workspace& ws, workspace::DevicePoint point,
                                      std::optional<float> shownTwoTheta) {
  DoubleClickResponse response;
  if (!ws.plotDrawn) return response;
  if (!ws.manualPeakMode) return response;
  if (!(point.x > ws.plotLeft && point.x < ws.plotRight && point.y > ws.plotTop &&
        point.y < ws.plotBottom))
    return response;

  const float twoTheta =
      shownTwoTheta.value_or(static_cast<float>(point.x - ws.plotLeft) / ws.xScale + ws.xMin);
  const int n = ws.obsCount;
  if (n >= 2 && twoTheta > ws.obs[1].x && twoTheta < ws.obs[static_cast<std::size_t>(n)].x &&
      ws.manualPeakCount < workspace::kMaxPeaks) {
    // The measured point at or below the cursor. Counting steps from the
    // first point finds it only where every step is the first one's.
    int low = 1, high = n;  // obs[low].x <= twoTheta < obs[high].x
    while (high - low > 1) {
      const int middle = (low + high) / 2;
      (ws.obs[static_cast<std::size_t>(middle)].x <= twoTheta ? low : high) = middle;
    }
    AddManualPick(ws, low);
  } else {
    // Outside the data, or the table is full: nothing to pick.
    response.beep = true;
  }
  response.drawMarkers = true;
  response.cursorX = ws.cursorPos.x;
  response.clickX = point.x;
  return response;
}

void ManualPeakSearchCommand(Workspace& ws, platform::Platform& platform) {
  if (!CheckMeasuredPattern(ws, platform)) return;
  ws.manualPeakMode = 1;
  ws.dragActive = 0;
  ws.autoPeaksFound = 0;
  ws.cursorPos = {ws.plotLeft + 1, ws.plotBottom - 1};
  ws.manualPeakCount = 0;
  // The marks of an automatic list go away.
  platform.RequestRepaint();
}

void SearchedPeakListCommand(Workspace& ws, platform::Platform& platform) {
  if (!CheckMeasuredPattern(ws, platform)) return;
  RefineManualPeaks(ws);
  platform::PeakListDialog dialog;
  for (int i = 1; i <= ws.peakCount; ++i) dialog.lines.push_back(PeakListLine(ws, i));
  const std::string contents = PeakListFileContents(ws);
  platform.ShowPeakList(dialog, [&platform, &contents] {
    platform::FileDialogRequest request;
    request.filter = "Text File (*.txt)|*.txt|Other Files (*.*)|*.*||";
    request.defaultExtension = ".txt";
    std::optional<std::string> path = platform.ChooseSaveFile(request);
    if (!path) return;
    platform::WriteFileOrSay(platform, *path, contents, "Cannot create file " + *path + " !!!");
  });
}

}  // namespace difscop::processing
