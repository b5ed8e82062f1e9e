#include "processing/xray_source.h"

#include <cmath>
#include <vector>

#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::processing {

using workspace::Workspace;

namespace {

// A pattern that brought its own wavelength shows it in the Ka1 edit.
std::string Ka1Shown(const Workspace& ws) {
  return textio::Format("%10.7f", static_cast<double>(ws.wavelengthFromPattern ? ws.wavelength
                                                                               : ws.ka1Wavelength));
}

}  // namespace

platform::XraySourceDialog MakeXraySourceDialog(const Workspace& ws) {
  platform::XraySourceDialog d;
  d.ka1Text = Ka1Shown(ws);
  d.ka2Text = textio::Format("%10.7f", static_cast<double>(ws.ka2Wavelength));
  d.ratioText = textio::Format("%6.3f", static_cast<double>(ws.ka2Ratio));
  d.radiusText = textio::Format("%8.3f", static_cast<double>(ws.goniometerRadius));
  d.wavelengthToleranceText =
      textio::Format("%5.2f", static_cast<double>(ws.ka2WavelengthTolerance));
  d.intensityToleranceText = textio::Format("%5.2f", static_cast<double>(ws.ka2IntensityTolerance));
  return d;
}

namespace {

// A field that is not a number keeps the value it was opened with.
void ReadField(const std::string& text, float& field) {
  if (const std::optional<double> value = textio::ParseFiniteNumber(text))
    field = static_cast<float>(*value);
}

}  // namespace

void ApplyXraySourceDialog(Workspace& ws, const platform::XraySourceDialog& d) {
  // The pattern's own wavelength stays unless its edit was changed; the
  // X-ray source's Ka1 then stays as it was too.
  const bool keepPatternWavelength = ws.wavelengthFromPattern && d.ka1Text == Ka1Shown(ws);
  if (!keepPatternWavelength) ReadField(d.ka1Text, ws.ka1Wavelength);
  ReadField(d.ka2Text, ws.ka2Wavelength);
  ReadField(d.ratioText, ws.ka2Ratio);
  ReadField(d.radiusText, ws.goniometerRadius);
  ReadField(d.wavelengthToleranceText, ws.ka2WavelengthTolerance);
  ReadField(d.intensityToleranceText, ws.ka2IntensityTolerance);
  if (!keepPatternWavelength) ws.wavelength = ws.ka1Wavelength;
}

void ChooseAnodeRow(platform::XraySourceDialog& dialog, int row) {
  if (row < 0 || row >= 5) return;
  const platform::AnodeRow& anode = platform::kAnodeTable[row];
  dialog.ka1Text = std::string(anode.ka1).substr(0, 8);
  dialog.ka2Text = std::string(anode.ka2).substr(0, 8);
}

void RemoveKa2Peaks(Workspace& ws, bool remove) {
  const int n = ws.peakCount;
  if (n < 1) return;
  const auto count = static_cast<std::size_t>(n);
  const float deltaLambda = std::fabs(ws.ka2Wavelength - ws.ka1Wavelength);
  std::vector<double> sinTheta(count + 1);
  std::vector<float> d1(count + 1);
  std::vector<bool> marked(count + 1, false);
  for (std::size_t i = 1; i <= count; ++i) {
    sinTheta[i] = std::sin(ws.peak2Theta[i] * 0.00872664625);
    d1[i] = static_cast<float>(ws.ka1Wavelength / (2.0 * sinTheta[i]));
  }
  for (std::size_t i = 1; i < count; ++i) {
    for (std::size_t j = i + 1; j <= count; ++j) {
      const float delta = std::fabs(d1[i] - d1[j]);
      const float x = static_cast<float>(2.0 * delta * sinTheta[i]);
      const float intensity = ws.peakIntensity[i];
      // x = 0 or I(i) = 0 make a test quantity infinite or 0/0: not a pair.
      if (x == 0.0f || intensity == 0.0f) continue;
      const float e = std::fabs(x - deltaLambda) / x;
      const float r = std::fabs(intensity - ws.peakIntensity[j] / ws.ka2Ratio) / intensity;
      if (e < ws.ka2WavelengthTolerance && r < ws.ka2IntensityTolerance) marked[j] = true;
    }
  }
  if (!remove) return;
  std::size_t kept = 0;
  for (std::size_t i = 1; i <= count; ++i) {
    if (marked[i]) continue;
    ++kept;
    ws.peak2Theta[kept] = ws.peak2Theta[i];
    ws.peakIntensity[kept] = ws.peakIntensity[i];
    ws.peakD[kept] = ws.peakD[i];
    ws.peakPointIndex[kept] = ws.peakPointIndex[i];
  }
  ws.peakCount = static_cast<int>(kept);
}

void Ka2Elimination(Workspace& ws, platform::Platform& platform, bool remove) {
  platform::XraySourceDialog dialog = MakeXraySourceDialog(ws);
  if (!platform.EditXraySource(dialog)) return;
  ApplyXraySourceDialog(ws, dialog);
  RemoveKa2Peaks(ws, remove);
}

void SetXraySourceCommand(Workspace& ws, platform::Platform& platform) {
  platform::XraySourceDialog dialog = MakeXraySourceDialog(ws);
  if (!platform.EditXraySource(dialog)) return;
  ApplyXraySourceDialog(ws, dialog);
}

}  // namespace difscop::processing
