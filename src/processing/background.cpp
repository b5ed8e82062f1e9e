#include "processing/background.h"

#include <algorithm>
#include <vector>

#include "import/raw_reader.h"
#include "processing/least_squares.h"
#include "processing/smoothing.h"
#include "processing/snip.h"
#include "textio/text_writer.h"

namespace difscop::processing {

using workspace::Workspace;
namespace fs = std::filesystem;

std::string BackgroundDataPath(const std::string& dataFilePath) {
  // Only the file name is searched: a dot in a directory name must not move
  // the file out of the data's directory.
  const std::size_t slash = dataFilePath.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = dataFilePath.find('.', nameStart + 1);
  if (nameStart >= dataFilePath.size() || dot == std::string::npos) return "BkG.dat";
  return dataFilePath.substr(0, dot) + "BkG.dat";
}

namespace {

// The report's "Reduction data" table and the reduced data file for the
// background bk(point, x) of every point; the report starts with head.
template <typename Background>
BackgroundFiles ReduceWith(Workspace& ws, textio::TextWriter& report, const Background& bk) {
  textio::TextWriter data;
  // Lines of 41 and 26 bytes at the usual magnitudes; larger ones only regrow.
  const auto points = static_cast<std::size_t>(std::max(ws.obsCount, 0));
  report.Reserve(points * 44 + 128);
  data.Reserve(points * 28);
  report.Line();
  report.Line();
  report.Line("Reduction data");
  report.Line(" 2theta     Int         Bk      Int-Bk");
  if (ws.obsCount >= 1) {
    // Every point is read and its reduced value stored.
    const workspace::Point* obs = ws.obs.data(points);
    workspace::Point* background = ws.background.data(points);
    for (std::size_t s = 1; s <= points; ++s) {
      const double x = obs[s].x;
      const float b = static_cast<float>(bk(static_cast<int>(s), x));
      const float reduced = obs[s].y - b;
      background[s] = {obs[s].x, reduced};
      // "%6.2f   %6.0f     %6.0f      %6.0f" and "%10.4f   %11.1f".
      report.Fixed(x, 6, 2, "   ");
      report.Fixed(obs[s].y, 6, 0, "     ");
      report.Fixed(b, 6, 0, "      ");
      report.Fixed(reduced, 6, 0, "\r\n");
      data.Fixed(x, 10, 4, "   ");
      data.Fixed(reduced < 1.0f ? 1.0f : reduced, 11, 1, "\r\n");
    }
  }
  report.Line();
  return {report.Take(), data.Take()};
}

}  // namespace

BackgroundFiles ReduceBackground(Workspace& ws, const double (&a)[6]) {
  textio::TextWriter report;
  report.Line("Selected points for Bk reduction");
  report.Line(" 2theta   Int");
  for (int i = 1; i <= ws.backgroundPointCount; ++i) {
    const auto s = static_cast<std::size_t>(i);
    report.LineF("%6.2f  %6.0f", static_cast<double>(ws.backgroundX[s]),
                 static_cast<double>(ws.backgroundY[s]));
  }
  return ReduceWith(ws, report, [&](int, double x) {
    return a[0] + a[1] * x + a[2] * x * x + a[3] * x * x * x + a[4] * x * x * x * x +
           a[5] * x * x * x * x * x;
  });
}

BackgroundFiles ReduceSnipBackground(Workspace& ws, std::span<const double> background,
                                     double windowDegrees) {
  textio::TextWriter report;
  report.LineF("SNIP background, window %.3f degrees", windowDegrees);
  return ReduceWith(ws, report,
                    [&](int i, double) { return background[static_cast<std::size_t>(i - 1)]; });
}

std::vector<double> PatternSnipBackground(const Workspace& ws, double windowDegrees) {
  std::vector<double> x, y;
  x.reserve(static_cast<std::size_t>(std::max(ws.obsCount, 0)));
  y.reserve(x.capacity());
  for (int i = 1; i <= ws.obsCount; ++i) {
    x.push_back(ws.obs[static_cast<std::size_t>(i)].x);
    y.push_back(ws.obs[static_cast<std::size_t>(i)].y);
  }
  return SnipBackground(y, SnipHalfWindow(x, windowDegrees));
}

bool CalculateBackground(Workspace& ws, platform::Platform& platform,
                         const fs::path& reportDirectory, const std::string& dataPath) {
  const int n = ws.backgroundPointCount;
  std::vector<double> x;
  std::vector<double> y;
  for (int i = 1; i <= n && i <= workspace::kMaxBackgroundPoints; ++i) {
    x.push_back(ws.backgroundX[static_cast<std::size_t>(i)]);
    y.push_back(ws.backgroundY[static_cast<std::size_t>(i)]);
  }
  // Six coefficients need six different 2theta values; with fewer the
  // elimination may still find rounding-sized pivots and return nonsense.
  std::vector<double> distinct = x;
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  if (distinct.size() < 6) {
    platform.ShowMessage("At least 6 background points at different 2theta are needed !!!");
    return false;
  }
  LeastSquaresFit fit;
  if (FitPolynomial(x, y, 6, fit) != 0) {
    platform.ShowMessage("Background fit failed, no file written !!!");
    return false;
  }
  double a[6];
  for (std::size_t j = 0; j < 6; ++j) a[j] = fit.coefficients[j];
  return WriteBackgroundFiles(platform, ReduceBackground(ws, a), reportDirectory, dataPath);
}

bool CalculateSnipBackground(Workspace& ws, platform::Platform& platform, double windowDegrees,
                             const fs::path& reportDirectory, const std::string& dataPath) {
  if (!CheckMeasuredPattern(ws, platform)) return false;
  const std::vector<double> background = PatternSnipBackground(ws, windowDegrees);
  return WriteBackgroundFiles(platform, ReduceSnipBackground(ws, background, windowDegrees),
                              reportDirectory, dataPath);
}

bool WriteBackgroundFiles(platform::Platform& platform, const BackgroundFiles& files,
                          const fs::path& reportDirectory, const std::string& dataPath) {
  // The report describes the reduced data: both files are replaced, or neither.
  const textio::FileToWrite pair[] = {{dataPath, files.data},
                                      {reportDirectory / "BkG.txt", files.report}};
  std::string why;
  std::size_t failed = 0;
  if (textio::WriteFilesAtomically(pair, &why, &failed)) return true;
  platform.ShowMessage("Cannot create file " + pair[failed].path.string() + " !!!\n" + why);
  return false;
}

bool AddBackgroundPoint(Workspace& ws, float twoTheta, float intensity) {
  const int n = ws.obsCount;
  if (n < 1 || ws.backgroundPointCount >= workspace::kMaxBackgroundPoints) return false;
  if (!(twoTheta > ws.obs[1].x && twoTheta < ws.obs[static_cast<std::size_t>(n)].x)) return false;
  const auto k = static_cast<std::size_t>(++ws.backgroundPointCount);
  ws.backgroundX[k] = twoTheta;
  ws.backgroundY[k] = intensity;
  return true;
}

void BackgroundPointCommand(Workspace& ws, platform::Platform& platform) {
  if (!CheckMeasuredPattern(ws, platform)) return;
  ws.backgroundPickMode = 1;
  ws.backgroundCurveValid = 0;
  ws.manualPeakMode = 0;
  ws.dragActive = 0;
  ws.autoPeaksFound = 0;
  ws.backgroundPointCount = 0;
  platform.RequestRepaint();
}

void BackgroundCalculationCommand(Workspace& ws, platform::Platform& platform) {
  const std::string dataPath = BackgroundDataPath(ws.dataFilePath);
  // The report goes where the other working files are, whatever directory
  // an outside program's run made current, and the question names it.
  std::error_code ec;
  const fs::path reportDirectory =
      ws.startDirectory.empty() ? fs::current_path(ec) : fs::path(ws.startDirectory);
  if (!CalculateBackground(ws, platform, reportDirectory, dataPath)) return;
  ws.backgroundDataPath = dataPath;
  if (platform.AskYesNo("Saved as " + dataPath + " (report: " +
                        (reportDirectory / "BkG.txt").string() + ").  Reload Bk file ?")) {
    ws.dataFilePath = dataPath;
    workspace::ResetWorkspace(ws);
    if (!import::ReadRawPattern(ws, platform, import::kXyText, dataPath)) return;
    ws.rawLoaded = 1;
    ws.smoothedValid = 0;
    ws.blankPlot = 0;
    ws.backgroundPickMode = 0;
    ws.backgroundCurveValid = 0;
    ws.pairedIntLoad = 0;
    workspace::AutoRange(ws);
    workspace::ChooseTicks(ws);
    workspace::UpdateTitle(ws);
  } else {
    ws.backgroundPickMode = 0;
    ws.backgroundCurveValid = 1;
  }
  platform.RequestRepaint();
}

}  // namespace difscop::processing
