#include "app/commands/command_line.h"

namespace difscop::commands {

void ParseCommandLine(workspace::Workspace& ws, const std::string& programPath,
                      std::span<const std::string> arguments) {
  ws.commandLine = programPath;
  for (const std::string& a : arguments) ws.commandLine += " " + a;

  // The first argument that starts with '-' carries the switch; everything
  // from it on is the switch text.
  std::size_t first = 0;
  while (first < arguments.size() && (arguments[first].empty() || arguments[first][0] != '-')) {
    ++first;
  }
  if (first == arguments.size()) {
    ws.commandLineFilePending = 0;
    return;
  }
  std::string option = arguments[first];
  for (std::size_t i = first + 1; i < arguments.size(); ++i) option += " " + arguments[i];

  const std::string letter = option.substr(0, 2);
  if (letter == "-i") {
    ws.startupOption = 0;
    ws.pairedIntLoad = 0;
  } else if (letter == "-s") {
    ws.startupOption = 1;
    ws.pairedIntLoad = 1;
  } else if (letter == "-m") {
    ws.startupOption = 2;
  } else if (letter == "-x") {
    ws.simulationMode = 1;
    ws.pairedIntLoad = 0;
  }
  // Any other switch changes nothing, yet the file after it is still loaded.
  ws.dataFilePath = option.size() > 3 ? option.substr(3) : std::string();
  ws.blankPlot = 0;
  ws.commandLineFilePending = 1;
}

}  // namespace difscop::commands
