#include "cli/load_pattern.h"

#include <cstdio>

#include "cli/cli_platform.h"
#include "import/command_line_load.h"
#include "import/open_commands.h"
#include "import/raw_reader.h"
#include "textio/text_writer.h"

namespace difscop::cli {

bool LoadPatternForCli(workspace::Workspace& ws, const std::string& format, const std::string& file,
                       std::optional<float> neutronWavelength, std::string* detected) {
  CliPlatform platform;
  std::optional<import::FileType> type;
  if (format == "auto") {
    const std::optional<import::NamedFormat> found = import::DetectFileFormat(platform, file);
    if (!found) return false;
    if (detected) *detected = found->name;
    type = found->type;
  } else {
    type = import::FormatByName(format);
  }
  if (!type) {
    std::fprintf(stderr, "unknown format: %s\n", format.c_str());
    return false;
  }
  const bool fitted = type->fitted;
  const int code = type->code;
  if (neutronWavelength) platform.neutronWavelength = textio::Format("%.9g", *neutronWavelength);

  if (!fitted && code == import::kSimulated) {
    // As the "-x" start: the command line names the file, the first paint loads it.
    workspace::ResetWorkspace(ws);
    ws.dataFilePath = file;
    ws.simulationMode = 1;
    ws.pairedIntLoad = 0;
    ws.blankPlot = 0;
    ws.commandLineFilePending = 1;
    return import::LoadCommandLineFile(ws, platform);
  }
  platform.openAnswers.push_back(file);
  return fitted ? import::OpenFittedCommand(ws, platform, code)
                : import::OpenRawCommand(ws, platform, code);
}

}  // namespace difscop::cli
