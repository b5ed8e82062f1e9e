#include "indexing/run_commands.h"

#include <filesystem>

#include "platform/file_writing.h"
#include "platform/program_runner.h"
#include "textio/text_writer.h"

namespace difscop::indexing {
namespace fs = std::filesystem;
using textio::TextWriter;

void RefreshResultFlags(Workspace& ws) {
  auto seen = [&ws](const std::string& name) {
    if (name.empty()) return false;
    std::error_code ec;
    return fs::exists(InStartDirectory(ws, name), ec);
  };
  if (seen(ws.itoOutput)) ws.itoRunDone = 1;
  if (seen(ws.dicvolOutput)) ws.dicvolRunDone = 1;
  if (seen(ws.treorOutput)) ws.treorRunDone = 1;
  if (seen(ws.cellRefInput)) ws.cellRefPrepared = 1;
  if (seen(ws.cellRefOutput)) ws.cellRefRunDone = 1;
  if (seen(ws.expoFilePath)) ws.expoPrepared = 1;
}

std::string ItoInputText(const Workspace& ws) {
  TextWriter w;
  w.Line("Ito data");
  w.LineF(" 9                    %8.6lf                                         4.0       ",
          static_cast<double>(ws.wavelength));
  w.Line(" 0.000");
  for (int i = 1; i <= ws.peakCount; ++i) w.LineF("%10.4f", static_cast<double>(ws.peak2Theta[i]));
  w.Line("0.0");
  w.Line("END");
  return w.Contents();
}

std::string TreorInputText(const Workspace& ws) {
  TextWriter w;
  w.Line("Treor data");
  for (int i = 1; i <= ws.peakCount; ++i) w.LineF("%10.4f", static_cast<double>(ws.peak2Theta[i]));
  w.Line();
  w.Line("MONO=130.0,");
  w.LineF("WAVE=%8.6lf,", static_cast<double>(ws.wavelength));
  w.Line("CHOICE=3,");
  w.Line("END*");
  w.Line(" 0.00");
  return w.Contents();
}

std::string DicvolInputText(const Workspace& ws) {
  TextWriter w;
  w.Line("Dicvol data");
  w.LineF("%d  2 1 1 1 1 1 0", ws.peakCount);
  w.Line("0.0 0.0 0.0 0.0 0.0 0.0 0.0");
  w.LineF("%8.6lf 0.0 0.0 0.0", static_cast<double>(ws.wavelength));
  w.Line("0.0 0.0 0.0");
  for (int i = 1; i <= ws.peakCount; ++i) w.LineF("%10.4f", static_cast<double>(ws.peak2Theta[i]));
  return w.Contents();
}

InputFile IndexingInputFile(Workspace& ws, IndexingProgram program) {
  RefinePeaksForRun(ws);
  switch (program) {
    case IndexingProgram::Ito:
      return {ws.itoBaseName + ".dat", ItoInputText(ws)};
    case IndexingProgram::Treor:
      return {ws.treorBaseName + ".dat", TreorInputText(ws)};
    case IndexingProgram::Dicvol:
      break;
  }
  return {ws.dicvolInput, DicvolInputText(ws)};
}

namespace {

struct RunRecipe {
  IndexingProgram program;
  const char* notPrepared;
};

void RunIndexing(Workspace& ws, Platform& platform, const RunRecipe& recipe) {
  if (!ws.autoPeaksFound && !ws.manualPeakMode) {
    platform.ShowMessage(recipe.notPrepared);
    return;
  }
  EnterDirectory(ws.startDirectory);
  InputFile input = IndexingInputFile(ws, recipe.program);
  workspace::ClaimWorkingFile(ws, input.name);
  if (!platform::WriteFileOrSay(platform, InStartDirectory(ws, input.name), input.contents,
                                input.name + "  not created !!!")) {
    return;
  }
  if (platform.AskYesNo("Do you edit input file ?")) {
    EditInputFile(platform, EditInputCommandLine(ws.editorExe, input.name), input.name);
  }
  std::string commandLine;
  std::string output;
  switch (recipe.program) {
    case IndexingProgram::Ito:
      commandLine = ProgramCommandLine(ws.itoExe, {ws.itoBaseName});
      output = ws.itoOutput;
      workspace::ClaimWorkingFile(ws, ws.itoBaseName + ".con");
      break;
    case IndexingProgram::Treor:
      commandLine = ProgramCommandLine(ws.treorExe, {ws.treorBaseName});
      output = ws.treorOutput;
      workspace::ClaimWorkingFile(ws, ws.treorBaseName + ".con");
      break;
    case IndexingProgram::Dicvol:
      commandLine = ProgramCommandLine(ws.dicvolExe, {ws.dicvolInput, ws.dicvolOutput});
      output = ws.dicvolOutput;
      break;
  }
  // What the program leaves behind is this run's too.
  workspace::ClaimWorkingFile(ws, output);
  platform::RunProgram(platform, commandLine, true);
  RefreshResultFlags(ws);
  ShowInEditor(ws, platform, InStartDirectory(ws, output));
}

}  // namespace

void ItoRunCommand(Workspace& ws, Platform& platform) {
  RunIndexing(ws, platform, {IndexingProgram::Ito, "Ito Input File not Prepared !!!"});
}

void TreorRunCommand(Workspace& ws, Platform& platform) {
  RunIndexing(ws, platform, {IndexingProgram::Treor, "Treor Input File not Prepared !!!"});
}

void DicvolRunCommand(Workspace& ws, Platform& platform) {
  RunIndexing(ws, platform, {IndexingProgram::Dicvol, "Dicvol Input File not Prepared !!!"});
}

void ItoResultsCommand(Workspace& ws, Platform& platform) {
  ShowInEditor(ws, platform, InStartDirectory(ws, ws.itoOutput));
}

void TreorResultsCommand(Workspace& ws, Platform& platform) {
  ShowInEditor(ws, platform, InStartDirectory(ws, ws.treorOutput));
}

void DicvolResultsCommand(Workspace& ws, Platform& platform) {
  ShowInEditor(ws, platform, InStartDirectory(ws, ws.dicvolOutput));
}

}  // namespace difscop::indexing
