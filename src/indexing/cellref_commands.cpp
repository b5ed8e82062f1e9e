#include "indexing/cellref_commands.h"

#include "indexing/cellref_input.h"
#include "indexing/ito_listing.h"
#include "indexing/run_commands.h"
#include "indexing/treor_listing.h"
#include "platform/file_writing.h"
#include "platform/program_runner.h"

namespace difscop::indexing {
using textio::LineReader;

namespace {

void StoreSolution(Workspace& ws, int k, const CellTexts& cell) {
  if (k < 0 || k >= workspace::kMaxSolutions) return;
  for (int i = 0; i < 6; ++i) ws.solutionCells[i][k] = cell[i];
}

// Opens the listing, builds the input, and only then writes it.
void Prepare(Workspace& ws, Platform& platform, const std::string& output,
             std::optional<std::string> (*build)(Workspace&, Platform&, const std::string&)) {
  std::optional<std::string> listing = textio::ReadWholeFile(InStartDirectory(ws, output));
  if (!listing) {
    platform.ShowMessage(output + " file not found !!!");
    return;
  }
  std::optional<std::string> input = build(ws, platform, *listing);
  if (!input) return;
  workspace::ClaimWorkingFile(ws, ws.cellRefInput);
  if (!platform::WriteFileOrSay(platform, InStartDirectory(ws, ws.cellRefInput), *input,
                                output + "  not created !!!")) {
    return;
  }
  RefreshResultFlags(ws);
  ShowInEditor(ws, platform, InStartDirectory(ws, ws.cellRefInput));
}

}  // namespace

std::optional<std::string> CellRefFromTreor(Workspace& ws, Platform& platform,
                                            const std::string& listing) {
  LineReader reader(listing);
  if (!FindTreorSolution(reader)) {
    if (!platform.AskYesNo("No reliable solution !\nAttempt trial solutions ?"))
      return std::nullopt;
    platform::TrialSolutionsDialog dialog;
    dialog.rows = ReadTreorTrialSolutions(reader);
    for (std::size_t k = 0; k < dialog.rows.size(); ++k) {
      StoreSolution(ws, static_cast<int>(k), dialog.rows[k].cell);
    }
    if (!platform.ChooseTrialSolution(dialog)) return std::nullopt;
    if (!SkipTreorSolutions(reader, dialog.chosenIndex)) {
      platform.ShowMessage("No solution !");
      return std::nullopt;
    }
  }
  std::optional<TreorSolution> solution = ReadTreorSolution(reader);
  if (!solution) {
    platform.ShowMessage("No solution !");
    return std::nullopt;
  }
  SnapToPeakList(ws, solution->lines);
  return CellRefInputText(ws, LineForm::Treor, CrystalSystemFromTexts(solution->cell),
                          solution->cell, solution->lines);
}

std::optional<std::string> CellRefFromIto(Workspace& ws, Platform& platform,
                                          const std::string& listing) {
  LineReader reader(listing);
  ItoLayout layout = ClassifyItoListing(reader);
  if (layout == ItoLayout::None) {
    platform.ShowMessage("No solution !!!");
    return std::nullopt;
  }
  auto choose = [&platform,
                 &ws](const std::vector<platform::TrialSolutionRow>& rows) -> std::optional<int> {
    platform::TrialSolutionsDialog dialog;
    dialog.rows = rows;
    for (std::size_t k = 0; k < rows.size(); ++k)
      StoreSolution(ws, static_cast<int>(k), rows[k].cell);
    if (!platform.ChooseTrialSolution(dialog)) return std::nullopt;
    return dialog.chosenIndex;
  };
  ItoResult result = ReadItoListing(reader, layout, choose);
  using Status = ItoResult::Status;
  switch (result.status) {
    case Status::Ok:
      break;
    case Status::NoSolution:
      platform.ShowMessage("No solution !!!");
      return std::nullopt;
    case Status::KeywordNotFound:
      platform.ShowMessage("Keyword not found !!!");
      return std::nullopt;
    case Status::Cancelled:
    case Status::Stopped:
      return std::nullopt;
  }
  if (layout != ItoLayout::FourSolution) StoreSolution(ws, 0, result.cell);
  return CellRefInputText(ws, LineForm::Ito, CrystalSystemFromValues(result.cell), result.cell,
                          result.lines);
}

void PrepareFromTreorCommand(Workspace& ws, Platform& platform) {
  Prepare(ws, platform, ws.treorOutput, CellRefFromTreor);
}

void PrepareFromItoCommand(Workspace& ws, Platform& platform) {
  Prepare(ws, platform, ws.itoOutput, CellRefFromIto);
}

void CellRefRunCommand(Workspace& ws, Platform& platform) {
  workspace::ClaimWorkingFile(ws, ws.cellRefOutput);
  platform::RunProgram(
      platform, ProgramCommandLine(ws.cellRefExe, {InStartDirectory(ws, ws.cellRefInput)}), false);
  RefreshResultFlags(ws);
}

void CellRefResultsCommand(Workspace& ws, Platform& platform) {
  ShowInEditor(ws, platform, InStartDirectory(ws, ws.cellRefOutput));
}

}  // namespace difscop::indexing
