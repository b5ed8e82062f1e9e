// The built-in indexing over the workspace: the lines it takes from the peak
// list, the refinement report, and the CellRef input of a chosen solution.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "indexing/auto_index.h"
#include "indexing/cell_refinement.h"
#include "indexing/program_files.h"

namespace difscop::indexing {

// The peak list's 2theta values, ascending (manual picks in the order they
// were picked are sorted). Reads the workspace only.
std::vector<double> PeakListAngles(const Workspace& ws);

// The standard uncertainties of those angles, in the same order, when every
// line of the list has one (fitted positions); empty otherwise.
std::vector<double> PeakListEsds(const Workspace& ws);

// Refines solution against every line of the peak list, each weighed by
// its esd where twoThetaEsd gives them. nullopt with the reason in message
// when too few lines index.
std::optional<Refinement> RefineSolution(const IndexSolution& solution,
                                         const std::vector<double>& twoTheta, double wavelength,
                                         const IndexOptions& options, std::string& message,
                                         const std::vector<double>& twoThetaEsd = {});

// "%10.6f" cell texts, the system code of the listings' path and the records.
std::string BuiltinCellRefInput(const Workspace& ws, const Refinement& refinement,
                                const std::vector<double>& twoTheta);

// Writes the CellRef input of refinement into cellRefInput, as Prepare from
// Treor does, and sees it with RefreshResultFlags. False (message shown)
// when it cannot be written.
bool WriteBuiltinCellRef(Workspace& ws, Platform& platform, const Refinement& refinement,
                         const std::vector<double>& twoTheta);

// The solutions as the command line prints them: a header, then one line each.
std::string SolutionTable(const std::vector<IndexSolution>& solutions);

// The solutions as the window lists them: the columns and a row of texts each.
struct ListColumn {
  const char* title;
  int width;
};
inline constexpr ListColumn kSolutionColumns[] = {
    {"No", 30},   {"System", 80}, {"Lattice", 45}, {"M20", 50},   {"F(N)", 50},
    {"Unindexed", 60}, {"a", 65}, {"b", 65},       {"c", 65},     {"alpha", 55},
    {"beta", 55}, {"gamma", 55},  {"V", 70}};
std::vector<std::vector<std::string>> SolutionRows(const std::vector<IndexSolution>& solutions);

// refined:, esd:, zero and figures of merit, the table of every line in
// order (h k l, obs, calc, obs - calc; "unindexed" for a line no reflection
// explains), the lines left unindexed.
std::string RefinementReport(const Refinement& refinement, const std::vector<double>& twoTheta);

// Where the report is saved: beside the pattern, "<name>-cell.txt".
std::string ReportPathBesidePattern(const std::string& patternPath);

}  // namespace difscop::indexing
