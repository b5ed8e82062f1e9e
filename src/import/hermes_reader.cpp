// Hermes neutron files: measured angles on an irregular grid, resampled onto
// the regular grid of the header, then the wavelength is asked for.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "import/raw_formats.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::import {

using textio::LineReader;
using workspace::Workspace;

namespace {

constexpr const char* kMessage = "Not Hermes Format File !!!";

// The number after the first ':' of a header line.
bool HeaderValue(std::string_view line, float& value) {
  line = textio::StripLineFeed(line);
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  double v = 0.0;
  if (!textio::ParseDouble(line.substr(colon + 1), v)) return false;
  value = static_cast<float>(v);
  return std::isfinite(value);
}

struct Measured {
  std::vector<float> angle{0.0f};  // 1-based
  std::vector<float> count{0.0f};
  int Size() const { return static_cast<int>(angle.size()) - 1; }
};

void Resample(Workspace& ws, const Measured& m, long long n, ReadContext& context) {
  const int last = m.Size();
  int out = 0;
  if (last >= 2) {
    bool ascending = true;
    float minA = m.angle[1], maxA = m.angle[1];
    for (int k = 2; k <= last; ++k) {
      ascending = ascending && m.angle[k] >= m.angle[k - 1];
      minA = std::min(minA, m.angle[k]);
      maxA = std::max(maxA, m.angle[k]);
    }
    // Grid points below the smallest or from the largest measured angle lie
    // in no interval: start just below the measured range, stop above it.
    long long j = 2;
    const double skip = std::floor((static_cast<double>(minA) - ws.stepStart) / ws.stepWidth) - 1;
    if (skip > 0) j += static_cast<long long>(std::min(skip, 2e9));
    // Bounds the search over unsorted angles, which no instrument writes.
    long long budget = 200000000;
    int kStart = 1;
    for (; j <= n && budget > 0; ++j) {
      if (out >= workspace::kMaxPoints) {
        context.pointsCut = true;
        break;
      }
      const float x = static_cast<float>(j - 2) * ws.stepWidth + ws.stepStart;
      if (x >= maxA) break;
      for (int k = kStart; k <= last - 1 && budget > 0; ++k, --budget) {
        const float a0 = m.angle[k], a1 = m.angle[k + 1];
        if (a0 <= x && x < a1) {
          kStart = k;
          const float b0 = m.count[k], b1 = m.count[k + 1];
          AddPoint(ws.obs, out, x, b0 + (x - a0) * (b1 - b0) / (a1 - a0), context);
          break;
        }
        // Sorted angles: no later interval can hold x.
        if (ascending && a0 > x) break;
      }
    }
  }
  ws.obsCount = out;
}

}  // namespace

bool ReadHermes(Workspace& ws, LineReader& in, ReadContext& context) {
  std::string line;
  auto missing = [&context](const char* key) {
    return context.Fail(kMessage, std::string("no \"") + key + "\" line");
  };
  auto unreadable = [&context, &in](const char* what) {
    return context.Fail(kMessage, std::string("no ") + what + " after ':'", LastLineNumber(in));
  };
  if (!in.SkipToPrefix("Meas-start-time")) return missing("Meas-start-time");
  if (!in.SkipToPrefix("Meas-start-angle", &line)) return missing("Meas-start-angle");
  if (!HeaderValue(line, ws.stepStart)) return unreadable("start angle");
  if (!in.ReadLine(line) || !HeaderValue(line, ws.stepEnd)) return unreadable("end angle");
  if (!in.ReadLine(line) || !HeaderValue(line, ws.stepWidth)) return unreadable("step");

  // A step that is not positive, or an end below the start, gives no grid.
  const float steps = (ws.stepEnd - ws.stepStart) / ws.stepWidth;
  if (!(ws.stepWidth > 0.0f) || !(steps >= 0.0f) || !std::isfinite(steps))
    return context.Fail(kMessage, "start, end and step give no angle grid", LastLineNumber(in));
  const long long n =
      steps > 1e9f ? 1000000000LL : static_cast<long long>(steps) + 1;  // truncation, plus one

  if (!in.SkipToPrefix("Comment")) return missing("Comment");
  in.ReadLine(line);
  in.ReadLine(line);

  // The measured lines: angle in the second column, count in the third.
  Measured m;
  while (m.Size() < n && in.ReadLine(line)) {
    textio::Scanner s(line);
    float c1 = 0.0f, angle = 0.0f, count = 0.0f;
    if (!(s.Float(c1) && s.Float(angle) && s.Float(count))) continue;
    if (m.Size() >= workspace::kMaxPoints) {
      context.pointsCut = true;
      break;
    }
    m.angle.push_back(angle);
    m.count.push_back(count);
  }
  Resample(ws, m, n, context);
  if (!context.RequirePoints(ws.obsCount, kMessage)) return false;

  platform::NeutronWavelengthDialog dialog{textio::Format("%7.5f", ws.wavelength)};
  if (!context.platform.EditNeutronWavelength(dialog)) {
    // The user's choice, not a fault of the file: nothing to explain.
    context.platform.ShowMessage("Only Raw Data Available !!!");
    return false;
  }
  // A field that holds no positive number keeps the wavelength shown.
  const std::optional<double> wavelength = textio::ParseFiniteNumber(dialog.wavelengthText);
  if (wavelength && *wavelength > 0.0) ws.wavelength = static_cast<float>(*wavelength);
  ws.wavelengthFromPattern = 1;
  return true;
}

}  // namespace difscop::import
