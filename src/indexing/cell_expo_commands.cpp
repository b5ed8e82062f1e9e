#include "indexing/cell_expo_commands.h"

#include <filesystem>

#include "indexing/cell_listing.h"
#include "indexing/run_commands.h"
#include "platform/file_writing.h"
#include "platform/program_runner.h"
#include "textio/text_writer.h"

namespace difscop::indexing {
namespace fs = std::filesystem;
using textio::Format;

std::string CellInputText(const Workspace& ws) {
  textio::TextWriter w;
  w.Line("Data for CELL");
  for (int i = 1; i <= ws.peakCount; ++i) w.LineF("%8.5f,", static_cast<double>(ws.peakD[i]));
  w.Line("0,0");
  return w.Contents();
}

std::optional<std::vector<platform::CellSolutionRow>> CellSolutionsFromText(
    Platform& platform, const std::string& text) {
  textio::LineReader reader(text);
  std::optional<std::vector<platform::CellSolutionRow>> rows = ReadCellSolutions(reader);
  if (!rows) platform.ShowMessage("No reliable solution !!!");
  return rows;
}

std::string ExpoJobPath(const platform::ExpoInputDialog& d) {
  const std::string name = d.title + ".exp";
  return d.dataDirectory.empty() ? name : d.dataDirectory + "/" + name;
}

std::string ExpoJobText(const platform::ExpoInputDialog& d) {
  textio::TextWriter w;
  w.Line("%struct " + d.title);
  w.Line("%job  " + d.title);
  w.Line("%init");
  w.Line("%data");
  w.Line("range " + d.start + " " + d.end + " " + d.step);
  w.Line("pattern " + d.dataFileName);
  w.Line("cont " + d.content);
  w.Line("wave " + d.wavelength);
  w.Line("cell " + d.cell[0] + " " + d.cell[1] + " " + d.cell[2] + " " + d.cell[3] + " " +
         d.cell[4] + " " + d.cell[5]);
  w.Line("space " + d.spaceGroupName);
  w.Line("x-ray");
  w.Line("jump");
  w.Line("%extraction");
  w.Line("%continue");
  return w.Contents();
}

std::string SirWareText(const std::string& expoDirectory, const std::string& expoFilePath) {
  const std::string name = FileNamePart(expoFilePath);
  textio::TextWriter w;
  w.Line(expoDirectory);
  w.Line(DirectoryPart(expoFilePath));
  w.Line(name);
  w.Line(name.substr(0, name.find('.')) + ".out");
  w.Line(" 15  6Arial");
  w.Line(" 15  6Courier");
  return w.Contents();
}

platform::ExpoInputDialog ExpoInputFor(const Workspace& ws, const platform::CellSolutionRow& row) {
  platform::ExpoInputDialog d;
  d.start = Format("%6.3f", static_cast<double>(ws.stepStart));
  d.end = Format("%6.3f", static_cast<double>(ws.stepEnd));
  d.step = Format("%6.3f", static_cast<double>(ws.stepWidth));
  d.wavelength = Format("%8.5f", static_cast<double>(ws.wavelength));
  d.expectedSpaceGroup = row.spaceGroup;
  d.cell = row.cell;
  return d;
}

void CellRunCommand(Workspace& ws, Platform& platform) {
  if (!ws.autoPeaksFound && !ws.manualPeakMode) {
    platform.ShowMessage("Do search, please !!!");
    return;
  }
  RefinePeaksForRun(ws);
  workspace::ClaimWorkingFile(ws, ws.cellInput);
  if (!platform::WriteFileOrSay(platform, InStartDirectory(ws, ws.cellInput), CellInputText(ws),
                                ws.cellInput + "  not created !!!")) {
    return;
  }
  if (platform.AskYesNo("Do you edit input file ?")) {
    const std::string input = InStartDirectory(ws, ws.cellInput);
    EditInputFile(platform, ShowFileCommandLine(ws.editorExe, input), input);
  }
  EnterDirectory(ws.cellDirectory);
  platform::RunProgram(platform, ProgramCommandLine(ws.cellExe), true);
  RefreshResultFlags(ws);
  ws.cellRunDone = 1;
  ShowInEditor(ws, platform, InStartDirectory(ws, ws.cellOutput));
}

void CellResultsCommand(Workspace& ws, Platform& platform) {
  ShowInEditor(ws, platform, InStartDirectory(ws, ws.cellOutput));
}

void PrepareExpoFromCellCommand(Workspace& ws, Platform& platform) {
  std::optional<std::string> text = textio::ReadWholeFile(InStartDirectory(ws, ws.cellOutput));
  if (!text) {
    platform.ShowMessage(ws.cellOutput + " file not found !!!");
    return;
  }
  std::optional<std::vector<platform::CellSolutionRow>> rows =
      CellSolutionsFromText(platform, *text);
  if (!rows) return;
  for (std::size_t k = 0; k < rows->size(); ++k) {
    const platform::CellSolutionRow& row = (*rows)[k];
    for (int i = 0; i < 6; ++i) ws.solutionCells[i][k] = row.cell[i];
    ws.solutionSpaceGroup[k] = row.spaceGroup;
    ws.solutionMerit[k] = row.merit;
  }
  RefreshResultFlags(ws);

  platform::CellSolutionsDialog choice;
  choice.rows = *rows;
  if (!platform.ChooseCellSolution(choice)) return;
  const auto chosen = static_cast<std::size_t>(choice.chosenIndex);
  if (chosen >= rows->size()) return;

  platform::ExpoInputDialog input = ExpoInputFor(ws, (*rows)[chosen]);
  if (!platform.EditExpoInput(input)) return;
  // A name typed without a folder (or with a relative one) is taken in the
  // start directory, where RefreshResultFlags looks, not in whatever
  // directory a program's run left current.
  input.powderDataPath = InStartDirectory(ws, input.powderDataPath);
  input.dataDirectory = DirectoryPart(input.powderDataPath);

  WriteExpoPowderData(ws, platform, input.powderDataPath);
  ws.expoFilePath = ExpoJobPath(input);
  if (!platform::WriteFileOrSay(platform, ws.expoFilePath, ExpoJobText(input),
                                ws.expoFilePath + "  not created !!!")) {
    return;
  }
  RefreshResultFlags(ws);
}

void ExpoRunCommand(Workspace& ws, Platform& platform) {
  EnterDirectory(ws.expoDirectory);
  // EXPO found on PATH has no directory of its own: it starts in the current one.
  std::error_code ec;
  const std::string dir =
      ws.expoDirectory.empty() ? fs::current_path(ec).string() : ws.expoDirectory;
  const std::string config = dir + "/SirWare.cfg";
  // The atomic write replaces EXPO's configuration whole, in one step.
  if (!platform::WriteFileOrSay(platform, config, SirWareText(dir, ws.expoFilePath),
                                config + " file not found !!!")) {
    return;
  }
  platform::RunProgram(platform, ProgramCommandLine(ws.expoExe), false);
}

}  // namespace difscop::indexing
