// Powder CIFs as GSAS, GSAS-II, FullProf and COD write them, read by tag
// name: the first pattern's observed and calculated profile (points without
// one of them left out, as the excluded regions they are), and the
// reflections of every phase, placed from their d-spacing or from h k l and
// the phase's cell.
#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "import/cif_text.h"
#include "import/fitted_formats.h"
#include "import/reciprocal_cell.h"
#include "textio/text_writer.h"

namespace difscop::import {

using cif::Block;
using cif::Loop;
using workspace::Workspace;

namespace {

constexpr const char* kMessage = "Not CIF Format File !!!";
constexpr const char* kObservedTags[] = {"_pd_meas_intensity_total", "_pd_proc_intensity_total",
                                         "_pd_meas_counts_total"};
constexpr const char* kAngleTags[] = {"_pd_proc_2theta_corrected", "_pd_meas_2theta_scan",
                                      "_pd_meas_angle_2theta"};
constexpr double kDegreesPerRadian = 57.29577951308232;

constexpr const char* kTimeOfFlightTags[] = {"_pd_meas_time_of_flight", "_pd_proc_d_spacing"};
constexpr const char* kReflectionTags[] = {"_refln_index_h", "_refln_d_spacing"};

int FirstColumn(const Loop& loop, std::span<const char* const> tags) {
  for (const char* tag : tags)
    if (int c = loop.Column(tag); c >= 0) return c;
  return -1;
}

std::optional<double> Usable(std::optional<double> v) {
  return v && std::isfinite(*v) ? v : std::nullopt;
}

// A value from the block itself, else from the first block that has it.
std::optional<std::string_view> Lookup(const std::vector<Block>& blocks, const Block& near,
                                       std::string_view tag) {
  if (auto v = near.Item(tag)) return v;
  for (const Block& b : blocks)
    if (auto v = b.Item(tag)) return v;
  return std::nullopt;
}
std::optional<double> LookupNumber(const std::vector<Block>& blocks, const Block& near,
                                   std::string_view tag) {
  auto v = Lookup(blocks, near, tag);
  return v ? Usable(cif::Number(*v)) : std::nullopt;
}

struct Pattern {
  const Block* block = nullptr;
  const Loop* loop = nullptr;
};

std::vector<Pattern> FindPatterns(const std::vector<Block>& blocks) {
  std::vector<Pattern> out;
  for (const Block& b : blocks)
    for (const Loop& l : b.loops)
      if (FirstColumn(l, kObservedTags) >= 0) out.push_back({&b, &l});
  return out;
}

// Wavelengths by their id (1 when the file numbers none); the first is the
// one reflections without an id use.
struct Radiation {
  bool neutron = false;
  std::vector<std::pair<int, double>> wavelengths;

  std::optional<double> Wavelength(std::optional<int> id) const {
    if (wavelengths.empty()) {
      // The fixed Cu pair GSAS files always meant.
      if (neutron) return std::nullopt;
      return id.value_or(1) == 1 ? 1.5405 : 1.5443;
    }
    for (const auto& [n, lambda] : wavelengths)
      if (id && n == *id) return lambda;
    return wavelengths.front().second;
  }
};

Radiation ReadRadiation(const std::vector<Block>& blocks, const Block& near) {
  Radiation r;
  auto probe = Lookup(blocks, near, "_diffrn_radiation_probe");
  if (!probe) probe = Lookup(blocks, near, "_pd_instr_radiation_probe");
  r.neutron = probe && probe->size() >= 7 && cif::SameTag(probe->substr(0, 7), "neutron");
  auto fromBlock = [&r](const Block& b) {
    if (auto v = Usable(cif::Number(b.Item("_diffrn_radiation_wavelength").value_or(""))))
      r.wavelengths.push_back({1, *v});
    for (const Loop& l : b.loops) {
      const int c = l.Column("_diffrn_radiation_wavelength"), id = l.Column("_diffrn_radiation_wavelength_id");
      for (std::size_t i = 0; c >= 0 && i < l.Rows(); ++i) {
        auto v = Usable(cif::Number(l.At(i, c)));
        auto n = id >= 0 ? cif::Number(l.At(i, id)) : std::optional<double>(i + 1.0);
        if (v && n) r.wavelengths.push_back({static_cast<int>(*n), *v});
      }
    }
    return !r.wavelengths.empty();
  };
  if (!fromBlock(near))
    for (const Block& b : blocks)
      if (fromBlock(b)) break;
  return r;
}

// The profile rows; a row without observed or calculated value (".", "?"),
// or of weight 0 (a point the refinement left out, whatever value it
// holds), ends a segment.
bool ReadProfile(Workspace& ws, const std::vector<Block>& blocks, const Pattern& pattern,
                 ReadContext& context) {
  const Loop& loop = *pattern.loop;
  const int observedColumn = FirstColumn(loop, kObservedTags);
  const int calculatedColumn = loop.Column("_pd_calc_intensity_total");
  if (calculatedColumn < 0) return context.Fail("_pd_calc_intensity_total not found !!!");
  const int angleColumn = FirstColumn(loop, kAngleTags);
  const int weightColumn = loop.Column("_pd_proc_ls_weight");
  std::optional<double> start, step, end;
  if (angleColumn < 0) {
    for (const char* stem : {"_pd_proc_2theta_range_", "_pd_meas_2theta_range_"}) {
      start = LookupNumber(blocks, *pattern.block, std::string(stem) + "min");
      step = LookupNumber(blocks, *pattern.block, std::string(stem) + "inc");
      end = LookupNumber(blocks, *pattern.block, std::string(stem) + "max");
      if (start && step) break;
    }
    if (!start || !step) {
      if (FirstColumn(loop, kTimeOfFlightTags) >= 0)
        return context.Fail(kMessage, "a time-of-flight pattern: its x is not 2theta");
      return context.Fail("_pd_proc_2theta_range_min not found !!!");
    }
  }

  ws.obsCount = 0;
  ws.segmentCount = 0;
  bool inSegment = false;
  for (std::size_t i = 0; i < loop.Rows(); ++i) {
    const auto x = angleColumn >= 0 ? Usable(cif::Number(loop.At(i, angleColumn)))
                                    : std::optional<double>(*start + static_cast<double>(i) * *step);
    const auto observed = Usable(cif::Number(loop.At(i, observedColumn)));
    const auto calculated = Usable(cif::Number(loop.At(i, calculatedColumn)));
    const bool excluded = weightColumn >= 0 && cif::Number(loop.At(i, weightColumn)) == 0.0;
    if (!x || !observed || !calculated || excluded) {
      inSegment = false;
      continue;
    }
    if (!inSegment) {
      if (ws.segmentCount >= workspace::kMaxSegments) {
        context.segmentsCut = true;
        break;
      }
      ws.segmentPointCount[++ws.segmentCount] = 0;
      inSegment = true;
    }
    const float fx = static_cast<float>(*x);
    if (!AddPoint(ws.obs, ws.obsCount, fx, static_cast<float>(*observed), context)) {
      if (context.pointsCut) break;
      continue;
    }
    ws.calc[ws.obsCount] = {fx, static_cast<float>(*calculated)};
    ++ws.segmentPointCount[ws.segmentCount];
  }
  ws.segmentPointCount[0] = 0;
  const int n = ws.obsCount;
  ws.stepStart = start ? static_cast<float>(*start) : n ? ws.obs[1].x : 0.0f;
  ws.stepWidth = step ? static_cast<float>(*step) : n >= 2 ? ws.obs[2].x - ws.obs[1].x : 0.0f;
  ws.stepEnd = end ? static_cast<float>(*end) : n ? ws.obs[n].x : 0.0f;
  return context.RequirePoints(n, kMessage);
}

// --- reflections ---------------------------------------------------------------

// One phase's reflections: a loop's rows, all of them or those of one phase id.
struct Phase {
  const Block* block;
  const Loop* loop;
  int idColumn;
  std::string_view id;
};

std::vector<Phase> FindPhases(const std::vector<Block>& blocks) {
  std::vector<Phase> phases;
  for (const Block& b : blocks) {
    for (const Loop& l : b.loops) {
      if (FirstColumn(l, kReflectionTags) < 0) continue;
      const int idColumn = l.Column("_pd_refln_phase_id");
      if (idColumn < 0) {
        phases.push_back({&b, &l, -1, {}});  // a block of its own per phase
        continue;
      }
      std::vector<std::string_view> ids;
      for (std::size_t i = 0; i < l.Rows(); ++i)
        if (std::find(ids.begin(), ids.end(), l.At(i, idColumn)) == ids.end())
          ids.push_back(l.At(i, idColumn));
      // Phase ids are numbers as a rule: phase 0 (or 1) comes first.
      std::stable_sort(ids.begin(), ids.end(), [](std::string_view a, std::string_view b) {
        return cif::Number(a).value_or(1e300) < cif::Number(b).value_or(1e300);
      });
      for (std::string_view id : ids) phases.push_back({&b, &l, idColumn, id});
    }
  }
  return phases;
}

constexpr const char* kCellTags[] = {"_cell_length_a",    "_cell_length_b",   "_cell_length_c",
                                     "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};

// The first cell tag the block lacks (or cannot read), or nullptr.
const char* MissingCellTag(const Block& b) {
  for (const char* tag : kCellTags)
    if (!Usable(cif::Number(b.Item(tag).value_or("")))) return tag;
  return nullptr;
}

std::optional<ReciprocalCell> CellOf(const Block& b) {
  if (MissingCellTag(b)) return std::nullopt;
  float v[6];
  for (int i = 0; i < 6; ++i) v[i] = static_cast<float>(*cif::Number(*b.Item(kCellTags[i])));
  return ComputeReciprocalCell(v[0], v[1], v[2], v[3], v[4], v[5]);
}

// The cell of a phase: in its own block; else in the block the phase table
// names for its id; else the one cell of the file, or the n-th of several.
std::optional<ReciprocalCell> FindCell(const std::vector<Block>& blocks, const Phase& phase,
                                       int number) {
  if (auto c = CellOf(*phase.block)) return c;
  for (const Block& b : blocks) {
    for (const Loop& l : b.loops) {
      const int id = l.Column("_pd_phase_id"), name = l.Column("_pd_phase_block_id");
      for (std::size_t i = 0; id >= 0 && name >= 0 && i < l.Rows(); ++i) {
        if (l.At(i, id) != phase.id) continue;
        for (const Block& target : blocks)
          if (target.Item("_pd_block_id") == l.At(i, name))
            if (auto c = CellOf(target)) return c;
      }
    }
  }
  std::vector<ReciprocalCell> cells;
  for (const Block& b : blocks)
    if (auto c = CellOf(b)) cells.push_back(*c);
  if (cells.size() == 1) return cells.front();
  if (number >= 1 && number <= static_cast<int>(cells.size())) return cells[number - 1];
  return std::nullopt;
}

// The name of a phase: _pd_phase_name of its own block; for a phase id,
// the phase table's name for it, or the name in the block the table or the
// block names (GSAS-II's "..._phase_0") point to; else its block's name.
std::string PhaseName(const std::vector<Block>& blocks, const Phase& phase) {
  auto named = [](const Block& b) -> std::string {
    if (auto name = b.Item("_pd_phase_name")) return std::string(*name);
    return {};
  };
  if (phase.idColumn < 0) {
    const std::string name = named(*phase.block);
    return name.empty() ? std::string(phase.block->name) : name;
  }
  for (const Block& b : blocks)
    for (const Loop& l : b.loops) {
      const int id = l.Column("_pd_phase_id"), name = l.Column("_pd_phase_name");
      for (std::size_t i = 0; id >= 0 && name >= 0 && i < l.Rows(); ++i)
        if (l.At(i, id) == phase.id) return std::string(l.At(i, name));
    }
  const std::string suffix = "phase_" + std::string(phase.id);
  for (const Block& b : blocks) {
    const std::string_view n = b.name;
    if (n.size() >= suffix.size() && n.substr(n.size() - suffix.size()) == suffix) return named(b);
  }
  return {};
}

bool ReadReflections(Workspace& ws, const std::vector<Block>& blocks, const Radiation& radiation,
                     ReadContext& context) {
  const std::vector<Phase> phases = FindPhases(blocks);
  if (phases.size() > static_cast<std::size_t>(workspace::kMaxPhases)) context.phasesCut = true;
  ws.phaseCount = std::clamp(static_cast<int>(phases.size()), 1, workspace::kMaxPhases);
  for (int p = 1; p <= workspace::kMaxPhases; ++p) ws.reflectionCount[p] = 0;

  for (int p = 1; p <= ws.phaseCount && p <= static_cast<int>(phases.size()); ++p) {
    const Phase& phase = phases[p - 1];
    ws.phaseName[p] = PhaseName(blocks, phase);
    const Loop& l = *phase.loop;
    const int d = l.Column("_refln_d_spacing"), wave = l.Column("_pd_refln_wavelength_id");
    const int h = l.Column("_refln_index_h"), k = l.Column("_refln_index_k"),
              lc = l.Column("_refln_index_l");
    std::optional<ReciprocalCell> cell;
    bool cellSought = false;
    for (std::size_t i = 0; i < l.Rows(); ++i) {
      if (phase.idColumn >= 0 && l.At(i, phase.idColumn) != phase.id) continue;
      std::optional<int> id;
      if (wave >= 0)
        if (auto n = cif::Number(l.At(i, wave))) id = static_cast<int>(*n);
      const std::optional<double> lambda = radiation.Wavelength(id);
      if (!lambda) return context.Fail("_diffrn_radiation_wavelength not found !!!");
      double twoTheta = NAN;
      if (auto spacing = d >= 0 ? Usable(cif::Number(l.At(i, d))) : std::nullopt; spacing && *spacing > 0) {
        const double sinTheta = *lambda / (2.0 * *spacing);
        if (sinTheta <= 1.0) twoTheta = 2.0 * std::asin(sinTheta) * kDegreesPerRadian;
      } else if (h >= 0 && k >= 0 && lc >= 0) {
        if (!cellSought) {
          cell = FindCell(blocks, phase, p);
          cellSought = true;
        }
        if (!cell) return context.Fail(std::string(MissingCellTag(*phase.block)) + " not found !!!");
        auto hh = cif::Number(l.At(i, h)), kk = cif::Number(l.At(i, k)),
             ll = cif::Number(l.At(i, lc));
        if (hh && kk && ll && std::fabs(*hh) < 1e4 && std::fabs(*kk) < 1e4 && std::fabs(*ll) < 1e4)
          twoTheta = ReflectionTwoTheta(*cell, static_cast<int>(*hh), static_cast<int>(*kk),
                                        static_cast<int>(*ll), static_cast<float>(*lambda));
      }
      // A reflection beyond the reach of the wavelength has no angle to mark.
      if (std::isfinite(twoTheta)) AddReflection(ws, p, static_cast<float>(twoTheta), context);
    }
  }
  return true;
}

// A loop whose last row lacks values, or fewer profile rows or reflections
// than the file declares: a file cut short (or not whole), refused.
bool CheckComplete(const std::vector<Block>& blocks, const Pattern& pattern, ReadContext& context) {
  for (const Block& b : blocks)
    for (const Loop& l : b.loops)
      if (l.lostValues > 0) {
        // A loop_ without tags has values only to lose.
        const std::string_view first = l.tags.empty() ? std::string_view("loop_") : l.tags.front();
        return context.Fail(kMessage, textio::Format("the loop of %.*s ends within row %zu",
                                                     static_cast<int>(first.size()), first.data(),
                                                     l.Rows() + 1));
      }
  const long long rows = static_cast<long long>(pattern.loop->Rows());
  bool counted = false;
  for (const char* tag : {"_pd_proc_number_of_points", "_pd_meas_number_of_points"}) {
    const std::optional<double> declared = LookupNumber(blocks, *pattern.block, tag);
    counted = counted || declared;
    if (declared && *declared > static_cast<double>(rows) && *declared < 1e12)
      return context.Fail(kMessage, EndsEarly(rows, static_cast<long long>(*declared)));
  }
  // Without a count (a file cut short loses the count written after the
  // points), points spaced by a range and step are as many as the range
  // holds, give or take one for rounding.
  if (!counted && FirstColumn(*pattern.loop, kAngleTags) < 0) {
    for (const char* stem : {"_pd_proc_2theta_range_", "_pd_meas_2theta_range_"}) {
      const auto min = LookupNumber(blocks, *pattern.block, std::string(stem) + "min");
      const auto inc = LookupNumber(blocks, *pattern.block, std::string(stem) + "inc");
      const auto max = LookupNumber(blocks, *pattern.block, std::string(stem) + "max");
      if (!min || !inc || !max) continue;
      const double span = (*max - *min) / *inc;
      if (*inc > 0 && span > 0 && span < 1e9) {
        const auto points = static_cast<long long>(std::floor(span + 0.5)) + 1;
        if (rows + 1 < points) return context.Fail(kMessage, EndsEarly(rows, points));
      }
      break;
    }
  }
  long long reflections = 0;
  for (const Block& b : blocks)
    for (const Loop& l : b.loops)
      if (FirstColumn(l, kReflectionTags) >= 0) reflections += static_cast<long long>(l.Rows());
  const std::optional<double> declared = LookupNumber(blocks, *pattern.block, "_reflns_number_total");
  if (declared && *declared > static_cast<double>(reflections) && *declared < 1e12)
    return context.Fail(kMessage,
                        EndsEarly(reflections, static_cast<long long>(*declared), "reflections"));
  return true;
}

}  // namespace

bool ReadPowderCif(Workspace& ws, textio::LineReader& in, ReadContext& context) {
  const std::vector<Block> blocks = cif::Parse(in.Text());
  const std::vector<Pattern> patterns = FindPatterns(blocks);
  if (patterns.empty()) return context.Fail(kMessage, "no powder pattern (no observed intensities)");
  const Pattern& pattern = patterns.front();
  if (!CheckComplete(blocks, pattern, context)) return false;
  if (!ReadProfile(ws, blocks, pattern, context)) return false;
  const Radiation radiation = ReadRadiation(blocks, *pattern.block);
  if (!radiation.wavelengths.empty()) {
    const double lambda = radiation.wavelengths.front().second;
    if (lambda > 0.0 && lambda < 100.0) ws.fileWavelength = static_cast<float>(lambda);
  }
  if (!ReadReflections(ws, blocks, radiation, context)) return false;
  if (patterns.size() > 1)
    context.platform.ShowMessage(
        textio::Format("Only the first of %d patterns was read !!!", static_cast<int>(patterns.size())));
  return true;
}

}  // namespace difscop::import
