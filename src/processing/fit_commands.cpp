#include "processing/fit_commands.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "platform/file_writing.h"
#include "processing/background.h"
#include "processing/peak_search.h"
#include "processing/profile_commands.h"
#include "processing/size_strain.h"
#include "processing/smoothing.h"
#include "processing/snip.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::processing {

using workspace::FitValue;
using workspace::PeakFitResult;
using workspace::Point;
using workspace::Workspace;

namespace {

FitValue Value(const Estimate& e) {
  return {e.value, e.esd};
}

// The peak list as it stands, to be put back after a search made for the fit.
struct SavedPeakList {
  explicit SavedPeakList(const workspace::Pattern& p)
      : count(p.peakCount), twoTheta(p.peak2Theta), intensity(p.peakIntensity), d(p.peakD),
        fitted2Theta(p.fitted2Theta), fittedIntensity(p.fittedIntensity), fittedD(p.fittedD),
        index(p.peakPointIndex), esd(p.peak2ThetaEsd) {}
  void Restore(workspace::Pattern& p) const {
    p.peakCount = count;
    p.peak2Theta = twoTheta;
    p.peakIntensity = intensity;
    p.peakD = d;
    p.fitted2Theta = fitted2Theta;
    p.fittedIntensity = fittedIntensity;
    p.fittedD = fittedD;
    p.peakPointIndex = index;
    p.peak2ThetaEsd = esd;
  }
  using Angles = std::array<float, workspace::kMaxPeaks + 1>;
  int count;
  Angles twoTheta, intensity, d, fitted2Theta, fittedIntensity, fittedD;
  std::array<std::int32_t, workspace::kMaxPeaks + 1> index;
  Angles esd;
};

std::vector<double> ListedAngles(const Workspace& ws, double from, double to) {
  std::vector<double> out;
  const int n = std::clamp(ws.peakCount, 0, workspace::kMaxPeaks);
  for (int i = 1; i <= n; ++i) {
    const double x = ws.peak2Theta[static_cast<std::size_t>(i)];
    if (x >= from && x <= to) out.push_back(x);
  }
  return out;
}

// The group of the fitted points that holds x (the first one), or null.
const GroupFit* GroupAt(const ProfileFit& fit, double x) {
  for (const GroupFit& g : fit.groups)
    if (g.points > 0 && x >= g.from && x <= g.to) return &g;
  return nullptr;
}

// The model, the measured values under it and each sound line over its
// background, at the points the groups fitted.
void FillCurves(const ProfileFit& fit, const PatternArrays& a, PeakFitResult& r) {
  std::vector<std::size_t> index;
  std::vector<double> model;
  for (std::size_t i = 0; i < a.x.size(); ++i) {
    if (const GroupFit* g = GroupAt(fit, a.x[i])) {
      index.push_back(i);
      model.push_back(GroupBackground(*g, a.x[i]));
    }
  }
  for (const FittedPeak& p : fit.peaks) {
    if (!p.ok) continue;
    // The line's tails count in the model as far as 20 widths out; its own
    // curve is drawn over 4 widths either side.
    const double reach = 20.0 * p.fwhm.value, shown = 4.0 * p.fwhm.value;
    const GroupFit& own = fit.groups[static_cast<std::size_t>(p.group)];
    std::vector<Point> curve;
    const auto first = std::lower_bound(index.begin(), index.end(), p.centre - reach,
                                        [&](std::size_t i, double x) { return a.x[i] < x; });
    for (auto it = first; it != index.end() && a.x[*it] <= p.centre + reach; ++it) {
      const double x = a.x[*it];
      const double v = PeakValue(fit, p, x);
      model[static_cast<std::size_t>(it - index.begin())] += v;
      if (std::fabs(x - p.centre) <= shown && x >= own.from && x <= own.to)
        curve.push_back({static_cast<float>(x), static_cast<float>(GroupBackground(own, x) + v)});
    }
    r.lineCurves.push_back(std::move(curve));
  }
  for (std::size_t k = 0; k < index.size(); ++k) {
    r.model.push_back({static_cast<float>(a.x[index[k]]), static_cast<float>(model[k])});
    r.observed.push_back(static_cast<float>(a.y[index[k]]));
  }
}

std::uint32_t NextSerial() {
  static std::uint32_t serial = 0;
  return ++serial;
}

// The name of the active pattern in the list (its file's name before the
// list exists).
std::string ActiveName(Workspace& ws) {
  workspace::ListLoadedPattern(ws);
  if (ws.activePattern >= 0 && ws.activePattern < static_cast<int>(ws.patterns.size()))
    return ws.patterns[static_cast<std::size_t>(ws.activePattern)].name;
  return std::filesystem::path(ws.dataFilePath).filename().string();
}

bool ReadWindow(const std::string& text, double& window) {
  const std::optional<double> v = textio::ParseFiniteNumber(text);
  if (!v || !(*v > 0.0)) return false;
  window = *v;
  return true;
}

void Cell(textio::TextWriter& out, double v, char separator, bool last) {
  if (std::isfinite(v)) out.RawF("%.8g", v);
  if (!last) out.Raw(std::string_view(&separator, 1));
}

// A listed line as the size and width functions take it.
FittedPeak PeakOf(const workspace::FittedLine& line) {
  FittedPeak p;
  p.twoTheta = {line.twoTheta.value, line.twoTheta.esd};
  p.fwhm = {line.fwhm.value, line.fwhm.esd};
  p.ok = true;
  return p;
}

}  // namespace

bool FitPatternPeaks(Workspace& ws, platform::Platform& platform, std::vector<double> positions,
                     const ProfileOptions& options) {
  std::sort(positions.begin(), positions.end());
  const PatternArrays a = ObservedArrays(ws);
  const ProfileFit fit = FitProfiles({a.x, a.y, {}, {}}, positions, options);
  PeakFitResult r;
  const InstrumentProfile instrument{ws.instrumentU, ws.instrumentV, ws.instrumentW};
  const double k = ws.scherrerK;
  std::vector<FittedPeak> sound;
  for (const FittedPeak& p : fit.peaks) {
    if (!p.ok) {
      ++r.unfitted;
      continue;
    }
    sound.push_back(p);
    r.lines.push_back({Value(p.twoTheta), Value(p.d), Value(p.height), Value(p.fwhm),
                       Value(p.area), Value(p.shape),
                       Value(ScherrerSize(p, options.ka1Wavelength, k, instrument))});
  }
  if (positions.size() > fit.peaks.size())
    r.unfitted += static_cast<int>(positions.size() - fit.peaks.size());
  if (r.lines.empty()) {
    platform.ShowMessage("No peak could be fitted !!!\nTry the whole peak list or a range around "
                         "the peaks.");
    return false;
  }
  r.shape = options.shape == ProfileShape::kPseudoVoigt ? "pseudo-Voigt" : "Pearson VII";
  if (options.split) r.shape += ", split";
  if (options.asymmetryTerms) r.shape += ", axial asymmetry";
  if (options.ka2) r.shape += ", Ka1/Ka2";
  const FitSummary summary = SummariseFit(fit);
  r.rwp = summary.rwp;
  r.reducedChiSquare = summary.reducedChiSquare;
  r.points = summary.points;
  r.parameters = summary.parameters;
  const WilliamsonHall wh = FitWilliamsonHall(sound, options.ka1Wavelength, k, instrument);
  const double none = std::nan("");
  r.whSize = wh.ok ? Value(wh.size) : FitValue{none, none};
  r.whStrain = wh.ok ? Value(wh.strain) : FitValue{none, none};
  FillCurves(fit, a, r);
  r.serial = NextSerial();
  ws.peakFit = std::move(r);
  return true;
}

void FitPeaksCommand(Workspace& ws, platform::Platform& platform) {
  if (!CheckMeasuredPattern(ws, platform)) return;
  platform::FitPeaksDialog dialog;
  dialog.ka2 = !ws.ka2Stripped;
  dialog.wholeList = false;
  dialog.scherrerKText = textio::Format("%g", ws.scherrerK);
  double k = 0.0;
  for (;;) {
    if (!platform.EditFitPeaks(dialog)) return;
    const std::optional<double> v = textio::ParseFiniteNumber(dialog.scherrerKText);
    if (v && *v > 0.0) {
      k = *v;
      break;
    }
    platform.ShowMessage("The Scherrer constant must be a number above 0 (0.9).");
  }
  ws.scherrerK = static_cast<float>(k);
  const PatternArrays a = ObservedArrays(ws);
  ProfileOptions options = SourceProfileOptions(
      ws, dialog.pearsonVii ? ProfileShape::kPearsonVII : ProfileShape::kPseudoVoigt,
      dialog.split, dialog.ka2);
  if (dialog.asymmetry) options.asymmetryTerms = kAxialAsymmetry;
  const auto [lo, hi] = std::minmax_element(a.x.begin(), a.x.end());
  std::vector<double> positions;
  if (dialog.wholeList) {
    positions = ListedAngles(ws, *lo, *hi);
    if (positions.empty()) {
      platform.ShowMessage("The peak list is empty !!!\nSearch the peaks first.");
      return;
    }
  } else {
    options.from = std::max<double>(ws.xMin, *lo);
    options.to = std::min<double>(ws.xMax, *hi);
    positions = ListedAngles(ws, options.from, options.to);
    if (positions.empty()) {
      const SavedPeakList saved(ws);
      const workspace::Flag found = ws.autoPeaksFound;
      positions = AutomaticPeakPositions(ws, platform, options.from, options.to);
      saved.Restore(ws);
      ws.autoPeaksFound = found;
    }
    if (positions.empty()) {
      platform.ShowMessage("No peak found in the drawn range !!!");
      return;
    }
  }
  FitPatternPeaks(ws, platform, std::move(positions), options);
  platform.RequestRepaint();
}

void UseFittedPositionsCommand(Workspace& ws, platform::Platform& platform) {
  if (!CheckMeasuredPattern(ws, platform)) return;
  const PeakFitResult& r = ws.peakFit;
  if (r.lines.empty()) {
    platform.ShowMessage("No fitted peaks !!!\nFit the peaks first.");
    return;
  }
  const int n = std::min(static_cast<int>(r.lines.size()), workspace::kMaxPeaks);
  const PatternArrays a = ObservedArrays(ws);
  for (int i = 1; i <= n; ++i) {
    const workspace::FittedLine& line = r.lines[static_cast<std::size_t>(i - 1)];
    const auto k = static_cast<std::size_t>(i);
    ws.peak2Theta[k] = ws.fitted2Theta[k] = static_cast<float>(line.twoTheta.value);
    ws.peakD[k] = ws.fittedD[k] = static_cast<float>(line.d.value);
    ws.peakIntensity[k] = ws.fittedIntensity[k] = static_cast<float>(line.height.value);
    ws.peak2ThetaEsd[k] = std::isfinite(line.twoTheta.esd) ? static_cast<float>(line.twoTheta.esd)
                                                            : 0.0f;
    // The point nearest the line, 1-based.
    const auto at = std::lower_bound(a.x.begin(), a.x.end(), line.twoTheta.value);
    std::size_t j = static_cast<std::size_t>(at - a.x.begin());
    if (j == a.x.size() || (j > 0 && line.twoTheta.value - a.x[j - 1] < a.x[j] - line.twoTheta.value))
      j = j == 0 ? 0 : j - 1;
    ws.peakPointIndex[k] = static_cast<std::int32_t>(j + 1);
  }
  ws.peakCount = n;
  ws.manualPeakCount = 0;
  ws.manualPeakMode = 0;
  ws.autoPeaksFound = 1;
  platform.RequestRepaint();
}

void UseAsInstrumentCommand(Workspace& ws, platform::Platform& platform) {
  std::vector<FittedPeak> peaks;
  for (const workspace::FittedLine& line : ws.peakFit.lines) peaks.push_back(PeakOf(line));
  const CagliotiFit c = FitCaglioti(peaks);
  if (!c.ok) {
    platform.ShowMessage("Too few fitted peaks for the instrument curve (3 are needed) !!!");
    return;
  }
  ws.instrumentU = c.u.value;
  ws.instrumentV = c.v.value;
  ws.instrumentW = c.w.value;
  const InstrumentProfile instrument{ws.instrumentU, ws.instrumentV, ws.instrumentW};
  for (workspace::FittedLine& line : ws.peakFit.lines)
    line.size = Value(ScherrerSize(PeakOf(line), ws.ka1Wavelength, ws.scherrerK, instrument));
  ws.peakFit.serial = NextSerial();
  platform.ShowInformation(textio::Format(
      "Instrument width from %d peaks: FWHM^2 = U tan^2(theta) + V tan(theta) + W\n"
      "U = %.6g (%.2g)  V = %.6g (%.2g)  W = %.6g (%.2g)",
      c.peaks, c.u.value, c.u.esd, c.v.value, c.v.esd, c.w.value, c.w.esd));
}

std::string FitResultsTable(const PeakFitResult& fit, char separator, const char* lineEnd) {
  textio::TextWriter out;
  const char* names[] = {"2theta", "d", "height", "FWHM", "area", "shape", "size_nm"};
  for (std::size_t i = 0; i < std::size(names); ++i) {
    out.RawF("%s%c%s_esd", names[i], separator, names[i]);
    if (i + 1 < std::size(names)) out.Raw(std::string_view(&separator, 1));
  }
  out.Raw(lineEnd);
  for (const workspace::FittedLine& l : fit.lines) {
    const FitValue* values[] = {&l.twoTheta, &l.d, &l.height, &l.fwhm, &l.area, &l.shape, &l.size};
    for (std::size_t i = 0; i < std::size(values); ++i) {
      Cell(out, values[i]->value, separator, false);
      Cell(out, values[i]->esd, separator, i + 1 == std::size(values));
    }
    out.Raw(lineEnd);
  }
  return out.Take();
}

void SaveFitResultsCommand(const Workspace& ws, platform::Platform& platform) {
  if (ws.peakFit.lines.empty()) {
    platform.ShowMessage("No fitted peaks !!!\nFit the peaks first.");
    return;
  }
  platform::FileDialogRequest request;
  request.filter = "CSV File (*.csv)|*.csv|Other Files (*.*)|*.*||";
  request.defaultExtension = ".csv";
  const std::optional<std::string> path = platform.ChooseSaveFile(request);
  if (!path) return;
  platform::WriteFileOrSay(platform, *path, FitResultsTable(ws.peakFit, ',', "\r\n"),
                           "Cannot create file " + *path + " !!!");
}

std::string ValueWithEsd(double value, double esd, int fallbackDecimals) {
  if (!std::isfinite(value)) return "-";
  if (!(std::isfinite(esd) && esd > 0.0))
    return textio::Format("%.*f", std::max(fallbackDecimals, 0), value);
  // Decimals that leave the uncertainty one digit, or two when it starts
  // with 1 (after rounding).
  int decimals = -static_cast<int>(std::floor(std::log10(esd)));
  double digits = std::round(esd * std::pow(10.0, decimals));
  if (digits >= 10.0) {  // 9.6 rounded up to 10
    --decimals;
    digits = std::round(esd * std::pow(10.0, decimals));
  }
  if (digits < 2.0) {
    ++decimals;
    digits = std::round(esd * std::pow(10.0, decimals));
  }
  if (decimals >= 0) return textio::Format("%.*f(%.0f)", decimals, value, digits);
  // An uncertainty in the tens or more: the value rounded to it.
  const double unit = std::pow(10.0, -decimals);
  return textio::Format("%.0f(%.0f)", std::round(value / unit) * unit, digits * unit);
}

void AutoBackgroundCommand(Workspace& ws, platform::Platform& platform) {
  if (!CheckMeasuredPattern(ws, platform)) return;
  platform::AutoBackgroundDialog dialog{textio::Format("%g", ws.snipWindow)};
  double window = 0.0;
  for (;;) {
    if (!platform.EditAutoBackground(dialog)) return;
    if (ReadWindow(dialog.windowText, window)) break;
    platform.ShowMessage("The window must be a number of degrees above 0 (1.5).");
  }
  ws.snipWindow = static_cast<float>(window);
  const std::vector<double> background = PatternSnipBackground(ws, window);
  const int n = std::min(ws.obsCount, static_cast<int>(background.size()));
  for (int i = 1; i <= n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    ws.background[k] = {ws.obs[k].x, static_cast<float>(background[k - 1])};
  }
  ws.backgroundCurveValid = 1;
  ws.backgroundPickMode = 0;
  platform.RequestRepaint();
  if (!platform.AskYesNo("Subtract it into a new pattern ?")) return;
  std::vector<double> reduced(static_cast<std::size_t>(n));
  for (int i = 1; i <= n; ++i)
    reduced[static_cast<std::size_t>(i - 1)] =
        ws.obs[static_cast<std::size_t>(i)].y - background[static_cast<std::size_t>(i - 1)];
  const std::string name = ActiveName(ws) + " - background";
  AddDerivedPattern(ws, reduced, name);
  platform.RequestRepaint();
}

void StripKa2Command(Workspace& ws, platform::Platform& platform) {
  if (!CheckMeasuredPattern(ws, platform)) return;
  if (ws.ka2Stripped) {
    platform.ShowMessage("The Ka2 part of this pattern has been stripped already !!!");
    return;
  }
  if (!(ws.ka2Wavelength > ws.ka1Wavelength) || !(ws.ka2Ratio > 0.0f)) {
    platform.ShowMessage("The X-ray source has no Ka2 line to strip !!!\nSee Set X-ray Source.");
    return;
  }
  const std::vector<double> stripped = StripPatternKa2(ws, ws.snipWindow);
  const std::string name = ActiveName(ws) + " - Ka2 stripped";
  AddDerivedPattern(ws, stripped, name);
  ws.ka2Stripped = 1;
  platform.RequestRepaint();
}

bool ObservedAsPatternCommand(Workspace& ws, platform::Platform& platform) {
  if (ws.rawLoaded || ws.blankPlot || ws.obsCount <= 0) {
    platform.ShowMessage("Not a refinement result !!!");
    return false;
  }
  // A measured pattern lies on an even grid (the peak search counts in its
  // steps); observed points with angles of their own, as a powder CIF may
  // give, are put onto one between their first and last angle.
  const int n = ws.obsCount;
  auto point = [&ws](int i) { return ws.obs[static_cast<std::size_t>(i)]; };
  const double first = point(1).x, step = n > 1 ? (point(n).x - first) / (n - 1) : 0.0;
  bool rising = step > 0.0, even = true;
  for (int i = 2; i <= n && rising; ++i) {
    rising = point(i).x > point(i - 1).x;
    even = even && std::fabs(point(i).x - (first + (i - 1) * step)) <= 1e-3 * step;
  }
  const bool regrid = rising && !even;
  std::vector<double> observed(static_cast<std::size_t>(n));
  for (int i = 1; i <= n; ++i)
    observed[static_cast<std::size_t>(i - 1)] =
        regrid ? workspace::ObservedAt(ws, first + (i - 1) * step) : point(i).y;
  const std::string name = ActiveName(ws) + " - observed";
  AddDerivedPattern(ws, observed, name);
  if (regrid) {
    for (int i = 1; i <= n; ++i)
      ws.obs[static_cast<std::size_t>(i)].x = static_cast<float>(first + (i - 1) * step);
    ws.stepStart = static_cast<float>(first);
    ws.stepWidth = static_cast<float>(step);
    ws.stepEnd = ws.obs[static_cast<std::size_t>(n)].x;
  }
  if (ws.fileWavelength > 0.0f) {
    ws.wavelength = ws.fileWavelength;
    ws.wavelengthFromPattern = 1;
  }
  platform.RequestRepaint();
  return true;
}

int AddDerivedPattern(Workspace& ws, const std::vector<double>& y, const std::string& name) {
  const workspace::Pattern source = ws;
  const int index = workspace::AddPattern(ws, name);
  const int n = std::min(source.obsCount, static_cast<int>(y.size()));
  for (int i = 1; i <= n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    ws.obs[k] = {source.obs[k].x, static_cast<float>(y[k - 1])};
  }
  ws.obsCount = n;
  ws.stepStart = source.stepStart;
  ws.stepWidth = source.stepWidth;
  ws.stepEnd = source.stepEnd;
  ws.wavelength = source.wavelength;
  ws.wavelengthFromPattern = source.wavelengthFromPattern;
  ws.fileWavelength = source.fileWavelength;
  ws.segmentCount = source.segmentCount;
  ws.segmentPointCount = source.segmentPointCount;
  ws.ka2Stripped = source.ka2Stripped;
  ws.rawLoaded = 1;
  ws.blankPlot = 0;
  ws.manualPeakMode = 0;
  ws.backgroundPickMode = 0;
  workspace::AutoRange(ws);
  workspace::ChooseTicks(ws);
  workspace::UpdateTitle(ws);
  return index;
}

}  // namespace difscop::processing
