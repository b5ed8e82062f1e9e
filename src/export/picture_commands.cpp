#include "export/picture_commands.h"

#include "platform/program_runner.h"

namespace difscop::exporter {

void ExportEmfCommand(workspace::Workspace& ws, platform::Platform& platform, bool colour) {
  auto path = platform.ChooseSaveFile(
      {"Extended Metafile (*.emf)|*.emf|Other Files (*.*)|*.*||", ".emf", ""});
  if (!path) return;
  ws.colorDrawing = colour ? 1 : 0;
  ws.emfFilePath = *path;
  ws.recordingMetafile = 1;
  ws.emfWritten = 1;
  // The recording is made by a paint; ask for it rather than hoping one comes.
  platform.RequestRepaint();
}

void ViewGraphicsCommand(const workspace::Workspace& ws, platform::Platform& platform,
                         Picture picture) {
  const std::string& path = picture == Picture::kSma4  ? ws.sma4FilePath
                            : picture == Picture::kEmf ? ws.emfFilePath
                                                       : ws.bmpFilePath;
  // The message box sounds the warning beep itself.
  std::string why;
  if (!platform::OpenDocument(path, 2000, &why)) platform.ShowMessage("Cannot execute smp file !!!\n" + why);
}

}  // namespace difscop::exporter
