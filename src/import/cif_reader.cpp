// CIF files in the layout GSAS has always written and this program has
// always read: cell and range keys in a fixed order, the profile rows after
// the calculated-intensity key, then the reflections as Miller indices with a
// wavelength number. Files that do not follow it are read by tag name
// (powder_cif_reader.cpp).
#include <cmath>
#include <optional>
#include <string>

#include "import/fitted_formats.h"
#include "import/key_scan.h"
#include "import/reciprocal_cell.h"
#include "platform/scripted_platform.h"
#include "textio/scan.h"

namespace difscop::import {

using textio::LineReader;
using workspace::Workspace;

namespace {

constexpr std::string_view kProfileKey = "      _pd_calc_intensity_total";
constexpr std::string_view kReflectionKey = "      _pd_refln_i100_meas";

// The value of the next key, or nullopt after the key's message was shown.
// A key whose number cannot be read counts as not found.
std::optional<float> KeyValue(LineReader& in, ReadContext& context, std::string_view key) {
  const std::string line = FindKeyLine(in, context.platform, key);
  if (line == "-1") return std::nullopt;
  std::optional<float> value = ParseKeyValue(line, key);
  if (!value) context.Fail(std::string(key) + " not found !!!");
  return value;
}

struct Header {
  float a, b, c, alpha, beta, gamma;
  bool neutron = false;
  float neutronWavelength = 0.0f;
  int points = 0;
  int reflections = 0;
};

bool ReadHeader(Workspace& ws, LineReader& in, ReadContext& context, Header& h) {
  float* cell[] = {&h.a, &h.b, &h.c, &h.alpha, &h.beta, &h.gamma};
  const char* cellKeys[] = {"_cell_length_a",    "_cell_length_b",   "_cell_length_c",
                            "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};
  for (int i = 0; i < 6; ++i) {
    std::optional<float> v = KeyValue(in, context, cellKeys[i]);
    if (!v) return false;
    *cell[i] = *v;
  }
  const std::string probe = FindKeyLine(in, context.platform, "_pd_instr_radiation_probe");
  if (probe == "-1") return false;
  textio::Scanner words(probe);
  std::string key, kind;
  h.neutron = words.Word(key) && words.Word(kind) && kind == "neutron";
  if (h.neutron) {
    std::optional<float> v = KeyValue(in, context, "_diffrn_radiation_wavelength");
    if (!v) return false;
    h.neutronWavelength = *v;
    if (*v > 0.0f) ws.fileWavelength = *v;
  }

  std::optional<float> v;
  if (!(v = KeyValue(in, context, "_pd_proc_2theta_range_min"))) return false;
  ws.stepStart = *v;
  if (!(v = KeyValue(in, context, "_pd_proc_2theta_range_max"))) return false;
  ws.stepEnd = *v;
  if (!(v = KeyValue(in, context, "_pd_proc_2theta_range_inc"))) return false;
  ws.stepWidth = *v;
  // Counts are written as reals; truncated toward zero, negative ones read as none.
  auto count = [](float f) { return f >= 1.0f ? static_cast<int>(std::fmin(f, 2e9f)) : 0; };
  if (!(v = KeyValue(in, context, "_pd_proc_number_of_points"))) return false;
  h.points = count(*v);
  if (!(v = KeyValue(in, context, "_reflns_number_observed"))) return false;
  h.reflections = count(*v);
  return true;
}

// Profile rows: observed intensity (its uncertainty cut at "("), two
// ignored columns, calculated intensity. A row without those numbers is
// skipped; the angles keep following the row number. Returns the rows
// read, fewer than asked when the text ends first.
int ReadProfileRows(Workspace& ws, LineReader& in, ReadContext& context, int rows) {
  std::string line, w1, w2, w3, w4;
  int count = 0;
  for (int i = 1; i <= rows; ++i) {
    if (!in.ReadLine(line)) {
      ws.obsCount = count;
      return i - 1;
    }
    textio::Scanner s(line);
    if (!(s.Word(w1) && s.Word(w2) && s.Word(w3) && s.Word(w4))) continue;
    float observed = 0.0f, calculated = 0.0f;
    const std::string_view first = std::string_view(w1).substr(0, w1.find('('));
    if (!textio::ParseFloat(first, observed) || !textio::ParseFloat(w4, calculated)) continue;
    const float x = ws.stepStart + static_cast<float>(i - 1) * ws.stepWidth;
    if (!Finite(calculated) || !AddPoint(ws.obs, count, x, observed, context)) {
      if (context.pointsCut) break;
      continue;
    }
    ws.calc[count] = {x, calculated};
  }
  ws.obsCount = count;
  return rows;
}

// cutShort gets the reason when the text ends within the rows or the
// reflections the header announces.
bool ReadFixedLayout(Workspace& ws, LineReader& in, ReadContext& context, std::string& cutShort) {
  Header h{};
  if (!ReadHeader(ws, in, context, h)) return false;

  in.Rewind();
  if (FindKeyLine(in, context.platform, kProfileKey) == "-1") return false;
  if (const int rows = ReadProfileRows(ws, in, context, h.points); rows < h.points) {
    cutShort = EndsEarly(rows, h.points);
    return false;
  }

  if (FindKeyLine(in, context.platform, kReflectionKey) == "-1") return false;
  const ReciprocalCell r = ComputeReciprocalCell(h.a, h.b, h.c, h.alpha, h.beta, h.gamma);
  constexpr float kLambda1 = 1.5405f, kLambda2 = 1.5443f;
  ws.reflectionCount[1] = 0;
  std::string line;
  for (int j = 1; j <= h.reflections; ++j) {
    if (!in.ReadLine(line)) {
      cutShort = EndsEarly(j - 1, h.reflections, "reflections");
      return false;
    }
    textio::Scanner s(line);
    int hh = 0, kk = 0, ll = 0, w = 0;
    if (!(s.Int(hh) && s.Int(kk) && s.Int(ll) && s.Int(w))) continue;
    const float lambda = h.neutron ? h.neutronWavelength : (w == 1 ? kLambda1 : kLambda2);
    // A reflection beyond the reach of the wavelength has no angle to mark.
    const float twoTheta = ReflectionTwoTheta(r, hh, kk, ll, lambda);
    if (!std::isfinite(twoTheta)) continue;
    AddReflection(ws, 1, twoTheta, context);
  }
  ws.segmentCount = 1;
  ws.phaseCount = 1;
  ws.segmentPointCount[1] = ws.obsCount;
  return true;
}

}  // namespace

bool ReadGsasCif(Workspace& ws, LineReader& in, ReadContext& context) {
  // The fixed layout first, so that its files read exactly as they always
  // have; its complaints about keys it misses are not the user's concern.
  platform::ScriptedPlatform quiet;
  ReadContext attempt(quiet);
  std::string cutShort;
  if (ReadFixedLayout(ws, in, attempt, cutShort) && ws.obsCount >= 1) {
    context.pointsCut = attempt.pointsCut;
    context.reflectionsCut = attempt.reflectionsCut;
    return true;
  }
  if (!cutShort.empty()) return context.Fail("Not CIF Format File !!!", cutShort);
  in.Rewind();
  return ReadPowderCif(ws, in, context);
}

}  // namespace difscop::import
