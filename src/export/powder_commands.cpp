#include "export/powder_commands.h"

#include "export/powder_data.h"

namespace difscop::exporter {

const PowderFormatInfo kPowderFormats[8] = {
    {kRietanNormal, 32791, "Rietan Normal INT File (*.int)|*.int|Other Files (*.*)|*.*||", ".int",
     "rietan"},
    {kRietanGeneral, 32792, "Rietan General INT File (*.int)|*.int|Other Files (*.*)|*.*||", ".int",
     "rietan-general"},
    {kGsas, 32793, "GSAS Input File (*.raw)|*.raw|Other Files (*.*)|*.*||", ".raw", "gsas"},
    {kFullProf, 32795, "FullProf Input File (*.prf)|*.prf|Other Files (*.*)|*.*||", ".prf",
     "fullprof"},
    {kRietica, 32796, "Rietica Input File (*.dat)|*.dat|Other Files (*.*)|*.*||", ".dat",
     "rietica"},
    {kDbw, 32797, "DBW Input File (*.dat)|*.dat|Other Files (*.*)|*.*||", ".dat", "dbw"},
    {kPowderX, 32798, "PowderX Input File (*.dat)|*.dat|Other Files (*.*)|*.*||", ".dat",
     "powderx"},
    {kXy, 32799, "(x,y) Format File (*.dat)|*.dat|Other Files (*.*)|*.*||", ".dat", "xy"},
};

int PowderFormatOfCommand(int commandId) {
  for (const PowderFormatInfo& f : kPowderFormats) {
    if (f.commandId == commandId) return f.format;
  }
  return -1;
}

int PowderFormatOfName(std::string_view name) {
  for (const PowderFormatInfo& f : kPowderFormats) {
    if (name == f.cliName) return f.format;
  }
  return -1;
}

void ExportPowderCommand(workspace::Workspace& ws, platform::Platform& platform, int format) {
  if (format < 0 || format >= kPowderFormatCount) return;
  // A simulated pattern is no measurement either: its obs array holds nothing.
  if (!ws.rawLoaded || ws.simulationMode) {
    platform.ShowMessage("Not Raw Data !!!");
    return;
  }
  platform::DataTypeDialog dataType;  // opens on "One-stepped Observed Data"
  if (!platform.EditDataType(dataType)) return;
  const PowderFormatInfo& info = kPowderFormats[format];
  auto path = platform.ChooseSaveFile({info.filter, info.defaultExtension, ""});
  if (!path) return;
  if (WritePowderData(ws, platform, format, dataType.dataType, *path)) {
    platform.ShowInformation("Successfully Saved !");
  } else {
    platform.ShowMessage("Saving Failed!!!");
  }
}

}  // namespace difscop::exporter
