#include "export/powder_data.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "platform/file_writing.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::exporter {
namespace {

using textio::TextWriter;
using workspace::kMaxPoints;
using workspace::Point;

// The points of one data type: every `stride`-th element of an array from
// `first`, `count` of them, and the angles the headers quote.
struct Selection {
  const workspace::PointArray* points = nullptr;
  int first = 1;
  int stride = 1;
  int count = 0;
  float x1 = 0;
  float xn = 0;
  float step = 0;
  bool smoothed = false;

  const Point& operator[](int k) const { return (*points)[first + k * stride]; }
};

// Two-stepped data take every second point from the first and double the
// step. An odd count leaves one point over at the end; it is dropped so that
// the header's n div 2 matches the points that follow.
Selection Select(const Workspace& ws, int dataType) {
  Selection s;
  s.smoothed = dataType == kOneSteppedSmoothed || dataType == kTwoSteppedSmoothed;
  bool twoStepped = dataType == kTwoSteppedObserved || dataType == kTwoSteppedSmoothed;
  int first = 1;
  int last = std::clamp(ws.obsCount, 0, kMaxPoints);
  s.points = &ws.obs;
  if (s.smoothed) {
    first = ws.smoothFirst;
    last = ws.smoothLast;
    s.points = &ws.smoothed;
  }
  int n = last - first + 1;
  s.first = first;
  s.x1 = n > 0 ? (*s.points)[first].x : 0.0f;
  s.xn = n > 0 ? (*s.points)[last].x : 0.0f;
  s.stride = twoStepped ? 2 : 1;
  s.count = twoStepped ? n / 2 : std::max(n, 0);
  s.step = twoStepped ? 2 * ws.stepWidth : ws.stepWidth;
  return s;
}

bool SmoothedRangeValid(const Workspace& ws) {
  return ws.smoothedValid && ws.smoothFirst >= 1 && ws.smoothLast <= kMaxPoints &&
         ws.smoothFirst <= ws.smoothLast;
}

// Intensities `perLine` to a line; the last value of a full line ends it.
// A short last line is left open for the caller to end or not.
void WriteIntensityLines(TextWriter& w, const Selection& s, int perLine) {
  for (int k = 0; k < s.count; ++k) {
    if ((k + 1) % perLine == 0) {
      w.LineF("%8.0f", s[k].y);
    } else {
      w.RawF("%8.0f", s[k].y);
    }
  }
}

void RietanNormal(TextWriter& w, const Selection& s) {
  w.LineF("%4d     %8.4f    %8.4f", s.count, s.x1, s.step);
  WriteIntensityLines(w, s, 10);
  w.Line();
}

void PointPerLine(TextWriter& w, const Selection& s, const char* format) {
  for (int k = 0; k < s.count; ++k) w.LineF(format, s[k].x, s[k].y);
}

// The start and step of the BANK line, in centidegrees. GSAS reads them in
// free format, so they may carry decimals: as many as it takes for every
// point, read back as start + k step, to lie within 0.00005 degree of its own
// angle (whole centidegrees and one decimal when those do). The step is the
// average one between the first and last point: the pattern's first step is
// the difference of two rounded angles, off by enough to shift the end of a
// long pattern by hundredths of a degree.
std::pair<std::string, std::string> GsasBankAngles(const Selection& s) {
  constexpr double kStartTolerance = 1e-6;  // degrees
  constexpr double kTolerance = 5e-5;
  constexpr int kMostDecimals = 8;
  const double start = s.x1;
  const double step =
      s.count >= 2 ? (static_cast<double>(s[s.count - 1].x) - start) / (s.count - 1) : s.step;
  auto written = [](double degrees, int width, int decimals) {
    return textio::Format("%*.*f", width, decimals, degrees * 100);
  };
  auto read = [](const std::string& text) {
    return textio::ParseFiniteNumber(text).value_or(0.0) / 100;
  };
  std::string startText;
  for (int d = 0; d <= kMostDecimals; ++d) {
    startText = written(start, 5, d);
    if (std::fabs(read(startText) - start) <= kStartTolerance) break;
  }
  const double startRead = read(startText);
  std::string stepText;
  for (int d = 1; d <= kMostDecimals; ++d) {
    stepText = written(step, 4, d);
    const double stepRead = read(stepText);
    bool close = true;
    for (int k = 0; k < s.count && close; ++k)
      close = std::fabs(startRead + k * stepRead - s[k].x) <= kTolerance;
    if (close) break;
  }
  return {startText, stepText};
}

void Gsas(TextWriter& w, const Selection& s) {
  w.Line("GSAS Intensity Data " + std::string(60, '*'));
  int records = s.count / 10 + (s.count % 10 != 0 ? 1 : 0);
  const auto [start, step] = GsasBankAngles(s);
  std::string bank = textio::Format("BANK 1 %5d %4d CONST %s %s 0 0 STD", s.count, records,
                                    start.c_str(), step.c_str());
  if (bank.size() < 80) bank.append(80 - bank.size(), ' ');
  w.Line(bank);
  // The last record is always ten values wide; the columns past the data hold 0.
  for (int k = 0; k < records * 10; ++k) {
    float y = k < s.count ? s[k].y : 0.0f;
    if ((k + 1) % 10 == 0) {
      w.LineF("%8.0f", y);
    } else {
      w.RawF("%8.0f", y);
    }
  }
}

void FullProf(TextWriter& w, const Selection& s) {
  w.LineF("%8.4f  %8.4f  %8.4f", s.x1, s.step, s.xn);
  WriteIntensityLines(w, s, 10);
}

void Dbw(TextWriter& w, const Selection& s) {
  w.RawF("%7.3f %7.3f %7.3f", s.x1, s.step, s.xn);
  w.LineF("%-41s%7.3f", " DBW data", s.smoothed ? s.xn : s.x1);
  for (int k = 0; k < s.count; ++k) {
    if ((k + 1) % 8 == 0) {
      w.LineF("%7.0f %7.3f", s[k].y, s[k].x);
    } else {
      w.RawF("%7.0f", s[k].y);
    }
  }
}

// The intensities a layout's side-by-side fields can hold: GSAS counts are
// F6 after a two-column counter; the others are read blank-separated, so
// the value must leave at least one blank of its field.
struct FieldRange {
  double low, high;
  int width;
};
std::optional<FieldRange> IntensityField(int format) {
  switch (format) {
    case kGsas:
      return FieldRange{-99999.5, 999999.5, 6};
    case kRietanNormal:
    case kFullProf:
    case kRietica:
      return FieldRange{-999999.5, 9999999.5, 8};
    case kDbw:
      return FieldRange{-99999.5, 999999.5, 7};
    default:
      return std::nullopt;  // one point a line, its fields apart
  }
}

// The first point whose intensity does not fit, as a reason, or empty.
std::string FieldFault(const Selection& s, int format) {
  const std::optional<FieldRange> field = IntensityField(format);
  if (!field) return {};
  for (int k = 0; k < s.count; ++k) {
    const double y = s[k].y;
    if (!(y > field->low && y < field->high))
      return textio::Format("point %d: intensity %g does not fit the format's %d-column field",
                            k + 1, y, field->width);
  }
  return {};
}

}  // namespace

bool IsSupported(int format, int dataType) {
  if (dataType < 0 || dataType > 3 || format < 0 || format >= kPowderFormatCount) return false;
  switch (format) {
    case kRietanNormal:
    case kRietanGeneral:
      return true;
    case kPowderX:
      return dataType == kOneSteppedObserved;
    default:
      return dataType == kOneSteppedObserved || dataType == kOneSteppedSmoothed;
  }
}

PowderStatus FormatPowderData(const Workspace& ws, int format, int dataType, std::string& out,
                              std::string* fault) {
  if (!IsSupported(format, dataType)) return PowderStatus::kUnsupported;
  bool smoothed = dataType == kOneSteppedSmoothed || dataType == kTwoSteppedSmoothed;
  if (smoothed && !SmoothedRangeValid(ws)) return PowderStatus::kNotSmoothed;
  Selection s = Select(ws, dataType);
  if (std::string why = FieldFault(s, format); !why.empty()) {
    if (fault) *fault = std::move(why);
    return PowderStatus::kDoesNotFit;
  }
  TextWriter w;
  // The widest layout writes 24 bytes a point; wider numbers only regrow.
  w.Reserve(static_cast<std::size_t>(s.count) * 24 + 256);
  switch (format) {
    case kRietanNormal:
      RietanNormal(w, s);
      break;
    case kRietanGeneral:
      w.Line("GENERAL");
      w.LineF("%d", s.count);
      PointPerLine(w, s, "%8.4f    %8.0f");
      break;
    case kGsas:
      Gsas(w, s);
      break;
    case kFullProf:
    case kRietica:
      FullProf(w, s);
      break;
    case kDbw:
      Dbw(w, s);
      break;
    case kPowderX:
      w.Line("PowderX (x,y)");
      w.LineF("%d", s.count);
      PointPerLine(w, s, "%8.4f    %8.0f");
      break;
    case kXy:
      PointPerLine(w, s, "%8.4f  %8.0f");
      break;
  }
  out = w.Take();
  return PowderStatus::kOk;
}

bool WritePowderData(const Workspace& ws, Platform& platform, int format, int dataType,
                     const std::string& path) {
  std::string contents, fault;
  switch (FormatPowderData(ws, format, dataType, contents, &fault)) {
    case PowderStatus::kUnsupported:
      platform.ShowMessage("This selection not Provided  !!!");
      return false;
    case PowderStatus::kNotSmoothed:
      platform.ShowMessage("Smoothing not performed !!!");
      return false;
    case PowderStatus::kDoesNotFit:
      platform.ShowMessage("Data do not fit the format !!!\n" + fault);
      return false;
    case PowderStatus::kOk:
      break;
  }
  return platform::WriteFileOrSay(platform, path, contents, "Cannot Data File Open !!");
}

}  // namespace difscop::exporter
