#include "indexing/tool_commands.h"

#include "platform/program_runner.h"

namespace difscop::indexing {

platform::FileDialogRequest EditFileRequest() {
  return {
      "Output Files (*.out)|*.out|Input Files (*.inp)|*.inp|Text Files (*.txt)|*.txt|"
      "Data Files (*.dat)|*.dat|Other Files (*.*)|*.*||",
      ".out", ""};
}

void EditFileCommand(Workspace& ws, Platform& platform) {
  std::optional<std::string> path = platform.ChooseOpenFile(EditFileRequest());
  if (!path) return;
  ShowInEditor(ws, platform, *path);
}

void EditCellRefFileCommand(Workspace& ws, Platform& platform) {
  ShowInEditor(ws, platform, InStartDirectory(ws, ws.cellRefInput));
}

void HelpByHtmlCommand(Workspace& ws, Platform& platform) {
  const std::string document = InStartDirectory(ws, "DifscopHelp.html");
  std::optional<std::string> viewer = platform::AssociatedProgram(document);
  if (!viewer) {
    platform.Beep();
    platform.ShowMessage("Cannot execute html file !!!");
    return;
  }
  platform::RunProgram(platform, ProgramCommandLine(*viewer, {document}), false);
}

void GenHklRunCommand(Workspace& ws, Platform& platform) {
  EnterDirectory(ws.genHklDirectory);
  platform::RunProgram(platform, ProgramCommandLine(ws.genHklExe), false);
}

}  // namespace difscop::indexing
