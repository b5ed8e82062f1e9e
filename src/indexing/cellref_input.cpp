#include "indexing/cellref_input.h"

#include <cmath>

#include "textio/line_reader.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::indexing {

namespace {

// The code table, over "equal" tests and the right-angle / 120-degree tests.
template <typename T, typename Eq, typename IsRight, typename Is120>
char SystemCode(const std::array<T, 6>& v, Eq eq, IsRight isRight, Is120 is120) {
  const T &a = v[0], &b = v[1], &c = v[2], &alpha = v[3], &beta = v[4], &gamma = v[5];
  const bool anglesEqual = eq(alpha, beta) && eq(beta, gamma);
  if (eq(a, b) && eq(b, c) && anglesEqual && isRight(alpha)) return '7';
  if (eq(a, b) && !eq(b, c) && anglesEqual && isRight(alpha)) return '6';
  if (!eq(a, b) && !eq(b, c) && anglesEqual && isRight(alpha)) return '3';
  if (eq(a, b) && !eq(b, c) && eq(alpha, beta) && !eq(beta, gamma) && is120(gamma)) return '4';
  if (eq(a, b) && eq(b, c) && anglesEqual && !isRight(alpha)) return '5';
  if (!eq(a, b) && !eq(b, c) && eq(alpha, gamma) && !eq(beta, gamma) && !isRight(beta)) return '2';
  return '1';
}

}  // namespace

char CrystalSystemFromTexts(const CellTexts& cell) {
  return SystemCode(
      cell, [](const std::string& x, const std::string& y) { return x == y; },
      [](const std::string& x) { return x == " 90.000000"; },
      [](const std::string& x) { return x == "120.000000"; });
}

char CrystalSystemFromValues(const CellTexts& cell) {
  std::array<float, 6> v{};
  for (int i = 0; i < 6; ++i) v[i] = static_cast<float>(textio::ToDouble(cell[i]));
  return SystemCode(
      v, [](float x, float y) { return x == y; }, [](float x) { return x == 90.0f; },
      [](float x) { return x == 120.0f; });
}

void SnapToPeakList(const workspace::Workspace& ws, IndexedLines& lines) {
  auto nearPeak = [&ws](float v) -> const float* {
    for (int i = 1; i <= ws.peakCount && i <= workspace::kMaxPeaks; ++i) {
      if (std::fabs(v - ws.peak2Theta[i]) < 0.02f) return &ws.peak2Theta[i];
    }
    return nullptr;
  };
  for (ReflectionRecord& r : lines.records) {
    if (const float* p = nearPeak(static_cast<float>(textio::ToDouble(r.twoTheta)))) {
      r.twoTheta = textio::Format("%8.3f", static_cast<double>(*p));
    }
  }
  for (float& v : lines.rejected) {
    if (const float* p = nearPeak(v)) v = *p;
  }
}

std::string CellRefInputText(const workspace::Workspace& ws, LineForm form, char systemCode,
                             const CellTexts& cell, const IndexedLines& lines) {
  textio::TextWriter w;
  w.Line(form == LineForm::Treor   ? "Data from Treor"
         : form == LineForm::Ito   ? "Data from Ito"
                                   : "Data from Difscop");
  w.Line("2");
  w.LineF("%10.6f%10.3f", static_cast<double>(ws.wavelength),
          static_cast<double>(ws.goniometerRadius));
  w.Line(std::string(1, systemCode));
  w.Line(cell[0] + " " + cell[1] + " " + cell[2] + " " + cell[3] + " " + cell[4] + " " + cell[5]);
  w.LineF("%3d", static_cast<int>(lines.records.size()));
  for (const ReflectionRecord& r : lines.records) {
    if (form != LineForm::Ito) {
      w.Line(r.h + "  " + r.k + "  " + r.l + "  " + r.twoTheta + " " + " 1.0");
    } else {
      w.Line("  " + r.h + "  " + r.k + "  " + r.l + "  " + r.twoTheta + "  " + " 1.0");
    }
  }
  w.Line();
  if (!lines.rejected.empty()) {
    w.Line("#Rejected reflection peaks:");
    for (float v : lines.rejected) w.LineF("%8.3f", static_cast<double>(v));
  }
  return w.Contents();
}

void ReadPeakAngles(workspace::Workspace& ws, std::string_view text) {
  textio::LineReader reader{std::string(text)};
  std::string line;
  ws.peakCount = 0;
  while (reader.ReadLine(line) && ws.peakCount < workspace::kMaxPeaks) {
    textio::Scanner scan(line);
    float first = 0.0f, second = 0.0f;
    if (!scan.Float(first)) continue;
    const float angle = scan.Float(second) ? second : first;
    if (!std::isfinite(angle)) continue;
    ws.peak2Theta[++ws.peakCount] = angle;
  }
}

}  // namespace difscop::indexing
