#include "indexing/builtin_indexing.h"

#include <algorithm>
#include <filesystem>

#include "indexing/cellref_input.h"
#include "indexing/run_commands.h"
#include "platform/file_writing.h"
#include "textio/text_writer.h"

namespace difscop::indexing {

namespace {

// The peak list's (2theta, esd) pairs by angle.
std::vector<std::pair<double, double>> SortedPeaks(const Workspace& ws) {
  std::vector<std::pair<double, double>> peaks;
  const int n = std::clamp(ws.peakCount, 0, workspace::kMaxPeaks);
  for (int i = 1; i <= n; ++i)
    peaks.push_back({static_cast<double>(ws.peak2Theta[i]), static_cast<double>(ws.peak2ThetaEsd[i])});
  std::sort(peaks.begin(), peaks.end());
  return peaks;
}

}  // namespace

std::vector<double> PeakListAngles(const Workspace& ws) {
  std::vector<double> angles;
  for (const auto& [angle, esd] : SortedPeaks(ws)) angles.push_back(angle);
  return angles;
}

std::vector<double> PeakListEsds(const Workspace& ws) {
  std::vector<double> esds;
  for (const auto& [angle, esd] : SortedPeaks(ws)) {
    if (!(esd > 0)) return {};
    esds.push_back(esd);
  }
  return esds;
}

std::optional<Refinement> RefineSolution(const IndexSolution& solution,
                                         const std::vector<double>& twoTheta, double wavelength,
                                         const IndexOptions& options, std::string& message,
                                         const std::vector<double>& twoThetaEsd) {
  RefineOptions refine;
  refine.tolerance = options.tolerance;
  refine.zeroShift = options.zeroRange > 0;
  refine.displacement = options.displacement;
  refine.start = solution.corrections;
  std::optional<Refinement> r =
      RefineCell(solution.cell, solution.system, solution.centring, twoTheta, wavelength, refine,
                 twoThetaEsd);
  if (!r) message = "Too few lines index with this cell to refine it !!!";
  return r;
}

std::string BuiltinCellRefInput(const Workspace& ws, const Refinement& r,
                                const std::vector<double>& twoTheta) {
  const CellTexts cell{textio::Format("%10.6f", r.cell.a),     textio::Format("%10.6f", r.cell.b),
                       textio::Format("%10.6f", r.cell.c),     textio::Format("%10.6f", r.cell.alpha),
                       textio::Format("%10.6f", r.cell.beta),  textio::Format("%10.6f", r.cell.gamma)};
  IndexedLines lines;
  for (const IndexedLine& line : r.lines.indexed) {
    if (static_cast<int>(lines.records.size()) == kMaxReflectionRecords) break;
    lines.records.push_back({textio::Format("%4d", line.hkl.h), textio::Format("%4d", line.hkl.k),
                             textio::Format("%4d", line.hkl.l),
                             textio::Format("%8.3f", line.twoThetaObs)});
  }
  for (int i : r.lines.unindexed) {
    if (static_cast<int>(lines.rejected.size()) == kMaxRejectedPeaks) break;
    lines.rejected.push_back(static_cast<float>(twoTheta[static_cast<std::size_t>(i)]));
  }
  return CellRefInputText(ws, LineForm::Builtin, CrystalSystemFromTexts(cell), cell, lines);
}

bool WriteBuiltinCellRef(Workspace& ws, Platform& platform, const Refinement& refinement,
                         const std::vector<double>& twoTheta) {
  const std::string text = BuiltinCellRefInput(ws, refinement, twoTheta);
  workspace::ClaimWorkingFile(ws, ws.cellRefInput);
  if (!platform::WriteFileOrSay(platform, InStartDirectory(ws, ws.cellRefInput), text,
                                ws.cellRefInput + "  not created !!!")) {
    return false;
  }
  RefreshResultFlags(ws);
  return true;
}

std::string SolutionTable(const std::vector<IndexSolution>& solutions) {
  textio::TextWriter w;
  w.Line(" No  System       Lattice     M20    F(N) Unindexed          a          b          c"
         "     alpha      beta     gamma          V");
  int number = 0;
  for (const IndexSolution& s : solutions) {
    w.LineF("%3d  %-12s    %c   %8.1f %7.1f %9d %10.5f %10.5f %10.5f %9.4f %9.4f %9.4f %10.3f",
            ++number, CrystalSystemName(s.system), s.centring, s.merit.m20, s.merit.fn,
            static_cast<int>(s.unindexed.size()), s.cell.a, s.cell.b, s.cell.c, s.cell.alpha,
            s.cell.beta, s.cell.gamma, s.cell.Volume());
  }
  return w.Contents();
}

std::vector<std::vector<std::string>> SolutionRows(const std::vector<IndexSolution>& solutions) {
  std::vector<std::vector<std::string>> rows;
  int number = 0;
  for (const IndexSolution& s : solutions) {
    rows.push_back({textio::Format("%2d", ++number), CrystalSystemName(s.system),
                    std::string(1, s.centring), textio::Format("%.1f", s.merit.m20),
                    textio::Format("%.1f", s.merit.fn),
                    textio::Format("%d", static_cast<int>(s.unindexed.size())),
                    textio::Format("%.5f", s.cell.a), textio::Format("%.5f", s.cell.b),
                    textio::Format("%.5f", s.cell.c), textio::Format("%.3f", s.cell.alpha),
                    textio::Format("%.3f", s.cell.beta), textio::Format("%.3f", s.cell.gamma),
                    textio::Format("%.2f", s.cell.Volume())});
  }
  return rows;
}

std::string RefinementReport(const Refinement& r, const std::vector<double>& twoTheta) {
  textio::TextWriter w;
  w.LineF("refined: %.5f %.5f %.5f %.4f %.4f %.4f %.3f", r.cell.a, r.cell.b, r.cell.c, r.cell.alpha,
          r.cell.beta, r.cell.gamma, r.volume);
  w.LineF("esd: %.5f %.5f %.5f %.4f %.4f %.4f %.3f", r.esd.a, r.esd.b, r.esd.c, r.esd.alpha,
          r.esd.beta, r.esd.gamma, r.volumeEsd);
  w.LineF("system: %s %c", CrystalSystemName(r.system), r.centring);
  if (r.centring == 'R') {
    const Cell p = RhombohedralOfHexagonal(r.cell);
    w.LineF("rhombohedral axes: %.5f %.4f %.3f", p.a, p.alpha, p.Volume());
  }
  if (r.corrections.zero != 0 || r.correctionsEsd.zero > 0)
    w.LineF("zero: %.4f %.4f", r.corrections.zero, r.correctionsEsd.zero);
  if (r.corrections.displacement != 0 || r.correctionsEsd.displacement > 0)
    w.LineF("displacement (cos theta): %.4f %.4f", r.corrections.displacement,
            r.correctionsEsd.displacement);
  w.LineF("M(%d): %.1f  F(%d): %.1f (%.4f, %d)", r.merit.mLines, r.merit.m20, r.merit.fnLines,
          r.merit.fn, r.merit.meanDelta, r.merit.possibleLines);
  w.Line("   h   k   l  2theta obs 2theta calc      diff");
  // Every observed line in order, the unindexed ones where they fall.
  std::vector<const IndexedLine*> byLine(twoTheta.size(), nullptr);
  for (const IndexedLine& line : r.lines.indexed) {
    if (line.observed >= 0 && static_cast<std::size_t>(line.observed) < byLine.size())
      byLine[static_cast<std::size_t>(line.observed)] = &line;
  }
  for (std::size_t i = 0; i < byLine.size(); ++i) {
    if (const IndexedLine* line = byLine[i]) {
      w.LineF("%4d%4d%4d %11.4f %11.4f %9.4f", line->hkl.h, line->hkl.k, line->hkl.l,
              line->twoThetaObs, line->twoThetaCalc, line->twoThetaObs - line->twoThetaCalc);
    } else {
      w.LineF("            %11.4f   unindexed", twoTheta[i]);
    }
  }
  if (!r.lines.unindexed.empty()) {
    std::string text = "unindexed:";
    for (int i : r.lines.unindexed)
      text += textio::Format(" %.4f", twoTheta[static_cast<std::size_t>(i)]);
    w.Line(text);
  }
  return w.Contents();
}

std::string ReportPathBesidePattern(const std::string& patternPath) {
  std::filesystem::path p(patternPath);
  return (p.parent_path() / (p.stem().string() + "-cell.txt")).string();
}

}  // namespace difscop::indexing
