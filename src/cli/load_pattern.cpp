#include "cli/load_pattern.h"

#include <cstdio>

#include "cli/cli_platform.h"
#include "import/command_line_load.h"
#include "import/open_commands.h"
#include "import/raw_reader.h"
#include "textio/text_writer.h"

namespace difscop::cli {

std::optional<int> FormatCode(const std::string& format, bool& fitted) {
  static const char* const kRaw[] = {"rint", "mac", "rad", "hermes", "xy", "int", "sim"};
  static const char* const kFitted[] = {"igor", "cif", "prf"};
  for (int i = 0; i < 7; ++i) {
    if (format == kRaw[i]) {
      fitted = false;
      return i;
    }
  }
  for (int i = 0; i < 3; ++i) {
    if (format == kFitted[i]) {
      fitted = true;
      return i;
    }
  }
  return std::nullopt;
}

bool LoadPatternForCli(workspace::Workspace& ws, const std::string& format, const std::string& file,
                       std::optional<float> neutronWavelength) {
  bool fitted = false;
  std::optional<int> code = FormatCode(format, fitted);
  if (!code) {
    std::fprintf(stderr, "unknown format: %s\n", format.c_str());
    return false;
  }
  CliPlatform platform;
  if (neutronWavelength) platform.neutronWavelength = textio::Format("%.9g", *neutronWavelength);

  if (!fitted && *code == import::kSimulated) {
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
  return fitted ? import::OpenFittedCommand(ws, platform, *code)
                : import::OpenRawCommand(ws, platform, *code);
}

}  // namespace difscop::cli
